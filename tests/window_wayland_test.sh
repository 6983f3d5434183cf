#!/usr/bin/env bash
# hypercube as a native Wayland client of a real compositor, weston, whose
# output is a window on a virtual X display (its headless output crashes SDL
# 2.26 at start): the window appears maximised below weston's panel and its
# client area equals the frame tool's PNG for its size, keys step it, Alt+F4
# ends it with status 0 and nothing on stderr, and killing the compositor
# ends it within a second with one line and status 1.
# usage: window_wayland_test.sh HYPERCUBE HYPERCUBE_RENDER
set -u
app=$1
render=$2
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools Xvfb weston xdotool xwininfo import compare convert

begin_test weston_pid
start_xvfb 1280x800 || finish
socket=hypercube-test
out_w=1024
out_h=700

# In a sanitizer build the leak checker cannot name what SDL's Wayland
# libraries keep at exit (SDL unloads them before it looks), so it is left to
# the X11 and headless runs; every other check of the sanitizers stays.
no_leak_check=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
start_app() {
  env -u DISPLAY WAYLAND_DISPLAY=$socket ASAN_OPTIONS="$no_leak_check" "$app" 2>"$tmp/app.err" &
  app_pid=$!
}

# The maximised window's client area starts at the first white row of the
# output below the panel and the title bar and runs to its bottom right.
expect_output_frame() {
  expect_frame "$1" "$2" 10 below_white "$ox" "$oy" $out_w $out_h 2
}

start_weston $socket $out_w $out_h || finish
# weston draws the pointer into its output, and keeps it there when the X
# pointer leaves: it is put in a known place, in the window's white margin.
px=$((ox + out_w - 60))
py=$((oy + out_h - 60))
xdotool mousemove $px $py
# Where it is, is not compared.
frame_mask="$((px - 16)) $((py - 16)) $((px + 48)) $((py + 48))"
start_app
expect_output_frame start ""
# weston takes its keys from its X window.
xdotool windowfocus --sync "$weston_window" 2>/dev/null
xdotool key Up Left
expect_output_frame keys UL
xdotool key alt+F4
expect_exit 0 Alt+F4
[ -s "$tmp/app.err" ] && bad "stderr: $(head -c 400 "$tmp/app.err")" || ok

start_app
expect_output_frame restart ""
kill -KILL "$weston_pid"
wait "$weston_pid" 2>/dev/null
weston_pid=
if ! wait_end "$app_pid" 1; then
  bad "the compositor was killed: the program still runs a second later"
  kill -KILL "$app_pid"
elif [ "$status" -eq 1 ] && [ "$(wc -l <"$tmp/app.err")" -eq 1 ] &&
  grep -q "^hypercube: lost the display at WAYLAND_DISPLAY='$socket': the compositor closed the connection$" "$tmp/app.err"; then
  ok
else
  bad "the compositor was killed: status $status, stderr: $(head -c 400 "$tmp/app.err")"
fi
app_pid=

finish

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

tmp=$(mktemp -d)
passed=0
failed=0
app_pid=
weston_pid=
xvfb_pid=
cleanup() {
  for pid in "$app_pid" "$weston_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

start_xvfb 1280x800 || exit 1
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=hypercube-test
out_w=1024
out_h=700

# Starts weston; sets weston_pid and the place of its output on the X screen
# (ox, oy). Now and then weston's X11 output fails to come up on a busy
# machine ("failed to create compositor backend"): it is given three tries.
weston_output() { xwininfo -root -tree | awk '/"Weston Compositor/ {print $1; exit}'; }
start_weston() {
  local try
  for try in 1 2 3; do
    weston --backend=x11-backend.so --use-pixman --socket=$socket --width=$out_w --height=$out_h \
      --idle-time=0 >"$tmp/weston.log" 2>&1 &
    weston_pid=$!
    if poll 15 eval '[ -n "$(weston_output)" ]' && poll 10 test -S "$XDG_RUNTIME_DIR/$socket"; then
      weston_window=$(weston_output)
      read -r ox oy <<<"$(xwininfo -id "$weston_window" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')"
      return
    fi
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
    weston_pid=
    [ $try = 3 ] || sleep 1
  done
  echo "FAIL: weston did not start: $(tail -n 5 "$tmp/weston.log")"
  exit 1
}

# In a sanitizer build the leak checker cannot name what SDL's Wayland
# libraries keep at exit (SDL unloads them before it looks), so it is left to
# the X11 and headless runs; every other check of the sanitizers stays.
no_leak_check=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
start_app() {
  env -u DISPLAY WAYLAND_DISPLAY=$socket ASAN_OPTIONS="$no_leak_check" "$app" 2>"$tmp/app.err" &
  app_pid=$!
}

# Whether weston's output shows the maximised window with the frame after
# `keys`: its client area starts at the first white row below the panel and
# the title bar and runs to the output's bottom right.
rendered=
client_matches() {
  local keys=$1 top
  import -window root -crop "1x$out_h+$((ox + 2))+$oy" +repage "$tmp/column.png" 2>/dev/null || return 1
  top=$(convert "$tmp/column.png" txt:- | awk -F'[ :,]+' 'NR > 1 && /#FFFFFF/ {print $2; exit}')
  [ -n "$top" ] || return 1
  size="${out_w}x$((out_h - top))"
  if [ "$rendered" != "$size $keys" ]; then
    "$render" --size "$size" --keys "$keys" --format png --output "$tmp/want.png" || return 1
    rendered="$size $keys"
  fi
  import -window root -crop "$size+$ox+$((oy + top))" +repage "$tmp/shot.png" 2>/dev/null || return 1
  # weston draws its pointer into the output; where it is, is not compared.
  local bx=$((px - ox)) by=$((py - oy - top))
  local box="rectangle $((bx - 16)),$((by - 16)) $((bx + 48)),$((by + 48))"
  convert "$tmp/shot.png" -fill black -draw "$box" "$tmp/got.png"
  convert "$tmp/want.png" -fill black -draw "$box" "$tmp/want-masked.png"
  diff=$(compare -metric AE "$tmp/got.png" "$tmp/want-masked.png" null: 2>&1)
  [ "$diff" = 0 ]
}

expect_frame() {
  local keys=$1 label=$2
  if poll 10 client_matches "$keys"; then
    ok
    return
  fi
  cp "$tmp/got.png" "/tmp/hypercube-wayland-$label.png" 2>/dev/null
  bad "$label: the ${size:-?} client area differs from the frame tool's '$keys' frame in $diff pixels (see /tmp/hypercube-wayland-$label.png)"
}

start_weston
# weston draws the pointer into its output, and keeps it there when the X
# pointer leaves: it is put in a known place, in the window's white margin.
px=$((ox + out_w - 60))
py=$((oy + out_h - 60))
xdotool mousemove $px $py
start_app
expect_frame "" start
# weston takes its keys from its X window.
xdotool windowfocus --sync "$weston_window" 2>/dev/null
xdotool key Up Left
expect_frame UL keys
xdotool key alt+F4
expect_exit 0 Alt+F4
[ -s "$tmp/app.err" ] && bad "stderr: $(head -c 400 "$tmp/app.err")" || ok

start_app
expect_frame "" restart
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

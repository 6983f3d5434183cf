#!/usr/bin/env bash
# hypercube as a native Wayland client of a real compositor, weston, whose
# output is a window on a virtual X display: the window appears maximised
# below weston's panel with our title bar and its client area equals the frame
# tool's PNG for its size, keys step it, a held key repeats, un-maximised and
# then resized by the compositor it is still exact, Alt+F4 ends it with status
# 0 and nothing on stderr, and killing the compositor ends it within a second
# with one line and status 1.
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

start_app() {
  env -u DISPLAY WAYLAND_DISPLAY=$socket "$app" 2>"$tmp/app.err" &
  app_pid=$!
}

# The maximised window's client area starts at the first white row of the
# output below the panel and the title bar and runs to its bottom right.
output_matches() { frame_matches "$1" below_white "$ox" "$oy" $out_w $out_h 2; }
expect_output_frame() {
  expect_frame "$1" "$2" 10 below_white "$ox" "$oy" $out_w $out_h 2
}

# Whether a window that is not maximised shows the frame after `keys` at
# `size` (WxH): its client area is the white rectangle of the frame's margins
# in weston's output, found with the pointer masked; its place, x and y in the
# output, is left for the next step.
floating_matches() {
  local keys=$1 want=$2 w h
  import -window root -crop "${out_w}x$out_h+$ox+$oy" +repage "$tmp/output.png" 2>/dev/null || return 1
  local bx=$((px - ox)) by=$((py - oy))
  local box="rectangle $((bx - 16)),$((by - 16)) $((bx + 48)),$((by + 48))"
  read -r w h x y <<<"$(convert "$tmp/output.png" -fill black -draw "$box" +opaque white -trim \
    -format '%w %h %X %Y' info: 2>/dev/null | tr -d +)"
  [ "${w}x$h" = "$want" ] || {
    area="${w}x$h+$x+$y, not $want"
    return 1
  }
  if [ "$rendered" != "$want $keys" ]; then
    "$render" --size "$want" --keys "$keys" --format png --output "$tmp/want.png" || return 1
    rendered="$want $keys"
  fi
  convert "$tmp/output.png" -crop "$want+$x+$y" +repage -fill black -draw "$box" "$tmp/got.png"
  convert "$tmp/want.png" -fill black -draw "rectangle $((bx - x - 16)),$((by - y - 16)) $((bx - x + 48)),$((by - y + 48))" \
    "$tmp/want-masked.png"
  diff=$(compare -metric AE "$tmp/got.png" "$tmp/want-masked.png" null: 2>&1)
  [ "$diff" = 0 ]
}

# Moves weston's pointer (X's, which weston follows) to x y in its output.
point() {
  px=$((ox + $1))
  py=$((oy + $2))
  xdotool mousemove $px $py
  frame_mask="$((px - 16)) $((py - 16)) $((px + 48)) $((py + 48))"
  sleep 0.2
}
drag_to() {
  xdotool mousedown 1
  sleep 0.2
  local i
  for i in 1 2 3 4; do
    xdotool mousemove $((px + ($1 - px) * i / 4)) $((py + ($2 - py) * i / 4))
    sleep 0.1
  done
  px=$1
  py=$2
  xdotool mouseup 1
  sleep 0.2
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
focus_weston
xdotool key Up Left
expect_output_frame keys UL
# A held key repeats at the seat's rate (weston's default: 40 a second after
# 400 ms): Up held for 0.6 s steps the frame about nine times more, and every
# step is drawn, so some count of Ups gives exactly the frame shown.
xdotool keydown Up
sleep 0.6
xdotool keyup Up
sleep 0.5
keys=UL
repeated=
for _ in $(seq 2 40); do
  keys=${keys}U
  if output_matches "$keys"; then
    repeated=$keys
    break
  fi
done
[ -n "$repeated" ] && ok || bad "held Up: no count of 2 to 40 Ups gives the frame shown"
keys=${repeated:-UL}

# Un-maximised through the title bar's middle button (the three buttons are
# 32 pixels wide at the right of the 24-pixel bar below weston's 32-pixel
# panel), the window takes its own size, two thirds of the output, still
# exact.
point $((out_w - 48)) $((32 + 12))
drag_to $px $py
point $((out_w - 20)) $((out_h - 20))
restore=$((out_w * 2 / 3))x$((out_h * 2 / 3))
expect_screen restored 10 "the un-maximised client area and the frame tool's frame" \
  floating_matches "$keys" "$restore"
# The compositor resizes it as its bottom-right corner is dragged (from the
# frame's 4-pixel border).
if [ "${x:-}" ]; then
  cx=$((x + ${restore%x*}))
  cy=$((y + ${restore#*x}))
  point $((cx + 2)) $((cy + 2))
  drag_to $((ox + cx + 2 + 120)) $((oy + cy + 2 + 60))
  point $((out_w - 20)) $((out_h - 20))
  expect_screen resized 10 "the client area resized by the compositor and the frame tool's frame" \
    floating_matches "$keys" "$((${restore%x*} + 120))x$((${restore#*x} + 60))"
fi
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

#!/usr/bin/env bash
# hypercube in a real window on a virtual X display: the first frame at the
# maximised size equals the frame tool's, the arrow keys and a resize repaint
# exactly, other keys change nothing, Alt+F4 ends it with status 0, and with
# no display it fails with a message. Its caption reads right in the title.
# usage: window_e2e_test.sh HYPERCUBE HYPERCUBE_RENDER
set -u
app=$1
render=$2
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools Xvfb xdotool import compare xprop

tmp=$(mktemp -d)
passed=0
failed=0
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# With no display at all: one line on stderr and status 1.
env -u DISPLAY -u WAYLAND_DISPLAY "$app" >"$tmp/out" 2>"$tmp/err"
status=$?
if [ $status -eq 1 ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q "cannot open a display" "$tmp/err"; then
  ok
else
  bad "no display: status $status, stderr: $(cat "$tmp/err")"
fi

start_xvfb 1280x800 || exit 1

"$app" 2>"$tmp/app.err" &
app_pid=$!

# Waits until the top-left WxH of the screen equals the frame tool's PNG for
# the same size and keys, for up to 10 seconds.
expect_frame() {
  local w=$1 h=$2 keys=$3 label=$4
  "$render" --size "${w}x${h}" --keys "$keys" --format png --output "$tmp/want.png" || {
    bad "$label: the frame tool failed"
    return
  }
  if wait_screen 10 "$tmp/want.png" "${w}x${h}+0+0"; then
    ok
    return
  fi
  cp "$tmp/got.png" "/tmp/hypercube-e2e-$label.png" 2>/dev/null
  bad "$label: the screen differs from the frame tool's ${w}x${h} '$keys' frame in $diff pixels (see /tmp/hypercube-e2e-$label.png)"
}

window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1)
if [ -z "$window" ]; then
  bad "no window appeared; stderr: $(cat "$tmp/app.err")"
  echo "$passed passed, $failed failed"
  exit 1
fi
caption=$(xprop -id "$window" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')
[ "$caption" = "Демонстрация проволочной модели 4-мерного куба" ] && ok ||
  bad "the window's _NET_WM_NAME is '$caption'"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[ "$geometry" = "1280x800" ] && ok || bad "window is $geometry, not the whole 1280x800 screen"

expect_frame 1280 800 "" start
xdotool key Up
expect_frame 1280 800 U up
xdotool key a space Escape
sleep 0.5
expect_frame 1280 800 U other-keys-ignored
xdotool key Left Left Right Down Down
expect_frame 1280 800 ULLRDD all-arrows
xdotool windowsize "$window" 801 601
expect_frame 801 601 ULLRDD resized
xdotool key alt+Up
sleep 0.3
expect_frame 801 601 ULLRDD alt-arrow-ignored

xdotool key alt+F4
expect_exit 0 Alt+F4

# A polite request to end (SIGTERM, as from a session closing) closes the
# window and ends with 0.
"$app" 2>"$tmp/app.err" &
app_pid=$!
if timeout 10 xdotool search --sync --onlyvisible --pid "$app_pid" >/dev/null 2>&1; then
  kill -TERM "$app_pid"
  expect_exit 0 SIGTERM
else
  bad "second start: no window appeared"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

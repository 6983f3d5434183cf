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
need_tools Xvfb xdotool import compare xprop xauth mcookie

begin_test

# With no display at all: one line on stderr and status 1.
env -u DISPLAY -u WAYLAND_DISPLAY "$app" >"$tmp/out" 2>"$tmp/err"
status=$?
if [ $status -eq 1 ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q "cannot open a display" "$tmp/err"; then
  ok
else
  bad "no display: status $status, stderr: $(cat "$tmp/err")"
fi

# A failing start says one line naming the cause, and ends with status 1.
expect_start_failure() {
  local what=$1 want=$2
  shift 2
  env "$@" "$app" >"$tmp/out" 2>"$tmp/err"
  local status=$?
  if [ $status -eq 1 ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] && grep -q -e "$want" "$tmp/err"; then
    ok
  else
    bad "$what: status $status, stderr: $(head -c 400 "$tmp/err" | cat -v)"
  fi
}
# Control characters in DISPLAY are written as escapes, never sent raw to
# the terminal.
expect_start_failure "DISPLAY with control characters" \
  '^hypercube: cannot open a display at DISPLAY=.:9\\x1b\[2J\\x07.: ' DISPLAY=$':9\e[2J\a'
grep -q $'\e' "$tmp/err" && bad "DISPLAY with control characters: an escape reached stderr"
# Bytes that are not UTF-8, and C1 controls that are, likewise.
expect_start_failure "DISPLAY with C1 bytes" \
  '^hypercube: cannot open a display at DISPLAY=.:9\\x85\\xc2\\x85.: ' DISPLAY=$':9\x85\xc2\x85'
LC_ALL=C grep -q $'[\x80-\xff]' "$tmp/err" && bad "DISPLAY with C1 bytes: a raw byte reached stderr"
# Under Wayland without XDG_RUNTIME_DIR, libwayland cannot find the socket.
expect_start_failure "Wayland without XDG_RUNTIME_DIR" \
  "WAYLAND_DISPLAY='wayland-0': XDG_RUNTIME_DIR is not set" \
  -u DISPLAY -u XDG_RUNTIME_DIR WAYLAND_DISPLAY=wayland-0
# Without its X11 module, or with a damaged one, it says which.
cp "$app" "$tmp/alone"
with_module=$app
app=$tmp/alone
expect_start_failure "no X11 module" \
  "^hypercube: cannot load the X11 host: hypercube-x11.so is neither beside the program nor in " DISPLAY=:9
echo damaged >"$tmp/hypercube-x11.so"
expect_start_failure "a damaged X11 module" \
  "^hypercube: cannot load the X11 host: $tmp/hypercube-x11.so: " DISPLAY=:9
app=$with_module
# An X server that wants a cookie we do not have: its own reason, once.
xauth -q -f "$tmp/auth" add :999 . "$(mcookie)" 2>/dev/null
Xvfb -displayfd 3 -auth "$tmp/auth" -nolisten tcp 3>"$tmp/auth-display" 2>/dev/null &
auth_pid=$!
if poll 5 test -s "$tmp/auth-display"; then
  expect_start_failure "refused authorisation" \
    "^hypercube: cannot open a display at DISPLAY=':[0-9]*': Authorization required" \
    DISPLAY=":$(cat "$tmp/auth-display")" XAUTHORITY="$tmp/none"
else
  bad "the Xvfb with a cookie did not start"
fi
kill "$auth_pid"
wait "$auth_pid" 2>/dev/null

start_xvfb 1280x800 || finish

"$app" 2>"$tmp/app.err" &
app_pid=$!

# Waits until the top-left WxH of the screen equals the frame tool's PNG for
# the same size and keys, for up to 10 seconds.
find_window 10 --pid "$app_pid" || {
  bad "no window appeared; stderr: $(cat "$tmp/app.err")"
  finish
}
caption=$(xprop -id "$window" -notype _NET_WM_NAME | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')
[ "$caption" = "Демонстрация проволочной модели 4-мерного куба" ] && ok ||
  bad "the window's _NET_WM_NAME is '$caption'"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[ "$geometry" = "1280x800" ] && ok || bad "window is $geometry, not the whole 1280x800 screen"

expect_frame start "" 10 at_origin 1280 800
xdotool key Up
expect_frame up U 10 at_origin 1280 800
xdotool key a space Escape
sleep 0.5
expect_frame other-keys-ignored U 10 at_origin 1280 800
xdotool key Left Left Right Down Down
expect_frame all-arrows ULLRDD 10 at_origin 1280 800
xdotool windowsize "$window" 801 601
expect_frame resized ULLRDD 10 at_origin 801 601
xdotool key alt+Up
sleep 0.3
expect_frame alt-arrow-ignored ULLRDD 10 at_origin 801 601

xdotool key alt+F4
expect_exit 0 Alt+F4
[ -s "$tmp/app.err" ] && bad "a working start said: $(head -c 400 "$tmp/app.err")"

# A polite request to end (SIGTERM, as from a session closing) closes the
# window and ends with 0.
"$app" 2>"$tmp/app.err" &
app_pid=$!
if find_window 10 --pid "$app_pid"; then
  kill -TERM "$app_pid"
  expect_exit 0 SIGTERM
else
  bad "second start: no window appeared"
fi

# An X server that accepts the connection and never answers (stopped here;
# a forwarded display whose far end hangs does the same): given up after
# a few seconds.
kill -STOP "$xvfb_pid"
expect_start_failure "an X server that never answers" \
  "^hypercube: cannot open a display at DISPLAY=':[0-9]*': no answer within 5 seconds$"
# However long its name (the screen number's leading zeros), the line is
# whole: the name cut short with its length, then the reason.
long="$DISPLAY.$(printf '0%.0s' $(seq 800))"
expect_start_failure "a long name for an X server that never answers" \
  "^hypercube: cannot open a display at DISPLAY=':[0-9]*\.0*'\.\.\. (${#long} bytes): no answer within 5 seconds$" \
  DISPLAY="$long"
kill -CONT "$xvfb_pid"

finish

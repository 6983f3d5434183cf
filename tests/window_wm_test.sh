#!/usr/bin/env bash
# hypercube under a real window manager on a virtual X display, with a panel
# that reserves the top of the screen: the window opens maximised inside the
# work area and paints exactly the frame tool's PNG for its client size, keys
# step it, un-maximising gives a smaller window still inside the work area
# that paints exactly, minimising and restoring repaints it, and closing it
# through the window manager ends it with status 0, nothing said on stderr.
# The window carries the program's icon for the window manager.
# usage: window_wm_test.sh WM HYPERCUBE HYPERCUBE_RENDER PANEL ICON_PNG
#   WM: openbox, metacity or xfwm4; ICON_PNG: the 64-pixel menu icon
set -u
wm=$1 app=$2 render=$3 panel=$4 icon=$5
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools Xvfb xdotool xprop xwininfo wmctrl import compare dbus-daemon "$wm"

begin_test wm_pid panel_pid
start_xvfb 1280x800 || finish
start_panel_wm "$wm" "$panel" 40 || finish

"$app" 2>"$tmp/app.err" &
app_pid=$!
find_window 10 --pid "$app_pid" || {
  bad "no window appeared; stderr: $(cat "$tmp/app.err")"
  finish
}

restored() { ! wm_state | grep -q -e _NET_WM_STATE_MAXIMIZED -e _NET_WM_STATE_HIDDEN; }

# Whether the window with its frame lies inside the work area.
inside_work_area() {
  local x y w h l r t b
  read -r x y w h <<<"$(client)"
  read -r l r t b <<<"$(frame)"
  [ -n "$b" ] && [ $((x - l)) -ge "$wx" ] && [ $((y - t)) -ge "$wy" ] &&
    [ $((x + w + r)) -le $((wx + ww)) ] && [ $((y + h + b)) -le $((wy + wh)) ]
}

# Waits up to 10 s for the client area to show the frame after KEYS.

# _NET_WM_ICON is the menu icon: the same alpha everywhere, the same colour
# where opaque and within rounding elsewhere (cairo premultiplies what it
# reads; the property wants straight alpha).
{
  xprop -id "$window" -notype 32c _NET_WM_ICON | tr -d ' ' | cut -d= -f2 | tr ',' '\n'
  echo png
  convert "$icon" -depth 8 rgba:- | od -An -v -tu1 -w4
} | awk 'function off(a, b) { return a > b ? a - b : b - a }
  reading_png {
    n++; v = got[n + 2]; a = int(v / 16777216)
    r = int(v / 65536) % 256; g = int(v / 256) % 256; b = v % 256
    slack = $4 == 255 ? 0 : int(255 / ($4 ? $4 : 1)) + 1
    if (a != $4 || ($4 > 0 && (off(r, $1) > slack || off(g, $2) > slack || off(b, $3) > slack))) wrong++
    next
  }
  $0 == "png" { reading_png = 1; next } { got[++count] = $1 }
  END { exit !(got[1] == 64 && got[2] == 64 && count == 2 + n && n == 4096 && !wrong) }' &&
  ok || bad "the window's _NET_WM_ICON is not the 64-pixel icon $icon"

# The menu entry's StartupWMClass names the window's class, so that docks
# and task bars group the window with its entry.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../packaging/hypercube.desktop")
xprop -id "$window" WM_CLASS | grep -q "\"$wm_class\"\$" && [ -n "$wm_class" ] && ok ||
  bad "WM_CLASS $(xprop -id "$window" WM_CLASS) is not the menu entry's StartupWMClass '$wm_class'"

expect_maximized
expect_frame "$wm-maximised" "" 10 client
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Up
expect_frame "$wm-maximised-up" U 10 client

read -r _ _ max_w max_h <<<"$(client)"
wmctrl -i -r "$window" -b remove,maximized_vert,maximized_horz
if poll 5 restored; then ok; else bad "not restored: $(wm_state)"; fi
smaller() {
  local w h
  read -r _ _ w h <<<"$(client)"
  [ "$w" -lt "$max_w" ] && [ "$h" -lt "$max_h" ]
}
if poll 5 smaller && inside_work_area; then
  ok
else
  bad "restored: client $(client), frame $(frame), not smaller and inside the work area $wx $wy $ww $wh"
fi
expect_frame "$wm-restored" U 10 client

xdotool windowminimize "$window"
if poll 5 eval 'wm_state | grep -q _NET_WM_STATE_HIDDEN'; then ok; else bad "not minimised: $(wm_state)"; fi
wmctrl -i -a "$window"
if poll 5 restored; then ok; else bad "not shown again: $(wm_state)"; fi
expect_frame "$wm-minimised-and-back" U 10 client

wmctrl -i -c "$window"
expect_exit 0 "closing through $wm"
[ -s "$tmp/app.err" ] && bad "stderr: $(head -c 400 "$tmp/app.err")" || ok

finish

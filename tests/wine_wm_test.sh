#!/usr/bin/env bash
# The Windows build under Wine as users run it on a Linux desktop: windows
# managed by the window manager (Wine's default), here openbox with a panel
# that reserves the top of the screen. hypercube.exe opens maximised inside
# the work area, paints exactly the Linux frame tool's frame for its client
# size, follows a key and exits 0 on Alt+F4.
# usage: wine_wm_test.sh HYPERCUBE_EXE LINUX_RENDER PANEL PREFIX_DIR
set -u
exe=$1
render=$2
panel=$3
prefix=$4
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools wine wineboot wineserver Xvfb openbox dbus-daemon xdotool xprop xwininfo import \
  compare
need_built "cmake --preset windows && cmake --build --preset windows" "$exe"
wine_env "$prefix"
begin_test wm_pid panel_pid
at_exit() { wineserver -k 2>/dev/null; }

# Wine reads the screen once, when its first process starts.
start_xvfb 1280x800 || finish
start_panel_wm openbox "$panel" 40 || finish
# A prefix of Wine's defaults, made once and kept in the build folder.
wine_prefix || finish

wine "$exe" >"$tmp/app.log" 2>&1 &
app_pid=$!
find_window 30 --classname hypercube.exe || {
  bad "no window appeared; Wine said: $(head -c 500 "$tmp/app.log")"
  finish
}

# A managed window's X window is its client area; the frame is openbox's.
expect_maximized

# Whether the client area equals the Linux frame tool's frame of its size
# after KEYS, for up to 15 s.

expect_frame start "" 15 client
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key Up
expect_frame up U 15 client

xdotool key alt+F4
expect_exit 0 "Alt+F4 to hypercube.exe" 10
if grep -q "Unhandled" "$tmp/app.log"; then
  bad "hypercube.exe crashed: $(grep -m 3 Unhandled "$tmp/app.log")"
else
  ok
fi

finish

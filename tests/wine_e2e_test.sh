#!/usr/bin/env bash
# The Windows executables on a real Win32 implementation, Wine:
#  - hypercube-render.exe prints every reference frame byte for byte as the
#    Linux build does, and refuses bad input the same way;
#  - hypercube.exe opens maximised on a virtual X display and paints exactly
#    the Linux frame tool's frame over its whole client area, labels included,
#    at two screen sizes (odd client sides among them) and after several keys;
#    it ignores other keys and exits 0 on Alt+F4;
#  - its caption reads right in the C, en_US and ru_RU locales, whatever ANSI
#    code page Wine gives it: in _NET_WM_NAME, and under a real window manager
#    (openbox) in the title the manager lists.
# usage: wine_e2e_test.sh HYPERCUBE_EXE RENDER_EXE LINUX_RENDER FRAMES_DIR PREFIX_DIR
set -u
exe=$1
render_exe=$2
render=$3
frames=$4
prefix=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools wine wineboot Xvfb xdotool import compare convert xprop wmctrl openbox
need_built "cmake --preset windows && cmake --build --preset windows" "$exe" "$render_exe"
wine_env "$prefix"
caption="Демонстрация проволочной модели 4-мерного куба"
begin_test wm_pid
at_exit() { wineserver -k 2>/dev/null; }

# Wine reads the screen once, when its first process starts: the display
# must be there from the start, and each screen size gets a new wineserver.
start_xvfb 1280x800 || finish

# A prefix for headless runs, made once and kept in the build folder.
# Without a window manager Wine only maximises windows it manages itself.
wine_prefix 'HKCU\Software\Wine\X11 Driver' Managed N || finish

# JSON frames: the 80-bit arithmetic and its formatting on Windows.
if "$here/render_cli_test.sh" "$render_exe" "$frames" wine >"$tmp/cli.log" 2>&1; then
  ok
else
  bad "hypercube-render.exe under Wine: $(grep -v '^[0-9]* passed' "$tmp/cli.log" | head -n 20)"
fi

# The client area starts below the caption: the first white pixel down the
# left edge. Maximised, it spans the screen's width.
expect_wine_frame() {
  expect_frame "$1" "$2" 15 below_white 0 0 "$screen_w" "$screen_h"
}

# Starts hypercube.exe in locale $1 on the current display, managed by a
# window manager when $2 is "managed"; sets app_pid and window. False (after
# bad) when no window appears.
start_app() {
  local managed=N
  [ "${2:-}" = managed ] && managed=Y
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
  LC_ALL=$1 LANG=$1 wine "$exe" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  if ! find_window 30 --classname hypercube.exe; then
    bad "$1: no window appeared; Wine said: $(head -c 500 "$tmp/app.log")"
    kill "$app_pid" 2>/dev/null
    app_pid=
    return 1
  fi
}

# The caption as Wine gives it to X, in locale $1.
expect_caption() {
  local got
  got=$(xprop -id "$window" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')
  [ "$got" = "$caption" ] && ok || bad "$1: _NET_WM_NAME is '$got', not '$caption'"
}

# Alt+F4 ends the program with 0, without a crash; then Wine, the window
# manager and the display go, for the next screen size.
end_run() {
  if [ -n "${app_pid:-}" ]; then
    xdotool key alt+F4
    expect_exit 0 "Alt+F4 to hypercube.exe ($1)" 10
    if grep -q "Unhandled" "$tmp/app.log"; then
      bad "hypercube.exe crashed ($1): $(grep -m 3 Unhandled "$tmp/app.log")"
    fi
  fi
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
  wm_pid=
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

# 1280 x 800 in the C locale (code page 1252): a client area of odd height.
screen_w=1280 screen_h=800
if start_app C; then
  expect_caption C
  expect_wine_frame start ""
  xdotool key Up
  expect_wine_frame up U
  xdotool key Left
  expect_wine_frame left UL
  xdotool key Right
  expect_wine_frame right ULR
  xdotool key Down
  expect_wine_frame down ULRD
  xdotool key a space
  sleep 0.5
  expect_wine_frame other-keys-ignored ULRD
fi
end_run C

# 1001 x 701 in a Russian locale (code page 1251): an odd width, and other
# frames.
screen_w=1001 screen_h=701
start_xvfb "${screen_w}x${screen_h}" || finish
if start_app ru_RU.UTF-8; then
  expect_caption ru_RU
  expect_wine_frame start-1001 ""
  xdotool key Down Down Left
  expect_wine_frame down-down-left-1001 DDL
  xdotool key Right Right Right Up
  expect_wine_frame more-keys-1001 DDLRRRU
fi
end_run ru_RU

# Under a window manager, which shows the title it reads from the window.
for locale in en_US.UTF-8 ru_RU.UTF-8; do
  start_xvfb 1024x768 || finish
  openbox >"$tmp/openbox.log" 2>&1 &
  wm_pid=$!
  poll 10 wmctrl -m >/dev/null 2>&1 || bad "openbox did not start: $(head -c 300 "$tmp/openbox.log")"
  if start_app "$locale" managed; then
    expect_caption "$locale"
    titled() { wmctrl -l | grep -qF " $caption"; }
    poll 10 titled && ok || bad "$locale: openbox lists no window titled '$caption': $(wmctrl -l)"
  fi
  end_run "$locale"
done

finish

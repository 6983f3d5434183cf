#!/usr/bin/env bash
# hypercube on a desktop that misbehaves, each case bounded in time: a window
# manager started just after the screen was resized and just before the
# program, the screen grown and shrunk under the maximised window (Xvnc, an X
# server that RandR resizes as a remote desktop's), the window destroyed by
# another client, SIGTERM and SIGINT, and standard streams closed at start.
# Every case ends with the frame tool's exact frame, or with status 0 after a
# close or a signal, or with one line and status 1.
# usage: window_desktop_test.sh HYPERCUBE HYPERCUBE_RENDER
set -u
app=$1
render=$2
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools Xvnc xrandr openbox xdotool xwininfo xprop import compare convert

begin_test wm_pid

# In a sanitizer build the leak checker is left to the other window tests:
# SDL keeps what it read of the screen's modes across a RandR change, and a
# window another client destroyed is left, with SDL, to the process's end on
# purpose. Every other check of the sanitizers stays.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
# SIGINT as a terminal's Ctrl+C sends it: a script's background job would
# start with it ignored.
start_app() {
  env --default-signal=INT "$app" 2>"$tmp/app.err" &
  app_pid=$!
}
# Keys go to the focused window; the window manager may not have focused it.
key() {
  timeout 5 xdotool windowactivate --sync "$window" 2>/dev/null
  xdotool key "$@"
}
# The window, or a bad naming what was waited for.
expect_window() {
  find_window 15 --pid "$app_pid" && return 0
  bad "$1: no window within 15 s; the program $(ended "$app_pid" && echo ended || echo still runs), stderr: $(head -c 400 "$tmp/app.err")"
  kill -KILL "$app_pid" 2>/dev/null
  app_pid=
  return 1
}
start_wm() {
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
}
stop_wm() {
  kill "$wm_pid" 2>/dev/null
  wait "$wm_pid" 2>/dev/null
  wm_pid=
}
screen_is() { [ "$(xwininfo -root | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w "x" h}')" = "$1" ]; }
resize_screen() {
  xrandr -s "$1" 2>/dev/null
  poll 5 screen_is "$1" || bad "xrandr did not make the screen $1"
}
# The maximised window spans the screen's width W (openbox, no panel) and
# shows the frame after `keys`.
spans() { [ "$(client | awk '{print $3}')" -ge $(($1 - 8)) ]; }
expect_filled() {
  local label=$1 width=$2 keys=$3
  if poll 10 maximized && poll 10 spans "$width"; then
    ok
  else
    bad "$label: not maximised across the $width-pixel screen: client $(client), $(wm_state)"
  fi
  expect_frame "$label" "$keys" 10 client
}

start_xvfb 1024x768 vnc || finish

# 1. The screen resized, then a window manager and the program started at
# once, as an xinitrc or a kiosk does: the window shows maximised and exact
# (its first map may go to a manager not yet listening), or the program says
# why and ends. Three rounds, since the race does not always strike.
for round in 1 2 3; do
  resize_screen 1920x1200
  resize_screen 1024x768
  start_wm
  start_app
  if expect_window "round $round of a window manager starting with the program"; then
    expect_filled "wm-start-$round" 1024 ""
    key alt+F4
    expect_exit 0 "Alt+F4 (round $round)" 10
    # Nothing to say: a manager's stale name on the root window is no error.
    if [ -s "$tmp/app.err" ]; then
      bad "round $round: the program said: $(head -c 400 "$tmp/app.err")"
    else
      ok
    fi
  fi
  stop_wm
done

# 2. The screen grows and shrinks under the maximised window: each time the
# window manager resizes it, every pixel of the new size is painted.
start_wm
start_app
if expect_window "a maximised window on a screen RandR resizes"; then
  expect_filled start 1024 ""
  resize_screen 1920x1200
  expect_filled grown 1920 ""
  key Up
  expect_filled grown-key 1920 U
  resize_screen 1024x768
  expect_filled shrunk 1024 U
  kill -TERM "$app_pid"
  expect_exit 0 SIGTERM 5
fi

# 3. Another client destroys the window: the program ends at once, with one
# line and status 1. Should it still run, SIGTERM must end it.
start_app
if expect_window "a window another client destroys"; then
  xdotool windowclose "$window" 2>/dev/null
  if ! wait_end "$app_pid" 3; then
    bad "the window was destroyed: the program still runs 3 s later"
    kill -TERM "$app_pid"
    wait_end "$app_pid" 3 || {
      bad "and SIGTERM did not end it within 3 s"
      kill -KILL "$app_pid"
    }
  elif [ "$status" -eq 1 ] && [ "$(wc -l <"$tmp/app.err")" -eq 1 ] &&
    grep -q "^hypercube: lost the window at DISPLAY='$DISPLAY': another program destroyed it$" "$tmp/app.err"; then
    ok
  else
    bad "the window was destroyed: status $status, stderr: $(head -c 400 "$tmp/app.err")"
  fi
  app_pid=
fi

# 4. SIGINT (Ctrl+C in the terminal) closes as SIGTERM does, with status 0.
start_app
if expect_window "Ctrl+C"; then
  kill -INT "$app_pid"
  expect_exit 0 SIGINT 5
fi

# 5. Started with standard input, output and error closed: they are
# /dev/null before the display's connections are made, so nothing the program
# says can reach the X server as protocol bytes; the window works as ever.
"$app" <&- >&- 2>&- &
app_pid=$!
if expect_window "closed standard streams"; then
  for fd in 0 1 2; do
    got=$(readlink "/proc/$app_pid/fd/$fd")
    [ "$got" = /dev/null ] && ok || bad "closed stream $fd is '$got', not /dev/null"
  done
  key Left
  expect_filled closed-streams 1024 L
  key alt+F4
  expect_exit 0 "Alt+F4 with closed streams" 10
fi
stop_wm

finish

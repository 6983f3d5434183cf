#!/usr/bin/env bash
# hypercube under what the window system may throw at it, on a virtual X
# display: a window far larger than the screen, up to 65535x65535, and a storm
# of resizes still paint exactly (the screen shows the frame tool's PNG of the window's size,
# cropped to the screen), and the X server going away ends the program at
# once with one clear line and status 1, killed or shut down; Alt+F4 right
# after a burst of keys ends it cleanly every time.
# usage: window_faults_test.sh HYPERCUBE HYPERCUBE_RENDER
set -u
app=$1
render=$2
# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
need_tools Xvfb xdotool import compare convert

begin_test

screen_w=1280
screen_h=800

# Starts Xvfb and hypercube on it; sets DISPLAY, xvfb_pid, app_pid, window.
start() {
  start_xvfb ${screen_w}x${screen_h} || finish
  "$app" 2>"$tmp/app.err" &
  app_pid=$!
  find_window 10 --pid "$app_pid" || {
    bad "no window appeared; stderr: $(cat "$tmp/app.err")"
    finish
  }
}

# Waits until the part of the screen the WxH window covers equals the frame
# tool's PNG for that size and keys, cropped to the screen, for up to 15 s.
# Ends the X server with `signal` under the running program, which must then
# end within 10 s with status 1 and one line naming the lost display.
expect_lost_display() {
  local signal=$1
  kill -"$signal" "$xvfb_pid"
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  if ! wait_end "$app_pid" 10; then
    bad "X server ended with SIG$signal: the program still runs 10 s later"
    kill -9 "$app_pid"
    app_pid=
    return
  fi
  app_pid=
  if [ $status -eq 1 ] && [ "$(wc -l <"$tmp/app.err")" -eq 1 ] &&
    grep -q "^hypercube: lost the display at DISPLAY=':[0-9]*': " "$tmp/app.err"; then
    ok
  else
    bad "X server ended with SIG$signal: status $status, stderr: $(head -c 400 "$tmp/app.err")"
  fi
}

start
expect_frame start "" 15 at_origin $screen_w $screen_h

# Far larger than the screen: only the top-left shows, and it must be exact.
xdotool windowsize "$window" 2400 1500
expect_frame larger-than-screen "" 15 at_origin 2400 1500
xdotool windowsize "$window" 5000 3000
xdotool key Up
expect_frame larger-than-screen-key U 15 at_origin 5000 3000
xdotool windowsize "$window" 2400 1500
expect_frame larger-than-screen-again U 15 at_origin 2400 1500

# Past 2 GiB of pixels SDL's own surface arithmetic overflowed and the program
# crashed. The cube lies far off the screen at these sizes: the whole screen
# must turn to the erased background, with the cube seen just before gone.
convert -size ${screen_w}x${screen_h} xc:white "$tmp/white.png"
for s in 40000x40000 65535x65535; do
  xdotool windowsize "$window" "${s%x*}" "${s#*x}"
  wait_screen 15 "$tmp/white.png" && ok || bad "$s: the screen is not the white background ($diff pixels differ)"
done

# A storm: sizes small, odd, zero-ish and huge, keys in between, as fast as
# xdotool can send them; only the last size counts.
sizes=(300x200 1x1 4000x2500 1279x799 640x3000 2x900 1500x600 999x1 800x600 3333x777)
keys=U
for round in 1 2 3; do
  for s in "${sizes[@]}"; do
    xdotool windowsize "$window" "${s%x*}" "${s#*x}"
  done
  xdotool key Left
  keys="${keys}L"
done
xdotool windowsize "$window" 1111 777
expect_frame resize-storm "$keys" 15 at_origin 1111 777

expect_lost_display TERM

# Alt+F4 right after a burst of keys, again and again: SDL's wake-up events
# for the window race with its destruction, and the late BadWindow they earn
# must not turn the clean exit into status 1.
closes_ok=0
for round in 1 2 3 4 5 6; do
  start
  xdotool key --delay 0 Up Down Left Right Up Down Left Right alt+F4
  if ! wait_end "$app_pid" 10; then
    bad "close $round: Alt+F4 did not end the program"
  else
    if [ $status -eq 0 ] && [ ! -s "$tmp/app.err" ]; then
      closes_ok=$((closes_ok + 1))
    else
      bad "close $round: status $status, stderr: $(head -c 300 "$tmp/app.err")"
    fi
  fi
  app_pid=
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
done
[ $closes_ok -eq 6 ] && ok

# Killed outright, not shut down.
start
expect_frame restart "" 15 at_origin $screen_w $screen_h
expect_lost_display KILL

finish

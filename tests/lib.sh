# shellcheck shell=bash
# shellcheck disable=SC2154 # tmp is the sourcing script's
# Shared by the test scripts (and bench/figures). The helpers write to $tmp,
# the script's scratch folder, and count into passed and failed:
#   # shellcheck source=tests/lib.sh
#   . "$(cd "$(dirname "$0")" && pwd)/lib.sh"
#
# need_tools TOOL...        exits 77 (skip) naming the first TOOL not on PATH.
# ok / bad MESSAGE          count a passed / failed check; bad prints MESSAGE.
# poll SECONDS CMD...       runs CMD every 0.1 s until it succeeds (returns 0)
#                           or SECONDS have passed (returns 1).
# start_xvfb WxH            starts Xvfb on a free display number; sets DISPLAY
#                           and xvfb_pid (the caller's cleanup kills it).
#                           Returns 1 after bad "Xvfb did not start" if it fails.
# screen_equals WANT [CROP] captures the screen (or its CROP, as WxH+X+Y) to
#                           $tmp/got.png once; true if it equals the PNG WANT.
#                           Sets diff to the number of differing pixels.
# wait_screen SECONDS WANT [CROP]
#                           screen_equals until true or SECONDS have passed.
# wait_end PID SECONDS      waits up to SECONDS for PID (a child) to end; then
#                           reaps it, sets status and returns 0. Returns 1 if
#                           it still runs.
# expect_exit STATUS WHAT [SECONDS]
#                           waits (5 s unless told) for $app_pid to end after
#                           WHAT (a close request) with STATUS: one ok or bad,
#                           whose message quotes $tmp/app.err. Kills the
#                           program if it still runs; clears app_pid.

need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
      exit 77
    fi
  done
}

ok() { passed=$((${passed:-0} + 1)); }
bad() {
  failed=$((${failed:-0} + 1))
  echo "FAIL: $*"
}

poll() {
  local seconds=$1 _
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

start_xvfb() {
  rm -f "$tmp/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  if ! poll 5 test -s "$tmp/display"; then
    bad "Xvfb did not start: $(cat "$tmp/xvfb.log")"
    return 1
  fi
  DISPLAY=":$(cat "$tmp/display")"
  export DISPLAY xvfb_pid
}

screen_equals() {
  diff=unknown
  import -window root ${2:+-crop "$2" +repage} "$tmp/got.png" 2>/dev/null || return 1
  diff=$(compare -metric AE "$tmp/got.png" "$1" null: 2>&1)
  [ "$diff" = 0 ]
}

wait_screen() {
  local seconds=$1
  shift
  poll "$seconds" screen_equals "$@"
}

ended() { ! kill -0 "$1" 2>/dev/null; }
wait_end() {
  local pid=$1
  poll "$2" ended "$pid" || return 1
  wait "$pid"
  status=$?
  return 0
}

expect_exit() {
  local want=$1 what=$2
  if ! wait_end "$app_pid" "${3:-5}"; then
    bad "$what did not end the program"
    kill -KILL "$app_pid" 2>/dev/null
  elif [ "$status" -eq "$want" ]; then
    ok
  else
    bad "exit status $status after $what, not $want; stderr: $(head -c 400 "$tmp/app.err" 2>/dev/null)"
  fi
  app_pid=
}

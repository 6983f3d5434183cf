#!/usr/bin/env bash
# Valgrind memcheck on the frame tool (JSON, PNG, SVG), on a scripted run of
# the program on the headless host, and on the fuzz seed corpora: no invalid
# access, no use of an uninitialised value, no leak of ours (third-party
# one-time allocations are suppressed in valgrind.supp). Valgrind computes x87
# arithmetic in double precision, so only memory is checked here, never output.
# usage: valgrind_test.sh RENDER HEADLESS WINDOW_REPLAY RENDER_REPLAY CORPORA
set -u
render=$1
headless=$2
window_replay=$3
render_replay=$4
corpora=$5
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/lib.sh
. "$here/lib.sh"
need_tools valgrind
begin_test

# memcheck LABEL STATUS COMMAND...: COMMAND must end with STATUS and valgrind
# must find nothing.
memcheck() {
  local label=$1 want=$2
  shift 2
  valgrind -q --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
    --track-origins=yes --suppressions="$here/valgrind.supp" --log-file="$tmp/$label.log" \
    "$@" >"$tmp/$label.out" 2>&1
  local status=$?
  if [ $status -eq "$want" ] && [ ! -s "$tmp/$label.log" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $label (status $status): $*"
    head -n 60 "$tmp/$label.log" "$tmp/$label.out"
  fi
}

memcheck render-json 0 "$render" --size 1000x700 --keys UULDR
memcheck render-png 0 "$render" --size 640x480 --keys UUL --format png --output "$tmp/f.png"
memcheck render-svg 0 "$render" --size 640x480 --keys UUL --format svg --output "$tmp/f.svg"
memcheck render-refused 2 "$render" --eye 0,0,0,0
memcheck headless 0 "$headless" ULLRDDAKSMUUL
memcheck window-seeds 0 "$window_replay" --memory-only "$corpora/window"
memcheck render-seeds 0 "$render_replay" --memory-only "$corpora/render"

finish

#!/usr/bin/env bash
# The frame tool as a user runs it: reference frames byte for byte, and bad
# input refused with one clear line and exit status 2.
# usage: render_cli_test.sh TOOL FRAMES_DIR [RUNNER...]
set -u
tool=$1
frames=$2
shift 2
runner=("$@")
passed=0
failed=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"

while IFS='|' read -r name argline; do
  name=${name// /}
  case "$name" in '' | \#*) continue ;; esac
  read -r -a args <<<"$argline"
  if "${runner[@]}" "$tool" "${args[@]}" >"$tmp/out" 2>"$tmp/err" &&
    cmp -s "$tmp/out" "$frames/$name.json"; then
    ok
  else
    bad "frame '$name' ($argline) differs from $frames/$name.json"
    diff <(tr ']' '\n' <"$frames/$name.json") <(tr ']' '\n' <"$tmp/out") | head -n 6
  fi
done <"$frames/cases.txt"

# Each of these must fail with exit 2 and one line on stderr naming the problem.
refused() {
  local want=$1
  shift
  "${runner[@]}" "$tool" "$@" >"$tmp/out" 2>"$tmp/err"
  local status=$?
  if [ $status -eq 2 ] && [ ! -s "$tmp/out" ] && [ "$(wc -l <"$tmp/err")" -eq 1 ] &&
    grep -q -- "$want" "$tmp/err"; then
    ok
  else
    bad "'$*' gave status $status, stderr: $(head -c 200 "$tmp/err")"
  fi
}
refused "unknown option" --frobnicate
refused "unknown option" -s 10x10
refused "--size" --size 65536x10
refused "--size" --size 100x
refused "--size" --size -1x10
refused "--size" --size 10X10
refused "--size" --size " 10x10"
refused "missing value" --size
refused "--keys" --keys UDx
refused "--keys" --keys u
refused "--eye" --eye 1,2,3
refused "--eye" --eye 1,2,3,4,5
refused "--eye" --eye 1,2,nan,4
refused "--eye" --eye 1,2,inf,4
refused "--eye" --eye 0x1p3,0,0,0
refused "--eye" --eye 1e5000,0,0,0
refused "--eye" --eye 0,0,0,0
refused "--eye" --eye -0,0e7,0,0
refused "--eye" --eye 1e-4000,0,0,0
refused "--eye" --eye 1.22e-2475,0,0,0  # squared length subnormal: would draw scaled
refused "--eye" --eye 1e2466,1e2466,1e2466,1e2466
refused "--eye" --eye 1,,2,3
refused "--format" --format bmp
refused "unknown option '\\\\x0a-" $'\n-x'  # control characters quoted: still one line
refused "--keys: '\\\\x1b'" --keys $'U\eD'
# (A build without images refuses it for that reason instead, in one line too.)
refused "cannot create a file there\|cannot write png" --format png --output $'/nonexistent\n/f.png'
refused "--output" --format png
refused "--output" --output x.json

if "${runner[@]}" "$tool" --help >"$tmp/out" 2>&1 && grep -q "usage: hypercube-render" "$tmp/out"; then
  ok
else
  bad "--help"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

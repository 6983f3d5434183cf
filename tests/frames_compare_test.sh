#!/usr/bin/env bash
# Two builds draw the same frames: the same JSON, byte for byte, for every
# reference frame and COUNT generated ones (key walks, placed eyes, eyes on
# knife edges), each printed by a build's frame_batch. The x87 build is the
# reference; the other is the software extended type, on x86 or on another
# CPU through RUNNER (qemu-user).
# usage: frames_compare_test.sh FRAMES_DIR COUNT REFERENCE_BATCH OTHER_BATCH [RUNNER...]
set -u
frames=$1
count=$2
reference=$3
other=$4
shift 4
runner=("$@")

# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
begin_test

sed -n 's/^[^#|]*|//p' "$frames/cases.txt" >"$tmp/cases"
"$reference" "$count" <"$tmp/cases" >"$tmp/reference" || bad "$reference failed"
"${runner[@]}" "$other" "$count" <"$tmp/cases" >"$tmp/other" || bad "$other failed"
made=$(wc -l <"$tmp/reference")
if [ "$made" -eq $(($(wc -l <"$tmp/cases") + count)) ] && cmp -s "$tmp/reference" "$tmp/other"; then
  ok
else
  bad "$other's frames differ from $reference's ($made frames)"
  cmp "$tmp/reference" "$tmp/other" | head -n 2
  diff "$tmp/reference" "$tmp/other" | head -n 4 | cut -c 1-400
fi
echo "$made frames compared, $(grep -c '^error' "$tmp/reference") of them with a refused eye"
finish

#!/usr/bin/env bash
# The software extended type draws exactly what the x87 draws: the same JSON,
# byte for byte, for every reference frame and many generated ones (key
# walks, placed eyes, eyes on knife edges).
# usage: soft_frames_test.sh FRAME_BATCH FRAME_BATCH_SOFT FRAMES_DIR [COUNT]
set -u
hardware=$1
software=$2
frames=$3
count=${4:-100000}

# shellcheck source=tests/lib.sh
. "$(cd "$(dirname "$0")" && pwd)/lib.sh"
begin_test

sed -n 's/^[^#|]*|//p' "$frames/cases.txt" >"$tmp/cases"
"$hardware" "$count" <"$tmp/cases" >"$tmp/hardware" || bad "the hardware build failed"
"$software" "$count" <"$tmp/cases" >"$tmp/software" || bad "the software build failed"
frames_made=$(wc -l <"$tmp/hardware")
if [ "$frames_made" -eq $(($(wc -l <"$tmp/cases") + count)) ] && cmp -s "$tmp/hardware" "$tmp/software"; then
  ok
else
  bad "the software type's frames differ from the x87's ($frames_made frames)"
  cmp "$tmp/hardware" "$tmp/software" | head -n 2
  diff "$tmp/hardware" "$tmp/software" | head -n 4 | cut -c 1-400
fi
echo "$frames_made frames compared, $(grep -c '^error' "$tmp/hardware") of them refused eyes"
finish

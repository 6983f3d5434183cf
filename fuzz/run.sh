#!/usr/bin/env bash
# Fuzzes one target for a while from its seeds.
# usage: run.sh FUZZER SEEDS SECONDS [WORK_DIR [LIBFUZZER_OPTION...]]
# New inputs go to WORK_DIR (a scratch folder when not given), findings to
# WORK_DIR/findings; the seeds are only read.
set -u
fuzzer=$1
seeds=$2
seconds=$3
work=${4:-}
shift $(($# < 4 ? $# : 4))
scratch=
if [ -z "$work" ]; then
  scratch=$(mktemp -d)
  work=$scratch
  trap 'rm -rf "$scratch"' EXIT
fi
mkdir -p "$work/corpus" "$work/findings"
# A target's dictionary and options, if it has them, sit beside the fuzzers.
name=$(basename "$seeds")
target_opts=()
[ -f "$(dirname "$0")/$name.dict" ] && target_opts+=(-dict="$(dirname "$0")/$name.dict")
if [ -f "$(dirname "$0")/$name.options" ]; then
  mapfile -t extra <"$(dirname "$0")/$name.options"
  target_opts+=("${extra[@]}")
fi
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$work/findings/" "${target_opts[@]}" "$@" \
  "$work/corpus" "$seeds" >"$work/log" 2>&1
status=$?
grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)" "$work/log"
if [ $status -ne 0 ]; then
  tail -n 40 "$work/log"
  echo "FAIL: $(basename "$fuzzer") found a fault; the input is in $work/findings"
  [ -n "$scratch" ] && cp -r "$work/findings" "/tmp/$(basename "$fuzzer")-findings" &&
    echo "(copied to /tmp/$(basename "$fuzzer")-findings)"
  exit 1
fi
echo "$(basename "$fuzzer"): nothing found in $seconds s"

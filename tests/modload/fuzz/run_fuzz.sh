#!/usr/bin/env bash
# run_fuzz.sh <fuzzer> <regressions-dir> <seconds> <seed files...>
#
# Runs every kept regression input once, then fuzzes for a few seconds from
# the seeds. An input that makes the fuzzer fail is left in the work folder
# and named in the output: copy it into the regressions folder so that it is
# run on every test from then on.
set -uo pipefail
fuzzer=$1 regressions=$2 seconds=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work/corpus"' EXIT

mapfile -t kept < <(find "$regressions" -type f ! -name '*.md' | sort)
if ((${#kept[@]})); then
  if ! "$fuzzer" -runs=1 "${kept[@]}" >"$work/regressions.log" 2>&1; then
    cat "$work/regressions.log"
    echo "FAILED: a kept regression input fails again"
    exit 1
  fi
  echo "ok: ${#kept[@]} kept regression input(s) pass"
fi

mkdir -p "$work/corpus"
cp "$@" "$work/corpus/"
if ! "$fuzzer" -max_total_time="$seconds" -max_len=32768 -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus" >"$work/fuzz.log" 2>&1; then
  tail -n 60 "$work/fuzz.log"
  echo "FAILED: the fuzzer found a failing input; keep it: cp $work/crash-* $work/leak-* $work/timeout-* $regressions/ (whichever exist)"
  exit 1
fi
grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/fuzz.log" || true
rm -rf "$work"
echo "ok: fuzzed for ${seconds}s without a failure"

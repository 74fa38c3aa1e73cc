#!/usr/bin/env bash
# fuzz_bench.sh <fuzzer> <corpus-dir> <regressions-dir> <seconds> [--max-len=N] [seed files...] [--keep]
#
# A fuzz target fuzzed for a while (a benchmark, not a test: what it finds
# depends on time and chance). Starts from the stored corpus and the
# seeds, fuzzes for <seconds> and prints what it did: the runs and runs per
# second, the coverage reached against the stored corpus's own (as a
# ratio), the new inputs it kept, and any input that failed, with how to
# keep it as a regression. With --keep, the inputs that reach something the
# stored corpus does not are merged into it (then commit them).
# Run it through the build: cmake --build build/host --target <name>_fuzz_bench
# (modload, record, bcdedit, diskpart, image).
set -uo pipefail
keep=
max_len=32768
args=()
for a in "$@"; do
  case $a in
    --keep) keep=1 ;;
    --max-len=*) max_len=${a#--max-len=} ;;
    *) args+=("$a") ;;
  esac
done
set -- "${args[@]}"
(($# >= 4)) || { echo "usage: fuzz_bench.sh <fuzzer> <corpus-dir> <regressions-dir> <seconds> [--max-len=N] [seed files...] [--keep]" >&2; exit 2; }
fuzzer=$1 stored=$2 regressions=$3 seconds=$4
shift 4
work=$(mktemp -d)
options=("-max_len=$max_len" -timeout=10 -rss_limit_mb=2048)

mkdir -p "$work/start" "$work/corpus"
find "$stored" -type f ! -name '*.md' -exec cp {} "$work/start/" \;
(($#)) && cp "$@" "$work/start/"
cp "$work/start/"* "$work/corpus/" 2>/dev/null
n_start=$(find "$work/start" -type f | wc -l)
echo "fuzzing ${fuzzer##*/} for ${seconds} s from $n_start inputs (the stored corpus and $# seeds)"

# features <log>: "cov ft" of the fuzzer's last status line.
features() { grep -oE 'cov: [0-9]+ ft: [0-9]+' "$1" | tail -n 1 | awk '{ print $2, $4 }'; }

"$fuzzer" "${options[@]}" -runs=0 "$work/start" >"$work/start.log" 2>&1
read -r cov0 ft0 < <(features "$work/start.log")

began=$(date +%s.%N)
"$fuzzer" "${options[@]}" -max_total_time="$seconds" -artifact_prefix="$work/" -print_final_stats=1 \
  "$work/corpus" >"$work/fuzz.log" 2>&1
status=$?
took=$(awk -v a="$began" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
read -r cov1 ft1 < <(features "$work/fuzz.log")
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$work/fuzz.log")
n_end=$(find "$work/corpus" -type f | wc -l)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "n/a" }'; }
printf 'runs:              %s in %s s, %s per second (peak memory %s MB)\n' "${runs:-?}" "$took" \
  "$(awk -v r="${runs:-0}" -v t="$took" 'BEGIN { printf "%.0f", r / t }')" "${rss:-?}"
printf 'coverage (edges):  from the start %s, after fuzzing %s: %sx\n' "${cov0:-?}" "${cov1:-?}" "$(ratio "${cov1:-0}" "${cov0:-0}")"
printf 'features:          from the start %s, after fuzzing %s: %sx\n' "${ft0:-?}" "${ft1:-?}" "$(ratio "${ft1:-0}" "${ft0:-0}")"
printf 'inputs:            %s at the start, %s at the end (%s new)\n' "$n_start" "$n_end" "$((n_end - n_start))"

failed=$(find "$work" -maxdepth 1 -name 'crash-*' -o -maxdepth 1 -name 'leak-*' -o -maxdepth 1 -name 'timeout-*' -o -maxdepth 1 -name 'oom-*')
if ((status)) || [[ -n $failed ]]; then
  tail -n 40 "$work/fuzz.log"
  echo "an input failed: $failed"
  echo "keep it as a regression once the reader is mended: cp $failed $regressions/"
  echo "(the work folder $work is left as it is)"
  exit 1
fi
if [[ -n $keep ]]; then
  # Merged by edges alone (no hit counts), over the stored inputs and the
  # seeds: an input is kept only when it reaches an edge none of them does.
  mkdir -p "$work/merged"
  cp "$work/start/"* "$work/merged/"
  "$fuzzer" "${options[@]}" -merge=1 -use_counters=0 "$work/merged" "$work/corpus" >"$work/merge.log" 2>&1 ||
    { tail -n 20 "$work/merge.log"; echo "the merge failed"; exit 1; }
  added=0
  for f in "$work/merged"/*; do
    [[ -e $work/start/${f##*/} ]] && continue
    cp "$f" "$stored/"
    added=$((added + 1))
  done
  echo "kept: $added new input(s) in $stored (commit them)"
fi
rm -rf "$work"

#!/usr/bin/env bash
# run_fuzz.sh <fuzzer> <regressions-dir> <corpus-dir> [--max-len=N] [seed files...]
#
# A fuzz target over its stored inputs, each run once: the inputs it ever
# failed on (regressions), the stored corpus (inputs that reach the
# reader's paths, kept from fuzzing runs) and the seeds (files the build
# makes, where the target has any). The same inputs give the same result on
# every machine: this is the test. Fuzzing for new inputs, which depends on
# time and chance, is a benchmark (bench/fuzz_bench.sh).
set -uo pipefail
max_len=32768
args=()
for a in "$@"; do
  case $a in
    --max-len=*) max_len=${a#--max-len=} ;;
    *) args+=("$a") ;;
  esac
done
set -- "${args[@]}"
(($# >= 3)) || { echo "usage: run_fuzz.sh <fuzzer> <regressions-dir> <corpus-dir> [--max-len=N] [seed files...]" >&2; exit 2; }
fuzzer=$1 regressions=$2 stored=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A hang is a failure on any machine, not a matter of speed: each input has
# minutes.
options=(-timeout=300 -rss_limit_mb=2048 "-max_len=$max_len")

mapfile -t kept < <(find "$regressions" -type f ! -name '*.md' | sort)
if ((${#kept[@]})); then
  if ! "$fuzzer" "${options[@]}" -runs=1 "${kept[@]}" >"$work/regressions.log" 2>&1; then
    cat "$work/regressions.log"
    echo "FAILED: a kept regression input fails again"
    exit 1
  fi
  echo "ok: ${#kept[@]} kept regression input(s) pass"
fi

mkdir -p "$work/corpus"
n_stored=$(find "$stored" -type f ! -name '*.md' | wc -l)
((n_stored > 0)) || { echo "FAILED: the stored corpus $stored is empty"; exit 1; }
find "$stored" -type f ! -name '*.md' -exec cp {} "$work/corpus/" \;
(($#)) && cp "$@" "$work/corpus/"
# -runs=0: every input of the corpus is run once, nothing is fuzzed.
if ! "$fuzzer" "${options[@]}" -runs=0 -artifact_prefix="$work/" "$work/corpus" >"$work/corpus.log" 2>&1; then
  tail -n 60 "$work/corpus.log"
  echo "FAILED: an input of the stored corpus or a seed fails (the failing input: $work/crash-*)"
  trap - EXIT
  exit 1
fi
inited=$(grep -m1 'INITED' "$work/corpus.log")
[[ -n $inited ]] || { cat "$work/corpus.log"; echo "FAILED: the fuzzer did not read its corpus"; exit 1; }
echo "ok: $n_stored stored input(s) and $# seed(s) pass: ${inited#*INITED }"

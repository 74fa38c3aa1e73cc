#!/usr/bin/env bash
# expect_refused.sh <fault>... -- <check command>...
# A check itself: run on a fixture made with faults, it must fail and name
# each fault (a text its output holds).
set -uo pipefail
wants=()
while (($#)) && [[ $1 != -- ]]; do
  wants+=("$1")
  shift
done
shift
(($# && ${#wants[@]})) || { echo "usage: expect_refused.sh <fault>... -- <check command>..." >&2; exit 2; }
out=$("$@")
rc=$?
printf '%s\n' "$out"
status=0
((rc != 0)) || { echo "FAILED: the check passed a fixture made to fail it"; status=1; }
for want in "${wants[@]}"; do
  grep -qF "$want" <<<"$out" || { echo "FAILED: the check did not report: $want"; status=1; }
done
exit "$status"

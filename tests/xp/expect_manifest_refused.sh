#!/usr/bin/env bash
# expect_manifest_refused.sh <check_manifest.sh> <windres> <fixture.exe>
# The manifest check itself: it must fail on the fixture's manifest and name
# each of its faults.
set -uo pipefail
check=$1 windres=$2 fixture=$3
out=$(bash "$check" "$windres" "$fixture")
rc=$?
printf '%s\n' "$out"
status=0
((rc != 0)) || { echo "FAILED: the check passed a manifest that XP refuses"; status=1; }
for want in "FAILED: trustInfo declares its own namespace" \
  "FAILED: requestedExecutionLevel requireAdministrator" \
  "FAILED: an element declares namespaces twice"; do
  grep -qF "$want" <<<"$out" || { echo "FAILED: the check did not report: $want"; status=1; }
done
exit "$status"

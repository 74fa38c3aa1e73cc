#!/usr/bin/env bash
# expect_refused.sh <check_xp_imports.sh> <pe-import-lister> <allow-list> <vista_fixture.exe>
# The import check itself: it must fail on the fixture and name each of its
# three faults.
set -uo pipefail
check=$1 lister=$2 allow=$3 fixture=$4
out=$(bash "$check" "$lister" "$allow" "$fixture")
rc=$?
printf '%s\n' "$out"
status=0
((rc != 0)) || { echo "FAILED: the check passed a program that needs Vista"; status=1; }
for want in "subsystem version 6.0 is above 5.1" \
  "imports kernel32.dll!GetTickCount64, not on the list" \
  "imports from ws2_32.dll, a DLL outside the allowed set"; do
  grep -qF "$want" <<<"$out" || { echo "FAILED: the check did not report: $want"; status=1; }
done
exit "$status"

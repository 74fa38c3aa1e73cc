#!/usr/bin/env bash
# one_copy_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>
#
# One copy of the program at a time, through the real program: with one
# copy running (its window minimized), a second start ends by itself with
# exit code 0 and no window of its own, and the running copy's window comes
# back, in front; the running copy goes on and ends on X as ever. Two copies
# would prepare, undo and repair the same job against each other.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 3)) || { echo "usage: one_copy_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

cleanup() { rm -f "$(drive_path C fqs.bat)"; }
cleanup
trivex_at_exit cleanup

start_trivex || { fail "the first copy's window did not appear"; checks_end "$TRIVEX_LOG"; }
first=$TRIVEX_PID
pass "the first copy runs"
if wine "$INSPECT" minimize Trivex >/dev/null 2>&1; then
  pass "its window is minimized, as a user leaves it"
else
  fail "could not minimize the first copy's window"
fi

second_log=$(mktemp)
trivex_at_exit "rm -f '$second_log'"
wine "$TRIVEX" </dev/null >"$second_log" 2>&1 &
second=$!
trivex_at_exit "kill $second 2>/dev/null"
if gone_within "$second" 120; then
  wait "$second"
  rc=$?
  ((rc == 0)) && pass "the second start ended by itself (exit code 0)" || fail "the second start ended with exit code $rc"
else
  fail "the second start still runs after two minutes"
fi
if wine "$INSPECT" restored Trivex 60000 >/dev/null 2>&1; then
  pass "the running copy's window is back, not minimized, and in front"
else
  fail "the running copy's window did not come forward"
fi
count=$(wine "$INSPECT" count Trivex 2>/dev/null | tr -d '\r')
[[ $count == 1 ]] && pass "one window titled Trivex" || fail "$count windows titled Trivex"
kill -0 "$first" 2>/dev/null && pass "the first copy runs on" || fail "the first copy is gone"
[[ -z $(x_window '信息：') ]] && pass "no message box came with the second start" ||
  fail "a message box came: $(tree '信息：' | grep -F Static)"

quit_trivex
kill -0 "$first" 2>/dev/null && fail "the first copy still runs after X" || pass "the first copy ended on X"
checks_end "$TRIVEX_LOG"

#!/usr/bin/env bash
# job_restart_yes_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <wine-dir>
#
# The restart answer Yes, in a Wine prefix of its own (<wine-dir>, made on
# first use): Wine's restart ends every process of its prefix, which must not
# hit the other tests' shared prefix. A restore job is prepared through the
# window, the prompt is answered with the key Y, and the test checks that the
# program ended, that an unrelated program of the same prefix was ended with
# it (the restart reached Wine, not just the program's own exit), and that
# the job is still on C: for the next start.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
(($# == 4)) || { echo "usage: job_restart_yes_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <wine-dir>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3
mkdir -p "$4"
export TRIVEX_WINE_DIR=$(cd "$4" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1
payloads=$(dirname "$TRIVEX")/payloads/generated

cleanup() {
  local f
  for f in boot.ini boot.bak grldr ghost.bat ghost.exe Vemo.img fqs.bat; do rm -f "$(drive_path C "$f")"; done
  rm -rf "$(drive_path D Ghost)"
}
cleanup
trivex_at_exit cleanup
printf '[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Windows XP" /fastdetect\r\n' \
  >"$(drive_path C boot.ini)"
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"

# Another program of the prefix, waiting for a window that never comes.
wine "$INSPECT" wait 'no such window' 600000 >/dev/null 2>&1 &
bystander=$!

start_trivex || { fail "no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
main_key y
if answer_questions; then pass "the restart prompt appeared"; else fail "no restart prompt"; exit 1; fi
kill -0 "$bystander" 2>/dev/null || fail "the other program ended before the answer"

press_in 'Trivex Ghost' y
if trivex_ended 60; then pass "Y ended the program"; else fail "the program still runs after Y"; fi
gone_within "$bystander" 60 && pass "the restart ended the other program of the prefix too" ||
  fail "the other program of the prefix still runs: no restart was asked for"
kill "$bystander" 2>/dev/null
missing=()
for f in grldr ghost.bat ghost.exe Vemo.img boot.bak; do [[ -f $(drive_path C "$f") ]] || missing+=("$f"); done
((${#missing[@]} == 0)) && pass "the job stays on C: for the next start" || fail "missing after Y: ${missing[*]}"

checks_end "$TRIVEX_LOG"

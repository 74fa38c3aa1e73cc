#!/usr/bin/env bash
# job_restart_yes_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <wine-dir> <session_bystander.exe>
#
# The restart answer Yes, in a Wine prefix of its own (<wine-dir>, made on
# first use): Wine's restart ends the processes of its prefix, which must
# not hit the other tests' shared prefix. A restore job is prepared through
# the window, the prompt is answered with the key Y, and the test checks
# that the program ended, that the restart reached the system without
# force: another program with a window was asked whether the session may
# end and given its moment to save (a forced restart gives neither), and a
# program without a window, which a forced restart would end too, still
# runs; and that the job is still on C: for the next start.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
(($# == 5)) || { echo "usage: job_restart_yes_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <wine-dir> <session_bystander.exe>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3 BYSTANDER=$5
mkdir -p "$4"
export TRIVEX_WINE_DIR=$(cd "$4" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
for f in "$TRIVEX" "$INSPECT" "$LOCATE" "$BYSTANDER"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1
payloads=$(dirname "$TRIVEX")/payloads/generated

cleanup() {
  local f
  for f in boot.ini boot.bak grldr ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do rm -f "$(drive_path C "$f")"; done
  rm -f "$(drive_path D TRIVEX.OUT)"
  remove_temporaries
  rm -rf "$(drive_path D Ghost)"
}
cleanup
trivex_at_exit cleanup
printf '[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Windows XP" /fastdetect\r\n' \
  >"$(drive_path C boot.ini)"
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"

# Two other programs of the prefix: one with a window, which notes what the
# restart asks of it, and one without, waiting for a window that never comes.
said=$(mktemp)
trivex_at_exit "rm -f '$said'"
wine "$BYSTANDER" "$(winepath -w "$said" 2>/dev/null)" >/dev/null 2>&1 &
windowed=$!
wine "$INSPECT" wait 'no such window' 600000 >/dev/null 2>&1 &
bystander=$!
trivex_at_exit "kill $windowed $bystander 2>/dev/null"
wait_until 120 grep -qx started "$said" || fail "the program with a window did not start"
start_trivex || { fail "no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
main_key y
if answer_questions; then pass "the restart prompt appeared"; else fail "no restart prompt"; exit 1; fi
kill -0 "$windowed" 2>/dev/null && kill -0 "$bystander" 2>/dev/null ||
  fail "another program ended before the answer"
press_in 'Trivex Ghost' y
if trivex_ended 60; then pass "Y ended the program"; else fail "the program still runs after Y"; fi
if wait_until 120 grep -qx saved "$said" && grep -qx asked "$said"; then
  pass "the restart asked the program with a window and gave it its moment to save"
else
  fail "the program with a window was not asked (noted: $(tr '\n' ' ' <"$said"))"
fi
# The session's end is over once Wine's wineboot has finished; then a
# forced restart would have ended the program without a window as well.
# (Only this prefix's wineboot counts: other checkouts may run Wine too.)
no_wineboot_here() {
  local pid
  for pid in $(pgrep -f 'wineboot\.exe'); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 1
  done
  return 0
}
wait_until 120 no_wineboot_here || fail "Wine's end of the session did not finish within two minutes"
kill -0 "$bystander" 2>/dev/null && pass "no program was ended by force" ||
  fail "the program without a window was ended: the restart was forced"
missing=()
for f in grldr ghost.bat ghost.exe Vemo.img boot.bak; do [[ -f $(drive_path C "$f") ]] || missing+=("$f"); done
((${#missing[@]} == 0)) && pass "the job stays on C: for the next start" || fail "missing after Y: ${missing[*]}"

checks_end "$TRIVEX_LOG"

#!/usr/bin/env bash
# job_safety_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <payload-dir>
#
# What a job and its undo leave of the user's machine, through the real
# window and checked from outside:
#  1. a 9-line boot.ini with LF line ends and a second Windows entry, and a
#     hidden system C:\grldr of the user's own: a restore job keeps every
#     entry in the redirected menu and sets the loader aside; Esc on the
#     restart prompt shows the prepared job in the status bar; undo brings
#     back boot.ini and the user's loader byte for byte, attributes included;
#  2. a stale, protected boot.bak left from an earlier run, and boot.ini
#     changed after the image file button: the job saves the menu of the
#     moment, and undo in a later run brings that menu back.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 4)) || { echo "usage: job_safety_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <payload-dir>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3 payloads=$4
for f in "$TRIVEX" "$INSPECT" "$LOCATE" "$payloads/Loader.bin"; do
  [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }
done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

job_files=(grldr grldr.bak ghost.bat ghost.exe Vemo.img)
cleanup() {
  local f
  for f in boot.ini boot.bak "${job_files[@]}" fqs.bat; do rm -f "$(drive_path C "$f")"; done
  rm -rf "$(drive_path D Ghost)"
}
cleanup
trivex_at_exit cleanup

second=$'multi(0)disk(1)rdisk(0)partition(1)\\WINDOWS="Microsoft Windows XP Home Edition" /noexecute=optin /fastdetect'
nine_lines=$'[boot loader]\ntimeout=30\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\n[operating systems]\n'
nine_lines+=$'multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Microsoft Windows XP Professional" /fastdetect\n'
nine_lines+=$'C:\\CMDCONS\\BOOTSECT.DAT="Microsoft Windows Recovery Console" /cmdcons\n'
nine_lines+=$'multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Safe Mode" /safeboot:minimal /sos\n'
nine_lines+=$'multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Debugging" /debug\n'"$second"$'\n'
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"


confirm_job() {
  main_key y
  answer_questions
}

# ---- 1. Nine lines, LF, two systems; the user's own hidden loader -------------------
printf '%s' "$nine_lines" >"$(drive_path C boot.ini)"
protect 'C:\boot.ini' +r +h +s || fail "could not protect C:\\boot.ini"
printf 'a loader of the user' >"$(drive_path C grldr)"
cp "$(drive_path C grldr)" "$TRIVEX_WINE_DIR/users-loader"
protect 'C:\grldr' +h +s || fail "could not protect C:\\grldr"

start_trivex || { fail "first start: no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
if confirm_job; then pass "a job on a nine-line menu"; else fail "no restart prompt"; fi
menu=$(gbk <"$(drive_path C boot.ini)" | tr -d '\r')
for entry in '/cmdcons' '/safeboot:minimal' '/debug' "$second" 'C:\grldr=Trivex Ghost'; do
  grep -qF -- "$entry" <<<"$menu" && pass "the redirected menu keeps: $entry" || fail "the redirected menu lost: $entry"
done
same_text "$(drive_path C boot.bak)" "$nine_lines" && pass "C:\\boot.bak is the nine-line menu byte for byte" ||
  fail "C:\\boot.bak is not the nine-line menu"
same_file "$(drive_path C grldr)" "$payloads/Loader.bin" && pass "C:\\grldr is the job's loader" || fail "C:\\grldr is not the job's loader"
same_file "$(drive_path C grldr.bak)" "$TRIVEX_WINE_DIR/users-loader" && pass "the user's loader waits as C:\\grldr.bak" ||
  fail "the user's loader is not C:\\grldr.bak"

press_in 'Trivex Ghost' Escape
wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000 && settled Trivex || fail "Esc did not bring the main window back"
tree Trivex | grep -q '^ *panel 1 "任务已准备好' && pass "the status bar says that a job is prepared" ||
  fail "the status bar does not show the prepared job"

undo_job
same_text "$(drive_path C boot.ini)" "$nine_lines" && pass "undo: C:\\boot.ini is the nine-line menu byte for byte" ||
  fail "undo: C:\\boot.ini is not the nine-line menu"
[[ $(attributes 'C:\boot.ini') == RHS ]] && pass "undo: C:\\boot.ini is read-only, hidden and system again" ||
  fail "undo: C:\\boot.ini has the attributes '$(attributes 'C:\boot.ini')', not RHS"
same_file "$(drive_path C grldr)" "$TRIVEX_WINE_DIR/users-loader" && pass "undo: the user's C:\\grldr is back" ||
  fail "undo: C:\\grldr is not the user's loader"
[[ $(attributes 'C:\grldr') == HS ]] && pass "undo: C:\\grldr is hidden and system again" ||
  fail "undo: C:\\grldr has the attributes '$(attributes 'C:\grldr')', not HS"
left=()
for f in grldr.bak ghost.bat ghost.exe Vemo.img boot.bak; do [[ -e $(drive_path C "$f") ]] && left+=("$f"); done
((${#left[@]} == 0)) && pass "undo: nothing else of the job is left" || fail "left after undo: ${left[*]}"
quit_trivex

# ---- 2. A stale boot.bak from an earlier run; boot.ini changed after the image button ---
protect 'C:\grldr' -r -h -s || fail "could not set the attributes of C:\\grldr"
rm -f "$(drive_path C grldr)"
stale=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nold="an old menu"\r\n'
printf '%s' "$stale" >"$(drive_path C boot.bak)"
protect 'C:\boot.bak' +r +h +s || fail "could not set the attributes of C:\\boot.bak"
protect 'C:\boot.ini' -r -h -s || fail "could not set the attributes of C:\\boot.ini"
printf '%s' "$stale" >"$(drive_path C boot.ini)"
protect 'C:\boot.ini' +r +h +s || fail "could not set the attributes of C:\\boot.ini"

start_trivex || { fail "second start: no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
# Changed after the image file button (a second system added meanwhile).
protect 'C:\boot.ini' -r -h -s || fail "could not set the attributes of C:\\boot.ini"
printf '%s' "$nine_lines" >"$(drive_path C boot.ini)"
confirm_job || fail "no restart prompt (stale copy)"
same_text "$(drive_path C boot.bak)" "$nine_lines" && pass "the stale C:\\boot.bak was brought up to date" ||
  fail "C:\\boot.bak still holds an older menu"
press_in 'Trivex Ghost' n
trivex_ended 60 || fail "the program still runs after N"

start_trivex || { fail "third start: no main window"; exit 1; }
undo_job
same_text "$(drive_path C boot.ini)" "$nine_lines" && pass "undo in a later run: C:\\boot.ini is the menu of the job's moment" ||
  fail "undo in a later run: C:\\boot.ini is not the nine-line menu"
[[ -e $(drive_path C boot.bak) ]] && fail "C:\\boot.bak is left after undo" || pass "no C:\\boot.bak after undo"
quit_trivex

checks_end "$TRIVEX_LOG"

#!/usr/bin/env bash
# job_store_route_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <bcdedit_standin.exe> <payload-dir> <wine-dir>
#
# A restore job on Windows 7 through the real window, in a Wine prefix of
# its own (<wine-dir>) that reports Windows 7 and holds the tests' stand-in
# bcdedit (a store in a file, answers as the Simplified Chinese edition):
# the job writes its files, C:\grldr.mbr and the loader C:\tvxldr, and leaves
# one entry of ours, the one its record names, that is the boot manager's
# one-time boot sequence and not its default; undo leaves the store as it
# was and no file of the job. Then, with a slow bcdedit: a second Y and a U
# while the job's last call runs start nothing, and the one job is whole;
# closing the program and the next start name the job that waits.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
(($# == 6)) || { echo "usage: job_store_route_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <bcdedit_standin.exe> <payload-dir> <wine-dir>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3 standin=$4 payloads=$5
mkdir -p "$6"
export TRIVEX_WINE_DIR=$(cd "$6" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
for f in "$TRIVEX" "$INSPECT" "$LOCATE" "$standin" "$payloads/LoaderMbr.bin"; do
  [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }
done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1
trivex_wine_reg 'HKCU\Software\Wine' /v Version /d win7 || { echo "could not set Windows 7" >&2; exit 1; }
trivex_wine_kill

system32=$WINEPREFIX/drive_c/windows/system32
store=$system32/bcdedit.store
cleanup() {
  local f
  for f in boot.ini boot.bak grldr grldr.mbr tvxldr ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do rm -f "$(drive_path C "$f")"; done
  rm -f "$(drive_path D TRIVEX.OUT)"
  remove_temporaries
  rm -rf "$(drive_path D Ghost)"
  rm -f "$system32/bcdedit.exe" "$store" "$system32/bcdedit.hold" "$system32/bcdedit.held"
}
cleanup
trivex_at_exit cleanup

cp "$standin" "$system32/bcdedit.exe"
wine "$system32/bcdedit.exe" --trivex-new-store >/dev/null 2>&1 || { fail "the stand-in bcdedit made no store"; exit 1; }
# The store's entries, without the log of calls and the identifier counter.
entries() { grep -v -e '^log ' -e '^next-id ' "$store"; }
entries_before=$(entries)
grep -q '^entry ' <<<"$entries_before" || { fail "the new store has no entry"; exit 1; }
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"

start_trivex || { fail "no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
main_key y
if answer_questions; then pass "Windows 7: the restart prompt appeared"; else fail "Windows 7: no restart prompt"; fi

same_image "$(drive_path C Vemo.img)" "$payloads/DosImage.bin" "$(job_token)" &&
  pass "C:\\Vemo.img is the embedded image with the job's token" || fail "C:\\Vemo.img is not the embedded image with the job's token"
grep -qx 'route=store' <(tr -d '\r' <"$(drive_path C TRIVEX.JOB)") && pass "the job's record says the boot goes through the store" ||
  fail "the job's record does not say route=store"
for f in tvxldr:Loader grldr.mbr:LoaderMbr ghost.exe:GhostDos; do
  same_file "$(drive_path C "${f%%:*}")" "$payloads/${f#*:}.bin" && pass "C:\\${f%%:*} is the embedded payload" ||
    fail "C:\\${f%%:*} differs from the embedded payload"
done
[[ -f $(drive_path C ghost.bat) ]] && pass "C:\\ghost.bat written" || fail "no C:\\ghost.bat"
[[ ! -e $(drive_path C boot.ini) ]] && pass "no C:\\boot.ini was made" || fail "a C:\\boot.ini was written on Windows 7"
[[ ! -e $(drive_path C grldr) ]] && pass "no C:\\grldr: the loader goes by the name grldr.mbr looks for" ||
  fail "a C:\\grldr was written on Windows 7"

# The store: our entry, its boot sector, and where the boot manager names it.
ours=$(awk '/^entry /{id=$2} /^\tdescription\tTrivex Ghost$/{print id}' "$store")
# value <id> <element>: its values, in the store file's "<tab>name<tab>value..." lines under "entry <id> <kind>".
value() {
  awk -v id="$1" -v el="$2" -F '\t' '
    /^entry / { split($0, w, " "); on = (w[2] == id); next }
    on && $2 == el { s = $3; for (i = 4; i <= NF; i++) s = s " " $i; print s }' "$store"
}
bootmgr='{9dea862c-5cdd-4e70-acc1-f32b344d4795}'
if [[ $(wc -w <<<"$ours") == 1 ]]; then pass "one entry of ours: $ours"; else fail "entries of ours: '$ours'"; fi
recorded() { tr -d '\r' <"$(drive_path C TRIVEX.JOB)" 2>/dev/null | sed -n 's/^entry=//p'; }
[[ $(recorded) == "$ours" ]] && pass "the job's record names its entry" || fail "the record names '$(recorded)'"
[[ $(value "$ours" path) == '\grldr.mbr' && $(value "$ours" device) == 'partition=C:' ]] &&
  pass "it starts C:\\grldr.mbr" || fail "it starts '$(value "$ours" device)' '$(value "$ours" path)'"
[[ $(value "$bootmgr" bootsequence) == "$ours" ]] && pass "it is the one-time boot sequence" ||
  fail "the boot sequence is '$(value "$bootmgr" bootsequence)'"
[[ $(value "$bootmgr" default) != "$ours" ]] && pass "it is not the default" || fail "it is the default"
grep -qF -- "$ours" <<<"$(value "$bootmgr" displayorder)" && fail "it is in the display order" ||
  pass "it is not in the display order"

press_in 'Trivex Ghost' Escape
wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000 || fail "Esc did not bring the main window back"
undo_job
[[ $(entries) == "$entries_before" ]] && pass "undo: the store is as it was" || fail "undo: the store changed"
left=()
for f in grldr grldr.mbr ghost.bat ghost.exe Vemo.img TRIVEX.JOB; do [[ -e $(drive_path C "$f") ]] && left+=("$f"); done
[[ -e $(drive_path D TRIVEX.OUT) ]] && left+=("D:\\TRIVEX.OUT")
((${#left[@]} == 0)) && pass "undo: no file of the job is left" || fail "left after undo: ${left[*]}"

# ---- One command at a time: a second Y and a U while bcdedit runs -----------------
# The stand-in holds the job's /bootsequence call until bcdedit.hold goes.
hold=$system32/bcdedit.hold held=$system32/bcdedit.held
creates() { grep -c '^log /create ' "$store"; }
creates_before=$(creates)
# The questions before the job (the partitions this Windows cannot confirm)
# are answered until the call is held.
held_or_answer() { [[ -e $held ]] && return 0; answer_box "answered OK"; return 1; }
printf '/bootsequence' >"$hold"
main_key y
if wait_until 120 held_or_answer; then pass "the job's bcdedit /bootsequence is held"; else fail "bcdedit was never held"; fi
press_in Trivex y u || fail "no keys reached the main window"
settled Trivex 60000 || fail "the program does not answer while bcdedit runs"
# (The program ends a call after 30 s: the checks in between are quick ones.)
if [[ -n $(x_window 'Trivex Ghost') ]]; then fail "a prompt opened while bcdedit ran"; else pass "Y and U started nothing while bcdedit ran"; fi
rm -f "$hold"
if answer_questions; then pass "the restart prompt came once the call ended"; else fail "no restart prompt after the call"; fi
(($(creates) - creates_before == 1)) && pass "one job made one entry" || fail "$(($(creates) - creates_before)) entries made"
ours=$(awk '/^entry /{id=$2} /^\tdescription\tTrivex Ghost$/{print id}' "$store")
[[ $(wc -w <<<"$ours") == 1 && $(recorded) == "$ours" && $(value "$bootmgr" bootsequence) == "$ours" ]] &&
  pass "the job's entry, recorded, is the one-time boot" || fail "entries '$ours', recorded '$(recorded)', sequence '$(value "$bootmgr" bootsequence)'"
same_image "$(drive_path C Vemo.img)" "$payloads/DosImage.bin" "$(job_token)" &&
  pass "the job is whole: C:\\Vemo.img carries its record's token" || fail "C:\\Vemo.img does not carry the record's token"
press_in 'Trivex Ghost' Escape
wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000 || fail "Esc did not bring the main window back"

# ---- The job that waits, named when the program closes and at the next start ----------
main_key x
trivex_closes 60 || fail "the program still runs after X"
[[ $CLOSING_BOXES == *'有一个还原任务正在等待'*'D:\\Ghost\\restore.gho'*'不论是谁重启'* ]] &&
  pass "closing named the waiting restore" || fail "closing said: $CLOSING_BOXES"
start_trivex || { fail "next start: no main window"; exit 1; }
[[ $STARTUP_BOXES == *'有一个还原任务正在等待'*'D:\\Ghost\\restore.gho'*'按 U 键撤销'* ]] &&
  pass "the next start named the waiting restore in a box" || fail "the next start's boxes: $STARTUP_BOXES"
status=$(tree Trivex | sed -n 's/^ *panel 1 "\(.*\)"$/\1/p')
[[ $status == '有一个还原任务正在等待'*'D:\\Ghost\\restore.gho'* ]] && pass "the status bar names it: $status" ||
  fail "the status bar says: $status"
undo_job
[[ $(entries) == "$entries_before" ]] && pass "undo: the store is as it was" || fail "undo: the store changed"
quit_trivex

((failures)) && { echo "--- the store"; cat "$store"; }
checks_end "$TRIVEX_LOG"

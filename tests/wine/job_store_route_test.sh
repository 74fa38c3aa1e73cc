#!/usr/bin/env bash
# job_store_route_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <bcdedit_standin.exe> <payload-dir> <wine-dir>
#
# A restore job on Windows 7 through the real window, in a Wine prefix of
# its own (<wine-dir>) that reports Windows 7 and holds the tests' stand-in
# bcdedit (a store in a file, answers as the Simplified Chinese edition):
# the job writes its files and C:\grldr.mbr, and leaves one entry of ours
# that is the boot manager's one-time boot sequence and not its default;
# undo leaves the store as it was and no file of the job.
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
  for f in boot.ini boot.bak grldr grldr.mbr ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do rm -f "$(drive_path C "$f")"; done
  rm -f "$(drive_path D TRIVEX.OUT)"
  remove_temporaries
  rm -rf "$(drive_path D Ghost)"
  rm -f "$system32/bcdedit.exe" "$store"
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
for f in grldr:Loader grldr.mbr:LoaderMbr ghost.exe:GhostDos; do
  same_file "$(drive_path C "${f%%:*}")" "$payloads/${f#*:}.bin" && pass "C:\\${f%%:*} is the embedded payload" ||
    fail "C:\\${f%%:*} differs from the embedded payload"
done
[[ -f $(drive_path C ghost.bat) ]] && pass "C:\\ghost.bat written" || fail "no C:\\ghost.bat"
[[ ! -e $(drive_path C boot.ini) ]] && pass "no C:\\boot.ini was made" || fail "a C:\\boot.ini was written on Windows 7"

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
quit_trivex

((failures)) && { echo "--- the store"; cat "$store"; }
checks_end "$TRIVEX_LOG"

#!/usr/bin/env bash
# job_end_to_end_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <payload-dir> <screenshot-dir>
#
# The job through the real window, its file dialogs and prompts, checked
# from outside on the prefix's drives:
#  1. restore job: image chosen in the open dialog, job confirmed with Y,
#     files on C: checked byte for byte, the restart prompt left with Esc
#     (the main window comes back), the job confirmed again and the prompt
#     answered with N (the program ends, the job stays);
#  2. a second start, backup job: the backup radio button, the save dialog,
#     the placeholder image, the backup command; N;
#  3. a third start, undo through the undo prompt: every job file gone and
#     C:\boot.ini back as it was.
# The boot.ini is the test's own (a Windows XP menu); the images are on D:.
# <payload-dir> holds the payload files the build embedded (Loader.bin ...).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 5)) || { echo "usage: job_end_to_end_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <payload-dir> <screenshot-dir>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3 payloads=$4 shots=$5
for f in "$TRIVEX" "$INSPECT" "$LOCATE" "$payloads/Loader.bin" "$payloads/GhostDos.bin" "$payloads/DosImage.bin"; do
  [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }
done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1
mkdir -p "$shots"

# ---- The machine: a Windows XP boot.ini on C:, an image on D: ------------------
job_files=(grldr ghost.bat ghost.exe Vemo.img)
cleanup() {
  local f
  for f in boot.ini boot.bak "${job_files[@]}" fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do rm -f "$(drive_path C "$f")"; done
  rm -f "$(drive_path D TRIVEX.OUT)"
  remove_temporaries
  rm -rf "$(drive_path D Ghost)"
  rmdir "$(drive_path E Ghost)" 2>/dev/null || true
}
cleanup
trivex_at_exit cleanup

system_line='multi(0)disk(0)rdisk(0)partition(1)\WINDOWS="Microsoft Windows XP Professional" /fastdetect'
original=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n'"$system_line"$'\r\n'
redirected=$'[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\nC:\\grldr=Trivex Ghost\r\n'"$system_line"$'\r\n'
printf '%s' "$original" >"$(drive_path C boot.ini)"
protect 'C:\boot.ini' +r +h +s || fail "could not protect C:\\boot.ini"
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"

expect_job_files() {
  local what=$1 bat=$2
  same_text "$(drive_path C boot.ini)" "$redirected" && pass "$what: C:\\boot.ini starts C:\\grldr" ||
    fail "$what: C:\\boot.ini is not the redirected menu"
  same_text "$(drive_path C boot.bak)" "$original" && pass "$what: C:\\boot.bak holds the original menu" ||
    fail "$what: C:\\boot.bak is not the original menu"
  same_text "$(drive_path C ghost.bat)" "$bat" && pass "$what: C:\\ghost.bat" ||
    fail "$what: C:\\ghost.bat is '$(cat "$(drive_path C ghost.bat)" 2>/dev/null)'"
  local f src token
  token=$(job_token)
  [[ -n $token ]] && pass "$what: C:\\TRIVEX.JOB holds the job's token $token" || fail "$what: no job record C:\\TRIVEX.JOB"
  tr -d '\r' <"$(drive_path C TRIVEX.JOB)" 2>/dev/null | grep -qxF 'menu-was=timeout=30' &&
    pass "$what: C:\\TRIVEX.JOB says which line of the menu the job's timeout= replaced" ||
    fail "$what: C:\\TRIVEX.JOB does not list the menu's lines"
  tr -d '\r' <"$(drive_path D TRIVEX.OUT)" 2>/dev/null | grep -qx "token=$token" &&
    grep -qx 'copy=outcome' <(tr -d '\r' <"$(drive_path D TRIVEX.OUT)") &&
    pass "$what: D:\\TRIVEX.OUT, the outcome copy on the image's drive, holds it too" ||
    fail "$what: no outcome copy D:\\TRIVEX.OUT with the job's token"
  [[ -n $token && " $(kept_tokens) " == *" $token "* ]] && pass "$what: the machine keeps the token as its own" ||
    fail "$what: the token is not among those the machine keeps: $(kept_tokens)"
  if same_image "$(drive_path C Vemo.img)" "$payloads/DosImage.bin" "$token"; then
    pass "$what: C:\\Vemo.img is the embedded image carrying the job's token"
  else
    fail "$what: C:\\Vemo.img is not the embedded image with the job's token"
  fi
  for f in grldr:Loader ghost.exe:GhostDos; do
    src=$payloads/${f#*:}.bin
    if same_file "$(drive_path C "${f%%:*}")" "$src"; then
      pass "$what: C:\\${f%%:*} ($(stat -c %s "$src") bytes, starts $(od -An -tx1 -N3 "$src" | tr -d ' '))"
    else
      fail "$what: C:\\${f%%:*} differs from the embedded payload"
    fi
  done
  [[ $(stat -c %s "$(drive_path C Vemo.img)" 2>/dev/null) == 2949120 ]] || fail "$what: C:\\Vemo.img is not 2949120 bytes"
}

# ---- 1. Restore job ---------------------------------------------------------------
if start_trivex; then pass "first start: the main window is up"; else fail "the main window did not appear"; exit 1; fi
activate Trivex ' Ghost映像文件路径：'
click Trivex '打开(&F)' || fail "no button 打开(&F)"
if answer_file_dialog '打开' 'D:\Ghost\restore.gho'; then pass "image chosen in the open dialog"; else fail "the open dialog did not take the path"; fi
tree Trivex | grep -qF 'Edit "D:\\Ghost\\restore.gho"' && pass "the image path box shows the image" ||
  fail "the image path box does not show D:\\Ghost\\restore.gho"
same_text "$(drive_path C boot.bak)" "$original" && pass "the image file button saved C:\\boot.bak" ||
  fail "no C:\\boot.bak after the image file button"

main_key y
if answer_questions; then pass "the restart prompt appeared"; else fail "no restart prompt"; fi
import -window root "$shots/job-restart-prompt.png" 2>/dev/null
tree Trivex | head -n 1 | grep -q 'visible=0' && pass "the main window is hidden behind the prompt" ||
  fail "the main window is still shown"
guards=$'\r\nif "%tgt%"=="" restart\r\nif "%img%"=="" restart\r\n'
restore_bat="$(volumes_line)$guards"$'Ghost.exe -nousb -chkimg,%img%\\Ghost\\restore.gho\r\nif errorlevel 1 a:\\record.bat check\r\ncall a:\\record.bat started\r\nGhost.exe -nousb -clone,mode=pload,src=%img%\\Ghost\\restore.gho:1,dst=%tgt%  -sure -fx\r\na:\\record.bat exit\r\nrestart'
expect_job_files "restore job" "$restore_bat"

press_in 'Trivex Ghost' Escape
if wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000; then pass "Esc on the prompt: the main window is back"; else fail "Esc on the prompt did not bring the main window back"; fi

main_key y
answer_questions || fail "no restart prompt for the second confirmation"
press_in 'Trivex Ghost' n
if trivex_closes 60; then pass "N ended the program"; else fail "the program still runs after N"; fi
[[ $CLOSING_BOXES == *'有一个还原任务正在等待'*'D:\\Ghost\\restore.gho'*'按 U 键撤销'* ]] &&
  pass "closing named the waiting job" || fail "closing said: $CLOSING_BOXES"
expect_job_files "after N" "$restore_bat"

# ---- 2. Backup job ----------------------------------------------------------------
start_trivex || { fail "second start: no main window"; exit 1; }
click Trivex '备份系统(&B)' || fail "no radio button 备份系统(&B)"
# The image file button reads 保存(&S) once backup mode is shown.
wait_until 30 click Trivex '保存(&S)' || fail "the image file button does not read 保存(&S) in backup mode"
if answer_file_dialog '另存为' 'D:\Ghost\backup.gho'; then pass "image chosen in the save dialog"; else fail "the save dialog did not take the path"; fi
same_text "$(drive_path D Ghost/backup.gho)" 'D:\Ghost\backup.gho' && pass "the placeholder image holds its own path" ||
  fail "no placeholder D:\\Ghost\\backup.gho"
[[ -d $(drive_path E Ghost) ]] && pass "the folder E:\\Ghost was made" || fail "no folder E:\\Ghost"

main_key y
answer_questions || fail "no restart prompt for the backup job"
backup_bat="$(volumes_line)$guards"$'call a:\\record.bat started\r\nGhost.exe -nousb -clone,mode=pdump,src=%tgt%,dst=%img%\\Ghost\\backup.gho -sure -fro -fx -z1\r\nif errorlevel 1 a:\\record.bat exit\r\ncall a:\\record.bat done\r\nGhost.exe -nousb -chkimg,%img%\\Ghost\\backup.gho\r\na:\\record.bat verified\r\nrestart'
expect_job_files "backup job over the restore job" "$backup_bat"
press_in 'Trivex Ghost' n
trivex_closes 60 || fail "the program still runs after N (backup)"

# ---- 3. Undo ------------------------------------------------------------------------
start_trivex || { fail "third start: no main window"; exit 1; }
main_key u
if wait_window 'Trivex Ghost' 30000; then pass "the undo prompt appeared"; else fail "no undo prompt"; fi
tree 'Trivex Ghost' | grep -qF '您要撤销之前的操作吗？' || fail "the undo prompt does not ask"
click 'Trivex Ghost' '确定(&Y)' || fail "no button 确定(&Y) on the undo prompt"
wait_gone 'Trivex Ghost' 60000 && settled Trivex || fail "the undo prompt stayed"
left=()
for f in "${job_files[@]}" boot.bak TRIVEX.JOB; do [[ -e $(drive_path C "$f") ]] && left+=("$f"); done
[[ -e $(drive_path D TRIVEX.OUT) ]] && left+=("D:\\TRIVEX.OUT")
for d in C D; do mapfile -t -O "${#left[@]}" left < <(temporaries "$d"); done
((${#left[@]} == 0)) && pass "undo removed every job file, the job's records and C:\\boot.bak" || fail "left after undo: ${left[*]}"
same_text "$(drive_path C boot.ini)" "$original" && pass "C:\\boot.ini is the original menu again" ||
  fail "C:\\boot.ini is not the original menu after undo"
[[ $(attributes 'C:\boot.ini') == RHS ]] && pass "C:\\boot.ini is read-only, hidden and system again" ||
  fail "C:\\boot.ini has the attributes '$(attributes 'C:\boot.ini')', not RHS"
tree Trivex | grep -qF 'Button "撒销(&U)" visible=1 enabled=0' && pass "the undo button is disabled" ||
  fail "the undo button is not disabled after undo"
quit_trivex

checks_end "$TRIVEX_LOG"

#!/usr/bin/env bash
# job_choices_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>
#
# Ghost is handed only what the user chose, through the real window:
#  1. this test Windows cannot say where its drives are: nobody is asked to
#     confirm numbers nobody can confirm from Windows; the job is written,
#     and its ghost.bat has the DOS side find the drives by their volumes
#     (the image's folder drive by the job's outcome copy on it);
#  2. a restore of a file without the Ghost image signature is refused;
#  3. the key B, then Y: an existing backup image is asked about before
#     anything is written, and an Enter pressed (and held) while the program
#     was busy does not answer it; Cancel writes nothing; Y again, and Enter
#     and Y typed at once: the job is prepared and the Y, typed before the
#     prompt appeared, does not answer it; a backup ghost.bat;
#  4. a Y typed while undo works starts no job once undo is done.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 3)) || { echo "usage: job_choices_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

cleanup() {
  local f
  for f in boot.ini boot.bak grldr grldr.bak ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do
    rm -f "$(drive_path C "$f")"
  done
  rm -f "$(drive_path D TRIVEX.OUT)" "$(drive_path E TRIVEX.OUT)"
  remove_temporaries
  rm -rf "$(drive_path D Ghost)" "$(drive_path E Ghost)"
}
cleanup
trivex_at_exit cleanup

menu=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Windows XP" /fastdetect\r\n'
printf '%s' "$menu" >"$(drive_path C boot.ini)"
mkdir -p "$(drive_path D Ghost)" "$(drive_path E Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"
printf 'not an image at all, just text' >"$(drive_path D Ghost/notes.gho)"
ghost_image "$(drive_path E Ghost/G_WinXP.gho)"  # last month's backup

question() { tree '信息：' | grep -F "$1" >/dev/null; }
no_job() { [[ ! -e $(drive_path C ghost.bat) && ! -e $(drive_path C Vemo.img) && ! -e $(drive_path C grldr) ]]; }
start_trivex || { fail "no main window"; exit 1; }

# ---- 1. No question about numbers; the volumes decide after the restart ------------
choose 'D:\Ghost\restore.gho'
main_key y
STARTUP_BOXES=
answer_questions || fail "no restart prompt"
[[ $STARTUP_BOXES != *分区号* && $STARTUP_BOXES != *硬盘\ 1* ]] && pass "no question about Ghost's numbers" ||
  fail "asked about numbers: $STARTUP_BOXES"
[[ $(head -n 1 "$(drive_path C ghost.bat)" | tr -d '\r') == "$(volumes_line)" ]] &&
  pass "ghost.bat has the DOS side find C: and D: by their volumes: $(volumes_line)" ||
  fail "ghost.bat begins '$(head -n 1 "$(drive_path C ghost.bat)" | tr -d '\r')', not '$(volumes_line)'"
restore_line='Ghost.exe -nousb -clone,mode=pload,src=%img%\Ghost\restore.gho:1,dst=%tgt%  -sure -fx'
[[ $(ghost_line) == "$restore_line" ]] && pass "the restore command line runs with the numbers found" ||
  fail "C:\\ghost.bat runs '$(ghost_line)', not the restore"
press_in 'Trivex Ghost' Escape
wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000 || fail "Esc did not bring the main window back"

# ---- 2. A file without the signature is refused ---------------------------------------
rm -f "$(drive_path C ghost.bat)"
choose 'D:\Ghost\notes.gho'
main_key y
if wait_window '信息：' 30000 && question '不是 Ghost 映像' && question 'D:\\Ghost\\notes.gho'; then
  pass "a file without the signature is refused, by name"
else
  fail "no refusal for D:\\Ghost\\notes.gho"
fi
press_in '信息：' Return
wait_gone '信息：' 30000 && settled Trivex || fail "the refusal stayed, or the program does not answer"
[[ ! -e $(drive_path C ghost.bat) ]] && pass "nothing written for it" || fail "a job was written for a file that is no image"

# ---- 3. B then Y: a backup, asked about the existing image first; Enter Y at once -------
main_key b
backup_mode() { tree Trivex | grep -qF 'Button "保存(&S)"'; }
wait_until 30 backup_mode && pass "B shows backup mode" || fail "B did not show backup mode"
# ask_existing <keys...>: Y, and at the question about the existing image the keys.
ask_existing() {
  local asked=0 end=$((SECONDS + 60)) wid
  main_key y
  while ((SECONDS < end)); do
    if [[ -n $(x_window '信息：') ]]; then
      if question 'E:\\Ghost\\G_WinXP.gho 已经存在'; then
        asked=1
        [[ ! -e $(drive_path C ghost.bat) ]] && pass "asked about the existing image before writing anything" ||
          fail "a job was written before the question"
        wid=$(x_window '信息：')
        xdotool windowfocus --sync "$wid" key --delay 0 "$@"
        break
      fi
      answer_box "answered OK"
    fi
    sleep 0.2
  done
  ((asked)) || fail "no question about the existing backup image"
}
# Enter goes down while the program is busy (stopped at its look at the
# image) and stays down; once the question is shown, the keypad's Enter too,
# to Windows a repeat of the held key. The question stays for the Esc.
rm -f "$(drive_path C ghost.bat)"
existing() { [[ -n $(x_window '信息：') ]] && question 'E:\\Ghost\\G_WinXP.gho 已经存在'; }
open=0
keys_while_busy "$WINEPREFIX/dosdevices/e:/Ghost/G_WinXP.gho" 'main_key y' keydown Return && wait_until 60 existing &&
  settled '信息：' && xdotool keydown KP_Enter && settled '信息：' && existing && open=1
xdotool keyup KP_Enter Return
((open)) && pass "an Enter pressed while the program was busy, and held, left the question open" ||
  fail "the program was not stopped at its look at the image, no question came, or the Enter answered it"
press_in '信息：' Escape
wait_gone '信息：' 30000 && settled Trivex || fail "the question stayed, or the program does not answer"
[[ ! -e $(drive_path C ghost.bat) ]] && cmp -s "$(drive_path E Ghost/G_WinXP.gho)" "$(drive_path D Ghost/restore.gho)" &&
  pass "Cancel kept last month's backup and wrote no job" || fail "Cancel on the existing image still wrote"
ask_existing Return y
answer_questions || fail "Enter Y: no restart prompt"
# Esc on the prompt comes after both keys in the program's input: once the
# prompt is gone, the Y has been handled. Had it answered the prompt (Yes),
# the program would have ended with the restart.
press_in 'Trivex Ghost' Escape
wait_gone 'Trivex Ghost' 60000 || fail "Enter Y: the restart prompt did not close on Esc"
if wait_window Trivex 60000 && kill -0 "$TRIVEX_PID" 2>/dev/null; then
  pass "Enter Y: the Y did not answer the restart prompt; Esc closed it"
else
  fail "Enter Y: the Y answered the restart prompt"
fi
backup_line='Ghost.exe -nousb -clone,mode=pdump,src=%tgt%,dst=%img%\Ghost\G_WinXP.gho -sure -fro -fx -z1'
[[ $(ghost_line) == "$backup_line" ]] && pass "B then Y: a backup command line" ||
  fail "B then Y: C:\\ghost.bat runs '$(ghost_line)'"

# ---- 4. A Y typed while undo works (stopped at C:\Vemo.img) starts no job -----------
# once undo is over: when the M typed after it has ticked its box, it was taken.
main_key u
wait_window 'Trivex Ghost' 30000 && keys_while_busy "$WINEPREFIX/dosdevices/c:/Vemo.img" "click 'Trivex Ghost' '确定(&Y)'" key y &&
  wait_gone 'Trivex Ghost' 60000 && settled Trivex || fail "undo was not stopped at its first look at C:\\Vemo.img"
manual() { tree Trivex | grep -F '手动Ghost' | grep -qF 'checked=1'; }
main_key m
wait_until 30 manual && [[ -z $(x_window '信息：') && ! -e $(drive_path C ghost.bat) ]] &&
  pass "a Y typed while undo worked started no job" || fail "a Y typed while undo worked started a job"
quit_trivex

checks_end "$TRIVEX_LOG"

#!/usr/bin/env bash
# job_choices_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>
#
# Ghost is handed only what the user chose, through the real window:
#  1. this test Windows cannot say where its drives are: the job asks with
#     the exact Ghost numbers; Cancel writes nothing, OK writes today's job;
#  2. a restore of a file without the Ghost image signature is refused;
#  3. Esc on the prompt, then Y: the next job asks about the numbers again;
#     Enter and Y typed at once: the job is prepared again and the Y, typed
#     before the prompt appeared, does not answer it;
#  4. the key B, then Y: a backup ghost.bat; an existing backup image is
#     asked about before anything is written.
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
  for f in boot.ini boot.bak grldr grldr.bak ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.TMP; do
    rm -f "$(drive_path C "$f")"
  done
  rm -f "$(drive_path D TRIVEX.JOB)" "$(drive_path E TRIVEX.JOB)"
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

# ---- 1. The partition question: Cancel, then OK ------------------------------------
choose 'D:\Ghost\restore.gho'
main_key y
if wait_window '信息：' 30000 && question 'C: = 硬盘 1 分区 1（1:1）' && question 'D: = 硬盘 1 分区 2（1:2）'; then
  pass "the job asks, naming C: = 1:1 and D: = 1:2"
else
  fail "no question naming the Ghost numbers"
fi
press_in '信息：' Escape
wait_gone '信息：' 30000 && settled Trivex || fail "Cancel: the question stayed, or the program does not answer"
! shown '信息：' && ! shown 'Trivex Ghost' && no_job && same_text "$(drive_path C boot.ini)" "$menu" &&
  pass "Cancel: nothing written" || fail "Cancel still wrote a job (or asked on)"

main_key y
answer_questions || fail "OK: no restart prompt"
restore_line='Ghost.exe -nousb -clone,mode=pload,src=1:2\Ghost\restore.gho:1,dst=1:1  -sure -rb'
[[ $(ghost_line) == "$restore_line" ]] && pass "OK: today's restore command line" ||
  fail "OK: C:\\ghost.bat runs '$(ghost_line)', not today's restore"

# ---- 3. The next job asks again; Enter Y at once: the Y does not answer the prompt ----
press_in 'Trivex Ghost' Escape
wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000 || fail "Esc did not bring the main window back"
main_key y
if wait_window '信息：' 60000 && question 'C: = 硬盘 1 分区 1（1:1）' && question 'D: = 硬盘 1 分区 2（1:2）'; then
  pass "the next job asks about the numbers again"
else
  fail "the next job did not ask about the partition numbers"
fi
wid=$(x_window '信息：')
xdotool windowfocus --sync "$wid" key --delay 0 Return y
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

# ---- 4. B then Y: a backup, asked about the existing image first ------------------------
main_key b
backup_mode() { tree Trivex | grep -qF 'Button "保存(&S)"'; }
wait_until 30 backup_mode && pass "B shows backup mode" || fail "B did not show backup mode"
main_key y
asked=0
end=$((SECONDS + 60))
while ((SECONDS < end)); do
  if [[ -n $(x_window '信息：') ]]; then
    if question 'E:\\Ghost\\G_WinXP.gho 已经存在'; then
      asked=1
      [[ ! -e $(drive_path C ghost.bat) ]] && pass "asked about the existing image before writing anything" ||
        fail "a job was written before the question"
      press_in '信息：' Escape
      break
    fi
    answer_box "answered OK"
  fi
  sleep 0.2
done
((asked)) || fail "no question about the existing backup image"
wait_gone '信息：' 30000 && settled Trivex || fail "the question stayed, or the program does not answer"
[[ ! -e $(drive_path C ghost.bat) ]] && cmp -s "$(drive_path E Ghost/G_WinXP.gho)" "$(drive_path D Ghost/restore.gho)" &&
  pass "Cancel kept last month's backup and wrote no job" || fail "Cancel on the existing image still wrote"
main_key y
answer_questions || fail "backup: no restart prompt"
backup_line='Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\Ghost\G_WinXP.gho -sure -fro -rb -z1'
[[ $(ghost_line) == "$backup_line" ]] && pass "B then Y: a backup command line" ||
  fail "B then Y: C:\\ghost.bat runs '$(ghost_line)'"
press_in 'Trivex Ghost' n
trivex_closes 60 || fail "the program still runs after N"

checks_end "$TRIVEX_LOG"

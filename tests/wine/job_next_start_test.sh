#!/usr/bin/env bash
# job_next_start_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <screenshot-dir>
#
# What the next start of the program finds and tells, through the real
# window:
#  1. the outcome record a job's DOS side left on the image's drive
#     (D:\TRIVEX.OUT), one kind at a time, with the lines the boot test's
#     machines leave (Ghost exits 0, exits with an error, never returns, or
#     does not run for want of sure numbers): the status bar says what the
#     last job did and when, a failure or an outcome nobody confirmed comes
#     in a message box too, each record is told once and then removed; only
#     a confirmed outcome is told as done, and a backup whose image is
#     missing or no Ghost image is a failure whatever the record says;
#  2. outcome records of another computer on a second drive (E:\TRIVEX.OUT,
#     and D:\TRIVEX.JOB as an earlier version named it): neither told nor
#     removed, each left byte for byte; one line in the status bar says so.
# (A job cut short at the next start: job_menu_changed_test.sh.)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 4)) || { echo "usage: job_next_start_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <screenshot-dir>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3 shots=$4
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done
mkdir -p "$shots"

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

cleanup() {
  local f
  for f in boot.ini boot.bak grldr ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do
    rm -f "$(drive_path C "$f")"
  done
  rm -f "$(drive_path D TRIVEX.OUT)" "$(drive_path D TRIVEX.JOB)" "$(drive_path E TRIVEX.OUT)"
  rm -rf "$(drive_path D Ghost)"
  remove_temporaries
}
cleanup
trivex_at_exit cleanup

menu=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Windows XP" /fastdetect\r\n'
printf '%s' "$menu" >"$(drive_path C boot.ini)"
mkdir -p "$(drive_path D Ghost)"

# The jobs of this test were prepared on this machine: it keeps their token.
TOKEN=0123456789ABCDEF
keep_token "$TOKEN"
# outcome_text <token> <kind> <image> <lines the DOS side appended...>: the
# outcome copy of a job prepared a while ago, as the job and its DOS side leave it.
outcome_text() {
  local token=$1 kind=$2 image=$3 line
  shift 3
  printf 'Trivex job record\r\ntoken=%s\r\ncopy=outcome\r\nkind=%s\r\nroute=boot.ini\r\n' "$token" "$kind"
  printf 'prepared=2026-01-05 20:15:00\r\nimage=%s\r\nwrote=grldr\r\nwrote=ghost.bat\r\n' "$image"
  printf 'wrote=ghost.exe\r\nwrote=vemo.img\r\n'
  for line in "$@"; do printf '%s\r\n' "$line"; done
}
# outcome <kind> <image> <lines...>: this machine's job's, on the image's drive D:.
outcome() { outcome_text "$TOKEN" "$@" >"$(drive_path D TRIVEX.OUT)"; }
status() { tree Trivex | sed -n 's/^ *panel 1 "\(.*\)"$/\1/p'; }
# The boxes of this start that tell of a job (Wine, without diskpart, always
# adds the one about the partition count).
boxes() { grep . <<<"$STARTUP_BOXES" | grep -vc '获取磁盘分区信息失败'; }

# next_start <name> <status part> <boxes> [box part]: one start of the program
# with a record on disk; it must show it and remove it.
next_start() {
  local name=$1 want=$2 nboxes=$3 box=${4:-}
  start_trivex || { fail "$name: no main window"; return 1; }
  if [[ $(status) == *"$want"* ]]; then pass "$name: the status bar says: $(status)"; else fail "$name: the status bar says: $(status)"; fi
  if (($(boxes) == nboxes)) && [[ -z $box || $STARTUP_BOXES == *"$box"* ]]; then
    pass "$name: $nboxes message box(es)${box:+, naming $box}"
  else
    fail "$name: the boxes were: $STARTUP_BOXES"
  fi
  [[ -e $(drive_path D TRIVEX.OUT) ]] && fail "$name: D:\\TRIVEX.OUT is still there" || pass "$name: the record is gone"
}

# ---- 1. Outcomes ---------------------------------------------------------------------
outcome restore 'D:\Ghost\restore.gho' dos=found 'volumes=found 1:1 1:2' ghost=started 'ghost=exit 0'
next_start "restore done" "上次还原已完成（2026年1月5日 20:15 准备的任务）" 0
quit_trivex

# Ghost started and nothing came after it: the machine was cut, or Ghost hung.
outcome restore 'D:\Ghost\restore.gho' dos=found 'volumes=found 1:1 1:2' ghost=started
next_start "restore never confirmed" "无法确认上次还原已完成（2026年1月5日 20:15 准备的任务）" 1 "请检查 Windows 是否已是映像中的状态"
quit_trivex

outcome restore 'D:\Ghost\restore.gho' dos=found 'volumes=none 2'
next_start "no sure numbers" "上次还原失败" 1 "两个分区的卷序列号相同"
quit_trivex

ghost_image "$(drive_path D Ghost/backup.gho)"
truncate -s 1500M "$(drive_path D Ghost/backup.gho)"  # a sparse image of a real size
outcome backup 'D:\Ghost\backup.gho' dos=found 'volumes=found 1:1 2:1' ghost=started 'ghost=exit 0' 'image-check=0'
next_start "backup done" "上次备份已完成（2026年1月5日 20:15 准备的任务）" 0
[[ $(status) == *"1536 MB"* ]] && pass "backup done: the image's size in MB" || fail "backup done: no size in: $(status)"
if import -window root "$shots/last-backup-done.png"; then note "screenshot saved: $shots/last-backup-done.png"; else fail "no screenshot"; fi
quit_trivex

rm -f "$(drive_path D Ghost/backup.gho)"
outcome backup 'D:\Ghost\backup.gho' dos=found 'volumes=found 1:1 2:1' ghost=started 'ghost=exit 0' 'image-check=0'
next_start "backup without its image" "上次备份失败" 1 "找不到映像文件"
quit_trivex
# Told once: the next start says nothing of it.
start_trivex || fail "no main window"
[[ $(status) != *上次备份* ]] && (($(boxes) == 0)) && pass "the failure is told only once" ||
  fail "told again: $(status) / $STARTUP_BOXES"
quit_trivex

printf 'D:\\Ghost\\backup.gho' >"$(drive_path D Ghost/backup.gho)"  # the save dialog's placeholder
outcome backup 'D:\Ghost\backup.gho' dos=found ghost=started 'ghost=exit 0' 'image-check=0'
next_start "backup whose image is no Ghost image" "上次备份失败" 1 "不是 Ghost 映像"
quit_trivex

outcome backup 'D:\Ghost\backup.gho' dos=found 'volumes=found 1:1 1:2' ghost=started
next_start "backup never confirmed" "无法确认上次备份已完成" 1 "最好重新备份一次"
quit_trivex

outcome restore 'D:\Ghost\restore.gho' dos=found 'ghost=check-failed 25'
# As start_trivex, but the box that tells of the job stays open for the
# screenshot (the one about the partition count is answered).
start_trivex_keep_box() {
  wine "$TRIVEX" </dev/null >"$TRIVEX_LOG" 2>&1 &
  TRIVEX_PID=$!
  local end=$((SECONDS + 180))
  while ((SECONDS < end)); do
    if [[ -n $(x_window '信息：') ]]; then
      # Judged by its text once the text can be read: a box still being
      # made is looked at again.
      local said
      said=$(tree '信息：' | grep -F 'Static')
      if [[ -n $said ]]; then
        grep -qF '获取磁盘分区信息失败' <<<"$said" || return 0
        answer_box "start-up said"
      fi
    fi
    sleep 0.2
  done
  return 1
}
if start_trivex_keep_box; then
  tree '信息：' | grep -qF '系统分区没有被改动' && pass "image check failed: the box says nothing was restored" ||
    fail "image check failed: the box says: $(tree '信息：' | grep -F Static)"
  if import -window root "$shots/last-restore-check-failed.png"; then
    note "screenshot saved: $shots/last-restore-check-failed.png"
  else
    fail "no screenshot"
  fi
  press_in '信息：' Return
  wait_gone '信息：' 30000
  wine "$INSPECT" hidden Trivex ' 高级选项' 60000 >/dev/null 2>&1 || true
  [[ $(status) == *"上次还原失败"* ]] && pass "image check failed: the status bar says so" ||
    fail "image check failed: the status bar says: $(status)"
  quit_trivex
else
  fail "image check failed: no message box"
fi

outcome restore 'D:\Ghost\restore.gho' dos=found 'volumes=found 1:1 2:1' ghost=started 'ghost=exit 10'
next_start "restore that failed" "代码 10" 1 "上次还原失败"
quit_trivex

# ---- 2. Another computer's outcome records ------------------------------------------------
# A disk brought from another PC: its records carry a token this machine
# never made, and name that PC's parts (the marks of its disk and network
# adapter), which this one does not have. They stay as they are, and one
# line says so.
outcome_text 5A5A00FFC3C30F0F restore 'E:\Ghost\other.gho' machine=00000000000000AA dos=found ghost=started >"$(drive_path E TRIVEX.OUT)"
outcome_text C3C30F0F5A5A00FF backup 'D:\Ghost\other.gho' machine=00000000000000AA dos=found 'ghost=exit 10' >"$(drive_path D TRIVEX.JOB)"
cp "$(drive_path E TRIVEX.OUT)" "$TRIVEX_WINE_DIR/other-outcome"
cp "$(drive_path D TRIVEX.JOB)" "$TRIVEX_WINE_DIR/other-outcome-earlier"
trivex_at_exit "rm -f '$TRIVEX_WINE_DIR/other-outcome' '$TRIVEX_WINE_DIR/other-outcome-earlier'"
start_trivex || fail "another computer's records: no main window"
(($(boxes) == 0)) && pass "another computer's records: no message box tells of them" ||
  fail "another computer's records: the boxes were: $STARTUP_BOXES"
said=$(status)
[[ $said == *'D:\\TRIVEX.JOB、E:\\TRIVEX.OUT 是另一台计算机'*'已原样保留'* ]] &&
  pass "another computer's records: the status bar says: $said" ||
  fail "another computer's records: the status bar says: $said"
[[ $said != *上次* ]] && pass "another computer's records: nothing is told as this machine's last job" ||
  fail "another computer's records: told as this machine's: $said"
same_file "$(drive_path E TRIVEX.OUT)" "$TRIVEX_WINE_DIR/other-outcome" && pass "E:\\TRIVEX.OUT is left byte for byte" ||
  fail "E:\\TRIVEX.OUT was changed or removed"
same_file "$(drive_path D TRIVEX.JOB)" "$TRIVEX_WINE_DIR/other-outcome-earlier" && pass "D:\\TRIVEX.JOB is left byte for byte" ||
  fail "D:\\TRIVEX.JOB was changed or removed"
quit_trivex

checks_end "$TRIVEX_LOG"

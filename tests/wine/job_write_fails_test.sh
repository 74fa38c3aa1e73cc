#!/usr/bin/env bash
# job_write_fails_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>
#
# A restore job whose outcome record cannot be written, through the real
# window and checked from outside. D: is a small file system of its own (a
# tmpfs mounted on the folder the prefix's D: points at) holding the image:
#  1. D: is full: the job fails at its outcome record D:\TRIVEX.OUT, is taken
#     back whole (C:, D: and E: as they were before the job), and the message
#     names the step, the file and the system's reason, "磁盘满";
#  2. D:'s root takes no new file (immutable, which binds root too): the same,
#     with "访问被拒绝".
# Mounting needs root: run by anyone else, the test is skipped (exit 77).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 3)) || { echo "usage: job_write_fails_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do
  [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }
done
(($(id -u) == 0)) || { echo "skipped: mounting a drive for the test needs root"; exit 77; }

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

# ---- The machine: a Windows XP boot.ini on C:, D: a 256 KB drive of its own ----------
d=$TRIVEX_WINE_DIR/drives/d
release_d() {
  mountpoint -q "$d" || return 0
  trivex_wine_kill  # nothing of Wine keeps the drive busy
  chattr -i "$d" 2>/dev/null
  umount "$d" 2>/dev/null || umount -l "$d"
}
cleanup() {
  local f
  for f in boot.ini boot.bak grldr ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do
    rm -f "$(drive_path C "$f")"
  done
  release_d
}
cleanup
trivex_at_exit cleanup
mount -t tmpfs -o size=256k,mode=0755 tmpfs "$d" || { fail "could not mount a tmpfs on $d"; checks_end; }

original=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n'
original+=$'multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Microsoft Windows XP Professional" /fastdetect\r\n'
printf '%s' "$original" >"$(drive_path C boot.ini)"
protect 'C:\boot.ini' +r +h +s || fail "could not protect C:\\boot.ini"
mkdir -p "$d/Ghost"
ghost_image "$d/Ghost/restore.gho"

# What a job may change, as seen from outside: the files in the root of C:
# (bytes, and boot.ini's protection), everything on D: and E:.
drives_now() {
  local f
  for f in "$WINEPREFIX"/drive_c/*; do [[ -f $f ]] && printf 'C:%s %s\n' "${f##*/}" "$(md5sum <"$f")"; done
  printf 'C:\\boot.ini protection %s\n' "$(attributes 'C:\boot.ini')"
  (cd "$d" && find . -printf 'D:%p %s\n' | sort)
  (cd "$TRIVEX_WINE_DIR/drives/e" && find . -printf 'E:%p %s\n' | sort)
}

# Confirms the job with Y and answers its questions OK until the box that
# says it failed; true with its words in TOLD when that box came (and not
# the restart prompt).
job_fails() {
  local end=$((SECONDS + 180)) wid said
  TOLD=
  main_key y
  while ((SECONDS < end)); do
    [[ -n $(x_window 'Trivex Ghost') ]] && return 1
    wid=$(x_window '信息：')
    if [[ -n $wid ]]; then
      said=$(tree '信息：' | grep -F 'Static' | tr '\n' ' ')
      if [[ $said == *本次操作已撤回* ]]; then
        TOLD=$said
        note "told: $said"
        press_in '信息：' Return
        wait_until 30 x_gone "$wid" && settled Trivex
        return 0
      fi
      answer_box "answered OK"
    fi
    sleep 0.2
  done
  return 1
}

# A job that fails writing its outcome record: taken back whole, and told.
# expect_failure <what> <the system's words>
expect_failure() {
  local before after
  before=$(drives_now)
  if job_fails; then pass "$1: the job failed and said so"; else fail "$1: no failure message"; return; fi
  [[ $TOLD == *'写入任务结果记录 D:\\TRIVEX.OUT 失败（'"$2"'），本次操作已撤回。'* ]] &&
    pass "$1: the message names the step, the file D:\\TRIVEX.OUT and the reason $2" ||
    fail "$1: the message does not say 写入任务结果记录 D:\\TRIVEX.OUT 失败（$2）: $TOLD"
  after=$(drives_now)
  [[ $after == "$before" ]] && pass "$1: nothing changed on C:, D: and E:" ||
    fail "$1: the drives changed: $(diff <(printf '%s\n' "$before") <(printf '%s\n' "$after") | tr '\n' ' ')"
  same_text "$(drive_path C boot.ini)" "$original" && pass "$1: C:\\boot.ini is the user's menu" ||
    fail "$1: C:\\boot.ini is not the user's menu"
}

if start_trivex; then pass "the main window is up"; else fail "the main window did not appear"; checks_end "$TRIVEX_LOG"; fi
choose 'D:\Ghost\restore.gho'

# ---- 1. D: full ---------------------------------------------------------------------
dd if=/dev/zero of="$d/filler" bs=4096 2>/dev/null
if ! (printf x >"$d/probe") 2>/dev/null; then pass "D: is full"; else fail "D: still takes a file"; fi
rm -f "$d/probe"
expect_failure "a full D:" "磁盘满"

# ---- 2. D:'s root takes no new file -----------------------------------------------------
rm -f "$d/filler"
chattr +i "$d" || fail "could not make D:\\ refuse new files"
if ! (: >"$d/probe") 2>/dev/null; then pass "D:\\ takes no new file"; else fail "D:\\ still takes a file"; fi
expect_failure "a D: that refuses the file" "访问被拒绝"
chattr -i "$d"

quit_trivex
checks_end "$TRIVEX_LOG"

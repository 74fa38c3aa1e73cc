#!/usr/bin/env bash
# job_restored_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <windows_job_boot>
#
# A restore of C: told after the machine booted it for real. The program
# prepares a restore of C: from D:\Ghost\restore.gho through the real
# window; the job's files boot in qemu (<windows_job_boot>, a program of the
# host build's boot tests), where Ghost restores and exits with 0. Then C:
# and the registry are as they were before the job (a restore of C: brings
# back the image's, which never held the job's token), D: gets the outcome
# copy the boot left, and the program starts: it tells the restore as done
# and removes the record, and the next job with its image on D: is prepared.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 4)) || { echo "usage: job_restored_test.sh <trivex.exe> <inspect.exe> <job_locate.exe> <windows_job_boot>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3 BOOT=$4
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done
# The boot program comes from the host build; CI builds both, and there a
# missing one fails the test instead of thinning the run.
if [[ ! -x $BOOT ]]; then
  [[ -n ${CI:-} ]] && { echo "FAIL: no $BOOT (build the host build first)"; exit 1; }
  echo "SKIPPED: no $BOOT (build the host build first)"
  exit 77
fi

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

cleanup() {
  local f
  for f in boot.ini boot.bak grldr ghost.bat ghost.exe Vemo.img fqs.bat TRIVEX.JOB TRIVEX.OUT; do rm -f "$(drive_path C "$f")"; done
  rm -f "$(drive_path D TRIVEX.OUT)"
  rm -rf "$(drive_path D Ghost)"
  remove_temporaries
}
cleanup
trivex_at_exit cleanup
work=$(mktemp -d)
trivex_at_exit "rm -rf '$work'"

menu=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS="Windows XP" /fastdetect\r\n'
printf '%s' "$menu" >"$(drive_path C boot.ini)"
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"
tokens_before=$(kept_tokens)

# prepare_restore <what>: a restore of C: from D:\Ghost\restore.gho, through the
# real window, left prepared with Esc on the restart prompt.
prepare_restore() {
  choose 'D:\Ghost\restore.gho'
  main_key y
  answer_questions || { fail "$1: no restart prompt"; return 1; }
  press_in 'Trivex Ghost' Escape
  wait_gone 'Trivex Ghost' 60000 && wait_window Trivex 60000 || fail "$1: Esc did not bring the main window back"
  [[ -n $(job_token) ]] && pass "$1: the job is prepared" || fail "$1: no job record on C:"
}

start_trivex || { fail "no main window"; exit 1; }
prepare_restore "the restore" || exit 1
quit_trivex
token=$(job_token)

# ---- The boot -------------------------------------------------------------------------
mkdir -p "$work/job/C" "$work/job/E"
for f in TRIVEX.JOB ghost.bat boot.ini boot.bak grldr ghost.exe Vemo.img; do cp "$(drive_path C "$f")" "$work/job/C/"; done
cp -r "$(drive_path D TRIVEX.OUT)" "$(drive_path D Ghost)" "$work/job/E/"
job_value target-serial >"$work/job/c-serial"
job_value image-serial >"$work/job/e-serial"
"$BOOT" "$work/job" "$work/after" >"$work/boot.log" 2>&1
code=$?
if ((code == 77)); then
  cat "$work/boot.log"
  [[ -n ${CI:-} ]] && { fail "the boot cannot run here"; checks_end "$TRIVEX_LOG"; exit 1; }
  exit 77
fi
((code == 0)) && pass "the job booted in qemu and the machine restarted" || { cat "$work/boot.log"; fail "the boot did not end"; }
outcome=$work/after/E/TRIVEX.OUT
tr -d '\r' <"$outcome" 2>/dev/null | grep -qx "token=$token" && tr -d '\r' <"$outcome" | tail -n 1 | grep -qx 'ghost=exit 0' &&
  pass "the outcome copy the boot left says Ghost exited with 0" || fail "the outcome copy after the boot: $(tr -d '\r' <"$outcome" | tail -n 4 | tr '\n' ' ')"

# ---- C: and the registry as before the job; the outcome copy on D: -------------------
for f in TRIVEX.JOB ghost.bat boot.bak grldr ghost.exe Vemo.img; do rm -f "$(drive_path C "$f")"; done
printf '%s' "$menu" >"$(drive_path C boot.ini)"
if [[ -n $tokens_before ]]; then
  wine reg add 'HKLM\Software\Trivex' /v Tokens /t REG_SZ /d "$tokens_before" /f >/dev/null 2>&1
else
  wine reg delete 'HKLM\Software\Trivex' /v Tokens /f >/dev/null 2>&1
fi
[[ " $(kept_tokens) " != *" $token "* ]] && pass "the registry no longer keeps the job's token" || fail "the token is still kept"
cp "$outcome" "$(drive_path D TRIVEX.OUT)"

# ---- The next start --------------------------------------------------------------------
start_trivex || { fail "no main window after the restore"; exit 1; }
said=$(tree Trivex | sed -n 's/^ *panel 1 "\(.*\)"$/\1/p')
[[ $said == *上次还原已完成* ]] && pass "the status bar says: $said" ||
  fail "the status bar says: $said (a computer whose network adapters Wine does not show cannot be told here)"
grep . <<<"$STARTUP_BOXES" | grep -v '获取磁盘分区信息失败' | grep -q . && fail "a box told of it: $STARTUP_BOXES" ||
  pass "no message box: a restore that was done"
[[ ! -e $(drive_path D TRIVEX.OUT) ]] && pass "the outcome copy is removed" || fail "D:\\TRIVEX.OUT is still there"
prepare_restore "the next job on D:"
tr -d '\r' <"$(drive_path D TRIVEX.OUT)" 2>/dev/null | grep -qx "token=$(job_token)" &&
  pass "the next job's outcome copy is on D:" || fail "no outcome copy of the next job on D:"
undo_job
quit_trivex

checks_end "$TRIVEX_LOG"

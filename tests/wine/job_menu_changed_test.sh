#!/usr/bin/env bash
# job_menu_changed_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>
#
# A boot menu changed while a job waits for its restart, through the real
# window, C:\boot.ini changed and checked from outside as an installer and
# the user would:
#  1. the Recovery Console's installer adds its entry, changes the time-out
#     and protects the menu again: the next start leaves the waiting job
#     alone and says nothing; undo takes out only the job's lines, and the
#     menu is the user's with the installer's changes, byte for byte,
#     read-only, hidden and system, with nothing of the job left;
#  2. the job's entry moved to the menu's end, and the job cut short (its
#     boot image gone): the next start takes the job back the same way and
#     says so;
#  3. the job's entry taken out while its default= stays: the menu is
#     neither the job's nor the user's, so the next start leaves it and the
#     loader it names, and says what to check; once the user has mended it
#     so, the next start takes the rest of the job away.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 3)) || { echo "usage: job_menu_changed_test.sh <trivex.exe> <inspect.exe> <job_locate.exe>" >&2; exit 2; }
TRIVEX=$1 INSPECT=$2 LOCATE=$3
for f in "$TRIVEX" "$INSPECT" "$LOCATE"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done

# shellcheck source=job_wine_lib.sh
source "$here/job_wine_lib.sh"
job_test_session || exit 1

job_files=(grldr ghost.bat ghost.exe Vemo.img boot.bak TRIVEX.JOB)
cleanup() {
  local f
  for f in boot.ini bootini.new bootini.job "${job_files[@]}" fqs.bat TRIVEX.TMP; do
    [[ -e $(drive_path C "$f") ]] && { chmod u+w "$(drive_path C "$f")"; rm -f "$(drive_path C "$f")"; }
  done
  rm -f "$(drive_path D TRIVEX.JOB)" "$(drive_path D TRIVEX.OUT)"
  rm -rf "$(drive_path D Ghost)"
}
cleanup
trivex_at_exit cleanup

system_line='multi(0)disk(0)rdisk(0)partition(1)\WINDOWS="Microsoft Windows XP Professional" /fastdetect'
user_default='default=multi(0)disk(0)rdisk(0)partition(1)\WINDOWS'
original=$'[boot loader]\r\ntimeout=30\r\n'"$user_default"$'\r\n[operating systems]\r\n'"$system_line"$'\r\n'
console='C:\CMDCONS\BOOTSECT.DAT="Microsoft Windows Recovery Console" /cmdcons'
entry='C:\grldr=Trivex Ghost'
menu_file=$(drive_path C boot.ini)
printf '%s' "$original" >"$menu_file"
protect 'C:\boot.ini' +r +h +s || fail "could not protect C:\\boot.ini"
mkdir -p "$(drive_path D Ghost)"
ghost_image "$(drive_path D Ghost/restore.gho)"

# A restore job prepared through the window; N on the restart prompt ends the program.
prepare_job() {
  start_trivex || { fail "$1: no main window"; return 1; }
  choose 'D:\Ghost\restore.gho'
  main_key y
  answer_questions || { fail "$1: no restart prompt"; return 1; }
  press_in 'Trivex Ghost' n
  trivex_closes 60 || fail "$1: the program still runs after N"
  grep -qxF "$entry" <(tr -d '\r' <"$menu_file") && pass "$1: the job's entry is in C:\\boot.ini" ||
    fail "$1: no entry of the job's in C:\\boot.ini"
}
# The menu as the user or an installer edits it: sed expressions on its lines (CR kept).
edit_menu() {
  protect 'C:\boot.ini' -r -h -s || fail "could not clear the attributes of C:\\boot.ini"
  sed -i "$@" "$menu_file"
}
job_left() {
  local f left=()
  for f in "${job_files[@]}"; do [[ -e $(drive_path C "$f") ]] && left+=("$f"); done
  printf '%s' "${left[*]}"
}

# ---- 1. An installer's change; the next start; undo ------------------------------------
prepare_job "an installer's change" || exit 1
edit_menu -e 's/^timeout=2\r$/timeout=10\r/' -e "\$a ${console//\\/\\\\}"$'\r'
protect 'C:\boot.ini' +r +h +s || fail "could not protect C:\\boot.ini again"
changed=$(od -An -tx1 -v "$menu_file")
start_trivex || fail "the next start: no main window"
[[ $STARTUP_BOXES == *任务正在等待* && $STARTUP_BOXES != *被中断* && $STARTUP_BOXES != *无法分辨* ]] &&
  pass "the next start names the waiting job, and finds it neither cut nor unreadable" ||
  fail "the next start said: $STARTUP_BOXES"
[[ $(od -An -tx1 -v "$menu_file") == "$changed" && -e $(drive_path C Vemo.img) ]] &&
  pass "the next start leaves the waiting job and the changed menu as they are" || fail "the next start changed the job or the menu"
undo_job
want=$'[boot loader]\r\ntimeout=10\r\n'"$user_default"$'\r\n[operating systems]\r\n'"$system_line"$'\r\n'"$console"$'\r\n'
same_text "$menu_file" "$want" && pass "undo: the user's menu with the installer's entry and time-out, byte for byte" ||
  fail "undo: C:\\boot.ini is: $(tr '\r' '|' <"$menu_file")"
[[ $(attributes 'C:\boot.ini') == RHS ]] && pass "undo: C:\\boot.ini is read-only, hidden and system" ||
  fail "undo: C:\\boot.ini has the attributes '$(attributes 'C:\boot.ini')'"
[[ -z $(job_left) ]] && pass "undo: nothing of the job is left" || fail "undo left: $(job_left)"
quit_trivex

# ---- 2. The job's entry moved, the job cut short ----------------------------------------
printf '%s' "$original" >"$menu_file"
prepare_job "a cut job" || exit 1
edit_menu -e "/^${entry//\\/\\\\}\r\$/d" -e "\$a ${entry//\\/\\\\}"$'\r' -e "\$a ${console//\\/\\\\}"$'\r'
rm -f "$(drive_path C Vemo.img)"
start_trivex || fail "cut job: no main window"
[[ $STARTUP_BOXES == *被中断* && $STARTUP_BOXES == *已把这个不完整的任务撤回* ]] &&
  pass "cut job: the user is told that it was taken back" || fail "cut job: the boxes were: $STARTUP_BOXES"
same_text "$menu_file" "$original$console"$'\r\n' && pass "cut job: the user's menu with the added entry, byte for byte" ||
  fail "cut job: C:\\boot.ini is: $(tr '\r' '|' <"$menu_file")"
[[ -z $(job_left) ]] && pass "cut job: nothing of it is left" || fail "cut job: left: $(job_left)"
quit_trivex

# ---- 3. The job's entry taken out, its default= left ---------------------------------------
printf '%s' "$original" >"$menu_file"
prepare_job "the entry taken out" || exit 1
edit_menu -e "/^${entry//\\/\\\\}\r\$/d"
half=$(od -An -tx1 -v "$menu_file")
start_trivex || fail "the entry taken out: no main window"
# (The inspector shows a backslash of a window's text doubled.)
[[ $STARTUP_BOXES == *无法分辨* && $STARTUP_BOXES == *'保留了 C:\\grldr'* ]] &&
  pass "the entry taken out: the user is told what to check and that the loader stays" ||
  fail "the entry taken out: the boxes were: $STARTUP_BOXES"
[[ $(od -An -tx1 -v "$menu_file") == "$half" ]] && pass "the entry taken out: C:\\boot.ini is left as it is" ||
  fail "the entry taken out: C:\\boot.ini changed"
[[ -e $(drive_path C grldr) ]] && pass "the entry taken out: C:\\grldr, which default= names, stays" ||
  fail "the entry taken out: C:\\grldr is gone while C:\\boot.ini starts it"
quit_trivex
# The user mends the menu as told: default= and timeout= as they were.
edit_menu -e 's/^default=C:\\grldr\r$/'"${user_default//\\/\\\\}"'\r/' -e 's/^timeout=2\r$/timeout=30\r/'
start_trivex || fail "mended: no main window"
[[ $STARTUP_BOXES == *已把这个不完整的任务撤回* ]] && pass "mended: the rest of the job is taken away, and the user told" ||
  fail "mended: the boxes were: $STARTUP_BOXES"
same_text "$menu_file" "$original" && pass "mended: C:\\boot.ini is the user's menu" || fail "mended: C:\\boot.ini changed"
[[ -z $(job_left) ]] && pass "mended: nothing of the job is left" || fail "mended: left: $(job_left)"
quit_trivex

checks_end "$TRIVEX_LOG"

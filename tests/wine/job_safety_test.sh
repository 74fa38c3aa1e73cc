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
#  2. a boot.bak of the user's own: the image file button leaves it, the
#     job sets it aside as boot-1.bak and says so, boot.bak holds the menu
#     of the moment, and the user's file keeps its bytes through the undo in
#     a later run;
#  3. an E:\Ghost32.exe of the user's own is never written over, and the
#     placeholder the save dialog leaves is not taken for a backup;
#  4. a second disk whose partition table the DOS side would refuse (an
#     extended partition of type 85h beside one of type 0Fh; Wine opens
#     \\.\PhysicalDrive1 as the file physicaldrive1 of its device folder):
#     the job is refused before anything is written, naming the disk and
#     the reason. Wine's own disk 0 answers no reads: a job that goes on
#     says so with the job (section 1).
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
  for f in boot.ini boot.bak boot-1.bak "${job_files[@]}" fqs.bat TRIVEX.JOB TRIVEX.OUT TRIVEX.TMP; do
    [[ -e $(drive_path C "$f") ]] && { chmod u+w "$(drive_path C "$f")"; rm -f "$(drive_path C "$f")"; }
  done
  rm -f "$(drive_path D TRIVEX.OUT)" "$(drive_path E Ghost32.exe)"
  remove_temporaries
  rm -rf "$(drive_path D Ghost)" "$(drive_path E Ghost)"
  rm -f "$WINEPREFIX/dosdevices/physicaldrive1"
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
[[ $STARTUP_BOXES == *'读不出磁盘 0'* ]] && pass "the job says that Windows could not read the disks as DOS will" ||
  fail "no word of the disks Windows could not read: $STARTUP_BOXES"
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

# ---- 2. A boot.bak of the user's own ------------------------------------------------
# It is not the menu of the moment, so it cannot be told as this program's:
# the image file button leaves it, the job sets it aside under a free name
# and says so, and it keeps its bytes through the job and the undo.
protect 'C:\grldr' -r -h -s || fail "could not set the attributes of C:\\grldr"
rm -f "$(drive_path C grldr)"
own=$'[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\nold="my menu of last year"\r\n'
printf '%s' "$own" >"$(drive_path C boot.bak)"
protect 'C:\boot.bak' +h || fail "could not set the attributes of C:\\boot.bak"

start_trivex || { fail "second start: no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
same_text "$(drive_path C boot.bak)" "$own" && pass "the image file button left the user's C:\\boot.bak alone" ||
  fail "the image file button changed the user's C:\\boot.bak"
main_key y
answer_questions || fail "no restart prompt (the user's boot.bak)"
[[ $STARTUP_BOXES == *'C:\\boot-1.bak'* ]] && pass "the user was told that C:\\boot.bak now waits as C:\\boot-1.bak" ||
  fail "no word about the user's C:\\boot.bak: $STARTUP_BOXES"
same_text "$(drive_path C boot-1.bak)" "$own" && pass "the user's C:\\boot.bak waits as C:\\boot-1.bak, byte for byte" ||
  fail "C:\\boot-1.bak is not the user's file"
same_text "$(drive_path C boot.bak)" "$nine_lines" && pass "C:\\boot.bak holds the menu of the moment" ||
  fail "C:\\boot.bak is not the menu of the moment"
press_in 'Trivex Ghost' n
trivex_closes 60 || fail "the program still runs after N"

start_trivex || { fail "third start: no main window"; exit 1; }
undo_job
same_text "$(drive_path C boot.ini)" "$nine_lines" && pass "undo in a later run: C:\\boot.ini is the menu of the job's moment" ||
  fail "undo in a later run: C:\\boot.ini is not the nine-line menu"
same_text "$(drive_path C boot-1.bak)" "$own" && pass "undo: the user's file keeps its bytes" ||
  fail "undo: the user's C:\\boot-1.bak changed or went"

# ---- 3. Ghost32.exe of the user's own; the placeholder image is no backup ---------------
mkdir -p "$(drive_path E Ghost)"
printf 'the user'"'"'s own Ghost32' >"$(drive_path E Ghost32.exe)"
cp "$(drive_path E Ghost32.exe)" "$TRIVEX_WINE_DIR/users-ghost32"
activate Trivex ' Ghost映像文件路径：'
click Trivex '手动Ghost' || fail "no check box 手动Ghost"
click Trivex 'Ghost32(&G)' || fail "no check box Ghost32(&G)"
if wait_window '信息：' 30000 && tree '信息：' | grep -qF 'E:\\Ghost32.exe'; then
  pass "Ghost32: the user is told that E:\\Ghost32.exe is not this program's"
else
  fail "Ghost32: no word about the user's E:\\Ghost32.exe"
fi
press_in '信息：' Return
wait_gone '信息：' 10000
same_file "$(drive_path E Ghost32.exe)" "$TRIVEX_WINE_DIR/users-ghost32" && pass "the user's E:\\Ghost32.exe keeps its bytes" ||
  fail "the user's E:\\Ghost32.exe was written over or deleted"
click Trivex '手动Ghost' || fail "no check box 手动Ghost (to leave manual Ghost)"
click Trivex '备份系统(&B)' || fail "no radio button 备份系统(&B)"
click Trivex '保存(&S)' || fail "the image file button does not read 保存(&S) in backup mode"
answer_file_dialog '另存为' 'E:\Ghost\G_WinXP.gho' || fail "the save dialog did not take the path"
same_text "$(drive_path E Ghost/G_WinXP.gho)" 'E:\Ghost\G_WinXP.gho' && pass "the placeholder image holds its own path" ||
  fail "no placeholder E:\\Ghost\\G_WinXP.gho"
quit_trivex
start_trivex || { fail "fourth start: no main window"; exit 1; }
tree Trivex | grep -q '^ *panel 1 "尚未用本软件备份系统' && pass "the placeholder image is not taken for a backup" ||
  fail "the status bar takes the placeholder for a backup: $(tree Trivex | grep '^ *panel 1')"
quit_trivex

# ---- 4. A second disk whose table the DOS side would refuse -------------------------------
# Sector 0 of a disk of 40000 sectors: an extended partition of type 85h at
# sector 63 and one of type 0Fh at sector 20000, 10000 sectors each.
disk1="$WINEPREFIX/dosdevices/physicaldrive1"
truncate -s $((40000 * 512)) "$disk1"
printf '\x00\xfe\xff\xff\x85\xfe\xff\xff\x3f\x00\x00\x00\x10\x27\x00\x00\x00\xfe\xff\xff\x0f\xfe\xff\xff\x20\x4e\x00\x00\x10\x27\x00\x00' |
  dd of="$disk1" bs=1 seek=446 conv=notrunc status=none
printf '\x55\xaa' | dd of="$disk1" bs=1 seek=510 conv=notrunc status=none
before=$(md5sum <"$(drive_path C boot.ini)")
start_trivex || { fail "fifth start: no main window"; exit 1; }
choose 'D:\Ghost\restore.gho'
main_key y
if wait_window '信息：' 30000 && tree '信息：' | grep -qF '磁盘 1的分区表损坏'; then
  pass "a job on a machine whose second disk's table DOS would refuse is refused, naming the disk and the reason"
else
  fail "no refusal naming disk 1's broken table: $(tree '信息：' | grep -F Static)"
fi
press_in '信息：' Return
wait_gone '信息：' 10000
left=()
for f in "${job_files[@]}" TRIVEX.JOB; do [[ -e $(drive_path C "$f") ]] && left+=("$f"); done
((${#left[@]} == 0)) && [[ $(md5sum <"$(drive_path C boot.ini)") == "$before" ]] &&
  [[ ! -e $(drive_path D TRIVEX.OUT) ]] && pass "nothing was written for the refused job" ||
  fail "the refused job wrote: ${left[*]}"
shown 'Trivex Ghost' && fail "a restart prompt after the refusal"
quit_trivex

checks_end "$TRIVEX_LOG"

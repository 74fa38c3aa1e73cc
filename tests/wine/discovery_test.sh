#!/usr/bin/env bash
# discovery_test.sh <trivex.exe> <discovery_tool.exe> <stand-in folder> <probe script source> <screenshot-dir>
#
# Discovery under Wine, on real folders and real processes:
#  1. the partition-count probe: the program's script written to C:\fqs.bat
#     and run by Wine's command interpreter, its output read through a pipe,
#     with our stand-in diskpart.exe and findstr.exe beside the program,
#     also when the program's own input never answers;
#  2. the drive list: C: (the prefix's own), D: a folder, E: a 3 TiB drive,
#     F: absent; then D: a drive with no free space;
#  3. the image search and the image details on real folder trees (GBK
#     names, a name whose last byte is 0x5C, dot-folders, a folder named
#     x.gho, nested images, a link back up the tree), a search stopped while
#     it runs, a second click that stops the search it started, and the
#     details of an image that is gone.
# Every wait is for an end state with a deadline as its upper bound: the
# search steps of the tool click and wait for the search's end in one
# process, and the stop is clicked at the tool's first sight of 停止 on the
# button, from inside that process, on a tree whose size is checked first.
# The time zone is the test's own (UTC+8, no daylight saving time): Windows
# shows a file's date with today's offset from UTC, so that a zone whose
# offset changed since the file's date would move it by an hour.
# A drive with no free space and the 3 TiB drive are small tmpfs mounts
# (root only); without root the full drive is /proc and the 3 TiB drive is
# left out, which the output says.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 5)) || { echo "usage: discovery_test.sh <trivex.exe> <discovery_tool.exe> <stand-in folder> <probe script> <screenshot-dir>" >&2; exit 2; }
trivex=$1 tool_exe=$2 standins=$3 probe_src=$4 shots=$5
for f in "$trivex" "$tool_exe" "$standins/diskpart.exe" "$standins/findstr.exe" "$probe_src"; do
  [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }
done

export TZ=CST-8
source "$here/checks.sh"
# Compares two texts and says which check it was.
# same <name> <expected> <actual>: an empty expectation is a fault of the
# test (a reference that could not be read), never a pass; absence is
# checked with none <name> <actual>.
same() {
  if [[ -n $2 && $2 == "$3" ]]; then pass "$1"; else fail "$1"; printf '  expected: %q\n  actual:   %q\n' "$2" "$3"; fi
}
none() {
  if [[ -z $2 ]]; then pass "$1"; else fail "$1"; printf '  expected nothing, got: %q\n' "$2"; fi
}
# The tool's output (GBK) as UTF-8.
tool() { wine "$tool_exe" "$@" 2>/dev/null </dev/null | iconv -f GBK -t UTF-8 -c; }
twait() { wine "$tool_exe" wait "$@" </dev/null >/dev/null 2>&1; }
# A search step of the tool (search, search-stop, search-twice): its output
# as UTF-8, its failure message on standard output.
search_step() { wine "$tool_exe" "$@" </dev/null 2>&1 | iconv -f GBK -t UTF-8 -c; }

trivex_wine_lock || exit 1
unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
trivex_wine_kill
# Whatever this test maps, the project's drives are back afterwards.
trivex_at_exit trivex_wine_drives

work=$TRIVEX_WINE_DIR/discovery
dev=$WINEPREFIX/dosdevices
fqs=$(trivex_drive_c fqs.bat)
mounted=()
unmount_all() { local m; for m in "${mounted[@]}"; do umount "$m" 2>/dev/null; done; mounted=(); }
trivex_at_exit unmount_all
# Mounts left by a run that was killed (several, if several were).
for m in "$work/e" "$work/full"; do
  while mountpoint -q "$m" 2>/dev/null; do umount "$m" || { echo "cannot unmount $m" >&2; exit 1; }; done
done
rm -rf "$work"
mkdir -p "$work/tools" "$work/empty" "$work/d" "$work/e" "$work/full"
cp "$standins/diskpart.exe" "$standins/findstr.exe" "$work/tools/"

# Mounts a tmpfs of `size` on `dir`; false when this user may not mount.
tmpfs_on() { mount -t tmpfs -o "size=$2" tmpfs "$1" 2>/dev/null && mounted+=("$1"); }
map() { ln -sfn "$2" "$dev/$1:"; }
unmap() { rm -f "$dev/$1:" "$dev/$1::"; }

# ---- 1. The partition-count probe ---------------------------------------------------
echo "== partition-count probe (the program's script, Wine's cmd, a pipe)"
probe_in() { # folder disks -> the count line
  (cd "$1" && TRIVEX_STANDIN_DISKS=$2 wine "$tool_exe" probe </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 -c)
}
rm -f "$fqs"
same "disk 0 with partitions 1-4 (and a second disk): the count is 3" "count=[3]" "$(probe_in "$work/tools" 4,2)"
if cmp -s <(iconv -f UTF-8 -t GBK "$probe_src") "$fqs"; then
  pass "C:\\fqs.bat holds the program's script in GBK, byte for byte"
else
  fail "C:\\fqs.bat differs from the program's script"
fi
same "one partition: the count is 0" "count=[0]" "$(probe_in "$work/tools" 1)"
# The script's pattern "分区 [0-9] " sees single-digit partition numbers only.
same "thirteen partitions: partitions 10-13 do not match the script's pattern, the count is 8" \
  "count=[8]" "$(probe_in "$work/tools" 13)"
same "no disk listed: the count is empty" "count=[]" "$(probe_in "$work/tools" '')"
same "no diskpart at all (Wine has none): the count is empty" "count=[]" "$(probe_in "$work/empty" 4)"
mkdir -p "$work/wine-findstr"
cp "$standins/diskpart.exe" "$work/wine-findstr/"
got=$(probe_in "$work/wine-findstr" 4)
if [[ $got == "count=[]" ]]; then
  note "with Wine's own findstr the script finds no disk line (Wine's findstr matches nothing here)"
else
  note "Wine's own findstr now serves the script: $got"
fi
leftover=$(find "$work/tools" "$work/empty" "$work/wine-findstr" -name '*.script')
none "the script removed its scratch files" "$leftover"
# Started from a command window, the program's standard input is that
# console, which never answers: the script's closing pause must not wait
# for it (the probe gives up on a silent child only after a minute).
mkfifo "$work/silent-input"
sleep 600 >"$work/silent-input" &
holder=$!
began=$SECONDS
got=$(cd "$work/tools" && TRIVEX_STANDIN_DISKS=4,2 wine "$tool_exe" probe <"$work/silent-input" 2>/dev/null |
  iconv -f GBK -t UTF-8 -c)
took=$((SECONDS - began))
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
same "with an input that never answers, the count is still 3" "count=[3]" "$got"
# Waiting for that input, the probe would run into its one-minute limit.
if ((took < 60)); then pass "the probe's pause did not wait for that input (${took} s)"; else fail "the probe waited ${took} s for its input"; fi

# ---- 2. and 3. The program: drive list, search, details --------------------------------
# D: a folder tree; E: a 3 TiB tmpfs (or a folder); F: absent.
D=$work/d
mkdir -p "$D/x.gho" "$D/.hidden" "$D/乗" "$D/系统镜像/2016/三月" "$D/big"
head -c 2048005 /dev/zero >"$D/备份系统.gho"
touch -d '2016-03-05 09:07:00' "$D/备份系统.gho"
for f in 根.GHO old.ghost notes.gho.txt x.gho/inside.gho .hidden/never.gho 乗/trail.gho 乗/乗.gho \
  系统镜像/2016/full.gho 系统镜像/2016/三月/深.gho 系统镜像/readme.txt; do
  printf 'image' >"$D/$f"
done
ln -s .. "$D/系统镜像/back-up"  # a link back up the tree
# A wide tree of 15,000 folders, so that a search runs for long after its
# button first reads 停止: the stop check clicks at that first sight. Made
# one branch at a time (the whole list at once can pass the limit on a
# command's arguments with a long checkout path), and counted before use.
for b in $(seq -w 0 99); do
  mkdir -p "$D/big/b$b"/c{000..149} || { fail "could not make the folders of $D/big/b$b"; checks_end; }
done
for i in $(seq -w 0 39); do printf 'x' >"$D/big/b$i/c000/img$i.gho"; done
made=$(find "$D/big" -mindepth 2 -maxdepth 2 -type d | wc -l)
if ((made != 15000)); then fail "the wide tree has $made folders, not 15000"; checks_end; fi
if tmpfs_on "$work/e" 3t; then
  big_e=1
else
  big_e=
  note "cannot mount a tmpfs here (not root): E: is a plain folder and the 3 TiB check is left out"
fi
mkdir -p "$work/e/Ghost" "$work/e/镜像 备份"
# A Ghost image (its signature FE EF and enough bytes): the backed-up check
# wants a real image, not a file of that name.
{ printf '\xfe\xef'; head -c 1022 /dev/zero; } >"$work/e/Ghost/G_WinXP.gho"
printf 'image' >"$work/e/镜像 备份/x.gho"
map d "$D"
map e "$work/e"
unmap f

# Starts the program and waits until its start-up is over, closing any
# message box on the way and keeping what it said in $boxes.
start_trivex() { # log
  rm -f "$fqs"
  (cd "$work/tools" && TRIVEX_STANDIN_DISKS=4 exec wine "$trivex" </dev/null >"$1" 2>&1) &
  pid=$!
  boxes=$(wine "$tool_exe" startup 180000 </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 -c)
}
# Ends the program with its exit button and checks that it is gone.
stop_trivex() {
  wine "$tool_exe" click 退出 </dev/null >/dev/null 2>&1
  if gone_within "$pid" 60; then pass "the program ended"; else fail "the program did not end"; kill "$pid"; fi
  wait "$pid" 2>/dev/null
  [[ -e $fqs ]] && fail "C:\\fqs.bat is still there" || pass "C:\\fqs.bat is gone"
}

log=$(mktemp)
trivex_at_exit "rm -f '$log'"
echo "== start-up with C:, D: (folder), E: ($([[ -n $big_e ]] && echo 3 TiB || echo folder)), F: absent"
if start_trivex "$log"; then pass "the main window is up"; else fail "the main window did not come up"; iconv -f GBK -t UTF-8 -c <"$log"; exit 1; fi
none "no message at start-up (the probe found a count)" "$boxes"
same "C:\\fqs.bat is on disk while the program runs" "yes" "$([[ -f $fqs ]] && echo yes)"

# Each entry: "  X:", used, free, total in MB, each after a tab (the list's
# tab stops stand at the headings), no line end.
mb_of() { # folder -> "total free" in MB as the entry computes them
  local t f
  read -r t f < <(stat -f -c '%b %a %S' "$1" | awk '{ printf "%.0f %.0f\n", $1 * $3 / 1024, $2 * $3 / 1024 }')
  echo "$((t / 1024)) $((f / 1024)) $(((t - f) / 1024))"
}
mapfile -t entries < <(tool items 列表框1)
same "three entries: C:, D:, E:" "3" "${#entries[@]}"
gap=$'\t'
letters=(C D E)
for i in 0 1 2; do
  letter=${letters[i]}
  e=${entries[i]:-}
  if [[ $e =~ ^\ \ $letter:${gap}([0-9]+)${gap}([0-9]+)${gap}([0-9]+)$ ]]; then
    used=${BASH_REMATCH[1]} free=${BASH_REMATCH[2]} total=${BASH_REMATCH[3]}
    pass "entry $letter: reads used $used, free $free, total $total MB"
    folder=$(readlink -f "$dev/${letter,,}:")
    read -r want_total want_free want_used < <(mb_of "$folder")
    same "entry $letter: the total is the drive's" "$want_total" "$total"
    sum=$((used + free))
    if ((sum == total || sum == total - 1)); then pass "entry $letter: used + free makes the total"; else fail "entry $letter: used + free = $sum, total $total"; fi
    if [[ $letter == E && -n $big_e ]]; then
      same "entry E: a 3 TiB drive shows 3145728 MB, all seven digits" "3145728" "$total"
      same "entry E: its free space is its true size too" "$want_free" "$free"
    fi
  else
    fail "entry $letter reads $e"
  fi
done
same "the backed-up check looked on E:, the last drive" "本系统已做备份，备份时注意覆盖原镜像！" "$(tool panel 1)"
same "restore mode: 确定 waits for an image" "1 0" "$(tool state 确定)"

echo "== image search"
reference=$(tool walk 'D:\' 'E:\' 'F:\')
n_ref=$(grep -c . <<<"$reference")
count_text() { printf '本地磁盘共有%s个GHO文件\r\n请正确选择要还原的镜像！' "$1"; }
# A user's click, and the end of the search it started (the count text
# differs from the one before the click).
before=$(tool text 透明标签1)
read -r x y < <(tool point 搜索按钮)
xdotool mousemove "$x" "$y" click 1
got=$(search_step search-end "$before" 300000)
if [[ $got =~ ^[0-9]+$ ]]; then pass "a click on 搜索 ran a search to its end ($got images)"; else fail "the search did not end: $got"; fi
results=$(tool items 列表框2)
same "the results and their order are those of the plain folder listings ($n_ref images)" "$reference" "$results"
for want in 'D:\备份系统.gho' 'D:\old.ghost' 'D:\x.gho\inside.gho' 'D:\乗\trail.gho' 'D:\乗\乗.gho' \
  'D:\系统镜像\2016\三月\深.gho' 'E:\镜像 备份\x.gho'; do
  grep -qxF "$want" <<<"$results" && pass "listed: $want" || fail "not listed: $want"
done
# What is not listed counts only in a list that holds the images.
for never in 'D:\.hidden\never.gho' 'D:\notes.gho.txt' 'D:\x.gho'; do
  [[ -n $results ]] && ! grep -qxF "$never" <<<"$results" && pass "not listed: $never" || fail "listed (or no list): $never"
done
[[ -n $results ]] && ! grep -qF 'back-up' <<<"$results" && pass "the link back up the tree was not entered" ||
  fail "the search went through the link back up the tree (or listed nothing)"
same "the count text" "$(count_text "$n_ref")" "$(tool text 透明标签1)"
same "the button reads 搜索 again" "搜索(&S)" "$(tool text 搜索按钮)"

echo "== image details"
index=$(grep -nxF 'D:\备份系统.gho' <<<"$results" | cut -d: -f1)
read -r x y < <(tool point 列表框2 $((index - 1)))
xdotool mousemove "$x" "$y" click 1
twait 编辑框1 'D:\备份系统.gho' 60000
same "the chosen image is the job's image path" 'D:\备份系统.gho' "$(tool text 编辑框1)"
same "its name" "镜像名称：备份系统.gho" "$(tool text 透明标签2)"
same "its size in MB of 1,024,000 bytes" "镜像大小：2MB" "$(tool text 透明标签3)"
same "its date, local time, no leading zeros" "创建日期：2016年3月5日9:7" "$(tool text 透明标签4)"
same "the status bar shows them, where the user sees them" "备份系统.gho  镜像大小：2MB  创建日期：2016年3月5日9:7" \
  "$(tool panel 1)"
same "确定 can be pressed now" "1 1" "$(tool state 确定)"
mkdir -p "$shots"
if import -window root "$shots/discovery-details.png"; then
  note "screenshot saved: $shots/discovery-details.png"
else
  fail "no screenshot of the details"
fi

echo "== stop during the search"
got=$(search_step search-stop 300000)
if [[ $got =~ ^saw-stop$'\n'([0-9]+)$ ]]; then
  pass "stop clicked at the first sight of 停止, and the search ended"
else
  fail "could not stop the search: $got"
fi
stopped=$(tool items 列表框2)
n_stopped=$(grep -c . <<<"$stopped")
if ((n_stopped < n_ref)); then pass "stopped early: $n_stopped of $n_ref images"; else fail "not stopped: $n_stopped images"; fi
grep -qv '^D:' <<<"$stopped" && fail "images beyond D: were listed after the stop" || pass "only D: was searched"
same "the count text gives the images found until the stop" "$(count_text "$n_stopped")" "$(tool text 透明标签1)"
same "the list holds the first images in order" "$(head -n "$n_stopped" <<<"$reference")" "$stopped"

echo "== a click during a search stops it, even while the button still reads 搜索"
# Two clicks that reach the program together (the tool holds its thread
# while it posts them): the second is handled at the first folder of the
# search the first one started, before D:\ is listed.
got=$(search_step search-twice 300000)
if [[ $got == 0 ]]; then
  pass "the second click stopped the search before it found anything"
else
  fail "the search after two clicks: $got; the count text reads $(tool text 透明标签1 | tr '\r\n' '  ')"
fi
none "the list is empty" "$(tool items 列表框2)"
same "the count text says none" "$(count_text 0)" "$(tool text 透明标签1)"
same "the button reads 搜索 again" "搜索(&S)" "$(tool text 搜索按钮)"
got=$(search_step search 300000)
same "the next search ends with every image" "$n_ref" "$got"
same "the next search lists every image once" "$reference" "$(tool items 列表框2)"

echo "== details of an image that is gone"
index=$(grep -nxF 'D:\根.GHO' <<<"$reference" | cut -d: -f1)
rm "$D/根.GHO"
read -r x y < <(tool point 列表框2 $((index - 1)))
xdotool mousemove "$x" "$y" click 1
twait 编辑框1 'D:\根.GHO' 60000
same "the status bar says it cannot be found" '找不到镜像文件：D:\根.GHO' "$(tool panel 1)"
same "no size" "镜像大小：" "$(tool text 透明标签3)"
same "no date" "创建日期：" "$(tool text 透明标签4)"
stop_trivex

echo "== a drive with no free space ends the list"
if tmpfs_on "$work/full" 1m; then
  mkdir -p "$work/full/Ghost"
  { printf '\xfe\xef'; head -c 1022 /dev/zero; } >"$work/full/Ghost/G_WinXP.gho"
  head -c 2m /dev/zero >"$work/full/filler" 2>/dev/null
  read -r _ free _ < <(mb_of "$work/full")
  same "D: (tmpfs) has no space left" "0" "$free"
  map d "$work/full"
  full_label="a full tmpfs"
else
  map d /proc
  full_label="/proc, which reports no space"
fi
echo "   D: is $full_label"
if start_trivex "$log"; then pass "the main window is up"; else fail "the main window did not come up"; fi
mapfile -t entries < <(tool items 列表框1)
same "the list holds C: only" "1" "${#entries[@]}"
[[ ${entries[0]:-} == '  C:'* ]] && pass "the entry is C:" || fail "the entry is ${entries[0]:-none}"
if [[ $full_label == "a full tmpfs" ]]; then
  same "the last drive looked at is D: (the backed-up check found D:\\Ghost\\G_WinXP.gho)" \
    "本系统已做备份，备份时注意覆盖原镜像！" "$(tool panel 1)"
fi
stop_trivex

checks_end "$log"

#!/usr/bin/env bash
# main_window_test.sh <trivex.exe> <inspect.exe> <main_window_check.exe> <screenshot-dir>
#
# Starts trivex.exe under Wine on a private X server with a fresh drive C:,
# checks its main window against the layout table from outside, takes a
# screenshot, presses Esc and checks that the window and the process are gone
# and that C:\fqs.bat was removed on the way out. In the screenshot the
# partition list reads as a table: each figure starts under its heading,
# for the prefix's drives and (run as root) for a D: of more than a million
# MB, a tmpfs mounted on the folder the prefix's D: points at.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

(($# == 4)) || { echo "usage: main_window_test.sh <trivex.exe> <inspect.exe> <main_window_check.exe> <screenshot-dir>" >&2; exit 2; }
trivex=$1 inspect=$2 check=$3 shots=$4
for f in "$trivex" "$inspect" "$check"; do
  [[ -f $f ]] || { echo "missing program: $f" >&2; exit 2; }
done

source "$here/checks.sh"

trivex_wine_lock || exit 1
# Always a private X server: the test must not draw on a developer's desktop.
unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
trivex_wine_kill

# A fresh start: no probe script left from an earlier run, no backup image
# on the last drive (start-up reports whether one exists).
fqs=$(trivex_drive_c fqs.bat)
rm -f "$fqs" "$TRIVEX_WINE_DIR/drives/e/Ghost/G_WinXP.gho"

# D: of seven digits of MB: a tmpfs of 1100 GB takes no memory but what is
# written to it; 150 MB written give its used size three digits.
big_d=$TRIVEX_WINE_DIR/drives/d
release_big_d() {
  mountpoint -q "$big_d" || return 0
  trivex_wine_kill  # nothing of Wine keeps the drive busy
  umount "$big_d" 2>/dev/null || umount -l "$big_d"
}
seven_digits=
if (($(id -u) == 0)); then
  trivex_at_exit release_big_d
  if mount -t tmpfs -o size=1100g,mode=0755 tmpfs "$big_d" && head -c 150M /dev/zero >"$big_d/used.bin"; then
    seven_digits=1
  else
    fail "could not mount a drive of 1100 GB on $big_d"
  fi
else
  note "not root: the drive of seven digits of MB is left out (mounting it needs root)"
fi

log=$(mktemp)
trivex_at_exit "rm -f '$log'"
# Standard input is empty: the probe script ends with a pause.
wine "$trivex" </dev/null >"$log" 2>&1 &
pid=$!

if wine "$inspect" wait Trivex 120000; then
  pass "the window \"Trivex\" appeared"
else
  fail "the window \"Trivex\" did not appear"
  echo "--- program output"; gbk <"$log"
  exit 1
fi

# Start-up may stop at a message box ("信息：", for instance when the partition
# count cannot be read): while the layout check runs, answer each such box
# as a user would, with Enter, and say what it said.
answered=" "
answer_message_boxes() {
  local box
  for box in $(xdotool search --name '^信息：$' 2>/dev/null); do
    [[ $answered == *" $box "* ]] && continue
    answered+="$box "
    echo "start-up showed a message box:"
    wine "$inspect" tree 信息： | gbk | sed -n 's/^1 Static "\(..*\)" .*/  \1/p'
    xdotool windowfocus --sync "$box" key Return 2>/dev/null
  done
}

out=$(mktemp)
trivex_at_exit "rm -f '$out'"
wine "$check" 120000 >"$out" 2>&1 &
check_pid=$!
while kill -0 "$check_pid" 2>/dev/null; do
  answer_message_boxes
  sleep 0.3
done
if wait "$check_pid"; then
  pass "the main window matches its layout after start-up"
else
  fail "the main window differs from its layout:"
  gbk <"$out"
fi

mkdir -p "$shots"
if import -window root "$shots/main-window.png"; then
  note "screenshot saved: $shots/main-window.png"
else
  fail "no screenshot"
fi

# The partition list's column headings stand on one line each: in the
# screenshot, nothing is drawn in the lowest third of their boxes, where a
# wrapped second line would be; the rest holds their text.
ink() { # x y w h -> the number of dark pixels in that part of the screenshot
  convert "$shots/main-window.png" -crop "$3x$4+$1+$2" +repage -colorspace Gray -threshold 50% -negate \
    -format '%[fx:round(mean*w*h)]' info:
}
for heading in 透明标签6 透明标签7 透明标签8 透明标签9; do
  read -r x y w h < <(gbk <"$out" | sed -n "s/^screen $heading //p")
  if [[ -z ${h:-} ]]; then
    fail "no screen place for $heading"
    continue
  fi
  line=$((h * 2 / 3))
  upper=$(ink "$x" "$y" "$w" "$line") lower=$(ink "$x" $((y + line)) "$w" $((h - line)))
  if [[ $upper =~ ^[0-9]+$ && $lower =~ ^[0-9]+$ ]] && ((upper > 0 && lower == 0)); then
    pass "$heading is drawn on one line ($upper dark pixels in its upper two thirds, none below)"
  else
    fail "$heading: $upper dark pixels in its upper two thirds, $lower below (a second line)"
  fi
done

# The partition list reads as a table: in the screenshot each figure of an
# entry starts where its heading's text starts. Entry 0 is selected (drawn
# in the selection's colours), the others are read.
columns() { # x y w h -> for each column of that part of the screenshot, 1 when it holds a dark pixel, else 0
  convert "$shots/main-window.png" -crop "$3x$4+$1+$2" +repage -colorspace Gray -threshold 50% -negate \
    -filter box -resize "$3x1!" -depth 8 txt:- | awk -F'[(,]' 'NR > 1 { print ($3 + 0 > 0) ? 1 : 0 }'
}
ink_starts() { # x y w h -> the screen x where each piece of text starts (pieces more than 10 columns apart)
  columns "$@" | awk -v x0="$1" 'BEGIN { last = -10 } $1 == 1 { if (NR - 1 - last > 10) print x0 + NR - 1; last = NR - 1 }'
}
headings=()
for heading in 透明标签7 透明标签8 透明标签9; do
  read -r x y w h < <(gbk <"$out" | sed -n "s/^screen $heading //p")
  headings+=("$(ink_starts "$x" "$y" "$w" "$h" | head -n 1)")
done
rows=0
while read -r index x y w h; do
  ((index == 0)) && continue
  mapfile -t starts < <(ink_starts "$x" $((y + 1)) "$w" $((h - 2)))
  rows=$((rows + 1))
  if ((${#starts[@]} != 4)); then
    fail "partition entry $index: ${#starts[@]} pieces of text instead of the letter and three figures (${starts[*]})"
    continue
  fi
  placed=1
  for k in 0 1 2; do
    # A digit may leave a column or two blank before its ink (a "1").
    ((starts[k + 1] - headings[k] >= -2 && starts[k + 1] - headings[k] <= 3)) || placed=
  done
  if [[ -n $placed ]]; then
    pass "partition entry $index: its figures start at x ${starts[*]:1}, under the headings at ${headings[*]}"
  else
    fail "partition entry $index: its figures start at x ${starts[*]:1}, the headings at ${headings[*]}"
  fi
done < <(gbk <"$out" | sed -n "s/^item 列表框1 //p")
((rows >= 2)) || fail "only $rows partition entries besides the selected one to look at"
if [[ -n $seven_digits ]]; then
  entry=$(gbk <"$out" | grep -E '^ *item 1 ' | head -n 1)
  if [[ $entry =~ item\ 1\ \"\ \ D:.*[^0-9][0-9]{7}\" ]]; then
    pass "D: has a figure of seven digits: $entry"
  else
    fail "D: has no figure of seven digits: $entry"
  fi
fi

wid=$(xdotool search --name '^Trivex$' | head -n 1)
if [[ -n $wid ]] && xdotool windowfocus --sync "$wid" && xdotool key Escape; then
  pass "Esc pressed in the main window"
else
  fail "could not press Esc in the main window (X window '${wid:-none}')"
fi

if wine "$inspect" gone Trivex 60000; then
  pass "the main window closed"
else
  fail "the main window is still there after Esc"
fi

if gone_within "$pid" 60; then
  wait "$pid"
  rc=$?
  if ((rc == 0)); then
    pass "the program ended (exit code 0)"
  else
    fail "the program ended with exit code $rc (see its output below)"
  fi
else
  fail "the program is still running a minute after its window closed"
fi

if [[ -e $fqs ]]; then
  fail "C:\\fqs.bat is still there after the program ended"
else
  pass "C:\\fqs.bat is gone"
fi

checks_end "$log"

#!/usr/bin/env bash
# skin_screens_test.sh <trivex.exe> <inspect.exe> <skin file> <screenshot-dir>
#
# The program with its skin and with a corrupt skin, side by side:
#  - a copy of trivex.exe whose embedded skin is spoiled (its first line
#    changed) still starts, shows its main window in the system's colours
#    and ends normally when the window is closed;
#  - the program as built shows its main window in the skin's colours: the
#    window colour covers much of the window, the push buttons' face colour
#    appears, and neither appears in the unskinned run. (The status bar's
#    colour is not checked: Wine's status bar ignores SB_SETBKCOLOR.)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../../scripts/wine-env.sh
source "$here/../../../scripts/wine-env.sh"

(($# == 4)) || { echo "usage: skin_screens_test.sh <trivex.exe> <inspect.exe> <skin file> <screenshot-dir>" >&2; exit 2; }
trivex=$1 inspect=$2 skin=$3 shots=$4
for f in "$trivex" "$inspect" "$skin"; do
  [[ -f $f ]] || { echo "missing file: $f" >&2; exit 2; }
done

source "$here/../../wine/checks.sh"
info="信息："  # the caption of the program's message boxes
colour() { awk -v k="$1" '$1 == k && $2 == "=" { print "#" $3 }' "$skin"; }

window=$(colour window) button=$(colour button)
[[ -n $window && -n $button ]] || { echo "the skin file names no window or button colour" >&2; exit 2; }

trivex_wine_lock || exit 1
unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
trivex_wine_kill

work=$(mktemp -d)
trivex_at_exit "rm -rf '$work'"
mkdir -p "$shots"

# The corrupt copy: the skin's first line "trivex-skin 1" (followed by a line
# end, unlike the same words inside the skin library) made unreadable.
corrupt=$work/trivex.exe
count=$(grep -c -a -P 'trivex-skin 1\r?$' "$trivex" || true)
if [[ $count != 1 ]]; then
  fail "the embedded skin is not found exactly once in $trivex ($count)"
  exit 1
fi
perl -0777 -pe 's/trivex-skin 1(?=\r?\n)/trivex-skin X/' "$trivex" >"$corrupt"
cmp -s "$trivex" "$corrupt" && { fail "the corrupt copy is unchanged"; exit 1; }

# Screenshots of a part of the screen until two in a row are the same: the
# window has painted what it shows. settled_shot <geometry> <file>
settled_shot() {
  local geometry=$1 file=$2 prev=$work/previous.png end=$((SECONDS + 60))
  import -window root -crop "$geometry" +repage "$prev" || return 1
  while ((SECONDS < end)); do
    sleep 0.3  # the pace of the screenshots, not a wait for the window
    import -window root -crop "$geometry" +repage "$file" || return 1
    [[ $(compare -metric AE "$prev" "$file" null: 2>&1) == 0 ]] && return 0
    mv -f "$file" "$prev"
  done
  return 1
}

# Runs one program until its start-up is over, photographs the window once
# it has painted, closes it and checks that the program ended well. Sets
# $shot to the screenshot, or to nothing when there is none.
run_and_shoot() {
  local exe=$1 name=$2 pid wid geometry rc started='' end
  shot=
  rm -f "$(trivex_drive_c fqs.bat)"
  wine "$exe" </dev/null >"$work/$name.log" 2>&1 &
  pid=$!
  if wine "$inspect" wait Trivex 120000; then
    pass "$name: the main window appeared"
  else
    fail "$name: the main window did not appear"
    return 1
  fi
  # Start-up is over once the advanced-options title is hidden; it may stop
  # at its message box on the way (no partition information under Wine,
  # which has no diskpart). The skin comes last, in the same step: once the
  # program answers a message, it is attached.
  end=$((SECONDS + 180))
  while ((SECONDS < end)); do
    if wine "$inspect" wait "$info" 0 2>/dev/null; then
      wine "$inspect" close "$info" >/dev/null
      note "$name: closed the start-up message box"
    fi
    if wine "$inspect" hidden Trivex ' 高级选项' 3000 2>/dev/null; then
      started=1
      break
    fi
  done
  if [[ -n $started ]] && wine "$inspect" idle Trivex 60000; then
    pass "$name: start-up ran to its end"
  else
    fail "$name: start-up did not end"
    return 1
  fi
  wid=$(xdotool search --name '^Trivex$' | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  geometry="${WIDTH}x${HEIGHT}+${X}+${Y}"
  shot=$shots/main-window-$name.png
  if settled_shot "$geometry" "$shot" && [[ -s $shot ]]; then
    note "$name: screenshot saved: $shot"
  else
    fail "$name: no settled screenshot of the window"
    shot=
  fi
  # The start-up sequence's backed-up check filled the status bar, and the
  # window answers the inspector.
  if wine "$inspect" tree Trivex | iconv -f GBK -t UTF-8 -c | grep -q '备份镜像！\|覆盖原镜像！'; then
    pass "$name: the status bar was filled"
  else
    fail "$name: the status bar was not filled"
  fi
  wine "$inspect" close Trivex >/dev/null
  if wine "$inspect" gone Trivex 60000; then
    pass "$name: the main window closed when asked"
  else
    fail "$name: the main window did not close"
    return 1
  fi
  if ! gone_within "$pid" 60; then
    fail "$name: the program did not end"
    return 1
  fi
  wait "$pid"
  rc=$?
  if [[ $rc == 0 ]]; then pass "$name: the program ended (exit code 0)"; else fail "$name: exit code $rc"; fi
}

# Share of the screenshot's pixels that have exactly this colour.
share() { convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:mean]' info:; }
# at_least <a> <b>: a >= b, both numbers (a failed share is no number).
at_least() { [[ $1 =~ ^[0-9.e-]+$ && $2 =~ ^[0-9.e-]+$ ]] && awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }

run_and_shoot "$corrupt" corrupt-skin
plain=$shot
run_and_shoot "$trivex" skinned
skinned=$shot

if [[ -n $plain && -n $skinned ]]; then
  for spec in "window:$window:0.30" "button:$button:0.02"; do
    IFS=: read -r what rgb least <<<"$spec"
    with=$(share "$skinned" "$rgb") without=$(share "$plain" "$rgb")
    if at_least "$with" "$least"; then
      pass "skinned: the $what colour $rgb covers $with of the window"
    else
      fail "skinned: the $what colour $rgb covers only $with of the window (want $least)"
    fi
    if at_least 0.001 "$without"; then
      pass "corrupt skin: the $what colour $rgb is absent ($without)"
    else
      fail "corrupt skin: the $what colour $rgb covers $without of the window"
    fi
  done
fi

checks_end

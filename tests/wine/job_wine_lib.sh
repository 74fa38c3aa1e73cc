# Helpers of the job's Wine tests: starting trivex.exe, answering its boxes,
# clicking its controls and typing into its windows as a user would, and
# checking files on the prefix's drives from outside. Sourced after
# scripts/wine-env.sh, with the variables TRIVEX, INSPECT and LOCATE set.

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

# The start of every job test: one user of the prefix at a time, a private X
# server, the prefix ready and none of its programs still running.
job_test_session() {
  trivex_wine_lock || return 1
  unset DISPLAY
  trivex_xvfb_start || return 1
  trivex_at_exit trivex_wine_kill
  trivex_wine_prefix || return 1
  trivex_wine_kill
}

TRIVEX_PID=
TRIVEX_LOG=$(mktemp)
trivex_at_exit "rm -f '$TRIVEX_LOG'"

# Host path of a file on a drive of the prefix: drive_path C 'ghost.bat'.
drive_path() {
  case $1 in
    C) printf '%s/drive_c/%s\n' "$WINEPREFIX" "$2" ;;
    *) printf '%s/drives/%s/%s\n' "$TRIVEX_WINE_DIR" "$(tr 'A-Z' 'a-z' <<<"$1")" "$2" ;;
  esac
}

x_window() { xdotool search --name "^$1\$" 2>/dev/null | head -n 1; }

# Starts trivex.exe and waits until its start-up is over (the advanced-options
# title " 高级选项" hidden: start-up hides it after its last step),
# answering its message boxes (such as the one about the partition count,
# which Wine, having no diskpart, shows) with Enter.
# The texts of the boxes answered since the start are kept in STARTUP_BOXES,
# one line each.
start_trivex() {
  wine "$TRIVEX" </dev/null >"$TRIVEX_LOG" 2>&1 &
  TRIVEX_PID=$!
  STARTUP_BOXES=
  local end=$((SECONDS + 180))
  while ((SECONDS < end)); do
    kill -0 "$TRIVEX_PID" 2>/dev/null || return 1
    answer_box "start-up said"
    # A short wait each round, so that a box that comes meanwhile is answered.
    wine "$INSPECT" hidden Trivex ' 高级选项' 3000 >/dev/null 2>&1 && [[ -z $(x_window '信息：') ]] && return 0
  done
  return 1
}

# Answers a message box ("信息：") with Enter, noting what it said, and waits
# until that box is gone (so that it is never answered twice): answer_box <note>.
x_gone() { ! xdotool getwindowname "$1" >/dev/null 2>&1; }
answer_box() {
  local wid
  wid=$(x_window '信息：')
  [[ -n $wid ]] || return 0
  local said
  said=$(tree '信息：' | grep -F 'Static' | tr '\n' ' ')
  STARTUP_BOXES+="$said"$'\n'
  note "$1: $(cut -c1-300 <<<"$said")"
  press_in '信息：' Return
  wait_until 30 x_gone "$wid"
}

# Waits for the program to end; true when it did within $1 seconds.
trivex_ended() {
  gone_within "$TRIVEX_PID" "$1" || return 1
  wait "$TRIVEX_PID" 2>/dev/null
  return 0
}

# Screen position of a control by its text: locate <window> <text>.
locate() { wine "$LOCATE" "$1" "$2" 2>/dev/null | tr -d '\r'; }

# A click on a control, as a user makes it.
click() {
  local xy
  xy=$(locate "$1" "$2") || return 1
  [[ -n $xy ]] || return 1
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
}

# Keys typed into a window: press_in <window> <xdotool key>...
# Without a window manager a window that was not clicked may have no
# keyboard focus inside Wine; clicking a label of it first (the way a user
# would come back to it) activates it. The label is optional.
press_in() {
  local title=$1 wid
  shift
  wid=$(x_window "$title")
  [[ -n $wid ]] || return 1
  xdotool windowfocus --sync "$wid" 2>/dev/null || return 1
  xdotool key --delay 100 "$@"
}
# keys_while_busy <host path> <command> <xdotool words>...: strace stops the program at its
# first access to the file after the command (eval'd), as a disk that spins up would hold
# it; xdotool types into the main window meanwhile. True when it was stopped then.
keys_while_busy() {
  local log tracer typed=1
  log=$(mktemp)
  strace -f -qq -p "$TRIVEX_PID" -P "$1" -e trace=%file -e inject=%file:signal=SIGSTOP:when=1 -o "$log" &
  tracer=$!
  wait_until 30 eval "grep -q '^TracerPid:[[:space:]]*$tracer\$' /proc/$TRIVEX_PID/status" && eval "$2" &&
    wait_until 60 grep -q 'stopped by SIGSTOP' "$log" && kill "$tracer" && wait "$tracer" 2>/dev/null
  [[ $(awk '{print $3}' "/proc/$TRIVEX_PID/stat") == T ]] && xdotool windowfocus --sync "$(x_window Trivex)" "${@:3}" && typed=0
  kill "$tracer" 2>/dev/null
  kill -CONT "$TRIVEX_PID"
  rm -f "$log"
  return "$typed"
}
# A click on a label of a window that makes it the active one, as a user
# comes back to a window; true once it is the foreground window.
activate() { click "$1" "$2" && wine "$INSPECT" active "$1" 30000 >/dev/null 2>&1; }
# A key pressed in the main window, made active by a click on a label of it.
main_key() { activate Trivex ' Ghost映像文件路径：' && press_in Trivex "$1"; }
# Waits for the program to end after it was asked to, answering the boxes it
# shows as it closes (a job left waiting is named then), whose texts are kept
# in CLOSING_BOXES, one line each: trivex_closes <seconds>.
trivex_closes() {
  CLOSING_BOXES=
  local end=$((SECONDS + $1)) said
  while kill -0 "$TRIVEX_PID" 2>/dev/null; do
    ((SECONDS < end)) || return 1
    if [[ -n $(x_window '信息：') ]]; then
      said=$(tree '信息：' | grep -F 'Static' | tr '\n' ' ')
      CLOSING_BOXES+="$said"$'\n'
      answer_box "closing said"
    fi
    sleep 0.2
  done
  wait "$TRIVEX_PID" 2>/dev/null
  return 0
}
# X (exit) in the main window; the program must end.
quit_trivex() { main_key x; trivex_closes 60 || fail "the program still runs after X"; }
# An image chosen with the image file button in restore mode: choose <path>.
choose() {
  activate Trivex ' Ghost映像文件路径：'
  click Trivex '打开(&F)' || fail "no button 打开(&F)"
  answer_file_dialog '打开' "$1" || fail "the open dialog did not take $1"
}
# U (undo) in the main window, and OK on its prompt.
undo_job() {
  main_key u
  wait_window 'Trivex Ghost' 30000 || { fail "no undo prompt"; return 1; }
  click 'Trivex Ghost' '确定(&Y)' || fail "no button 确定(&Y) on the undo prompt"
  wait_gone 'Trivex Ghost' 60000 && settled Trivex || fail "the undo prompt stayed"
}

wait_window() { wine "$INSPECT" wait "$1" "${2:-30000}" >/dev/null 2>&1; }
wait_gone() { wine "$INSPECT" gone "$1" "${2:-30000}" >/dev/null 2>&1; }
tree() { wine "$INSPECT" tree "$1" 2>/dev/null | tr -d '\r' | gbk; }
# A visible window of that title exists now, as the program's own windows
# say (not the X server, which may learn of it later).
shown() { wine "$INSPECT" wait "$1" 0 >/dev/null 2>&1; }
# The program of a window has done what it was doing (a click, a key, a box
# answered) and waits for input again: it answers a message.
settled() { wine "$INSPECT" idle "$1" "${2:-60000}" >/dev/null 2>&1; }

# The file dialog: waits until it is the active window with the keyboard
# focus in its file name box (where it puts the focus when it opens), types
# the path, waits until the box holds it, confirms with Enter and waits until
# the program has done what it does with the choice.
answer_file_dialog() {
  local title=$1 path=$2 wid
  wine "$INSPECT" focus "$title" 60000 >/dev/null 2>&1 || return 1
  wid=$(x_window "$title")
  [[ -n $wid ]] || return 1
  xdotool windowfocus --sync "$wid" 2>/dev/null
  xdotool type --delay 50 "$path"
  wine "$INSPECT" typed "$title" "$path" 30000 >/dev/null 2>&1 || return 1
  xdotool key Return
  wait_gone "$title" 30000 && settled Trivex
}

# The questions before a job (a backup over an existing image or short of
# room, the demo build): OK to each, until the restart prompt appears and waits for
# input (what comes before it is done). True when it did.
answer_questions() {
  local end=$((SECONDS + 120))
  while ((SECONDS < end)); do
    [[ -n $(x_window 'Trivex Ghost') ]] && { settled 'Trivex Ghost'; return; }
    answer_box "answered OK"
    sleep 0.2
  done
  return 1
}

# A file that looks like a Ghost image (its signature, then 4 KB): ghost_image <host path>.
ghost_image() { { printf '\xfe\xef'; head -c 4094 /dev/zero; } >"$1"; }

# The letters of the protection a file on a drive of the prefix has, R, H
# and S in that order ("" for none), as Wine's attrib shows them. Fails,
# printing nothing, unless attrib answers with a line for that very file.
attributes() {
  local line flags l out=
  line=$(wine attrib "$1" 2>/dev/null | tr -d '\r' | grep -aiF -- "$1" | head -n 1)
  [[ ${line,,} == *"${1,,}" ]] || return 1
  flags=${line:0:${#line}-${#1}}
  for l in R H S; do [[ $flags == *$l* ]] && out+=$l; done
  printf '%s\n' "$out"
}

# protect <path> <+r|-r|+h|...>...: sets and clears attributes (one per
# call of Wine's attrib, which takes only one), then fails unless the file
# shows them so.
protect() {
  local path=$1 flag now letter
  shift
  for flag in "$@"; do wine attrib "$flag" "$path" >/dev/null 2>&1; done
  now=$(attributes "$path") || return 1
  for flag in "$@"; do
    letter=${flag:1:1}
    case $flag in
      +*) [[ $now == *"${letter^^}"* ]] || return 1 ;;
      *) [[ $now != *"${letter^^}"* ]] || return 1 ;;
    esac
  done
}

# same_file <host path> <expected file>: byte for byte.
same_file() { [[ -f $1 ]] && cmp -s "$1" "$2"; }
# same_text <host path> <expected text>
same_text() { [[ -f $1 ]] && [[ $(od -An -tx1 -v "$1") == $(printf '%s' "$2" | od -An -tx1 -v) ]]; }

# The temporary files of whole writes ("TVX", five hex digits, ".TMP") in
# the root of a drive, one "X:\NAME" a line: temporaries C.
temporaries() {
  local f
  for f in "$(drive_path "$1" '')"[Tt][Vv][Xx]?????.[Tt][Mm][Pp]; do [[ -e $f ]] && printf '%s:\\%s\n' "$1" "${f##*/}"; done
  return 0
}
remove_temporaries() {
  local d f
  for d in C D E; do
    for f in "$(drive_path "$d" '')"[Tt][Vv][Xx]?????.[Tt][Mm][Pp]; do [[ -e $f ]] && rm -f "$f"; done
  done
  return 0
}

# The tokens the program keeps on the prefix's machine (the value Tokens of
# HKLM\Software\Trivex), separated by spaces; and one more kept there, as a
# job of this machine's would have it: keep_token <token>.
kept_tokens() { wine reg query 'HKLM\Software\Trivex' /v Tokens 2>/dev/null | tr -d '\r' | sed -n 's/^ *Tokens *REG_SZ *//p'; }
keep_token() {
  local now
  now=$(kept_tokens)
  wine reg add 'HKLM\Software\Trivex' /v Tokens /t REG_SZ /d "${now:+$now }$1" /f >/dev/null 2>&1
}

# The job's token, from its record C:\TRIVEX.JOB ("token=..." line); empty when none.
job_token() { tr -d '\r' <"$(drive_path C TRIVEX.JOB)" 2>/dev/null | sed -n 's/^token=\([0-9A-F]\{16\}\)$/\1/p'; }
# A value of the job's record C:\TRIVEX.JOB: job_value target-serial.
job_value() { tr -d '\r' <"$(drive_path C TRIVEX.JOB)" 2>/dev/null | sed -n "s/^$1=//p"; }
# The first line of ghost.bat this test Windows gives its jobs: each drive
# by the serial Wine makes up for it (as the record notes it), or, where it
# gives none, C: by the job's record and the image's drive by the outcome
# copy; no numbers expected: the drives are no partitions of a disk here.
volumes_line() {
  printf 'call a:\\volumes.bat %s %s ? ? ? ?' "$(job_value target-serial | grep . || echo job)" \
    "$(job_value image-serial | grep . || echo outcome)"
}

# same_image <file> <payload.bin> <token>: the file is the embedded DOS image
# with the job's token in place of its placeholder ("set token=" and 16 "?"),
# every other byte the same. An image built without the placeholder must be
# the payload byte for byte.
same_image() {
  local file=$1 payload=$2 token=$3 at
  [[ -f $file ]] || return 1
  at=$(grep -boa 'set token=????????????????' "$payload" | head -n 1 | cut -d: -f1)
  [[ -n $at ]] || { cmp -s "$file" "$payload"; return; }
  at=$((at + 10))
  [[ ${#token} == 16 ]] || return 1
  [[ $(stat -c %s "$file") == $(stat -c %s "$payload") ]] &&
    cmp -s <(head -c "$at" "$file") <(head -c "$at" "$payload") &&
    [[ $(tail -c +$((at + 1)) "$file" | head -c 16) == "$token" ]] &&
    cmp -s <(tail -c +$((at + 17)) "$file") <(tail -c +$((at + 17)) "$payload")
}

# The Ghost command line of C:\ghost.bat (the backup or restore line; the
# lines around it note the job's outcome), without its line end.
ghost_line() { tr -d '\r' <"$(drive_path C ghost.bat)" 2>/dev/null | grep -m 1 '^Ghost\.exe -nousb -clone,'; }

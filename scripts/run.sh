#!/usr/bin/env bash
# Build and run: installs what is missing, builds trivex.exe (build/win32)
# and starts it under Wine, on a Windows that looks like a real machine.
#  - With a DISPLAY: the program opens on it; this script ends when it does.
#  - Without one: it runs on a private X server; once start-up has run
#    through, a screenshot is saved to build/win32/screenshots/run.png and
#    the program is closed with Esc, as a user would.
#
# The run's Windows is a Wine prefix of its own (build/wine-run), apart from
# the tests' one. What a real machine has and Wine has not is simulated:
#  - the partition probe's tools: stand-ins for diskpart.exe (Simplified
#    Chinese edition, one disk with four partitions) and findstr.exe in
#    C:\windows\system32;
#  - drives D: and E: (folders under build/wine-run/drives), with two sample
#    images in D:\Ghost (sparse files: they take no space) and an empty
#    E:\Ghost, where backups go.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 -j2 --target trivex inspect standin_diskpart standin_findstr

export TRIVEX_WINE_DIR=$root/build/wine-run
# shellcheck source=wine-env.sh
source scripts/wine-env.sh
exe=build/win32/trivex.exe
inspect=build/win32/tests/wine/inspect.exe
standins=build/win32/tests/wine/discovery_standins

# The prefix, its partition tools and its drives with the sample images.
run_machine() {
  trivex_wine_prefix
  cp -f "$standins/diskpart.exe" "$standins/findstr.exe" "$WINEPREFIX/drive_c/windows/system32/"
  local d=$TRIVEX_WINE_DIR/drives/d e=$TRIVEX_WINE_DIR/drives/e
  mkdir -p "$d/Ghost" "$e/Ghost"
  if [[ ! -e $d/Ghost/WinXP_SP3.gho ]]; then
    truncate -s 2150M "$d/Ghost/WinXP_SP3.gho"
    touch -d '2016-03-05 09:07' "$d/Ghost/WinXP_SP3.gho"
    truncate -s 1536M "$d/Ghost/装机后备份.gho"
    touch -d '2016-02-18 21:40' "$d/Ghost/装机后备份.gho"
  fi
}
# Wine's own findstr.exe is a built-in: the copy in System32 runs only when
# Wine is told to prefer it.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;findstr.exe=n"

if [[ -n ${DISPLAY:-} ]]; then
  trivex_wine_lock
  run_machine
  trivex_wine_unlock
  echo "starting $exe on $DISPLAY"
  exec wine "$exe" </dev/null
fi

trivex_wine_lock
trivex_xvfb_start
trivex_at_exit trivex_wine_kill
run_machine

wine "$exe" </dev/null >build/win32/run.log 2>&1 &
pid=$!
if ! wine "$inspect" wait Trivex 60000; then
  echo "the window \"Trivex\" did not appear; program output:" >&2
  iconv -f GBK -t UTF-8 -c build/win32/run.log >&2 || true
  exit 1
fi
# Start-up has run through once the advanced-options title is hidden: only
# the skin comes after it, in the same step, so that once the program answers
# a message the skin is attached. The screenshot is taken once two in a row
# are the same (the window has painted).
if wine "$inspect" hidden Trivex ' 高级选项' 60000 >/dev/null 2>&1 && wine "$inspect" idle Trivex 60000; then :; else
  echo "start-up did not run through within a minute"
fi
tree=$(wine "$inspect" tree Trivex 2>/dev/null | iconv -f GBK -t UTF-8 -c || true)
mkdir -p build/win32/screenshots
shot=$root/build/win32/screenshots/run.png
previous=$root/build/win32/screenshots/run-previous.png
import -window root "$previous"
for _ in $(seq 1 100); do
  sleep 0.3  # the pace of the screenshots
  import -window root "$shot"
  [[ $(compare -metric AE "$previous" "$shot" null: 2>&1) == 0 ]] && break
  mv -f "$shot" "$previous"
done
rm -f "$previous"
echo "screenshot of the running program: $shot"
boxes=$(wine "$inspect" tree 信息： 2>/dev/null | iconv -f GBK -t UTF-8 -c | sed -n 's/^1 Static "\(..*\)" .*/\1/p' || true)
[[ -n $boxes ]] && echo "the program shows a message: $boxes"
panel=$(sed -n 's/^ *panel 1 "\(.*\)"$/\1/p' <<<"$tree")
[[ -n $panel ]] && echo "status bar: $panel"

# End it as a user would: Esc closes the main window.
wid=$(xdotool search --name '^Trivex$' | head -n 1 || true)
if [[ -n $wid ]]; then
  xdotool windowfocus --sync "$wid" key Escape || true
fi
if wine "$inspect" gone Trivex 15000 >/dev/null 2>&1; then
  echo "the program closed on Esc"
else
  echo "the program did not close on Esc; ending it"
  trivex_wine_kill
fi
wait "$pid" 2>/dev/null || true

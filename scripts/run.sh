#!/usr/bin/env bash
# Build and run: installs what is missing, builds trivex.exe (build/win32)
# and starts it under Wine in the project's prefix.
#  - With a DISPLAY: the program opens on it; this script ends when it does.
#  - Without one: it runs on a private X server; once its window is up a
#    screenshot is saved to build/win32/screenshots/run.png and the program
#    is ended.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 -j2 --target trivex inspect

# shellcheck source=wine-env.sh
source scripts/wine-env.sh
exe=build/win32/trivex.exe
inspect=build/win32/tests/wine/inspect.exe

if [[ -n ${DISPLAY:-} ]]; then
  trivex_wine_lock
  trivex_wine_prefix
  trivex_wine_unlock
  echo "starting $exe on $DISPLAY"
  # Standard input stays out of it: the partition probe's script ends with a pause.
  exec wine "$exe" </dev/null
fi

trivex_wine_lock
trivex_xvfb_start
trivex_at_exit trivex_wine_kill
trivex_wine_prefix

wine "$exe" </dev/null >build/win32/run.log 2>&1 &
pid=$!
if ! wine "$inspect" wait Trivex 60000; then
  echo "the window \"Trivex\" did not appear; program output:" >&2
  iconv -f GBK -t UTF-8 -c build/win32/run.log >&2 || true
  exit 1
fi
# Let start-up finish drawing (it may also show a message box).
sleep 3
mkdir -p build/win32/screenshots
shot=$root/build/win32/screenshots/run.png
import -window root "$shot"
echo "screenshot of the running program: $shot"

# End it as a user would (Esc closes the main window), else end the prefix.
wid=$(xdotool search --name '^Trivex$' | head -n 1 || true)
if [[ -n $wid ]]; then
  xdotool windowfocus --sync "$wid" key Escape || true
fi
if ! wine "$inspect" gone Trivex 10000 >/dev/null 2>&1; then
  echo "the program did not close on Esc; ending it"
fi
trivex_wine_kill
wait "$pid" 2>/dev/null || true

#!/usr/bin/env bash
# wow64_test.sh <wow64_tests.exe> <contract_tool.exe> <wine-dir>
#
# Runs the 32-bit test program in a 64-bit Wine prefix of its own (<wine-dir>,
# made on first use), where it is a WOW64 process, after putting the test
# tool into the prefix's 64-bit System32 only.
set -uo pipefail
(($# == 3)) || { echo "usage: wow64_test.sh <wow64_tests.exe> <contract_tool.exe> <wine-dir>" >&2; exit 2; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1 tool=$2
mkdir -p "$3"
export TRIVEX_WINE_DIR=$(cd "$3" && pwd)
for f in "$exe" "$tool"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done
# The project's environment for its lock; the prefix is a 64-bit one of
# this test's own, without a display (the test program opens no window).
export WINEDEBUG=${WINEDEBUG:--all}
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
export WINEPREFIX=$TRIVEX_WINE_DIR/prefix WINEARCH=win64
unset DISPLAY
dir=$TRIVEX_WINE_DIR

trivex_wine_lock || exit 1
if [[ ! -d $WINEPREFIX/drive_c/windows/syswow64 ]]; then
  rm -rf "$WINEPREFIX"
  if ! wineboot -i >"$dir/wineboot.log" 2>&1 || ! wineserver -w; then
    cat "$dir/wineboot.log" >&2
    echo "could not make the 64-bit prefix" >&2
    exit 1
  fi
fi
native=$WINEPREFIX/drive_c/windows/system32/trivex-native-tool.exe
rm -f "$WINEPREFIX/drive_c/windows/syswow64/trivex-native-tool.exe"
cp "$tool" "$native" || exit 1
trivex_at_exit "rm -f '$native'"
trivex_at_exit trivex_wine_kill
wine "$exe" --gtest_color=no

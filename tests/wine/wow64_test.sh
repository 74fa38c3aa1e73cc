#!/usr/bin/env bash
# wow64_test.sh <wow64_tests.exe> <contract_tool.exe> <wine-dir>
#
# Runs the 32-bit test program in a 64-bit Wine prefix of its own (<wine-dir>,
# made on first use), where it is a WOW64 process, after putting the test
# tool into the prefix's 64-bit System32 only.
set -uo pipefail
(($# == 3)) || { echo "usage: wow64_test.sh <wow64_tests.exe> <contract_tool.exe> <wine-dir>" >&2; exit 2; }
exe=$1 tool=$2
mkdir -p "$3"
dir=$(cd "$3" && pwd)
for f in "$exe" "$tool"; do [[ -f $f ]] || { echo "missing: $f" >&2; exit 2; }; done
export WINEPREFIX=$dir/prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY

exec 9>"$dir/lock"
flock -w 900 9 || { echo "timed out waiting for $dir/lock" >&2; exit 1; }
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
trap 'rm -f "$native"; wineserver -k >/dev/null 2>&1' EXIT
wine "$exe" --gtest_color=no

#!/usr/bin/env bash
# boot_store_test.sh <boot_store_wine_tests.exe> <wine-dir> [gtest args...]
#
# Runs the boot configuration store tests in a Wine prefix of their own
# (<wine-dir>, made on first use) that reports Windows 7: the shared prefix
# stays Windows XP for the other tests. The test program puts the stand-in
# bcdedit into the prefix's System32 itself and removes it again.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
(($# >= 2)) || { echo "usage: boot_store_test.sh <boot_store_wine_tests.exe> <wine-dir> [gtest args...]" >&2; exit 2; }
exe=$1
mkdir -p "$2"
export TRIVEX_WINE_DIR=$(cd "$2" && pwd)
shift 2
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
[[ -f $exe ]] || { echo "missing: $exe" >&2; exit 2; }

trivex_wine_lock || exit 1
unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
trivex_wine_reg 'HKCU\Software\Wine' /v Version /d win7 || { echo "could not set Windows 7" >&2; exit 1; }
wine "$exe" "$@"

#!/usr/bin/env bash
# prepare_bench.sh <prepare_bench.exe> [rounds]
#
# The whole-write benchmark (not a test): runs prepare_bench.exe in the
# project's Wine prefix, which prepares a restore job with the program's own
# code round after round (and undoes it), times it against writing the same
# bytes once with one flush, and prints the ratio.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../scripts/wine-env.sh
source "$here/../scripts/wine-env.sh"

bench=${1:?usage: prepare_bench.sh <prepare_bench.exe> [rounds]}
rounds=${2:-7}
[[ -f $bench ]] || { echo "no such program: $bench" >&2; exit 2; }

trivex_wine_lock || exit 1
unset DISPLAY
trivex_xvfb_start || exit 1
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
boot_ini=$(trivex_drive_c boot.ini)
saved=
[[ -e $boot_ini ]] && { saved=$(mktemp); cp -p "$boot_ini" "$saved"; }
restore() {
  rm -f "$(trivex_drive_c boot.ini)" "$TRIVEX_WINE_DIR/drives/d/Ghost/bench.gho"
  [[ -n $saved ]] && { cp -p "$saved" "$boot_ini"; rm -f "$saved"; }
}
trivex_at_exit restore
wine "$bench" "$rounds" </dev/null 2>/dev/null | iconv -f GBK -t UTF-8 -c

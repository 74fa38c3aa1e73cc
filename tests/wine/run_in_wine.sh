#!/usr/bin/env bash
# run_in_wine.sh <program.exe> [args...]
# Runs a Windows program in the project's Wine prefix (created on first use)
# with code page 936, under a private X server when no DISPLAY is set, and
# exits with the program's exit code. Its standard output and error pass
# through unchanged.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

if (($# < 1)); then
  echo "usage: run_in_wine.sh <program.exe> [args...]" >&2
  exit 2
fi
exe=$1
shift
[[ -f $exe ]] || { echo "run_in_wine.sh: no such program: $exe" >&2; exit 2; }

trivex_wine_lock || exit 1
if [[ -z ${DISPLAY:-} ]]; then
  trivex_xvfb_start || exit 1
  # Wine processes started on this display end with it.
  trivex_at_exit trivex_wine_kill
fi
trivex_wine_prefix || exit 1

wine "$exe" "$@"
rc=$?
exit "$rc"

#!/usr/bin/env bash
# run_in_wine.sh [--ordinary-user] <program.exe> [args...]
# Runs a Windows program in the project's Wine prefix (created on first use)
# with code page 936, under a private X server (never on the caller's
# display), and exits with the program's exit code. Its standard output and
# error pass through unchanged.
#
# --ordinary-user: run by root, the program runs as the user trivex-tester
# (made by scripts/setup.sh) in that user's own prefix (~trivex-tester/wine),
# so that a read-only file is protected as on Windows: Wine maps read-only
# to the Unix write permission, which does not bind root. The program, the
# other programs of its folder (helpers it starts from there) and these
# scripts are copied into a folder of that user's for the run, since the
# build tree may be out of its reach. That prefix is one for every checkout
# of the machine: a run waits for it while another checkout's test uses it
# (TRIVEX_WINE_LOCK_TIMEOUT), and says so. TZ passes through.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ordinary=
[[ ${1:-} == --ordinary-user ]] && { ordinary=1; shift; }
(($# >= 1)) || { echo "usage: run_in_wine.sh [--ordinary-user] <program.exe> [args...]" >&2; exit 2; }
exe=$1
shift
[[ -f $exe ]] || { echo "run_in_wine.sh: no such program: $exe" >&2; exit 2; }

if [[ -n $ordinary && $(id -u) -eq 0 ]]; then
  user=trivex-tester
  home=$(getent passwd "$user" | cut -d: -f6)
  if [[ -z $home || ! -d $home ]]; then
    echo "run_in_wine.sh: there is no user $user with a home folder (run scripts/setup.sh as root)" >&2
    exit 1
  fi
  stage=$(runuser -u "$user" -- mktemp -d "$home/run.XXXXXX") || exit 1
  trap 'rm -rf "$stage"' EXIT
  mkdir -p "$stage/scripts" "$stage/tests/wine" "$stage/bin"
  cp "$here/../../scripts/wine-env.sh" "$stage/scripts/"
  cp "$here/run_in_wine.sh" "$stage/tests/wine/"
  cp "$(dirname "$exe")"/*.exe "$stage/bin/"
  chown -R "$user:" "$stage"
  checkout=$(cd "$here/../.." && pwd)
  runuser -u "$user" -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" USER="$user" \
    TRIVEX_WINE_DIR="$home/wine" TRIVEX_CHECKOUT="$checkout" \
    TRIVEX_WINE_KIND="the user $user's, shared by every checkout on this machine" \
    ${WINEDEBUG:+WINEDEBUG="$WINEDEBUG"} ${TZ:+TZ="$TZ"} \
    ${TRIVEX_WINE_LOCK_TIMEOUT:+TRIVEX_WINE_LOCK_TIMEOUT="$TRIVEX_WINE_LOCK_TIMEOUT"} \
    bash "$stage/tests/wine/run_in_wine.sh" "$stage/bin/$(basename "$exe")" "$@"
  exit
fi

# shellcheck source=../../scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
trivex_wine_lock || exit 1
trivex_xvfb_start || exit 1
# Wine processes started on this display end with it; none of an earlier
# run (on a display that is gone) is left to serve this one.
trivex_at_exit trivex_wine_kill
trivex_wine_prefix || exit 1
trivex_wine_kill

wine "$exe" "$@"

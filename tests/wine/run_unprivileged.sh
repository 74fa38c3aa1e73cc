#!/usr/bin/env bash
# run_unprivileged.sh <program.exe> [args...]
# Runs a Windows test program under Wine as an ordinary user, so that a
# read-only file is protected as it is on Windows: Wine maps read-only to
# the Unix write permission, which does not bind root.
#
# Run by an ordinary user, it is run_in_wine.sh. Run by root, it runs the
# program as the user trivex-tester (made by scripts/setup.sh) in that
# user's own prefix (~trivex-tester/wine): the program and the other
# programs of its folder (helpers it starts from there) and the Wine
# scripts are copied into a folder of that user's for the run, since the
# build tree may be out of its reach. Exits with the program's exit code.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if (($# < 1)); then
  echo "usage: run_unprivileged.sh <program.exe> [args...]" >&2
  exit 2
fi
exe=$1
shift
[[ -f $exe ]] || { echo "run_unprivileged.sh: no such program: $exe" >&2; exit 2; }
if [[ $(id -u) -ne 0 ]]; then
  exec bash "$here/run_in_wine.sh" "$exe" "$@"
fi

user=trivex-tester
if ! home=$(getent passwd "$user" | cut -d: -f6) || [[ -z $home || ! -d $home ]]; then
  echo "run_unprivileged.sh: there is no user $user with a home folder (run scripts/setup.sh as root)" >&2
  exit 1
fi
command -v runuser >/dev/null || { echo "run_unprivileged.sh: runuser is missing (util-linux)" >&2; exit 1; }

stage=$(runuser -u "$user" -- mktemp -d "$home/run.XXXXXX") || exit 1
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/scripts" "$stage/tests/wine" "$stage/bin"
cp "$here/../../scripts/wine-env.sh" "$stage/scripts/"
cp "$here/run_in_wine.sh" "$stage/tests/wine/"
cp "$(dirname "$exe")"/*.exe "$stage/bin/"
chown -R "$user:" "$stage"

runuser -u "$user" -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" USER="$user" \
  TRIVEX_WINE_DIR="$home/wine" ${WINEDEBUG:+WINEDEBUG="$WINEDEBUG"} \
  bash "$stage/tests/wine/run_in_wine.sh" "$stage/bin/$(basename "$exe")" "$@"

#!/usr/bin/env bash
# Installs everything the builds and tests need on a Debian 12 machine:
# the mingw-w64 cross compiler, Wine with 32-bit support, a virtual X server
# and its tools, strace (a Wine test stops the program in mid-work with it),
# Chinese fonts and the zh_CN.UTF-8 locale, the tools that assemble the boot
# image, qemu and ntfs-3g for booting it, and clang for
# fuzzing; and, when run as root, the ordinary user some Wine tests run as.
#
# Idempotent: when every package is installed and the locale exists it does
# nothing. Needs root for the installs; never reads standard input.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ libgtest-dev
  gcc-mingw-w64-i686 g++-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb xdotool x11-utils imagemagick fonts-wqy-microhei locales strace
  nasm dosfstools mtools ntfs-3g qemu-system-x86
  clang libclang-rt-14-dev lld
)
LOCALE_LINE='zh_CN.UTF-8 UTF-8'

say() { printf 'setup: %s\n' "$*"; }
die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

SUDO=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    SUDO=(sudo -n)
  else
    NEED_ROOT=1
  fi
fi
as_root() {
  [[ -z ${NEED_ROOT:-} ]] || die "must run as root (or with password-less sudo) to install: $*"
  "${SUDO[@]}" "$@"
}

# Runs a command quietly; prints its output only when it fails.
quiet() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    die "failed: $*"
  fi
  rm -f "$log"
}

missing_packages() {
  local p status
  for p in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || printf '%s\n' "$p"
  done
}

has_locale() {
  locale -a 2>/dev/null | grep -qiE '^zh_CN\.utf-?8$'
}

command -v dpkg-query >/dev/null || die "this script is for Debian (dpkg not found)"

# One set-up at a time on a machine: checkouts whose tests start together
# would otherwise install packages, make the locale or add the user twice.
setup_lock=${TMPDIR:-/tmp}/trivex-setup.lock
[[ -e $setup_lock ]] || (umask 0 && : >>"$setup_lock") 2>/dev/null || true
if exec 8<"$setup_lock" 2>/dev/null; then
  if ! flock -n 8; then
    say "another checkout's set-up runs; waiting for it (at most 30 min)"
    flock -w 1800 8 || die "gave up waiting for the other set-up ($setup_lock)"
  fi
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture (32-bit Wine)"
  as_root dpkg --add-architecture i386
  FORCE_UPDATE=1
fi

mapfile -t missing < <(missing_packages)
if ((${#missing[@]})); then
  say "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  quiet as_root apt-get update -q
  quiet as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}"
  mapfile -t still < <(missing_packages)
  ((${#still[@]} == 0)) || die "still missing after install: ${still[*]}"
elif [[ -n ${FORCE_UPDATE:-} ]]; then
  quiet as_root apt-get update -q
fi

# Wine takes its ANSI code page from LANG: code page 936 needs zh_CN.UTF-8.
if ! has_locale; then
  say "generating the zh_CN.UTF-8 locale"
  if grep -qE "^[#[:space:]]*${LOCALE_LINE}\$" /etc/locale.gen 2>/dev/null; then
    as_root sed -i -E "s/^[#[:space:]]*${LOCALE_LINE}\$/${LOCALE_LINE}/" /etc/locale.gen
  else
    printf '%s\n' "$LOCALE_LINE" | as_root tee -a /etc/locale.gen >/dev/null
  fi
  quiet as_root locale-gen
  has_locale || die "locale zh_CN.UTF-8 is still missing after locale-gen"
fi

# The Wine tests of protected files run as an ordinary user when the tests
# run as root: Wine's read-only protection does not bind root.
TEST_USER=trivex-tester
if [[ $(id -u) -eq 0 ]] && ! id -u "$TEST_USER" >/dev/null 2>&1; then
  say "adding the user $TEST_USER for the Wine tests of protected files"
  quiet useradd --create-home --shell /bin/bash "$TEST_USER"
fi

say "ready"

#!/usr/bin/env bash
# The test command: installs what is missing, configures and builds the host
# build (build/host) and the cross build (build/win32), and runs every test
# of both with ctest. Each step says how long it took (wall time). Exits
# non-zero when any step or test fails.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh || exit 1

status=0
step() {  # step <what> <command...>
  local what=$1 began=$SECONDS
  shift
  echo "=== $what"
  if ! "$@"; then
    echo "=== FAILED: $what ($((SECONDS - began)) s)"
    status=1
    return 1
  fi
  echo "=== done: $what ($((SECONDS - began)) s)"
}

if step "configure host build" cmake -S . -B build/host &&
  step "build host" cmake --build build/host -j2; then
  step "test host build" ctest --test-dir build/host --output-on-failure
fi

if step "configure cross build" cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake &&
  step "build win32" cmake --build build/win32 -j2; then
  step "test win32 build (Wine)" ctest --test-dir build/win32 --output-on-failure
fi

if ((status)); then
  echo "=== some steps failed"
else
  echo "=== all builds and tests passed"
fi
exit "$status"

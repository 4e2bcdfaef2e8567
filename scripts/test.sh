#!/usr/bin/env bash
# Builds everything and runs every test suite: the core's unit tests natively, then the
# Windows program's tests and the end-to-end tests under Wine on a virtual X server, and
# checks that two builds of the release package are the same byte for byte.
# Installs the Debian packages it needs when they are missing. Run as root.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/lib/common.sh
source "$root/scripts/lib/common.sh"

kelo_install_deps

echo "== native build and unit tests"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build/native" -j"$(nproc)"
ctest --test-dir "$root/build/native" --output-on-failure

echo "== fuzzing the skin's readers for a bounded time"
"$root/fuzz/run.sh"

echo "== Windows build, Win32 tests and end-to-end tests under Wine"
cmake -S "$root" -B "$root/build/win" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
cmake --build "$root/build/win" -j"$(nproc)"
ctest --test-dir "$root/build/win" --output-on-failure

echo "== release package: built twice in two folders and compared"
"$root/scripts/package.sh" --check

#!/usr/bin/env bash
# Sets up, builds and runs every test: installs what is missing, builds in build/ (Release),
# runs the whole CTest suite, then builds the browser version in build-web/ and the Windows
# version in build-windows/ and runs their tests.
# Pass a build directory and CMake options to build elsewhere, for example:
# scripts/test.sh build-asan -DSPARKLER_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --tests
build=${1:-build}
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2

# The browser version: its build and its tests against this native build.
scripts/web.sh test "$build"

# The Windows version: its build (warnings as errors when asked) and its tests under Wine.
windows_options=()
for option in "$@"; do
  case "$option" in -DSPARKLER_WERROR=*) windows_options+=("$option") ;; esac
done
scripts/windows.sh test "$build" "${windows_options[@]}"

#!/usr/bin/env bash
# The Windows version, cross-compiled here with MinGW-w64 and tested under Wine. Installs what
# it needs from Debian's archive (MinGW-w64, Wine, NSIS, zip), builds the native tools it bakes
# the help font with in build/ (or the native build named), then the programs and their
# packages in build-windows/.
#   scripts/windows.sh                          build build-windows/: sparkler.exe,
#                                               sparkler-replay.exe, the zip and the installer
#   scripts/windows.sh test [DIR [CMAKE-ARGS]]  build, then run the Windows tests under Wine
#                                               against the native build DIR
set -euo pipefail
cd "$(dirname "$0")/.."

command=${1:-build}
native=build
if [ "$command" = "test" ] && [ -n "${2:-}" ]; then
  native=$2
  shift 2
  extra=("$@")
else
  extra=()
fi

scripts/setup.sh --windows
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$native" --target bake_font sparkler-replay sparkler_mix_levels
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  "-DSPARKLER_NATIVE_BUILD=$(cd "$native" && pwd)" "${extra[@]}" >/dev/null
cmake --build build-windows

case "$command" in
  build) ;;
  test)
    ctest --test-dir build-windows --output-on-failure ;;
  *)
    echo "usage: scripts/windows.sh [build | test [NATIVE-BUILD-DIR [CMAKE-ARGS...]]]" >&2
    exit 2 ;;
esac

#!/usr/bin/env bash
# Sets up, builds and runs the program: installs what is missing, builds in build/ (Release),
# and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
exec build/sparkler "$@"

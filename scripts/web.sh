#!/usr/bin/env bash
# The browser version. Installs what it needs (emscripten, with Debian's node; Chromium,
# puppeteer-core and Lighthouse for the tests, see setup.sh --web), builds the native tools it
# bakes the font and packs the background with in build/, then the page and the node replay
# in build-web/.
#   scripts/web.sh              build build-web/ (index.html, sparkler.js/.wasm, the waves,
#                               sparkler-replay.js for node)
#   scripts/web.sh serve [PORT] build, then serve the page on http://127.0.0.1:PORT/ (8080)
#   scripts/web.sh test [DIR]   build, then run the web tests against the native build DIR
set -euo pipefail
cd "$(dirname "$0")/.."

command=${1:-build}
native=build
if [ "$command" = "test" ] && [ -n "${2:-}" ]; then
  native=$2
fi

scripts/setup.sh --web
# emscripten's own tools need Debian's node modules (acorn) whatever node runs them.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$native" --target bake_font pack_picture sparkler-replay
emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release "-DSPARKLER_NATIVE_BUILD=$(cd "$native" && pwd)" >/dev/null
cmake --build build-web

case "$command" in
  build) ;;
  serve)
    exec node tools/web_serve.js build-web "${2:-8080}" ;;
  test)
    ctest --test-dir build-web --output-on-failure ;;
  *)
    echo "usage: scripts/web.sh [build | serve [PORT] | test [NATIVE-BUILD-DIR]]" >&2
    exit 2 ;;
esac

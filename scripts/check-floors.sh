#!/usr/bin/env bash
# Checks that includes run one way, floor by floor: shell/ and replay/ on top (neither
# including the other), then session/ (what both share), then app/, then sim/ and gfx/, then
# platform/ with its backends. A file may include its own floor or any
# floor below it, never one above; only platform's backend folders (sdl/, openal/, web/,
# ffmpeg/, win32/, posix/) include SDL, SDL_ttf, fontconfig, OpenAL, FFmpeg, Windows or other
# system headers (a C header such as <unistd.h>, where C++'s own are <cstdio>). Prints every offending line and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

floor() {
  case "$1" in
    shell/* | replay/*) echo 5 ;;
    session/*) echo 4 ;;
    app/*) echo 3 ;;
    sim/* | gfx/*) echo 2 ;;
    platform/*) echo 1 ;;
    *) echo 0 ;;
  esac
}

bad=0
while IFS= read -r file; do
  from=$(floor "$file")
  [ "$from" -eq 0 ] && continue
  while IFS= read -r line; do
    target=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$line")
    to=$(floor "$target")
    if [ "$to" -gt "$from" ]; then
      echo "$file includes $target, a higher floor"
      bad=1
    elif [ "$to" -eq 5 ] && [ "${target%%/*}" != "${file%%/*}" ]; then
      echo "$file includes $target, the other front door"
      bad=1
    fi
  done < <(grep -E '^#include "' "$file" || true)
  case "$file" in
    platform/sdl/* | platform/openal/* | platform/web/* | platform/ffmpeg/* | platform/win32/* | platform/posix/*) ;;
    *)
      if grep -nE '^#include <(SDL[^>]*|AL/[^>]*|fontconfig/[^>]*|emscripten[^>]*|lib(av|sw)[a-z]*/[^>]*|windows\.h|[a-z0-9]*\.h|sys/[^>]*)>' "$file"; then
        echo "$file includes a library header outside platform's backend folders"
        bad=1
      fi
      ;;
  esac
done < <(git ls-files 'shell/*' 'replay/*' 'session/*' 'app/*' 'sim/*' 'gfx/*' 'platform/*' | grep -E '\.(cpp|hpp)$')
[ "$bad" -eq 0 ] && echo "floors: every include runs downwards"
exit "$bad"

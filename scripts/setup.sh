#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when any is missing.
# Uses apt-get directly as root, through sudo otherwise. Safe to run again.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config
          libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-liberation2 libopenal-dev
          libgtest-dev libbenchmark-dev libcli11-dev libstb-dev zlib1g-dev libx11-dev libxdamage-dev libwayland-dev
          libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
          hershey-fonts-data)
if [ "${1:-}" = "--tests" ]; then
  # A real X server, a small window manager, input and screenshots for the end-to-end tests
  # (and weston's headless compositor for their Wayland one), and
  # the screensaver daemon they run the hack under (xmllint checks its settings file);
  # the validators of the desktop files, manual pages and Debian package; clang with libFuzzer
  # for the fuzz targets and the second compiler of the determinism check.
  packages+=(weston xvfb openbox xdotool x11-utils imagemagick tesseract-ocr xscreensaver libxml2-utils
             desktop-file-utils appstream man-db lintian dpkg-dev
             clang-14 libclang-rt-14-dev libfuzzer-14-dev)
  # ffprobe and ffmpeg, to read back the videos the replay tool writes.
  packages+=(ffmpeg)
fi

if [ "${1:-}" = "--web" ]; then
  # The browser version: emscripten (it brings Debian's node and acorn), and Chromium and npm
  # (for puppeteer-core) for its tests. A command already present counts as installed.
  # ffmpeg encodes the page's sounds; ImageMagick and tesseract read the words an embedded
  # scene writes.
  packages+=(emscripten ffmpeg imagemagick tesseract-ocr)
  command -v chromium >/dev/null 2>&1 || packages+=(chromium)
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

if [ "${1:-}" = "--windows" ]; then
  # The Windows version: the MinGW-w64 cross compiler, Wine to run its programs and tests
  # (with Xvfb, xdotool and ImageMagick for the live program's, ALSA for a sound device that
  # writes to a file), NSIS for the installer and zip.
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 libasound2 nsis zip xvfb xdotool imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "${1:-}" = "--web" ]; then
  # The page tests' node packages, pinned, from npm into build-web/node_modules (their
  # NODE_PATH): puppeteer-core drives Chromium, Lighthouse audits the page. One install for
  # both, as npm drops from the folder what a later install does not name.
  modules="$(cd "$(dirname "$0")/.." && pwd)/build-web/node_modules"
  installed() { node -p "require('$modules/$1/package.json').version" 2>/dev/null || true; }
  if [ "$(installed puppeteer-core | cut -d. -f1)" != 24 ] || [ "$(installed lighthouse)" != 12.2.3 ]; then
    echo "Installing from npm: puppeteer-core@24 lighthouse@12.2.3"
    npm install --prefix "$(dirname "$modules")" --no-save --no-audit --no-fund --loglevel=error \
        puppeteer-core@24 lighthouse@12.2.3 >/dev/null
  fi
fi

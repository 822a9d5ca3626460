#!/usr/bin/env bash
# A prefix install works wherever it is put: installs the build into a fresh prefix, checks
# that every file is where the desktop looks for it, then runs the installed replay tool from
# another folder with its sound mixed: it must find both waves (no "not found" line) and
# write a wave that is not silence. Usage: prefix_install.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null

id=$(sed -n 's/^Icon=//p' "$prefix"/share/applications/*.desktop)
expected=(bin/sparkler bin/sparkler-replay share/sparkler/Sparkler.wav share/sparkler/BackgroundSound.wav
          "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
          "share/icons/hicolor/scalable/apps/$id.svg"
          share/man/man6/sparkler.6.gz share/man/man6/sparkler-replay.6.gz
          share/doc/sparkler/copyright share/doc/sparkler/changelog.gz
          libexec/xscreensaver/sparkler share/xscreensaver/config/sparkler.xml)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
[ -x "$prefix/bin/sparkler" ] || { echo "bin/sparkler is not executable"; exit 1; }
# The screensaver hack runs the installed program, whatever it is asked.
[ -x "$prefix/libexec/xscreensaver/sparkler" ] || { echo "the screensaver hack is not executable"; exit 1; }
"$prefix/libexec/xscreensaver/sparkler" --version | grep -q '^sparkler [0-9]' \
  || { echo "the screensaver hack does not run the installed program"; exit 1; }
# Each PNG is as large as the folder it is in says (width and height in its header).
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x$size/apps/$id.png"
  width=$((16#$(od -An -tx1 -j 16 -N 4 "$png" | tr -d ' \n')))
  height=$((16#$(od -An -tx1 -j 20 -N 4 "$png" | tr -d ' \n')))
  [ "$width" -eq "$size" ] && [ "$height" -eq "$size" ] || { echo "${size}x$size icon is ${width}x$height"; exit 1; }
done

# From somewhere that holds no sounds, neither the working directory nor beside the program.
mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere"
status=0
"$prefix/bin/sparkler-replay" --seed 5 --frames 30 --wav "$scratch/run.wav" 2>"$scratch/stderr" || status=$?
cat "$scratch/stderr"
[ "$status" -eq 0 ] || { echo "the installed replay tool exited with $status"; exit 1; }
[ ! -s "$scratch/stderr" ] || { echo "the installed replay tool complained (above)"; exit 1; }
# 0.5 s of 16-bit stereo at 44.1 kHz, and some of it not zero.
size=$(stat -c %s "$scratch/run.wav")
[ "$size" -gt 80000 ] || { echo "the wave holds $size bytes"; exit 1; }
nonzero=$(od -An -tx1 -v -j 44 -N 60000 "$scratch/run.wav" | tr -d ' \n0' | wc -c)
[ "$nonzero" -gt 1000 ] || { echo "the wave is silent"; exit 1; }
echo "installed into $prefix and found its sounds from $scratch/elsewhere"

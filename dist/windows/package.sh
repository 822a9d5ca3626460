#!/usr/bin/env bash
# Makes the Windows packages from a Windows build: a zip holding the folder Sparkler-VERSION
# (the programs, the two sounds, README and licence) and the NSIS installer of the same files
# (dist/windows/sparkler.nsi). Each is written under a temporary name and renamed when whole.
# Usage: package.sh BUILD-DIR SOURCE-DIR VERSION FILE...   (FILE: what the build made, to ship)
set -euo pipefail
build=$1
source=$2
version=$3
shift 3
zip_file="$build/sparkler-$version-windows-x64.zip"
installer="$build/sparkler-$version-setup.exe"
stage_top="$build/package"
stage="$stage_top/Sparkler-$version"
trap 'rm -f "$zip_file.tmp" "$installer.tmp"' EXIT

rm -rf "$stage_top"
mkdir -p "$stage"
for file in "$@"; do
  cp "$build/$file" "$stage/"
done
# Windows' own editors read either line ending; the licence is given the name they open.
cp "$source/README.md" "$stage/README.md"
sed 's/$/\r/' "$source/LICENSE" >"$stage/LICENSE.txt"

rm -f "$zip_file.tmp"
(cd "$stage_top" && zip -q -X -r -9 "$(cd .. && pwd)/$(basename "$zip_file").tmp" "Sparkler-$version")
mv "$zip_file.tmp" "$zip_file"

size_kb=$(du -sk "$stage" | cut -f1)
makensis -V2 -NOCD "-DVERSION=$version" "-DSTAGE=$stage" "-DICON=$build/sparkler.ico" \
  "-DOUTFILE=$installer.tmp" "-DSIZE_KB=$size_kb" "$source/dist/windows/sparkler.nsi" >/dev/null
mv "$installer.tmp" "$installer"

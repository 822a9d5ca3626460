#!/usr/bin/env bash
# The desktop entry, the AppStream entry and both manual pages as the build makes them: the
# desktop's own validators find nothing to complain of, and man renders each page without a
# warning. Exits 77 (skipped) when a validator is not installed. Usage: desktop_files.sh DIST_DIR
set -euo pipefail
dist=$1
for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
shopt -s nullglob
desktops=("$dist"/*.desktop)
metainfos=("$dist"/*.metainfo.xml)
[ ${#desktops[@]} -eq 1 ] && [ ${#metainfos[@]} -eq 1 ] || { echo "expected one desktop and one AppStream file in $dist"; exit 1; }

out=$(desktop-file-validate "${desktops[0]}" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
appstreamcli validate --no-net --pedantic "${metainfos[0]}"

for page in "$dist"/sparkler.6 "$dist"/sparkler-replay.6; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  name=$(basename "$page" .6)
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "^NAME" || { echo "$page: no NAME section"; exit 1; }
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -Eq "^ +$name +- " || { echo "$page: NAME does not name $name"; exit 1; }
done
echo "desktop entry, AppStream entry and manual pages are clean"

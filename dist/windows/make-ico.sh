#!/usr/bin/env bash
# Writes a Windows icon file holding the given PNG icons as they are (the PNG form of icon
# entries that Windows reads since Vista). Usage: make-ico.sh OUT.ico SIZE=PNG...
set -euo pipefail
out=$1
shift
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
tmp="$out.tmp.$$"
trap 'rm -f "$tmp"' EXIT
{
  le16 0; le16 1; le16 $#
  offset=$((6 + 16 * $#))
  for item in "$@"; do
    size=${item%%=*}
    png=${item#*=}
    bytes=$(stat -c %s "$png")
    side=$((size >= 256 ? 0 : size))
    printf "\\x$(printf %02x "$side")\\x$(printf %02x "$side")\\x00\\x00"
    le16 1; le16 32; le32 "$bytes"; le32 "$offset"
    offset=$((offset + bytes))
  done
  for item in "$@"; do cat "${item#*=}"; done
} > "$tmp"
mv "$tmp" "$out"
trap - EXIT

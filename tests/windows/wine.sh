#!/usr/bin/env bash
# Runs a Windows program under Wine (Debian's 64-bit loader) in a prefix of the build's own,
# made on first use; Wine's own messages are kept quiet, and it writes no menu entries on the
# host. The program's exit code is this script's. Usage: wine.sh PREFIX-DIR PROGRAM.exe ARGS...
set -euo pipefail
mkdir -p "$1"
export WINEPREFIX=$(cd "$1" && pwd)
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
loader=/usr/lib/wine/wine64

if [ ! -f "$WINEPREFIX/.made" ]; then
  # One test makes the prefix; the others wait for it. Its sound goes through ALSA, where a
  # test can give it a device of its own (a file); without one Wine has no sound device.
  flock "$WINEPREFIX/.making" sh -c '[ -f "$1/.made" ] && exit 0
    "$2" wineboot --init && "$2" reg add "HKCU\Software\Wine\Drivers" /v Audio /d alsa /f && touch "$1/.made"' \
    _ "$WINEPREFIX" "$loader" >/dev/null 2>&1
fi
exec "$loader" "$@"

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

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # One test makes the prefix; the others wait for it.
  flock "$WINEPREFIX/.making" "$loader" wineboot --init >/dev/null 2>&1
fi
exec "$loader" "$@"

#!/usr/bin/env bash
# sparkler.exe's help and a command line it cannot read, under Wine on an X server of its own.
# With standard output and error leading to files (as from a console or a script) the text goes
# there and no window opens: the help whole with exit code 0, the bad command line in one line
# with exit code 2. Started as a shortcut or Explorer starts it (shortcut_start.exe: no standard
# handles at all) the bad command line is shown in a message box instead, which Return closes
# with the same exit code. (The help's box from a shortcut is not checked here: under Wine on a
# loaded machine it sometimes vanished by itself or never came.)
# Usage: command_line.sh WORK-DIR WINE-COMMAND... SHORTCUT-START.exe SPARKLER.exe
set -euo pipefail
work=$1
shift
args=("$@")
program=${args[-1]}
starter=${args[-2]}
wine=("${args[@]:0:${#args[@]}-2}")
# shellcheck source=/dev/null
source "$(dirname "$0")/x_test.sh"
begin_x_test "$work" command_line
# The message box once it is on the screen (Wine makes and remakes X windows on the way).
box() { xdotool search --onlyvisible --name '^sparkler$' 2>/dev/null | head -n1 || true; }

# To files: the text there, and no message box waiting for a hand.
to_files() {
  local what=$1 expected=$2
  shift 2
  "${wine[@]}" "$program" "$@" >"$work/$what.out" 2>"$work/$what.err" &
  pid=$!
  collect 300
  if [ "$code" = running ]; then
    [ -n "$(box)" ] && fail "$what: a message box, with standard output and error in files"
    fail "$what: still running after 30 s"
    kill "$pid" 2>/dev/null || true
    pid=""
  elif [ "$code" != "$expected" ]; then
    fail "$what: exit code $code, expected $expected"
  fi
}
to_files bad 2 --frobnicate
bad_lines=$(tr -d '\r' <"$work/bad.err" | grep -c . || true)
[ "$bad_lines" = 1 ] && grep -q '^sparkler: .*--frobnicate' "$work/bad.err" && [ ! -s "$work/bad.out" ] \
  || fail "bad command line: $bad_lines lines on stderr, $(wc -c <"$work/bad.out") bytes on stdout: $(head -c 300 "$work/bad.err")"
to_files help 0 --help
grep -q -- '--record FILE' "$work/help.out" && grep -q 'Escape or F12' "$work/help.out" && [ ! -s "$work/help.err" ] \
  || fail "--help: not the whole help on stdout: $(head -c 300 "$work/help.out") / $(head -c 300 "$work/help.err")"
echo "to files: the bad command line's line: $(tr -d '\r' <"$work/bad.err"); the help: $(grep -c . "$work/help.out") lines"

# From a shortcut: the line in a message box, which Return closes.
from_shortcut() {
  local what=$1 expected=$2 window
  shift 2
  "${wine[@]}" "$starter" "$program" "$@" >"$work/$what-shortcut.out" 2>&1 &
  pid=$!
  if wait_for 300 eval '[ -n "$(box)" ]'; then
    sleep 1
    import -window root "$work/$what-box.png"
    # Return on the box, again while it is still there.
    for _ in 1 2 3; do
      window=$(box)
      [ -n "$window" ] || break
      xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
      xdotool key --window "$window" Return >/dev/null 2>&1 || true
      wait_for 50 gone && break
    done
  else
    fail "$what from a shortcut: no message box within 30 s: $(tr -d '\r' <"$work/$what-shortcut.out")"
  fi
  collect 300
  [ "$code" = "$expected" ] || fail "$what from a shortcut: exit code $code after Return, expected $expected"
}
from_shortcut bad 2 --frobnicate
echo "from a shortcut: the bad command line in a message box, closed with Return, exit code $code"
exit $((failures > 0))

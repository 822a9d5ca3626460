#!/usr/bin/env bash
# sparkler.scr under Wine on an X server of its own, as Windows starts a screensaver:
#   /s  full screen, the sparkler flying by itself with its sparks; a nudge of the mouse within its slack leaves it running, a real motion ends it, exit 0;
#   /p  given the window of a stand-in settings dialog (preview_host.exe), it puts a child
#       window over that window's client area and draws the scene there, with its sparks, as
#       large as the window allows with its aspect kept; it follows the window when resized,
#       and ends with exit 0 when the window goes;
#   /c  a message box with its note, which Return closes, exit 0.
# Usage: screensaver.sh WORK-DIR WINE-COMMAND... PREVIEW-HOST.exe SPARKLER.scr
set -euo pipefail
work=$1
shift
args=("$@")
saver=${args[-1]}
host=${args[-2]}
wine=("${args[@]:0:${#args[@]}-2}")
# shellcheck source=/dev/null
source "$(dirname "$0")/x_test.sh"
begin_x_test "$work" screensaver

# /s: full screen until the mouse moves.
xdotool mousemove 500 400
"${wine[@]}" "$saver" /s >"$work/show.out" 2>&1 &
pid=$!
wait_for 300 xdotool search --name "Quillaby: Sparkler - Dovrenko" >/dev/null 2>&1 || fail "/s: no window within 30 s"
# The autopilot's sparkler now and then sheds fewer sparks (and a loaded machine draws fewer
# frames): the screen is looked at until it shows enough of them.
sparks=0
shown_sparks() {
  import -window root "$work/show.png"
  sparks=$(sparks_in "$work/show.png" 1024x768+0+0)
  [ "$sparks" -ge 200 ]
}
sleep 2
wait_for 20 shown_sparks || fail "/s: too few sparks in 20 looks: $sparks"
echo "/s: $sparks spark pixels on the screen"
xdotool mousemove_relative -- 3 -2
sleep 1
gone && fail "/s: a nudge of 3 pixels ended it"
xdotool mousemove_relative -- 40 30
collect 100
[ "$code" = 0 ] || fail "/s: after the mouse moved 40 pixels: $code"

# /p: a child window over the stand-in's client area, following it, ending with it.
mkfifo "$work/host.in"
exec 4<>"$work/host.in"
"${wine[@]}" "$host" "$saver" 320 240 <&4 >"$work/host.raw" 2>&1 &
pid=$!
# The stand-in's lines so far, without the CR that its console output carries.
lines() { tr -d '\r' <"$work/host.raw"; }
said() { lines | grep -q "$1"; }
wait_for 300 said '^window ' || fail "/p: the stand-in made no window within 30 s"
answered() { [ "$(lines | grep -c '^child ' || true)" -gt "$1" ]; }
# The child is asked for until it is there (the screensaver is still starting).
child_is() {
  local before
  before=$(lines | grep -c '^child ' || true)
  echo child >&4
  wait_for 30 answered "$before" || return 1
  [ "$(lines | grep '^child ' | tail -n1)" = "child $1" ]
}
wait_for 30 child_is "shown 0 0 320 240" || fail "/p: $(lines | grep '^child ' | tail -n1), not a child shown over 0 0 320 240"
# Its picture, on the screen where the stand-in's window is (100, 100): the scene with sparks,
# as large as the window allows with its aspect kept (black bars beside it), nothing outside.
# Looked at again until it shows all that, for up to 30 s.
lit_in() { convert "$work/preview.png" -crop "$1" +repage -grayscale Average -threshold 5% -format '%[fx:round(mean*w*h)]' info:; }
pictured() {
  local scene=$1 bars=$2 sparks lit outside
  import -window root "$work/preview.png"
  sparks=$(sparks_in "$work/preview.png" "$scene")
  lit=$(lit_in "$scene")
  outside=$(lit_in 100x300+600+100)
  picture="$sparks sparks, $lit lit pixels in the scene, $outside outside the window"
  [ "$sparks" -ge 20 ] && [ "$lit" -ge 2000 ] && [ "$outside" -eq 0 ] || return 1
  for bar in $bars; do
    picture+=", $(lit_in "$bar") in the bar $bar"
    [ "$(lit_in "$bar")" -eq 0 ] || return 1
  done
}
looked_until() {
  local deadline=$((SECONDS + 30))
  until pictured "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
looked_until 320x240+100+100 "" || fail "/p: at 320x240 the preview shows $picture"
echo "/p: at 320x240, $picture"
cp "$work/preview.png" "$work/preview-320x240.png"
echo "size 400 200" >&4
wait_for 30 child_is "shown 0 0 400 200" || fail "/p: after resizing to 400x200: $(lines | grep '^child ' | tail -n1)"
# 400x200 is wider than the scene: 267x200 of it in the middle, bars 66 wide either side.
looked_until 263x200+169+100 "64x200+100+100 64x200+436+100" || fail "/p: at 400x200 the preview shows $picture"
echo "/p: at 400x200, $picture"
echo close >&4
wait_for 150 said '^exit \|^still running' || true
result=$(lines | grep '^exit \|^still running' || echo "no answer from the stand-in")
[ "$result" = "exit 0" ] || fail "/p: when its window went: $result"
wait "$pid" 2>/dev/null || true
pid=""
exec 4>&-
echo "/p: $(lines | grep '^child ' | tail -n1), $result when the window went"

# /c: the note in a message box, closed with Return.
"${wine[@]}" "$saver" /c >"$work/settings.out" 2>&1 &
pid=$!
if wait_for 300 xdotool search --name "Sparkler screensaver" >/dev/null 2>&1; then
  sleep 1
  import -window root "$work/settings.png"
  box=$(xdotool search --name "Sparkler screensaver" | head -n1)
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key --window "$box" Return
else
  fail "/c: no message box within 30 s"
fi
collect 100
[ "$code" = 0 ] || fail "/c: after Return: $code"
exit $((failures > 0))

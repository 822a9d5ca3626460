#!/usr/bin/env bash
# sparkler.exe under Wine on an X server of its own: the window opens full screen with the
# scene, its sparks, smoke and the help panel; keys sent with xdotool reach it (H slides the
# panel away, C leaves trails), relative mouse motion carries the sparkler one pixel a count,
# minimised it rests (no frames, little processor time) and goes on when restored, and Escape
# ends it with exit code 0. Before that, outputs that cannot work are refused in a
# message box before any window opens. The session's record, replayed by the native replay,
# gives the live trace again line for line (fb, the hash of each frame shown, where the help
# panel, drawn live with GDI's Arial, is out), the long step after the rest included.
# Its sound goes to a device that writes the mix to a file (ALSA's file plugin over its null
# device): the crackle is in it from the start, in the middle, then louder on the right where
# the mouse took the sparkler, on the left once R mirrors it; the background with it; nothing
# while minimised, and the crackle again once restored (found by MIX-LEVELS against the sounds).
# Usage: live_program.sh NATIVE-REPLAY MIX-LEVELS WORK-DIR TASKBAR.exe WINE-COMMAND... SPARKLER.EXE
set -euo pipefail
native=$1
mix_levels=$2
work=$3
taskbar=$4
shift 4
program=("$@")
wine=("${program[@]:0:${#program[@]}-1}")
# shellcheck source=/dev/null
source "$(dirname "$0")/x_test.sh"
begin_x_test "$work" live_program
frames() { sed -n 's/^# frames *//p' "$work/session.txt" 2>/dev/null | tr -d ' ' || true; }
in_record() { grep -q "$1" "$work/session.txt" 2>/dev/null; }
frames_at_least() { [ "$(frames)" -ge "$1" ] 2>/dev/null; }
panel_mean() { convert "$1" -crop 150x180+8+16 +repage -format '%[fx:round(mean*1000)]' info:; }
# Bright pixels anywhere: sparks, and with trails the paths they leave.
bright() { convert "$1" -colorspace Gray -threshold 60% -format '%[fx:round(mean*w*h)]' info:; }

# Outputs that cannot work are refused before any window, in one line on stderr and in a message
# box, with exit code 2, and nothing is made: one file named twice, a folder, a device that
# takes nothing (Linux's full device, which Wine shows as Z:\dev\full).
refused() {
  local what=$1 status=0
  shift
  "${program[@]}" "$@" >"$work/refused.out" 2>"$work/refused.err" &
  pid=$!
  if wait_for 200 xdotool search --onlyvisible --name '^sparkler$' >/dev/null 2>&1; then
    xdotool search --name "Quillaby: Sparkler - Dovrenko" >/dev/null 2>&1 && fail "$what: a window opened before the refusal"
    # Return on the box, given the focus first, again while it is still there.
    local box
    for _ in 1 2 3; do
      box=$(xdotool search --onlyvisible --name '^sparkler$' 2>/dev/null | head -n1 || true)
      [ -n "$box" ] || break
      xdotool windowactivate --sync "$box" >/dev/null 2>&1 || xdotool windowfocus --sync "$box" >/dev/null 2>&1 || true
      xdotool key --window "$box" Return >/dev/null 2>&1 || true
      wait_for 50 eval '! kill -0 $pid 2>/dev/null' && break
    done
  else
    fail "$what: no message box within 20 s"
  fi
  if ! wait_for 100 eval '! kill -0 $pid 2>/dev/null'; then
    fail "$what: still running 10 s after its message box"
    kill "$pid" 2>/dev/null || true
  fi
  wait "$pid" || status=$?
  pid=""
  local lines
  lines=$(tr -d '\r' <"$work/refused.err" | grep -c . || true)
  if [ "$status" -ne 2 ] || [ "$lines" -ne 1 ]; then
    fail "$what: exit code $status and $lines lines on stderr, expected 2 and 1: $(cat "$work/refused.err")"
  else
    echo "$what: refused: $(tr -d '\r' <"$work/refused.err")"
  fi
}
refused "one file twice" --record "$work/both.txt" --trace "$work/both.txt"
[ -e "$work/both.txt" ] && fail "one file twice: $work/both.txt was made"
mkdir "$work/folder"
refused "a folder" --trace "$work/folder"
refused "a full device" --record 'Z:\dev\full'
[ -z "$(ls -A "$work/folder")" ] || fail "a folder: something was left in it: $(ls "$work/folder")"

# ALSA's default device, for Wine's ALSA driver: 16-bit stereo at the sounds' rate into a file.
mkdir "$work/home"
echo "pcm.!default { type plug; slave { format S16_LE; rate 44100; channels 2
  pcm { type file; slave.pcm \"null\"; file \"$work/mix.wav\"; format \"wav\" } } }" >"$work/home/.asoundrc"
export HOME=$work/home

"${program[@]}" --record "$work/session.txt" --trace "$work/live.jsonl" >"$work/stdout.txt" 2>"$work/stderr.txt" &
pid=$!
if ! wait_for 300 xdotool search --name "Quillaby: Sparkler - Dovrenko" >/dev/null 2>&1; then
  fail "no window titled \"Quillaby: Sparkler - Dovrenko\" within 30 s"; cat "$work/stderr.txt"; exit 1
fi
wait_for 300 frames_at_least 90 || fail "fewer than 90 frames in 30 s: $(frames)"
import -window root "$work/start.png"
geometry=$(identify -format '%wx%h' "$work/start.png")
[ "$geometry" = "1024x768" ] || fail "the screenshot is $geometry"
start_sparks=$(sparks_in "$work/start.png" 300x300+362+234)
smoke=$(convert "$work/start.png" -crop 120x200+452+150 +repage -fx '(abs(r-g)<0.08 && abs(g-b)<0.08 && r>0.3) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:)
panel_start=$(panel_mean "$work/start.png")
bright_start=$(bright "$work/start.png")
echo "start: $start_sparks spark pixels around the centre, $smoke grey smoke pixels above it, panel brightness $panel_start"
[ "$start_sparks" -ge 200 ] || fail "too few sparks around the centre: $start_sparks"
[ "$smoke" -ge 200 ] || fail "too little smoke above the sparkler: $smoke"

# The mouse, one count a pixel: 200 right and 50 up.
xdotool mousemove_relative -- 200 -50
wait_for 100 in_record " mouse " || fail "the mouse motion never reached the program"
motion=$(awk '$2 == "mouse" { x += $3; y += $4 } END { print x, y }' "$work/session.txt")
[ "$motion" = "200 -50" ] || fail "the mouse motion arrived as $motion, not 200 -50: $(grep ' mouse ' "$work/session.txt" | head -5 | tr '\n' ';')"
for key in h c; do
  xdotool key "$key"
  upper=$(tr a-z A-Z <<<"$key")
  wait_for 100 in_record " key $upper\$" || fail "the key $upper never reached the program"
  # Trails only once the panel is all out (it slides 5 pixels a frame, 160 in all), so that
  # no frame after it keeps its letters. The record's count is rewritten only every 60 frames,
  # so the wait counts from the frame the record gives the key, never from the count seen.
  if [ "$key" = h ]; then
    at=$(awk '$2 == "key" && $3 == "H" { print $1; exit }' "$work/session.txt")
    wait_for 200 frames_at_least $((at + 40)) || fail "the frames stopped after H"
  fi
done
before=$(frames)
wait_for 300 frames_at_least $((before + 90)) || fail "the frames stopped after the keys"
import -window root "$work/keys.png"
panel_after=$(panel_mean "$work/keys.png")
bright_after=$(bright "$work/keys.png")
echo "after H, C and the motion: panel brightness $panel_after; bright pixels $bright_start at start, $bright_after with trails"
[ $((panel_after - panel_start)) -ge 20 ] || [ $((panel_start - panel_after)) -ge 20 ] \
  || fail "the panel's corner looks the same after H"
[ "$bright_after" -ge $((2 * bright_start)) ] || fail "no trails: $bright_after bright pixels, $bright_start at start"
# R mirrors the crackle from here on.
xdotool key r
wait_for 100 in_record " key R\$" || fail "the key R never reached the program"

# Minimised as the taskbar does it (Wine does not pass on a minimising by the X window
# manager): no frames (its record does not grow once the last frames before it are in) and a
# fifth or less of the processor time the shown window took over as long; restored, the
# frames go on, the first of them one step as long as the rest.
recorded() { wc -c <"$work/session.txt"; }
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
start_ticks=$(ticks)
sleep 2
shown_ticks=$(($(ticks) - start_ticks))
"${wine[@]}" "$taskbar" minimise "Quillaby: Sparkler - Dovrenko" || fail "the window could not be minimised"
# The last frames before the rest are in once the record stands still for a second.
settled() { local size; size=$(recorded); sleep 1; [ "$(recorded)" -eq "$size" ]; }
wait_for 10 settled || fail "the record still grew 10 s after the window was minimised"
minimised_size=$(recorded)
start_ticks=$(ticks)
sleep 2
minimised_ticks=$(($(ticks) - start_ticks))
[ "$(recorded)" -eq "$minimised_size" ] || fail "frames were made while minimised: the record grew"
echo "processor time over 2 s: $shown_ticks ticks shown, $minimised_ticks minimised"
[ "$shown_ticks" -ge 5 ] && [ $((minimised_ticks * 5)) -le "$shown_ticks" ] \
  || fail "minimised it took $minimised_ticks ticks in 2 s, shown $shown_ticks"
before=$(frames)
"${wine[@]}" "$taskbar" restore "Quillaby: Sparkler - Dovrenko" || fail "the window could not be restored"
wait_for 300 frames_at_least $((before + 120)) || fail "no frames after the window was restored"
rested=$(awk '$2 == "dt" && $3 > longest { longest = $3 } END { print longest + 0 }' "$work/session.txt")
[ "$rested" -ge 2500 ] || fail "no step as long as the rest: the longest is $rested ms"

xdotool key Escape
status=0
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  fail "still running 10 s after Escape"
else
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "exit code $status after Escape"
fi

# The mix: where the background starts, and the crackle's rounds and the pauses in order.
sounds=$(dirname "${program[-1]}")
"$mix_levels" "$work/mix.wav" "$sounds/Sparkler.wav" "$sounds/BackgroundSound.wav" >"$work/mix.txt" \
  || fail "no mix of the sound was written: $(tr -d '\r' <"$work/stderr.txt")"
grep -E '^(crackle|silence) ' "$work/mix.txt" | sort -n -k2 >"$work/events.txt" || true
awk '$1 == "mix" { print "the mix: " $2 " samples" } $1 == "background" { print "background " $2 " at " $3 }' \
  "$work/mix.txt" | paste -sd ';' | sed 's/;/; /g'
awk '$1 == "crackle" { print "crackle at " $2 ", match " $3 ", left " $4 ", right " $5 }
  $1 == "silence" { print "silence at " $2 " for " $3 }' "$work/events.txt" | paste -sd ';' | sed 's/;/; /g'
# Each round by where it is heard, m(iddle), r(ight) or l(eft), and a pause of a second or more
# as s. A round in which the mouse or R came blends both sides (m), the round the pause or the
# exit cut short may be too short to place (?), and Wine's mixer may go on writing silence for a
# while after the program has ended (a last s): the order is what must hold.
sides=$(awk '$1 == "crackle" { print ($5 > 1.08 * $4) ? "r" : ($4 > 1.08 * $5) ? "l" : ($4 + $5 > 0.2) ? "m" : "?" }
  $1 == "silence" && $3 >= 44100 { print "s" }' "$work/events.txt" | tr -d '\n')
echo "the crackle heard: $sides"
[[ "$sides" =~ ^s?m+[mr]*r+m?l+[?m]?s+l+[?m]?s?$ ]] \
  || fail "the crackle's rounds were heard as $sides, not middle, right, left, a pause and left again"
# After the pause the crackle goes on from where it stood: what was played of the round cut
# short and what is left of it before the next round make whole rounds (within a mixing period).
resumed=$(awk '$1 == "crackle" { if (last != "" && round == "") round = $2 - last; last = $2
                 if (cut != "") { off = (cut + $2 - end) % round; print (off < round - off) ? off : round - off; exit } }
  $1 == "silence" && $3 >= 44100 && last != "" && round != "" { cut = $2 - last; end = $2 + $3 }' "$work/events.txt")
[ -n "$resumed" ] && [ "$resumed" -le 2048 ] \
  || fail "the crackle did not go on from where it stood after the pause: ${resumed:-no round after it} samples off"
awk '$1 == "crackle" && c == "" { c = $2 } $1 == "background" { m = $2; b = $3 }
  END { d = b > c ? b - c : c - b; exit !(c != "" && m >= 0.08 && d <= 8192) }' "$work/mix.txt" \
  || fail "the background was not found where the crackle starts"

grep -q '"helpSlide":-160' "$work/live.jsonl" || fail "the trace never shows the panel slid out"
# The native replay of the record gives the live trace again. The live panel's letters are
# Windows' own Arial and the replay's the native font's, so the frames' hashes are the same
# only where the panel is all out: there every frame is, and elsewhere all but the hash.
"$native" --script "$work/session.txt" --trace "$work/replayed.jsonl"
live=$(wc -l <"$work/live.jsonl")
unhashed() { sed 's/,"fb":"[0-9a-f]*"//' "$1"; }
out_hashes() { grep '"helpSlide":-160,' "$1" | sed -n 's/.*"frame":\([0-9]*\),.*"fb":"\([0-9a-f]*\)".*/\1 \2/p'; }
panel_out=$(out_hashes "$work/live.jsonl" | wc -l)
if ! cmp -s <(unhashed "$work/live.jsonl") <(unhashed "$work/replayed.jsonl"); then
  fail "the native replay parts from the live trace ($live lines):"
  diff <(unhashed "$work/live.jsonl") <(unhashed "$work/replayed.jsonl") | head -4 | cut -c1-200
elif [ "$panel_out" -lt 60 ] || ! cmp -s <(out_hashes "$work/live.jsonl") <(out_hashes "$work/replayed.jsonl"); then
  fail "the frames with the panel out ($panel_out) differ from the native replay's, or are too few"
  diff <(out_hashes "$work/live.jsonl") <(out_hashes "$work/replayed.jsonl") | head -4
else
  echo "$live frames live under Wine, replayed natively alike (the $panel_out with the panel out to the hash)"
fi
exit $((failures > 0))

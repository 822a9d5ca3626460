#!/usr/bin/env bash
# The greeting in one command: sparkler-replay --write TEXT --video FILE makes the whole clip,
# its seed and length from the text. The clip must last the writing plus the hold (the frames
# the same run traces, each its 16 ms, and one more step for the last frame), and its last
# frame, read by OCR as the words test reads PNGs, must give the text.
# Usage: greeting_video.sh REPLAY WORK-DIR
set -euo pipefail
. "$(dirname "$0")/read_light.sh"
replay=$1
work=$2
mkdir -p "$work"
rm -f "$work"/greeting.*
text="Happy 2027"
"$replay" --write "$text" --video "$work/greeting.mp4"
"$replay" --write "$text" --trace "$work/greeting.jsonl"
frames=$(wc -l < "$work/greeting.jsonl")
expected_ms=$((frames * 16))
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/greeting.mp4")
duration_ms=$(awk -v d="$duration" 'BEGIN { printf "%d", d * 1000 + 0.5 }')
failures=0
if [ $((duration_ms - expected_ms)) -gt 40 ] || [ $((expected_ms - duration_ms)) -gt 40 ]; then
  echo "the clip lasts $duration_ms ms; the writing and the hold take $expected_ms ms"
  failures=$((failures + 1))
else
  echo "the clip lasts $duration_ms ms: $frames frames of writing and hold"
fi
ffmpeg -v error -sseof -0.1 -i "$work/greeting.mp4" -frames:v 1 -update 1 "$work/greeting.last.png"
read=$(read_light "$work/greeting.last.png")
if [ "$read" = "$text" ]; then
  echo "the clip's last frame reads \"$read\""
else
  echo "wrote \"$text\", the clip's last frame reads \"$read\" (see $work/greeting.last.png)"
  failures=$((failures + 1))
fi
echo "$((2 - failures)) passed, $failures failed"
exit $((failures > 0))

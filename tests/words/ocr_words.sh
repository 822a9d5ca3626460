#!/usr/bin/env bash
# The written words read back: for each text the replay tool writes it (its run ends when the
# words are written and their light has held), and the last frame, read by OCR, must give the
# text, read in the light's own colour (read_light.sh). Usage: ocr_words.sh REPLAY WORK-DIR
set -euo pipefail
. "$(dirname "$0")/read_light.sh"
replay=$1
work=$2
mkdir -p "$work"
failures=0
check() {
  local name=$1 text=$2 expected=$3 seed=$4
  rm -f "$work/$name".*
  "$replay" --write "$text" --seed "$seed" --trace "$work/$name.jsonl"
  local frames
  frames=$(wc -l < "$work/$name.jsonl")
  "$replay" --write "$text" --seed "$seed" --frames "$frames" --png-frame "$((frames - 1))=$work/$name.png"
  local read
  read=$(read_light "$work/$name.png")
  if [ "$read" = "$expected" ]; then
    echo "$name: read \"$read\" from frame $((frames - 1))"
  else
    echo "$name: wrote \"$expected\", read \"$read\" (see $work/$name.png)"
    failures=$((failures + 1))
  fi
}
check greeting "Happy 2027" "Happy 2027" 1
check digits "0123456789" "0123456789" 2
check capitals "HELLO WORLD" "HELLO WORLD" 3
check two-lines 'Sparkler\nNight 42' "Sparkler Night 42" 4
echo "$((4 - failures)) passed, $failures failed"
exit $((failures > 0))

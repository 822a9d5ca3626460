#!/usr/bin/env bash
# The written words read back: for each text the replay tool writes it (its run ends when the
# words are written and their light has held), and the last frame, read by OCR, must give the
# text. The OCR reads the light's own warm white: those pixels are kept as black strokes on
# white, thickened and scaled down to a size the OCR reads best; sparks and the sky, of other
# colours, drop out. Usage: ocr_words.sh REPLAY WORK-DIR
set -euo pipefail
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
  convert "$work/$name.png" -fx '(r>0.93 && g>0.85 && b>0.75 && r-b>0.03) ? 1 : 0' -colorspace Gray \
    -morphology Dilate Disk:3 -negate -resize 40% "$work/$name.light.png"
  local read
  read=$(tesseract "$work/$name.light.png" - 2>/dev/null | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
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

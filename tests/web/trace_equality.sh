#!/usr/bin/env bash
# Another build's replay (the node one, the Windows one under Wine) against the native one: for
# every run in runs.txt both replays write their trace and a PNG of one frame, and the two must
# be equal byte for byte (fb, the hash of the shown frame, is in every line). A run's line may
# end with more options (the pilot's).
# Usage: trace_equality.sh NATIVE-REPLAY WORK-DIR OTHER-REPLAY-COMMAND...
set -euo pipefail
native=$1
work=$2
shift 2
other=("$@")
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
failures=0
while read -r name seed frames dt extra; do
  case "$name" in ''|'#'*) continue ;; esac
  script="$here/runs/$name.txt"
  png_frame=$((frames / 2))
  # The rest of the line: more options, quoted as in a shell (the file is ours).
  eval "options=($extra)"
  "$native" --seed "$seed" --frames "$frames" --dt-ms "$dt" --script "$script" "${options[@]}" \
    --trace "$work/$name.native.jsonl" --png-frame "$png_frame=$work/$name.native.png"
  "${other[@]}" --seed "$seed" --frames "$frames" --dt-ms "$dt" --script "$script" "${options[@]}" \
    --trace "$work/$name.other.jsonl" --png-frame "$png_frame=$work/$name.other.png"
  lines=$(wc -l < "$work/$name.native.jsonl")
  if [ "$lines" -lt 2 ]; then
    echo "$name: the native trace has only $lines lines"; failures=$((failures + 1)); continue
  fi
  if ! cmp -s "$work/$name.native.jsonl" "$work/$name.other.jsonl"; then
    echo "$name: the traces differ; first differing lines:"
    diff "$work/$name.native.jsonl" "$work/$name.other.jsonl" | head -4 | cut -c1-300
    failures=$((failures + 1))
  elif ! cmp -s "$work/$name.native.png" "$work/$name.other.png"; then
    echo "$name: the PNGs of frame $png_frame differ"; failures=$((failures + 1))
  else
    echo "$name: $lines frames, traces and frame $png_frame identical"
  fi
done < "$here/runs.txt"
# A bad option fails as natively: non-zero and one line naming it.
if "${other[@]}" --seed 1 --frames 1 --no-such-option >/dev/null 2>&1; then
  echo "the other replay accepted an unknown option"; failures=$((failures + 1))
fi

exit $((failures > 0))

#!/usr/bin/env bash
# The Windows replay's own answers: --wav and --video, which this build cannot write, are
# refused before the first frame in one line with exit code 2 and leave no file; a trace on
# standard output is the native one byte for byte (no line ends turned into CR LF).
# Usage: replay_options.sh NATIVE-REPLAY WORK-DIR WINDOWS-REPLAY-COMMAND...
set -euo pipefail
native=$1
work=$2
shift 2
windows=("$@")
mkdir -p "$work"
failures=0
for option in "--wav $work/run.wav" "--video $work/run.webm"; do
  status=0
  # shellcheck disable=SC2086
  "${windows[@]}" --seed 1 --frames 10 $option >"$work/out.txt" 2>"$work/err.txt" || status=$?
  lines=$(tr -d '\r' <"$work/err.txt" | grep -c . || true)
  if [ "$status" -ne 2 ] || [ "$lines" -ne 1 ]; then
    echo "${option%% *}: exit code $status and $lines lines on stderr, expected 2 and 1:"; cat "$work/err.txt"
    failures=$((failures + 1))
  elif [ -e "${option#* }" ]; then
    echo "${option%% *}: refused, but ${option#* } was made"; failures=$((failures + 1))
  else
    echo "${option%% *}: refused: $(tr -d '\r' <"$work/err.txt")"
  fi
done
"$native" --seed 9 --frames 120 --trace - >"$work/native-stdout.jsonl"
"${windows[@]}" --seed 9 --frames 120 --trace - >"$work/windows-stdout.jsonl"
if cmp -s "$work/native-stdout.jsonl" "$work/windows-stdout.jsonl"; then
  echo "--trace -: 120 lines on standard output, identical"
else
  echo "--trace -: the traces on standard output differ"; failures=$((failures + 1))
fi
exit $((failures > 0))

#!/usr/bin/env bash
# The node replay fails and refuses as the native one does: the same exit code and the same
# line on stderr for full disks, closed pipes, help and version that cannot be written, outputs
# over the script or each other, loose options; a progress line never goes into a file; what it
# cannot make (sound, videos) is refused in its own words before the run.
# Usage: failure_equality.sh NATIVE-REPLAY REPLAY.js WORK-DIR
set -euo pipefail
native=$1
web=$2
work=$3
mkdir -p "$work"
failures=0

# Failures and refusals as natively: the same exit code and the same line on stderr. Each case
# runs in a shell in the work folder, with "REPLAY" standing for either tool; "$?" there is the
# tool's own code, also in a pipe (where it runs first in a group).
printf '1 key H\n' >"$work/s.txt"
mkdir -p "$work/pd"
cases=(
  'REPLAY --seed 1 --frames 3 --trace - >/dev/full'
  'REPLAY --version >/dev/full'
  'REPLAY --help >/dev/full'
  '{ REPLAY --seed 1 --frames 3000 --trace - 2>err; echo $? >code; } | head -c 10 >/dev/null; cat err >&2; exit $(cat code)'
  'REPLAY --seed 1 --frames 30 --png-frame 3=x.png'
  'REPLAY --seed 1 --frames 3 --script s.txt --trace s.txt'
  'REPLAY --seed 1 --frames 3 --png-dir pd --trace pd/frame-000002.png'
  'REPLAY --seed 1 --frames 3 --video-scale 1.5'
  'REPLAY --seed 1 --frames 3 --video-scale 2'
)
for case in "${cases[@]}"; do
  for side in native web; do
    if [ $side = native ]; then tool="'$native'"; else tool="node '$web'"; fi
    set +e
    (cd "$work" && bash -c "${case//REPLAY/$tool}" >/dev/null 2>"$work/$side.err")
    echo $? >"$work/$side.code"
    set -e
  done
  if ! cmp -s "$work/native.code" "$work/web.code" || ! cmp -s "$work/native.err" "$work/web.err"; then
    echo "differs from the native tool: $case"
    echo "  native: $(cat "$work/native.code") $(cat "$work/native.err")"
    echo "  node:   $(cat "$work/web.code") $(cat "$work/web.err")"
    failures=$((failures + 1))
  fi
done
# What the node replay cannot make is refused before the run, as a bad option is.
for option in "--wav w.wav" "--video v.webm"; do
  set +e
  (cd "$work" && node "$web" --seed 1 --frames 3 $option >/dev/null 2>"$work/web.err")
  code=$?
  set -e
  if [ $code -ne 2 ] || [ "$(wc -l <"$work/web.err")" -ne 1 ] || ! grep -q -- "${option%% *}: " "$work/web.err"; then
    echo "node replay $option: exit $code, $(cat "$work/web.err")"; failures=$((failures + 1))
  fi
done
exit $((failures > 0))

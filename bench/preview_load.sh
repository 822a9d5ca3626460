#!/usr/bin/env bash
# The program in another program's window, as a screensaver's settings show it: its processor
# time in a 200x150 preview window against a 1024x768 window of the frame's own size, in the same
# run, under a private Xvfb. Rounds alternate the two sizes, so that other load on the machine
# falls on both alike; each round runs the program SECONDS (default 10) after a settling second
# and reads its user and system time from /proc. Prints each round in clock ticks per 10 s and
# frames a second, then the medians and the ratio preview/full (below 1: the preview is cheaper).
# Usage: bench/preview_load.sh [--build DIR] [--program FILE] [--seconds N] [--rounds N]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
program=
seconds=10
rounds=3
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    *) echo "preview_load.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
build=$(cd "$build" && pwd)
program=${program:-$build/sparkler}
host=$build/tests/e2e/sparkler_window_host
for f in "$program" "$host"; do
  [ -x "$f" ] || { echo "preview_load.sh: $f is missing; build first" >&2; exit 2; }
done

scratch=$(mktemp -d)
xvfb_pid=
host_pid=
program_pid=
cleanup() {
  for p in "$program_pid" "$host_pid" "$xvfb_pid"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  rm -rf "$scratch"
}
trap cleanup EXIT

. tools/private_xvfb.sh
start_private_xvfb "$scratch" preview_load.sh
export XDG_RUNTIME_DIR=$scratch
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The number of the last frame the record names so far (the pilot moves the sparkler every frame).
last_frame() { awk '$1 ~ /^[0-9]+$/ { n = $1 } END { print n + 0 }' "$1"; }

# One round at WIDTHxHEIGHT: prints "ticks-per-10s frames-per-second".
round() {
  "$host" "$1" "$2" >"$scratch/host.out" &
  host_pid=$!
  for _ in $(seq 100); do [ -s "$scratch/host.out" ] && break; sleep 0.05; done
  local id
  id=$(head -n1 "$scratch/host.out")
  (cd "$build" && exec "$program" --window-id "$id" --record "$scratch/record.txt") &
  program_pid=$!
  sleep 1.5
  local t0 f0 t1 f1
  t0=$(ticks "$program_pid"); f0=$(last_frame "$scratch/record.txt")
  sleep "$seconds"
  t1=$(ticks "$program_pid"); f1=$(last_frame "$scratch/record.txt")
  kill "$program_pid"; wait "$program_pid" || true; program_pid=
  kill "$host_pid"; wait "$host_pid" 2>/dev/null || true; host_pid=
  awk -v t=$((t1 - t0)) -v f=$((f1 - f0)) -v s="$seconds" 'BEGIN { printf "%.1f %.1f\n", t * 10 / s, f / s }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$scratch/preview"; : >"$scratch/full"
for r in $(seq "$rounds"); do
  read -r pt pf < <(round 200 150)
  read -r ft ff < <(round 1024 768)
  echo "$pt" >>"$scratch/preview"; echo "$ft" >>"$scratch/full"
  printf 'round %d: preview 200x150 %6.1f ticks/10s (%5.1f frames/s), full 1024x768 %6.1f ticks/10s (%5.1f frames/s)\n' \
    "$r" "$pt" "$pf" "$ft" "$ff"
done
preview=$(median <"$scratch/preview")
full=$(median <"$scratch/full")
awk -v p="$preview" -v f="$full" 'BEGIN {
  printf "median ticks/10s: preview %.1f, full %.1f; ratio preview/full %.2f\n", p, f, (f > 0 ? p / f : 0) }'

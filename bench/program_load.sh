#!/usr/bin/env bash
# Runs the real program under its own Xvfb (1024x768, 24 bits) and prints its processor load:
# the program's and the X server's processor time as a share of one core over SECONDS
# (default 20) of steady running, the frames per second over that time, and the time from
# exec to the first frame. With --perf FILE the program also runs under `perf record -g`
# for 8 s of the measurement (its figures then include perf's own load). The machine should be
# otherwise idle while this runs. PERF_GRAPH replaces perf's -g (--call-graph=dwarf finds callers
# inside libraries built without frame pointers).
# Usage: bench/program_load.sh [--build DIR] [--seconds N] [--perf FILE]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
seconds=20
perf_out=
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --perf) perf_out=$2; shift 2 ;;
    *) echo "program_load.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

build=$(cd "$build" && pwd)
program=$build/sparkler
watch=$build/bench/sparkler_program_watch
for f in "$program" "$watch"; do
  [ -x "$f" ] || { echo "program_load.sh: $f is missing; build first" >&2; exit 2; }
done

scratch=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

. tools/private_xvfb.sh
start_private_xvfb "$scratch" program_load.sh
server=$xvfb_pid
export XDG_RUNTIME_DIR=$scratch
# No sound card on a build machine: OpenAL's null device still mixes, as a real one would.
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
# The program reads its sounds from the working directory or beside itself.
cd "$build"
if [ -z "$perf_out" ]; then
  "$watch" "$seconds" "$server" "$program"
  exit
fi
case "$perf_out" in /*) ;; *) perf_out="$OLDPWD/$perf_out" ;; esac
"$watch" "$seconds" "$server" "$program" &
watcher=$!
sleep 3
child=$(pgrep -P "$watcher" | head -n1)
perf record ${PERF_GRAPH:--g} -o "$perf_out" -p "$child" -- sleep 8 2>/dev/null >/dev/null
wait "$watcher"

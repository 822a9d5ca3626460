#!/usr/bin/env bash
# The sanitizer build of the real program under a private Xvfb: random keys and mouse motion
# for SECONDS (Alt+Enter and PrintScreen among them), then Escape. Fails when the program ends
# early, does not exit with 0, or when AddressSanitizer, LeakSanitizer or UndefinedBehavior-
# Sanitizer reports anything; the system libraries' own known leaks are in SUPPRESSIONS.
# Usage: sanitized_program.sh PROGRAM SUPPRESSIONS [SECONDS]
set -euo pipefail
program=$1
suppressions=$2
seconds=${3:-60}
title="Quillaby: Sparkler - Dovrenko"

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "sanitized program: $tool is not installed" >&2; exit 1; }
done
scratch=$(mktemp -d)
xvfb_pid=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

. "$(dirname "$0")/../../tools/private_xvfb.sh"
start_private_xvfb "$scratch" "sanitized program"
export XDG_RUNTIME_DIR=$scratch ALSOFT_DRIVERS=null
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$suppressions:fast_unwind_on_malloc=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

mkdir "$scratch/run"
(cd "$scratch/run" && exec "$program") >"$scratch/out" 2>"$scratch/err" &
pid=$!

alive() { kill -0 "$pid" 2>/dev/null; }
fail() {
    echo "sanitized program: $1" >&2
    sed -n '1,80p' "$scratch/err" >&2
    exit 1
}
window=
for _ in $(seq 300); do
    alive || fail "the program ended at start"
    window=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window within 30 s"
focus() { xdotool windowfocus "$window" 2>/dev/null || true; }
focus

keys=(h s k b c r 1 2 3 4 5 6 7 8 Prior Next Print alt+Return)
RANDOM=20261208
end=$((SECONDS + seconds))
presses=0
steps=0
while [ "$SECONDS" -lt "$end" ]; do
    alive || fail "the program ended during the run"
    if [ $((RANDOM % 3)) -eq 0 ]; then
        xdotool key "${keys[RANDOM % ${#keys[@]}]}" 2>/dev/null || true
        presses=$((presses + 1))
    fi
    xdotool mousemove_relative -- $((RANDOM % 161 - 80)) $((RANDOM % 121 - 60)) 2>/dev/null || true
    steps=$((steps + 1))
    [ $((steps % 40)) -eq 0 ] && focus
    sleep 0.05
done

# Escape, again if the first one went to a window that had lost the focus.
status=
for _ in 1 2 3 4; do
    focus
    xdotool key Escape 2>/dev/null || true
    for _ in $(seq 100); do
        alive || break
        sleep 0.1
    done
    if ! alive; then
        set +e
        wait "$pid"
        status=$?
        set -e
        pid=
        break
    fi
done
[ -n "$status" ] || fail "Escape did not end the program"
if grep -E -q 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$scratch/err"; then
    fail "a sanitizer reported a fault"
fi
[ "$status" -eq 0 ] || fail "the program exited with $status"
shots=$(ls "$scratch/run" | grep -c '\.png$' || true)
echo "sanitized program: $seconds s, $presses key presses, $shots screenshots, exit 0, no sanitizer report"

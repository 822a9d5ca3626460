#!/usr/bin/env bash
# Soak: a long replay with random keys and mouse motion whose resident memory must stay flat.
# Usage: bench/soak.sh REPLAY [FRAMES] [BOUND_KIB]
# Samples the replay's resident set (VmRSS) twenty times a second. The baseline is the median of
# the second tenth of the samples (after start-up and the first launches have settled); the
# run fails when the largest sample of the last tenth lies more than BOUND_KIB above it, when
# the replay fails, or when too few samples were taken to judge. Prints the figures either way.
set -euo pipefail
replay=$1
frames=${2:-50000}
bound=${3:-2048}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Random keys (never Escape or F12, which end the run) and mouse motion, from a fixed seed.
awk -v frames="$frames" 'BEGIN {
    srand(20261208)
    split("B C H K R S 1 2 3 4 5 6 7 8 PageUp PageDown", keys, " ")
    for (f = 1; f < frames; f += 1 + int(rand() * 40)) {
        if (rand() < 0.5)
            printf "%d key %s\n", f, keys[1 + int(rand() * 16)]
        printf "%d mouse %d %d\n", f, int(rand() * 161) - 80, int(rand() * 121) - 60
    }
}' >"$work/script.txt"

"$replay" --seed 424242 --frames "$frames" --script "$work/script.txt" &
pid=$!
: >"$work/rss"
while kill -0 "$pid" 2>/dev/null; do
    awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null >>"$work/rss" || true
    sleep 0.05
done
if ! wait "$pid"; then
    echo "soak: the replay failed" >&2
    exit 1
fi

count=$(wc -l <"$work/rss")
if [ "$count" -lt 50 ]; then
    echo "soak: only $count memory samples; the run is too short to judge" >&2
    exit 1
fi
tenth=$((count / 10))
baseline=$(sed -n "$((tenth + 1)),$((2 * tenth))p" "$work/rss" | sort -n | sed -n "$(((tenth + 1) / 2))p")
last=$(tail -n "$tenth" "$work/rss" | sort -n | tail -1)
peak=$(sort -n "$work/rss" | tail -1)
growth=$((last - baseline))
echo "soak: $frames frames, $count samples; resident $baseline KiB settled, $last KiB at the end" \
     "(peak $peak KiB), growth $growth KiB, bound $bound KiB"
if [ "$growth" -gt "$bound" ]; then
    echo "soak: resident memory grew by $growth KiB, more than $bound KiB" >&2
    exit 1
fi

#!/usr/bin/env bash
# Same seed and inputs, same frames on every build: runs two builds of sparkler-replay (another
# compiler, another optimisation level) over long seeded runs and compares their traces and PNG
# frames byte for byte. Usage: compare_replays.sh REPLAY_A REPLAY_B [ci|all]
# "ci" runs one mixed run (bursts, random colours, trails, frame-time jumps); "all" (the
# default) runs every case below at full length. Prints one line per case; fails on the first
# difference, naming the frame where the traces part.
set -euo pipefail
a=$1
b=$2
set_name=${3:-all}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each case: name seed frames dt-ms png-every script
write_script() {
    case $1 in
    bursts) printf '1 key 8\n' ;; # random colours: every burst row is used
    trails) printf '1 key C\n2 key 6\n'
            awk 'BEGIN { for (f = 10; f < 8000; f += 10) printf "%d mouse %d %d\n", f, int(90 * sin(f / 60)), int(70 * cos(f / 45)) }' ;;
    bigdt)  printf '50 dt 250\n100 dt 1000\n150 dt 5000\n151 dt 0\n200 dt 60000\n300 dt 1\n' ;;
    mixed)  printf '1 key 8\n40 key PageUp\n41 key PageUp\n300 key C\n600 dt 750\n900 key H\n1200 key 1\n'
            printf '1500 key PageDown\n1501 key PageDown\n1502 key PageDown\n1800 key S\n1900 key S\n2100 key B\n'
            printf '2400 dt 3000\n2401 key K\n2500 key K\n'
            awk 'BEGIN { for (f = 5; f < 3000; f += 7) printf "%d mouse %d %d\n", f, (f % 31) - 15, (f % 23) - 11 }' ;;
    cycling) printf '1 key 1\n2 key PageUp\n3 key PageUp\n4 key PageUp\n1000 key PageDown\n2000 key R\n3000 key B\n' ;;
    esac
}

run_case() {
    local name=$1 seed=$2 frames=$3 dt=$4 every=$5
    write_script "$name" >"$work/$name.txt"
    for side in a b; do
        mkdir -p "$work/$name-$side"
        local tool=$a
        [ "$side" = b ] && tool=$b
        "$tool" --seed "$seed" --frames "$frames" --dt-ms "$dt" --script "$work/$name.txt" \
            --trace "$work/$name-$side.jsonl" --png-dir "$work/$name-$side" --png-every "$every"
    done
    if ! cmp -s "$work/$name-a.jsonl" "$work/$name-b.jsonl"; then
        local line
        line=$(cmp "$work/$name-a.jsonl" "$work/$name-b.jsonl" | sed -n 's/.*line \([0-9]*\).*/\1/p')
        echo "determinism: $name: the traces differ from frame $((line - 1)) on" >&2
        diff <(sed -n "${line}p" "$work/$name-a.jsonl") <(sed -n "${line}p" "$work/$name-b.jsonl") >&2 || true
        exit 1
    fi
    local pictures=0
    for png in "$work/$name-a"/*.png; do
        if ! cmp -s "$png" "$work/$name-b/$(basename "$png")"; then
            echo "determinism: $name: $(basename "$png") differs" >&2
            exit 1
        fi
        pictures=$((pictures + 1))
    done
    [ "$pictures" -gt 0 ] || { echo "determinism: $name: no pictures were written" >&2; exit 1; }
    echo "determinism: $name: $frames frames, traces and $pictures PNG frames identical"
}

if [ "$set_name" = ci ]; then
    run_case mixed 31 3000 16 500
else
    run_case bursts 11 8000 16 1000
    run_case trails 12 8000 16 1000
    run_case bigdt 13 400 33 50
    run_case mixed 31 3000 16 500
    run_case cycling 14 8000 20 1000
fi

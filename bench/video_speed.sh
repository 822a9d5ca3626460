#!/usr/bin/env bash
# Video export beside the way a user would do it without the replay's --video: a 600-frame
# scripted run (9.6 s) made into .mp4 and .webm by sparkler-replay, and the same run written as
# PNG images and a wave file, then encoded by the ffmpeg command line (x264 veryfast, crf 20,
# 4:2:0, AAC) at the same size. Rounds alternate ours and the anchor. For each it prints the
# encode time against the run's real time, the file size, and PSNR and SSIM against the run's
# frames scaled the same way (nearest neighbour), compared in RGB.
# Usage: bench/video_speed.sh REPLAY [ROUNDS] [SCALE]   (needs ffmpeg; SCALE defaults to 2)
# Goals: ours at least 2x real time; ours no larger than the anchor at no lower PSNR.
set -euo pipefail
replay=$1
rounds=${2:-2}
scale=${3:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=600
realtime=9.6 # 600 frames of 16 ms

# The sparkler carried around in loops, with colour changes and the help panel in and out.
awk -v frames="$frames" 'BEGIN {
    for (f = 1; f < frames; f += 4) {
        phase = int(f / 60) % 4
        dx = phase == 0 ? 12 : phase == 2 ? -12 : 0
        dy = phase == 1 ? 9 : phase == 3 ? -9 : 0
        printf "%d mouse %d %d\n", f, dx + (f % 7) - 3, dy + (f % 5) - 2
    }
    print "100 key H"; print "180 key 8"; print "300 key H"; print "360 key 1"; print "480 key 5"
}' >"$work/script.txt"
run=(--seed 2027 --frames "$frames" --script "$work/script.txt")

seconds() { date +%s.%N; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# The reference frames for the comparisons, and the anchor's input: PNGs and the wave.
mkdir "$work/png"
start=$(seconds)
"$replay" "${run[@]}" --png-dir "$work/png" --wav "$work/run.wav"
pngTime=$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { printf "%.1f", b - a }')

# PSNR (average over frames, dB) and SSIM (All) of a video against the PNGs, both in RGB.
quality() {
    ffmpeg -v info -nostats -i "$1" -framerate 62.5 -i "$work/png/frame-%06d.png" -lavfi \
        "[0:v]format=gbrp,setpts=N/(62.5*TB),split[a1][a2];
         [1:v]scale=iw*$scale:ih*$scale:flags=neighbor,format=gbrp,setpts=N/(62.5*TB),split[b1][b2];
         [a1][b1]psnr;[a2][b2]ssim" -f null - 2>&1 |
        awk '/PSNR/ { for (i = 1; i <= NF; i++) if ($i ~ /^average:/) { sub("average:", "", $i); p = $i } }
             /SSIM/ { for (i = 1; i <= NF; i++) if ($i ~ /^All:/) { sub("All:", "", $i); s = $i } }
             END { printf "PSNR %s dB  SSIM %s", p, s }'
}

report() { # name, seconds, file
    local size
    size=$(stat -c %s "$3")
    printf '%-8s %6.2f s  %5sx real time  %6.2f MB  %5.2f Mbit/s  %s\n' "$1" "$2" "$(ratio "$realtime" "$2")" \
        "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$(awk -v s="$size" -v t="$realtime" 'BEGIN { print s * 8 / t / 1e6 }')" \
        "$(quality "$3")"
}

ours() { # ending
    local start
    start=$(seconds)
    "$replay" "${run[@]}" --video "$work/ours.$1" --video-scale "$scale" ${SPARKLER_VIDEO_ARGS:-}
    report "ours.$1" "$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')" "$work/ours.$1"
}

anchor() {
    local start
    start=$(seconds)
    ffmpeg -v error -y -framerate 62.5 -i "$work/png/frame-%06d.png" -i "$work/run.wav" \
        -vf "scale=iw*$scale:ih*$scale:flags=neighbor" -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p \
        -c:a aac "$work/anchor.mp4"
    report anchor "$(awk -v a="$start" -v b="$(seconds)" 'BEGIN { print b - a }')" "$work/anchor.mp4"
}

echo "600 frames, ${realtime} s of video, scale $scale; the anchor's PNGs and wave took ${pngTime} s to write"
for ((round = 1; round <= rounds; round++)); do
    echo "round $round"
    if ((round % 2 == 1)); then
        ours mp4; anchor; ours webm
    else
        ours webm; anchor; ours mp4
    fi
done

#!/usr/bin/env bash
# Compares afconvert with the ffmpeg command line on the same inputs, in one run:
#   (a) 300 one-second WAV files to IMA4 mono CAF, one process per file;
#   (b) a 10-minute WAV to IMA4 mono CAF (on every core, and with -j 1 on one);
#   (c) the same WAV to AAC 128 kbit/s (ours into CAF on every core and with -j 1 on one,
#       ffmpeg's own encoder into .m4a).
#   (d) a corpus of real formats, 1 to 10 minutes (MP3, M4A, FLAC, 24-bit WAV), each to AAC
#       128 kbit/s and to IMA4 mono.
#   (e) a two-hour WAV to AAC 128 kbit/s on every core: time and peak memory
#       (SONDREL_BENCH_TWO_HOURS=0 leaves it out; it needs 1.3 GB of scratch space).
# Reports wall time, ratios and peak memory (/usr/bin/time -v).
# Usage: bench/afconvert_bench.sh [build-dir]   (default build/main, built beforehand)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/main}
tool=$build/bin/afconvert
[[ -x $tool ]] || { echo "build afconvert first: $tool not found" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "making inputs in $work"
mkdir -p "$work/short" "$work/ours" "$work/ffmpeg"
sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 1 sine 440 sine 660 vol 0.5
for i in $(seq 1 300); do cp "$work/one.wav" "$work/short/$i.wav"; done
sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 600 pinknoise vol 0.3

seconds() { # seconds taken by the command
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
peak() { # "seconds peakKB" of one command, via /usr/bin/time -v
    /usr/bin/time -v "$@" 2>"$work/time.txt" >/dev/null
    local wall rss
    wall=$(grep 'Elapsed (wall clock)' "$work/time.txt" | awk '{print $NF}' | awk -F: '{ if (NF==3) print $1*3600+$2*60+$3; else print $1*60+$2 }')
    rss=$(grep 'Maximum resident' "$work/time.txt" | awk '{print $NF}')
    cpu=$(grep -E 'User time|System time' "$work/time.txt" | awk '{s += $NF} END {print s}')
    echo "$wall $rss $cpu"
}
ours_short() { for f in "$work"/short/*.wav; do "$tool" -f caff -d ima4 --no-filler -c 1 "$f" "$work/ours/$(basename "$f" .wav).caf"; done; }
ffmpeg_short() { for f in "$work"/short/*.wav; do ffmpeg -nostdin -v error -y -i "$f" -ac 1 -c:a adpcm_ima_qt "$work/ffmpeg/$(basename "$f" .wav).caf"; done; }

ours_short >/dev/null 2>&1 # warm the caches
a_ours=$(seconds ours_short)
a_ff=$(seconds ffmpeg_short)
read -r b_ours b_ours_kb b_ours_cpu < <(peak "$tool" -f caff -d ima4 --no-filler -c 1 "$work/long.wav" "$work/long-ours.caf")
read -r b_one b_one_kb b_one_cpu < <(peak "$tool" -j 1 -f caff -d ima4 --no-filler -c 1 "$work/long.wav" "$work/long-ours-1.caf")
cmp -s "$work/long-ours.caf" "$work/long-ours-1.caf" || echo "warning: -j 1 and every core made different files" >&2
read -r b_ff b_ff_kb b_ff_cpu < <(peak ffmpeg -nostdin -v error -y -i "$work/long.wav" -ac 1 -c:a adpcm_ima_qt "$work/long-ffmpeg.caf")
read -r c_ours c_ours_kb c_ours_cpu < <(peak "$tool" -f caff -d aac --no-filler -s 1 -b 128000 "$work/long.wav" "$work/long-ours-aac.caf")
read -r c_one c_one_kb c_one_cpu < <(peak "$tool" -j 1 -f caff -d aac --no-filler -s 1 -b 128000 "$work/long.wav" "$work/long-ours-aac-1.caf")
read -r c_ff c_ff_kb c_ff_cpu < <(peak ffmpeg -nostdin -v error -y -i "$work/long.wav" -c:a aac -b:a 128k "$work/long-ffmpeg.m4a")

printf '\n%-44s %10s %10s %8s %12s %12s\n' "case" "afconvert" "ffmpeg" "ratio" "ours peak" "ffmpeg peak"
printf '%-44s %9.2fs %9.2fs %7.1fx %12s %12s\n' "(a) 300 x 1 s WAV -> IMA4 CAF (per file ms)" \
    "$a_ours" "$a_ff" "$(echo "$a_ff / $a_ours" | bc -l)" "" ""
printf '%-44s %9.1fms %8.1fms\n' "    per file" "$(echo "$a_ours * 1000 / 300" | bc -l)" "$(echo "$a_ff * 1000 / 300" | bc -l)"
printf '%-44s %9.2fs %9.2fs %7.1fx %10s KB %10s KB\n' "(b) 10 min WAV -> IMA4 CAF" \
    "$b_ours" "$b_ff" "$(echo "$b_ff / $b_ours" | bc -l)" "$b_ours_kb" "$b_ff_kb"
printf '%-44s %9.2fs %9.2fs %7.1fx %10s KB\n' "    (b) every core vs one core (-j 1)" \
    "$b_ours" "$b_one" "$(echo "$b_one / $b_ours" | bc -l)" "$b_one_kb"
printf '%-44s %9.2fs %9.2fs %7.1fx %10s KB %10s KB\n' "(c) 10 min WAV -> AAC 128 kbit/s" \
    "$c_ours" "$c_ff" "$(echo "$c_ff / $c_ours" | bc -l)" "$c_ours_kb" "$c_ff_kb"
printf '%-44s %9.2fs %9.2fs %7.1fx %10s KB\n' "    (c) every core vs one core (-j 1)" \
    "$c_ours" "$c_one" "$(echo "$c_one / $c_ours" | bc -l)" "$c_one_kb"
printf '%-44s %9.2fs %9.2fs %7.1fx\n' "    (c) one core vs ffmpeg" \
    "$c_one" "$c_ff" "$(echo "$c_ff / $c_one" | bc -l)"
printf '%-44s %9.2fs %9.2fs %7.1fx\n' "    (b) CPU time (user + system)" "$b_ours_cpu" "$b_ff_cpu" "$(echo "$b_ff_cpu / $b_ours_cpu" | bc -l)"
printf '%-44s %9.2fs %9.2fs %7.1fx\n' "    (c) CPU time (user + system)" "$c_ours_cpu" "$c_ff_cpu" "$(echo "$c_ff_cpu / $c_ours_cpu" | bc -l)"
echo "(ratio = ffmpeg time / afconvert time; targets: (a) >= 3, (b) >= 1.8 over -j 1, (c) >= 1.8, peak < 50 MB)"

echo
echo "making the corpus: MP3 3 min, M4A 1 min, FLAC 5 min, 24-bit WAV 10 min"
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth 600 pinknoise vol 0.3
ffmpeg -nostdin -v error -y -t 180 -i "$work/music.wav" -c:a libmp3lame -b:a 192k "$work/corpus.mp3"
ffmpeg -nostdin -v error -y -t 60 -i "$work/music.wav" -c:a aac -b:a 160k "$work/corpus.m4a"
sox "$work/music.wav" -b 24 "$work/corpus.flac" trim 0 300
sox "$work/music.wav" -b 24 -r 48000 "$work/corpus24.wav"
printf '\n%-44s %10s %10s %8s %12s %12s %8s\n' "(d) corpus" "afconvert" "ffmpeg" "ratio" "ours peak" "ffmpeg peak" "CPU ratio"
for input in corpus.mp3 corpus.m4a corpus.flac corpus24.wav; do
    read -r o_t o_kb o_cpu < <(peak "$tool" -f caff -d aac --no-filler -s 1 -b 128000 "$work/$input" "$work/d-ours.caf")
    read -r f_t f_kb f_cpu < <(peak ffmpeg -nostdin -v error -y -i "$work/$input" -c:a aac -b:a 128k "$work/d-ffmpeg.m4a")
    printf '%-44s %9.2fs %9.2fs %7.1fx %10s KB %10s KB %7.1fx\n' "    $input -> AAC 128 kbit/s" \
        "$o_t" "$f_t" "$(echo "$f_t / $o_t" | bc -l)" "$o_kb" "$f_kb" "$(echo "$f_cpu / $o_cpu" | bc -l)"
    read -r o_t o_kb o_cpu < <(peak "$tool" -f caff -d ima4 --no-filler -c 1 "$work/$input" "$work/d-ours.caf")
    read -r f_t f_kb f_cpu < <(peak ffmpeg -nostdin -v error -y -i "$work/$input" -ac 1 -c:a adpcm_ima_qt "$work/d-ffmpeg.caf")
    printf '%-44s %9.2fs %9.2fs %7.1fx %10s KB %10s KB %7.1fx\n' "    $input -> IMA4 mono" \
        "$o_t" "$f_t" "$(echo "$f_t / $o_t" | bc -l)" "$o_kb" "$f_kb" "$(echo "$f_cpu / $o_cpu" | bc -l)"
done
echo "(CPU ratio = ffmpeg CPU time / afconvert CPU time, user + system; steadier on a busy machine)"

if [[ ${SONDREL_BENCH_TWO_HOURS:-1} != 0 ]]; then
    echo
    echo "making a two-hour WAV (pink noise, 44.1 kHz stereo)"
    sox -n -r 44100 -c 2 -b 16 "$work/twohours.wav" synth 7200 pinknoise vol 0.3
    read -r e_t e_kb e_cpu < <(peak "$tool" -f caff -d aac --no-filler -s 1 -b 128000 "$work/twohours.wav" "$work/twohours.caf")
    printf '%-44s %9.2fs %12s KB %9.2fs CPU\n' "(e) 2 h WAV -> AAC 128 kbit/s, every core" "$e_t" "$e_kb" "$e_cpu"
    rm -f "$work/twohours.wav" "$work/twohours.caf"
fi

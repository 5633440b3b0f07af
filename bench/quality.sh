#!/usr/bin/env bash
# The AAC strategies' sound quality and real bit rates, beside ffmpeg's own AAC
# encoder at the same nominal rate:
#   bench/quality.sh [build-dir]     (default build/main; afconvert is built there)
#
# Renders its own corpus of stereo clips, ten seconds each: at 48 kHz four
# pieces of General MIDI music (fluidsynth, fluid-soundfont-gm), two voices
# (espeak-ng) and three game effects (sox); and a held-out set named held-*
# that the encoder is never tuned on, so that settings fitted to the rest show
# where they do not carry over: at 44.1 kHz a piece, a voice in a room and menu
# sounds; and three more pieces, a voice and foley (at 48 kHz, the synthwave
# piece and the voice at 44.1).
# PEAQ grades at 48 kHz only: a 44.1 kHz clip and its decoded file both go
# through the same resampler before grading. Every clip is encoded by ffmpeg (-c:a aac
# -b:a RATE: FFmpeg's encoder) and by afconvert with each strategy (-s 0 to 3:
# our encoder) at 64, 96, 128 and 256 kbit/s. Both are decoded by faad2, which shares no code with FFmpeg (our
# CAF packets re-wrapped as ADTS by bench/quality_aac.py), and graded with PEAQ
# (ITU-R BS.1387, advanced model): the objective difference grade, 0 = no
# audible difference, -4 = very annoying. The PEAQ meter is built once into
# build/peaq from the build-peaq.sh script named by $PEAQ_BUILD_SCRIPT (default
# ../shared/tools/build-peaq.sh beside this repository, the team's tools).
#
# Prints, for each rate, the mean ODG and the mean real bit rate over the clips
# (audio bytes of the whole clip over its duration), and the highest bit rate
# any second of any clip reached; then, per strategy, the difference from
# ffmpeg's grade clip by clip: its mean and the worst clip. Per-clip figures go to build/quality/results.txt.
# The corpus is the same in every run (sox in repeatable mode, fluidsynth's
# floating-point output made 16-bit by sox).
# SONDREL_QUALITY_RATES and SONDREL_QUALITY_CLIPS narrow the run (space-separated);
# SONDREL_QUALITY_AFCONVERT grades another afconvert (an older build, say) instead
# of building one; SONDREL_QUALITY_OUT moves build/quality.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/main}
peaq_script=${PEAQ_BUILD_SCRIPT:-$root/../shared/tools/build-peaq.sh}
rates=${SONDREL_QUALITY_RATES:-64 96 128 256}
out=${SONDREL_QUALITY_OUT:-$root/build/quality}
corpus=$out/corpus
tool=${SONDREL_QUALITY_AFCONVERT:-$build/bin/afconvert}

"$root/scripts/install-deps.sh" --bench
[[ -n ${SONDREL_QUALITY_AFCONVERT:-} ]] || "$root/scripts/build.sh" "$build" -- afconvert >/dev/null
if [[ ! -x $root/build/peaq/peaq ]]; then
    [[ -x $peaq_script ]] || { echo "PEAQ build script not found: $peaq_script" >&2; exit 1; }
    "$peaq_script" "$root/build/peaq"
fi
export GST_PLUGIN_PATH=$root/build/peaq/lib
rm -rf "$out" && mkdir -p "$corpus" "$out/work"

echo "rendering the corpus in $corpus"
finish() { # finish RAW NAME [RATE]: stereo 16-bit at RATE (48 kHz), ten seconds, peak at -1 dBFS
    local rate=${3:-48000}
    sox -R -V1 "$1" -r "$rate" -c 2 -b 16 "$corpus/$2.wav" rate -v "$rate" channels 2 \
        gain -n -1 pad 0 10 trim 0s "$((rate * 10))s" fade q 0 10 0.05
}
raw=$out/work
sf2=/usr/share/sounds/sf2/FluidR3_GM.sf2
python3 "$root/bench/quality_midi.py" "$raw"
for piece in piano band orchestra chiptune; do
    fluidsynth -q -n -i -g 0.6 -r 48000 -O float -T wav -F "$raw/$piece.wav" "$sf2" "$raw/$piece.mid" \
        >/dev/null
    finish "$raw/$piece.wav" "music-$piece"
done
espeak-ng -v en-us -s 150 -w "$raw/voice1.wav" "Welcome back, commander. The northern gate has \
fallen, and the enemy is moving through the valley. Gather your forces at the old bridge."
espeak-ng -v en-gb+f3 -s 140 -p 60 -w "$raw/voice2.wav" "Seven crystals remain hidden in the \
forest. Find the blue one first: it opens the tower door. Careful! Something is watching you."
finish "$raw/voice1.wav" speech-male
finish "$raw/voice2.wav" speech-female
fx() { sox -R -V1 -n -r 48000 -c 2 -b 16 "$raw/$1.wav" "${@:2}"; }
# Arcade: coins, laser shots, a jump and an explosion.
fx coin1 synth 0.08 square 988 gain -10
fx coin2 synth 0.4 square 1319 fade q 0 0.4 0.35 gain -10
fx zap synth 0.35 square 2000-200 fade q 0.005 0.35 0.1 gain -8
fx jump synth 0.3 sine 300-900 fade q 0.01 0.3 0.1 gain -6
fx boom synth 2.5 brownnoise synth 2.5 pinknoise mix fade q 0.005 2.5 2.4 lowpass 1200 \
    overdrive 6 gain -8 reverb 60 gain -n -3
fx gap trim 0 0.3
(cd "$raw" && sox -R -V1 coin1.wav coin2.wav gap.wav zap.wav gap.wav zap.wav zap.wav gap.wav jump.wav \
    gap.wav coin1.wav coin2.wav boom.wav gap.wav jump.wav jump.wav gap.wav zap.wav boom.wav arcade.wav)
finish "$raw/arcade.wav" fx-arcade
# Weather: rain and gusting wind, with a roll of thunder.
fx rain synth 10 pinknoise highpass 2000 tremolo 7 30 gain -n -14
fx wind synth 10 brownnoise bandpass 400 300 tremolo 0.3 60 gain -n -10
fx thunder synth 4 brownnoise fade q 0.3 4 3 lowpass 300 gain -n -4 pad 4
sox -R -V1 -m "$raw/rain.wav" "$raw/wind.wav" "$raw/thunder.wav" "$raw/weather.wav"
finish "$raw/weather.wav" fx-weather
# Impacts: footsteps, a metal clash ringing out and a heavy door.
fx step synth 0.12 pinknoise fade q 0.002 0.12 0.1 bandpass 900 600 gain -n -6 pad 0 0.33
fx clash synth 1.5 sine 1187 sine 2311 sine 3571 sine 5123 sine 7001 remix 1-5 1-5 \
    fade q 0.001 1.5 1.45 gain -n -4
fx door synth 1.2 brownnoise synth 1.2 sawtooth mix 55 fade q 0.01 1.2 1 lowpass 600 gain -n -3
(cd "$raw" && sox -R -V1 step.wav step.wav step.wav step.wav step.wav step.wav clash.wav step.wav \
    step.wav step.wav door.wav step.wav step.wav step.wav clash.wav impacts.wav)
finish "$raw/impacts.wav" fx-impacts

# The held-out set, at 44.1 kHz.
fluidsynth -q -n -i -g 0.6 -r 44100 -O float -T wav -F "$raw/jazz.wav" "$sf2" "$raw/jazz.mid" >/dev/null
finish "$raw/jazz.wav" held-music-jazz 44100
espeak-ng -v en-us+m3 -s 165 -p 35 -w "$raw/voice3.wav" "Attention all units. The reactor core \
is unstable. Evacuate sectors four through nine, then seal the blast doors behind you. Go now!"
sox -R -V1 "$raw/voice3.wav" "$raw/voice3-room.wav" rate -v 44100 reverb 40 50 60 gain -n -3
finish "$raw/voice3-room.wav" held-speech-room 44100
ui() { sox -R -V1 -n -r 44100 -c 2 -b 16 "$raw/$1.wav" "${@:2}"; }
# Menu sounds: ticks, a glassy chime, a swept whoosh moving across, a confirm.
ui tick synth 0.015 square 3200 fade q 0.001 0.015 0.01 gain -12 pad 0 0.22
ui chime synth 1.6 sine 2093 sine 3136 sine 4186 sine 6272 remix 1-4 1-4 fade q 0.002 1.6 1.55 \
    gain -n -6
ui whoosh synth 0.9 pinknoise bandpass 3000 2000 fade q 0.3 0.9 0.4 remix 1v1 1v0.3 gain -n -8
ui whoosh2 synth 0.9 pinknoise bandpass 3000 2000 fade q 0.3 0.9 0.4 remix 1v0.3 1v1 gain -n -8
ui confirm synth 0.12 square 660 synth 0.2 square 990 fade q 0.002 0.2 0.1 gain -12 pad 0 0.3
(cd "$raw" && sox -R -V1 tick.wav tick.wav tick.wav chime.wav whoosh.wav whoosh2.wav tick.wav \
    tick.wav confirm.wav chime.wav tick.wav whoosh.wav confirm.wav tick.wav tick.wav chime.wav ui.wav)
finish "$raw/ui.wav" held-fx-ui 44100
# Held out later, never graded before they joined: three pieces, a voice, foley.
for piece in folk synthwave fairy; do
    fluidsynth -q -n -i -g 0.6 -r 48000 -O float -T wav -F "$raw/$piece.wav" "$sf2" "$raw/$piece.mid" \
        >/dev/null
done
finish "$raw/folk.wav" held-music-folk
finish "$raw/synthwave.wav" held-music-synthwave 44100
finish "$raw/fairy.wav" held-music-fairy
espeak-ng -v en-us+m3 -s 165 -p 35 -w "$raw/voice4.wav" "Mission update. The convoy will arrive at \
dawn, so keep the landing zone clear. Sensors show heavy rain moving in from the west; expect poor \
visibility."
finish "$raw/voice4.wav" held-speech-convoy 44100
# Foley: footsteps, a door, an alarm, an engine running.
fx foley-step synth 0.06 brownnoise fade q 0.001 0.06 0.05 lowpass 900 gain -4
fx foley-gap trim 0 0.45
fx foley-door synth 0.9 sine 90-60 synth 0.9 brownnoise mix fade q 0.01 0.9 0.7 lowpass 500 \
    overdrive 4 gain -10
fx foley-alarm synth 1.2 sine 880 synth 1.2 sine amod 6 gain -12
fx foley-engine synth 3 sawtooth 55 synth 3 pinknoise mix lowpass 1500 tremolo 8 40 gain -14
(cd "$raw" && sox -R -V1 foley-step.wav foley-gap.wav foley-step.wav foley-gap.wav foley-step.wav \
    foley-gap.wav foley-door.wav foley-gap.wav foley-alarm.wav foley-engine.wav foley-step.wav \
    foley-gap.wav foley-step.wav foley.wav)
finish "$raw/foley.wav" held-fx-foley

clips=${SONDREL_QUALITY_CLIPS:-$(cd "$corpus" && ls -- *.wav | sed 's/\.wav$//')}
# grade NAME DECODED SKIP: the ODG of a decoded file against the clip, from frame SKIP on.
# A clip at another rate than 48 kHz is graded, like its decoded file, resampled to 48 kHz.
grade() {
    local reference=$corpus/$1.wav
    sox -R -V1 "$2" -b 16 "$out/work/graded.wav" trim "${3}s" "${frames}s"
    if [[ $rate != 48000 ]]; then
        reference=$out/work/reference48.wav
        sox -R -V1 "$corpus/$1.wav" "$reference" rate -v 48000
        sox -R -V1 "$out/work/graded.wav" "$out/work/graded48.wav" rate -v 48000
        mv "$out/work/graded48.wav" "$out/work/graded.wav"
    fi
    "$root/build/peaq/peaq" --advanced "$reference" "$out/work/graded.wav" 2>/dev/null |
        awk '/Objective Difference Grade/ {print $NF}'
}
results=$out/results.txt
echo "# clip coder kbps odg bit_rate peak_second" >"$results"
for clip in $clips; do
    rate=$(soxi -r "$corpus/$clip.wav")
    frames=$((rate * 10))
    for kbps in $rates; do
        w=$out/work
        ffmpeg -nostdin -v error -y -i "$corpus/$clip.wav" -c:a aac -b:a "${kbps}k" -f adts "$w/ff.aac"
        faad -q -o "$w/ff.wav" "$w/ff.aac"
        read -r _ bytes peak < <(python3 "$root/bench/quality_aac.py" adts "$w/ff.aac")
        # faad leaves out the first packet's output: exactly ffmpeg's 1024 frames of priming.
        echo "$clip ffmpeg $kbps $(grade "$clip" "$w/ff.wav" 0) $((bytes * 8 * rate / frames)) $peak" |
            tee -a "$results"
        for strategy in 0 1 2 3; do
            "$tool" -f caff -d aac --no-filler -s "$strategy" -b "${kbps}000" "$corpus/$clip.wav" \
                "$w/ours.caf" >/dev/null
            read -r priming valid bytes peak < <(python3 "$root/bench/quality_aac.py" caf "$w/ours.caf" "$w/ours.aac")
            [[ $valid == "$frames" ]] || { echo "$clip: $valid valid frames, not $frames" >&2; exit 1; }
            faad -q -o "$w/ours.wav" "$w/ours.aac"
            echo "$clip s$strategy $kbps $(grade "$clip" "$w/ours.wav" $((priming - 1024))) \
$((bytes * 8 * rate / frames)) $peak" | tee -a "$results"
        done
    done
done

echo
echo "== mean over $(echo "$clips" | wc -w) clips: ODG (real kbit/s); highest one-second rate of any clip =="
awk -v rates="$rates" '
    !/^#/ { key = $2 " " $3; odg[key] += $4; rate[key] += $5; n[key]++
            if ($6 > peak[key]) peak[key] = $6 }
    END {
        split("ffmpeg s0 s1 s2 s3", coders, " ")
        split("ffmpeg CBR ABR VBR_Con VBR", names, " ")
        printf "| %-8s |", "kbit/s"
        for (c = 1; c <= 5; c++) printf " %-22s |", names[c]
        printf "\n"
        count = split(rates, list, " ")
        for (r = 1; r <= count; r++) {
            printf "| %-8s |", list[r]
            for (c = 1; c <= 5; c++) {
                key = coders[c] " " list[r]
                printf " %5.2f (%3.0f) peak %3.0f |", odg[key] / n[key], rate[key] / n[key] / 1000,
                       peak[key] / 1000
            }
            printf "\n"
        }
    }' "$results"

# paired [PATTERN]: ours minus ffmpeg per clip (clips whose name matches PATTERN).
paired() {
    awk -v rates="$rates" -v only="${1:-.}" '
    !/^#/ && $1 ~ only { odg[$1 " " $2 " " $3] = $4; clip[$1] = 1 }
    END {
        split("s0 s1 s2 s3", coders, " ")
        split("CBR ABR VBR_Con VBR", names, " ")
        printf "| %-8s |", "kbit/s"
        for (c = 1; c <= 4; c++) printf " %-20s |", names[c]
        printf "\n"
        count = split(rates, list, " ")
        for (r = 1; r <= count; r++) {
            printf "| %-8s |", list[r]
            for (c = 1; c <= 4; c++) {
                sum = 0; n = 0; worst = 99
                for (k in clip) {
                    d = odg[k " " coders[c] " " list[r]] - odg[k " ffmpeg " list[r]]
                    sum += d; n++
                    if (d < worst) worst = d
                }
                printf " %+5.2f, worst %+5.2f |", sum / n, worst
            }
            printf "\n"
        }
    }' "$results"
}
echo
echo "== paired per clip against ffmpeg's encoder: mean and worst (ours - ffmpeg) ODG =="
paired
if grep -q '^held-' "$results"; then
    echo
    echo "== the same over the held-out clips only =="
    paired '^held-'
fi

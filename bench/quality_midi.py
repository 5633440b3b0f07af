#!/usr/bin/env python3
"""Writes the General MIDI pieces of the quality benchmark's corpus.

    quality_midi.py OUTDIR   -> OUTDIR/piano.mid, band.mid, orchestra.mid, chiptune.mid,
                                jazz.mid, folk.mid, synthwave.mid, fairy.mid

Each piece lasts about ten seconds at 120 beats a minute and stands for a kind
of game music: a solo piano, a rock band with drums, sustained orchestral
strings and brass, square-wave chiptune over a drum machine; and the held-out
pieces, which the encoder is never tuned on: a jazz combo, a folk duet of
guitar and flute, synthwave (pad, arpeggio, bass, drum machine) and a fairy
tale scene (harp runs, celesta, choir). The notes come from fixed
progressions, so every run writes the same files.
"""
import struct
import sys
from pathlib import Path

TICKS = 480  # per beat
DRUMS = 9    # General MIDI's percussion channel (10, counted from 1)


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


class Track:
    def __init__(self, channel, program=None, volume=100, pan=64):
        self.channel = channel
        self.events = []  # (tick, order, bytes): note-offs sort before note-ons
        if program is not None:
            self.events.append((0, 0, bytes([0xC0 | channel, program])))
        self.events.append((0, 0, bytes([0xB0 | channel, 7, volume])))
        self.events.append((0, 0, bytes([0xB0 | channel, 10, pan])))

    def note(self, beat, beats, key, velocity=90):
        start = round(beat * TICKS)
        end = round((beat + beats) * TICKS)
        self.events.append((start, 2, bytes([0x90 | self.channel, key, velocity])))
        self.events.append((end, 1, bytes([0x80 | self.channel, key, 0])))

    def chord(self, beat, beats, keys, velocity=80):
        for key in keys:
            self.note(beat, beats, key, velocity)

    def chunk(self):
        body = b""
        now = 0
        for tick, _, data in sorted(self.events, key=lambda e: (e[0], e[1])):
            body += vlq(tick - now) + data
            now = tick
        body += vlq(0) + b"\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(body)) + body


def write(path, tracks):
    tempo = Track(0)
    tempo.events = [(0, 0, b"\xff\x51\x03\x07\xa1\x20")]  # 500,000 us a beat
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks) + 1, TICKS)
    data += tempo.chunk() + b"".join(t.chunk() for t in tracks)
    Path(path).write_bytes(data)


# I - vi - IV - V in C, as root, third, fifth.
PROGRESSION = [(48, 52, 55), (45, 48, 52), (41, 45, 48), (43, 47, 50)]
MELODY = [72, 74, 76, 79, 77, 76, 74, 72, 69, 71, 72, 74, 76, 74, 71, 67]


def piano(path):
    p = Track(0, 0)  # acoustic grand
    for bar in range(5):
        root = PROGRESSION[bar % 4]
        for step in range(8):  # broken chord in eighths
            p.note(bar * 4 + step / 2, 0.5, root[step % 3] + (12 if step >= 3 else 0), 70)
        for i in range(4):
            p.note(bar * 4 + i, 1, MELODY[(bar * 4 + i) % 16], 95)
    write(path, [p])


def drum_bar(d, bar, fill=False):
    for beat in range(4):
        d.note(bar * 4 + beat, 0.25, 36 if beat % 2 == 0 else 38, 110)  # kick, snare
        for half in (0, 0.5):
            d.note(bar * 4 + beat + half, 0.25, 42, 70)  # closed hi-hat
    if fill:
        for i in range(4):
            d.note(bar * 4 + 3 + i / 4, 0.25, 45 + i * 2, 100)  # toms
    if bar % 4 == 0:
        d.note(bar * 4, 2, 49, 100)  # crash


def band(path):
    drums, bass = Track(DRUMS), Track(1, 33, 110, 60)  # finger bass
    guitar, lead = Track(2, 29, 85, 40), Track(3, 30, 95, 88)  # overdriven, distortion
    for bar in range(5):
        drum_bar(drums, bar, fill=bar == 3)
        root = PROGRESSION[bar % 4]
        for step in range(8):
            bass.note(bar * 4 + step / 2, 0.45, root[0] - 12, 100)
        for beat in (0, 1.5, 2, 3.5):
            guitar.chord(bar * 4 + beat, 0.4, [root[0], root[0] + 7, root[0] + 12], 90)
        for i in range(8):
            lead.note(bar * 4 + i / 2, 0.5, MELODY[(bar * 8 + i) % 16] - 12, 90)
    write(path, [drums, bass, guitar, lead])


def orchestra(path):
    strings, brass = Track(0, 48, 100, 50), Track(1, 61, 90, 78)  # ensemble, brass section
    cellos, timpani = Track(2, 42, 100, 40), Track(3, 47, 110, 64)
    flute = Track(4, 73, 90, 90)
    for bar in range(5):
        root = PROGRESSION[bar % 4]
        strings.chord(bar * 4, 4, [k + 12 for k in root], 80)
        cellos.note(bar * 4, 4, root[0] - 12, 90)
        brass.chord(bar * 4 + 2, 2, [root[0], root[2]], 85)
        timpani.note(bar * 4, 1, root[0] - 12, 110)
        timpani.note(bar * 4 + 3.5, 0.5, root[0] - 12, 90)
        for i in range(4):
            flute.note(bar * 4 + i, 1, MELODY[(bar * 4 + i + 5) % 16] + 12, 80)
    write(path, [strings, brass, cellos, timpani, flute])


def chiptune(path):
    lead, bass = Track(0, 80, 90, 64), Track(1, 38, 100, 64)  # square lead, synth bass
    pad, drums = Track(2, 89, 70, 64), Track(DRUMS)  # warm pad
    for bar in range(5):
        root = PROGRESSION[bar % 4]
        pad.chord(bar * 4, 4, [k + 12 for k in root], 60)
        for step in range(16):  # sixteenth arpeggio
            lead.note(bar * 4 + step / 4, 0.22, root[step % 3] + 24, 85)
        for step in range(4):
            bass.note(bar * 4 + step, 0.9, root[0] - 12 + (7 if step % 2 else 0), 105)
        drum_bar(drums, bar)
    write(path, [lead, bass, pad, drums])


# ii - V - I - vi in F, as seventh chords.
JAZZ_CHORDS = [(43, 46, 50, 53), (48, 52, 55, 58), (41, 45, 48, 52), (50, 53, 57, 60)]
JAZZ_LINE = [65, 67, 69, 72, 70, 69, 67, 64, 65, 62, 60, 62, 64, 67, 65, 69]


def jazz(path):
    sax, bass = Track(0, 66, 100, 76), Track(1, 32, 105, 56)  # tenor sax, acoustic bass
    keys, drums = Track(2, 4, 75, 44), Track(DRUMS)  # electric piano
    for bar in range(5):
        chord = JAZZ_CHORDS[bar % 4]
        for beat in range(4):  # walking bass, ride with the hi-hat's foot on 2 and 4
            bass.note(bar * 4 + beat, 0.9, chord[beat % 4] - 12, 100)
            drums.note(bar * 4 + beat, 0.5, 51, 80)
            if beat % 2:
                drums.note(bar * 4 + beat, 0.25, 44, 70)
                drums.note(bar * 4 + beat + 2 / 3, 0.25, 51, 60)
        for beat in (0.5, 2.66):  # comping off the beat
            keys.chord(bar * 4 + beat, 0.6, chord, 70)
        for i in range(6):  # swung eighths
            sax.note(bar * 4 + i * 2 / 3, 0.6, JAZZ_LINE[(bar * 6 + i) % 16], 95)
    write(path, [sax, bass, keys, drums])


# i - VI - VII - v in A minor.
FOLK_CHORDS = [(45, (57, 60, 64)), (41, (57, 60, 65)), (43, (55, 59, 62)), (40, (55, 59, 64))]
FOLK_LINE = [76, 74, 72, 74, 76, 76, 76, 74, 74, 74, 76, 79, 79, 76, 74, 72, 74, 76, 76, 76]


def folk(path):
    guitar, flute = Track(0, 24, 100, 50), Track(1, 73, 90, 80)  # nylon guitar, flute
    for bar in range(5):
        root, chord = FOLK_CHORDS[bar % 4]
        picking = [root, chord[0], chord[1], chord[2], chord[1], chord[0], root + 12, chord[2]]
        for i, key in enumerate(picking):
            guitar.note(bar * 4 + i / 2, 0.9, key, 70 + (i % 2) * 12)
    for i, key in enumerate(FOLK_LINE):
        flute.note(i, 0.95, key, 85)
    write(path, [guitar, flute])


SYNTH_CHORDS = [(57, 60, 64), (53, 57, 60), (55, 59, 62), (52, 55, 59)]


def synthwave(path):
    pad, lead = Track(0, 89, 80, 64), Track(1, 81, 85, 70)  # warm pad, sawtooth lead
    bass, drums = Track(2, 38, 100, 64), Track(DRUMS)  # synth bass
    for bar in range(5):
        chord = SYNTH_CHORDS[bar % 4]
        pad.chord(bar * 4, 4, chord, 70)
        for i in range(16):  # sixteenth arpeggio over two octaves
            lead.note(bar * 4 + i / 4, 0.22, chord[i % 3] + 12 * (1 + (i // 6) % 2), 80)
        for i in range(8):
            bass.note(bar * 4 + i / 2, 0.45, chord[0] - 24, 95)
        for beat in range(4):
            drums.note(bar * 4 + beat, 0.2, 36 if beat % 2 == 0 else 38, 110)
            drums.note(bar * 4 + beat + 0.5, 0.2, 42, 70)
    write(path, [pad, lead, bass, drums])


FAIRY_RUN = [60, 62, 64, 67, 69, 72, 74, 76, 79, 81, 84]
FAIRY_CHORDS = [(60, 64, 67), (57, 60, 64), (53, 57, 60), (55, 59, 62)]


def fairy(path):
    harp, celesta, choir = Track(0, 46, 95, 40), Track(1, 8, 85, 90), Track(2, 52, 75, 64)
    for bar in range(5):
        for i, key in enumerate(FAIRY_RUN):  # a rising run, left to ring
            harp.note(bar * 4 + i * 0.12, 2.0, key - 12 + (bar % 2) * 2, 75)
        for i, key in enumerate((84, 88, 86, 91)):
            celesta.note(bar * 4 + 2 + i / 2, 0.6, key, 80)
        choir.chord(bar * 4, 4, FAIRY_CHORDS[bar % 4], 65)
    write(path, [harp, celesta, choir])


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, make in (("piano", piano), ("band", band), ("orchestra", orchestra),
                       ("chiptune", chiptune), ("jazz", jazz), ("folk", folk),
                       ("synthwave", synthwave), ("fairy", fairy)):
        make(out / f"{name}.mid")


if __name__ == "__main__":
    main()

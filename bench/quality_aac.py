#!/usr/bin/env python3
"""AAC stream helpers for the quality benchmark, sharing no code with FFmpeg.

    quality_aac.py caf IN.caf OUT.aac
        Re-wraps the AAC packets of a CAF file as an ADTS stream (from the
        packet table and the cookie's AudioSpecificConfig) for faad, and
        prints "priming valid_frames audio_bytes peak_bit_rate".
    quality_aac.py adts IN.aac
        Prints "frames audio_bytes peak_bit_rate" of an ADTS stream
        (audio bytes without the ADTS headers).

peak_bit_rate is the highest bit rate over any run of packets lasting a
second, rounded up to whole packets (as afconvert counts it).
"""
import math
import struct
import sys
from pathlib import Path

RATES = [96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350]


def varint(data, at):
    """A big-endian base-128 number (packet table entries, descriptor lengths)."""
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def chunks(data):
    at = 8
    while at + 12 <= len(data):
        kind = data[at:at + 4].decode("latin-1")
        size = struct.unpack(">q", data[at + 4:at + 12])[0]
        body = at + 12
        end = len(data) if size < 0 else body + size
        yield kind, data[body:end]
        at = end


def descriptor(data, at):
    """(tag, body start, body end) of an MPEG-4 descriptor at `at`."""
    length, body = varint(data, at + 1)
    return data[at], body, body + length


def audio_specific_config(cookie):
    tag, at, _ = descriptor(cookie, 0)
    assert tag == 0x03, "cookie is not an ES_Descriptor"
    at += 3  # ES_ID, flags
    tag, at, _ = descriptor(cookie, at)
    assert tag == 0x04, "no DecoderConfigDescriptor"
    at += 13
    tag, at, end = descriptor(cookie, at)
    assert tag == 0x05, "no DecoderSpecificInfo"
    return cookie[at:end]


def adts_header(asc, payload):
    object_type = asc[0] >> 3
    rate_index = ((asc[0] & 7) << 1) | (asc[1] >> 7)
    channels = (asc[1] >> 3) & 15
    length = len(payload) + 7
    return bytes([
        0xFF, 0xF1,
        ((object_type - 1) << 6) | (rate_index << 2) | (channels >> 2),
        ((channels & 3) << 6) | (length >> 11),
        (length >> 3) & 0xFF,
        ((length & 7) << 5) | 0x1F,
        0xFC,
    ])


def peak_second(sizes, rate):
    """The highest bit rate over any run of packets that lasts a second."""
    window = max(1, math.ceil(rate / 1024))
    run = best = sum(sizes[:window])
    for i in range(window, len(sizes)):
        run += sizes[i] - sizes[i - window]
        best = max(best, run)
    return round(best * 8 * rate / (1024 * min(window, max(1, len(sizes)))))


def caf(source, target):
    data = Path(source).read_bytes()
    parts = dict(chunks(data))
    desc, pakt = parts["desc"], parts["pakt"]
    rate = struct.unpack(">d", desc[:8])[0]
    assert desc[8:12] == b"aac ", "not an AAC CAF file"
    packets, valid, priming, _ = struct.unpack(">qqii", pakt[:24])
    asc = audio_specific_config(parts["kuki"])
    audio = parts["data"][4:]
    sizes, at = [], 24
    for _ in range(packets):
        size, at = varint(pakt, at)
        sizes.append(size)
    out, offset = bytearray(), 0
    for size in sizes:
        payload = audio[offset:offset + size]
        offset += size
        out += adts_header(asc, payload) + payload
    Path(target).write_bytes(out)
    print(priming, valid, offset, peak_second(sizes, rate))


def adts(source):
    data = Path(source).read_bytes()
    sizes, at, rate = [], 0, 0
    while at + 7 <= len(data):
        assert data[at] == 0xFF and data[at + 1] & 0xF0 == 0xF0, "lost ADTS sync"
        rate = RATES[(data[at + 2] >> 2) & 15]
        length = ((data[at + 3] & 3) << 11) | (data[at + 4] << 3) | (data[at + 5] >> 5)
        header = 7 if data[at + 1] & 1 else 9
        sizes.append(length - header)
        at += length
    print(len(sizes) * 1024, sum(sizes), peak_second(sizes, rate))


if __name__ == "__main__":
    if sys.argv[1] == "caf":
        caf(sys.argv[2], sys.argv[3])
    else:
        adts(sys.argv[2])

#!/usr/bin/env python3
"""Draws the two pictures Sondrel carries and writes them as PNG files beside this script.

  about.png  256 x 256, 8-bit palette with tRNS: the application's picture in the About window,
             a rounded tile with a warm-to-violet gradient and a white sound wave.
  drop.png   800 x 500, 8-bit RGBA: the drop area's background, a transparent ground with a
             downward arrowhead at the top centre and a short bar at the bottom centre, black at
             alpha 127.

Only the standard library is used; shapes are drawn from signed distances, which gives
antialiased edges without supersampling. Run it again after changing a drawing:
    python3 resources/draw_pictures.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


# --- PNG writing -------------------------------------------------------------------------------

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_file(width, height, color_type, rows, extra_chunks=b""):
    """rows: one bytes object per row, already in the colour type's layout."""
    header = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra_chunks +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# --- shapes as signed distances (negative inside, in pixels) ---------------------------------

def rounded_box(px, py, cx, cy, half_w, half_h, radius):
    qx = abs(px - cx) - half_w + radius
    qy = abs(py - cy) - half_h + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def polygon(px, py, points):
    dist = float("inf")
    inside = False
    for i, (ax, ay) in enumerate(points):
        bx, by = points[i - 1]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        dist = min(dist, math.hypot(wx - ex * t, wy - ey * t))
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
    return -dist if inside else dist


def coverage(distance):
    """Area of a pixel covered by a shape whose edge lies `distance` from its centre."""
    return max(0.0, min(1.0, 0.5 - distance))


def over(dst, src, alpha):
    """Composites colour `src` at `alpha` over the straight-alpha pixel `dst` (r, g, b, a)."""
    if alpha <= 0.0:
        return dst
    dr, dg, db, da = dst
    out_a = alpha + da * (1.0 - alpha)
    if out_a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = lambda s, d: (s * alpha + d * da * (1.0 - alpha)) / out_a
    return (mix(src[0], dr), mix(src[1], dg), mix(src[2], db), out_a)


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


# --- the About picture -------------------------------------------------------------------------

CORAL = (255, 138, 92)
MAGENTA = (226, 72, 140)
VIOLET = (98, 60, 208)
WHITE = (255, 255, 255)
SHADOW = (30, 16, 60)

# Nine bars of a sound wave, symmetric about the centre.
BAR_HEIGHTS = [40, 76, 118, 150, 168, 150, 118, 76, 40]
BAR_WIDTH = 14
BAR_STEP = 22


def tile_color(x, y):
    """The tile's diagonal gradient, coral at the top left through magenta to violet."""
    t = max(0.0, min(1.0, (x + y - 40) / 432))
    color = lerp(CORAL, MAGENTA, t / 0.5) if t < 0.5 else lerp(MAGENTA, VIOLET, (t - 0.5) / 0.5)
    # A soft light behind the wave.
    glow = max(0.0, 1.0 - math.hypot(x - 128, y - 124) / 120) ** 2 * 0.22
    return lerp(color, WHITE, glow)


def about_pixel(x, y):
    px, py = x + 0.5, y + 0.5
    pixel = (0.0, 0.0, 0.0, 0.0)
    shadow = rounded_box(px, py + 0.0, 128, 134, 112, 112, 50)
    pixel = over(pixel, SHADOW, 0.28 * max(0.0, min(1.0, (8.0 - shadow) / 12.0)))
    tile = rounded_box(px, py, 128, 126, 110, 110, 48)
    pixel = over(pixel, tile_color(px, py), coverage(tile))
    # The tile grows a touch lighter towards its top, like a glazed icon.
    pixel = over(pixel, WHITE, 0.12 * coverage(tile) * max(0.0, 1.0 - (py - 16) / 150) ** 2)
    first = 128 - BAR_STEP * (len(BAR_HEIGHTS) - 1) / 2
    for i, height in enumerate(BAR_HEIGHTS):
        cx = first + i * BAR_STEP
        if abs(px - cx) > BAR_WIDTH:
            continue
        bar = rounded_box(px, py, cx, 126, BAR_WIDTH / 2, height / 2, BAR_WIDTH / 2)
        pixel = over(pixel, WHITE, coverage(bar) * 0.96)
    return pixel


def median_cut(colors, count):
    """Splits the weighted colour set {rgba: pixels} into `count` boxes; returns their means."""
    boxes = [list(colors.items())]
    while len(boxes) < count:
        def spread(box):
            return max(max(c[0][i] for c in box) - min(c[0][i] for c in box) for i in range(4))
        candidates = [b for b in boxes if len(b) > 1]
        if not candidates:
            break
        box = max(candidates, key=lambda b: spread(b) * sum(n for _, n in b))
        boxes.remove(box)
        channel = max(range(4), key=lambda i: max(c[0][i] for c in box) - min(c[0][i] for c in box))
        box.sort(key=lambda c: c[0][channel])
        total = sum(n for _, n in box)
        half, running, cut = total / 2, 0, 1
        for cut in range(1, len(box)):
            running += box[cut - 1][1]
            if running >= half:
                break
        boxes += [box[:cut], box[cut:]]
    means = []
    for box in boxes:
        total = sum(n for _, n in box)
        means.append(tuple(round(sum(c[i] * n for c, n in box) / total) for i in range(4)))
    return means


def draw_about():
    size = 256
    pixels = []
    for y in range(size):
        for x in range(size):
            r, g, b, a = about_pixel(x, y)
            if a < 1.0 / 255:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append((round(r), round(g), round(b), round(a * 255)))
    counts = {}
    for p in pixels:
        counts[p] = counts.get(p, 0) + 1
    palette = median_cut(counts, 256)
    # Transparent entries first, so the tRNS chunk stays short.
    palette.sort(key=lambda c: (c[3] == 255, c))
    nearest = {}
    for color in counts:
        nearest[color] = min(range(len(palette)), key=lambda i: sum(
            (palette[i][k] - color[k]) ** 2 * (2 if k == 3 else 1) for k in range(4)))
    indexes = bytes(nearest[p] for p in pixels)
    rows = [indexes[y * size:(y + 1) * size] for y in range(size)]
    plte = b"".join(bytes(c[:3]) for c in palette)
    trns = bytes(c[3] for c in palette if c[3] < 255)
    return png_file(size, size, 3, rows, chunk(b"PLTE", plte) + chunk(b"tRNS", trns))


# --- the drop pattern --------------------------------------------------------------------------

DROP_WIDTH, DROP_HEIGHT = 800, 500
DROP_ALPHA = 127
# A downward arrowhead at the top centre (below the prompt line) and a short bar at the bottom.
ARROWHEAD = [(400 - 110, 130), (400 + 110, 130), (400, 250)]
BAR = (400, 405, 150, 14, 10)  # centre x, centre y, half width, half height, corner radius


def draw_drop():
    rows = []
    for y in range(DROP_HEIGHT):
        row = bytearray(DROP_WIDTH * 4)
        py = y + 0.5
        for x in range(250, 550):
            px = x + 0.5
            shape = min(polygon(px, py, ARROWHEAD) if 120 <= y <= 260 else 1.0,
                        rounded_box(px, py, *BAR) if 380 <= y <= 430 else 1.0)
            row[x * 4 + 3] = round(DROP_ALPHA * coverage(shape))  # black: red, green, blue 0
        rows.append(bytes(row))
    return png_file(DROP_WIDTH, DROP_HEIGHT, 6, rows)


def main():
    for name, data in (("about.png", draw_about()), ("drop.png", draw_drop())):
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(data)
        print(f"wrote {name}: {len(data)} bytes")


if __name__ == "__main__":
    main()

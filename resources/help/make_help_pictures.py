#!/usr/bin/env python3
"""Draws the two pictures of the help page's example: a small landscape (the
photo to repaint) and a sunset (the template).  The repainted result is made
from them by the project's own tintavo tool at build time.

    make_help_pictures.py OUTPUT_FOLDER

Writes before.png and template.png.
"""
import math
import os
import struct
import sys
import zlib


def png_rgb(width, height, pixel):
    """An 8-bit RGB PNG whose pixel (x, y) is pixel(x, y)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for y in range(height):
        raw += b"\0"
        for x in range(width):
            raw += bytes(max(0, min(255, int(round(c)))) for c in pixel(x, y))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def landscape(x, y, width=240, height=160):
    """Blue sky, a pale sun, green hills, a lake and a shore."""
    u, v = x / width, y / height
    hill = 0.55 + 0.08 * math.sin(u * 7.0) + 0.04 * math.sin(u * 17.0 + 1.0)
    if v < hill:
        colour = mix((70, 120, 200), (190, 220, 240), v / hill)
        d = math.hypot(u - 0.72, v - 0.22)
        if d < 0.09:
            colour = mix((255, 250, 220), colour, (d / 0.09) ** 3)
        return colour
    if v < 0.78:
        shade = 0.5 + 0.5 * math.sin(u * 40.0 + v * 25.0)
        return mix((40, 110, 40), (110, 170, 60), shade * 0.6 + (v - hill) * 2)
    if v < 0.92:
        ripple = 0.5 + 0.5 * math.sin(v * 120.0 + u * 6.0)
        return mix((40, 90, 150), (90, 140, 190), ripple * 0.5)
    return mix((150, 130, 90), (200, 180, 130), (v - 0.92) / 0.08)


def sunset(x, y, width=120, height=80):
    """A sky from violet to orange over a dark sea."""
    u, v = x / width, y / height
    if v < 0.7:
        colour = mix((70, 40, 110), (250, 140, 50), v / 0.7)
        d = math.hypot(u - 0.5, v - 0.62)
        if d < 0.12:
            colour = mix((255, 220, 120), colour, d / 0.12)
        return colour
    return mix((90, 40, 60), (20, 10, 40), (v - 0.7) / 0.3)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "before.png"), "wb") as f:
        f.write(png_rgb(240, 160, landscape))
    with open(os.path.join(folder, "template.png"), "wb") as f:
        f.write(png_rgb(120, 80, sunset))


if __name__ == "__main__":
    main()

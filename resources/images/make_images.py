#!/usr/bin/env python3
"""Draws the plug-in's small resource pictures: the tool bar strip, the zoom
and pan cursors, the application icon and the preset row's save and delete
signs.

    make_images.py OUTPUT_FOLDER

Writes toolbar.bmp, zoom.cur, pan.cur, tintavo.ico, preset_save.png and
preset_delete.png.  The pictures are
drawn here from simple shapes, so they can be read and changed as code and
no binary picture is kept in the repository.
"""
import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# A tiny RGBA canvas with anti-aliased discs, rings and thick lines.
# ---------------------------------------------------------------------------


class Canvas:
    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[background for _ in range(width)] for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if not (0 <= x < self.width and 0 <= y < self.height) or coverage <= 0:
            return
        coverage = min(coverage, 1.0)
        r, g, b, a = colour
        a = a / 255.0 * coverage
        br, bg, bb, ba = self.pixels[y][x]
        ba = ba / 255.0
        out_a = a + ba * (1 - a)
        if out_a <= 0:
            return

        def mix(c, d):
            return (c * a + d * ba * (1 - a)) / out_a

        self.pixels[y][x] = (round(mix(r, br)), round(mix(g, bg)), round(mix(b, bb)), round(out_a * 255))

    def shape(self, distance, colour, samples=4):
        """Fills every pixel by the fraction of sub-samples where distance(x, y) <= 0."""
        for y in range(self.height):
            for x in range(self.width):
                hits = 0
                for sy in range(samples):
                    for sx in range(samples):
                        px = x + (sx + 0.5) / samples
                        py = y + (sy + 0.5) / samples
                        if distance(px, py) <= 0:
                            hits += 1
                self.blend(x, y, colour, hits / (samples * samples))

    def disc(self, cx, cy, radius, colour):
        self.shape(lambda x, y: math.hypot(x - cx, y - cy) - radius, colour)

    def ring(self, cx, cy, radius, width, colour):
        self.shape(lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - width / 2, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        def distance(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - width / 2

        self.shape(distance, colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.shape(lambda x, y: -1 if (x0 <= x <= x1 and y0 <= y <= y1) else 1, colour)


BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
GLASS = (170, 210, 240, 255)
HANDLE = (90, 60, 30, 255)


def magnifier(c, ox, oy, scale):
    c.disc(ox + 6 * scale, oy + 6 * scale, 4.2 * scale, GLASS)
    c.ring(ox + 6 * scale, oy + 6 * scale, 4.5 * scale, 1.4 * scale, BLACK)
    c.line(ox + 9.3 * scale, oy + 9.3 * scale, ox + 14 * scale, oy + 14 * scale, 2.4 * scale, HANDLE)


def four_arrows(c, ox, oy, scale, colour):
    cx, cy = ox + 7.5 * scale, oy + 7.5 * scale
    arm = 7.0 * scale
    c.line(cx - arm, cy, cx + arm, cy, 1.4 * scale, colour)
    c.line(cx, cy - arm, cx, cy + arm, 1.4 * scale, colour)
    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        # A filled head at each end of the cross.
        tip_x, tip_y = cx + dx * arm, cy + dy * arm
        back, half = 3.0 * scale, 2.2 * scale

        def head(x, y, tx=tip_x, ty=tip_y, dx=dx, dy=dy):
            along = (tx - x) * dx + (ty - y) * dy  # 0 at the tip, back at the base
            across = abs((x - tx) * -dy + (y - ty) * dx)
            if along < 0 or along > back:
                return 1
            return across - half * along / back

        c.shape(head, colour)


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------


def bmp_24(canvas, key):
    """A bottom-up 24-bit BMP; transparent pixels take the key colour."""
    row_bytes = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b, a = canvas.pixels[y][x]
            a /= 255.0
            row += bytes((round(b * a + key[2] * (1 - a)), round(g * a + key[1] * (1 - a)),
                          round(r * a + key[0] * (1 - a))))
        row += b"\0" * (row_bytes - len(row))
        data += row
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header)) + header + data


def dib_32_with_mask(canvas):
    """The image of an icon or cursor entry: a 32-bit DIB (height doubled) and
    its AND mask, both bottom-up."""
    w, h = canvas.width, canvas.height
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = canvas.pixels[y][x]
            pixels += bytes((b, g, r, a))
    mask_row = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(w):
            if canvas.pixels[y][x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def png_rgba(canvas):
    """An 8-bit RGBA PNG, rows top-down, no filtering."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for y in range(canvas.height):
        raw += b"\0"
        for x in range(canvas.width):
            raw += bytes(canvas.pixels[y][x])
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def icon_file(canvases, kind, hotspots=None):
    """An .ico (kind 1) or .cur (kind 2) file of the given canvases."""
    images = [dib_32_with_mask(c) for c in canvases]
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for i, (c, image) in enumerate(zip(canvases, images)):
        if kind == 1:
            planes, bits = 1, 32
        else:
            planes, bits = hotspots[i]
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, planes, bits, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


# ---------------------------------------------------------------------------
# The pictures
# ---------------------------------------------------------------------------


def toolbar():
    """Two 16 x 15 buttons: the zoom tool and the pan tool."""
    c = Canvas(32, 15)
    magnifier(c, 0.5, 0, 1.0)
    four_arrows(c, 16.5, 0, 1.0, BLACK)
    return bmp_24(c, (192, 192, 192))


def zoom_cursor():
    c = Canvas(32, 32)
    magnifier(c, 1, 1, 1.9)
    c.line(7.4, 12.4, 17.4, 12.4, 1.8, BLACK)  # the plus sign in the lens
    c.line(12.4, 7.4, 12.4, 17.4, 1.8, BLACK)
    return icon_file([c], 2, [(12, 12)])


def pan_cursor():
    c = Canvas(32, 32)
    four_arrows(c, 1, 1, 1.9, WHITE)  # a white outline under black arrows
    c2 = Canvas(32, 32)
    four_arrows(c2, 1, 1, 1.9, BLACK)
    for y in range(32):
        for x in range(32):
            r, g, b, a = c2.pixels[y][x]
            if a:
                c.blend(x, y, (r, g, b, 255), a / 255.0 * 0.9)
    return icon_file([c], 2, [(15, 15)])


def app_icon(size):
    """Three overlapping colour discs: a picture taking on other colours."""
    c = Canvas(size, size)
    s = size / 32.0
    c.disc(12 * s, 12 * s, 9.5 * s, (230, 80, 60, 235))
    c.disc(20 * s, 12 * s, 9.5 * s, (250, 200, 50, 215))
    c.disc(16 * s, 20 * s, 9.5 * s, (50, 120, 220, 205))
    c.ring(16 * s, 16 * s, 14.5 * s, 1.6 * s, (40, 40, 40, 255))
    return c


def preset_save():
    """A floppy disc: the preset is saved."""
    c = Canvas(14, 14)
    c.rect(1, 1, 12.9, 12.9, (40, 70, 140, 255))
    c.rect(3.5, 1, 10.4, 5.4, (235, 235, 235, 255))  # the label
    c.rect(8, 2, 9.4, 4.4, (40, 70, 140, 255))        # the shutter's window
    c.rect(3, 8, 10.9, 12.9, (200, 210, 230, 255))    # the metal shutter
    return png_rgba(c)


def preset_delete():
    """A red cross: the preset is deleted."""
    c = Canvas(14, 14)
    c.line(2.5, 2.5, 11.5, 11.5, 2.6, (200, 30, 30, 255))
    c.line(11.5, 2.5, 2.5, 11.5, 2.6, (200, 30, 30, 255))
    return png_rgba(c)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {
        "toolbar.bmp": toolbar(),
        "zoom.cur": zoom_cursor(),
        "pan.cur": pan_cursor(),
        "tintavo.ico": icon_file([app_icon(16), app_icon(32)], 1),
        "preset_save.png": preset_save(),
        "preset_delete.png": preset_delete(),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

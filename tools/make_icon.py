#!/usr/bin/env python3
"""Draws the application icon (a recorder screen with a measurement trace) and writes
res/VelmarDataLogger.ico with 48, 32 and 16 pixel images.

Standard library only, so it runs on any build host. Every image is a classic 32-bit
BMP-format entry with an AND mask, because PNG entries are not understood by older
shells at small sizes.

Usage: make_icon.py [output.ico] [--preview icon48.png] [--sheet sizes.png]
"""

import argparse
import math
import os
import struct
import zlib

SUPERSAMPLE = 4

BEZEL_TOP = (0x6A, 0x7B, 0x86)
BEZEL_BOTTOM = (0x39, 0x46, 0x4F)
OUTLINE = (0x1B, 0x24, 0x2A)
SCREEN = (0x0B, 0x24, 0x18)
SCREEN_EDGE = (0x05, 0x12, 0x0C)
GRID = (0x1E, 0x4A, 0x32)
TRACE = (0x63, 0xFF, 0x8E)
TRACE_GLOW = (0x2E, 0xC8, 0x5C)
LED = (0xFF, 0x3B, 0x30)
LED_HIGHLIGHT = (0xFF, 0xB0, 0xA8)
KEY = (0x8C, 0x9C, 0xA6)

# Trace vertices in screen-relative units: (0, 0) is the top left of the plot area.
TRACE_POINTS = [(0.00, 0.78), (0.18, 0.55), (0.34, 0.66), (0.52, 0.28),
                (0.70, 0.45), (0.86, 0.14), (1.00, 0.30)]

# Pixel geometry per size, chosen so that the rectangles' edges land on pixel boundaries.
GEOMETRY = {
    48: dict(body=(1, 4, 47, 44), radius=6, screen=(5, 8, 43, 34), screen_radius=2,
             plot_pad=3.0, grid=(4, 3), trace=2.6, glow=5.0, dots=1.9,
             led=(39.5, 39.0, 2.4), keys=[(6, 38, 12, 40), (14, 38, 20, 40)]),
    32: dict(body=(1, 3, 31, 29), radius=4, screen=(3, 5, 29, 22), screen_radius=1,
             plot_pad=2.0, grid=(4, 3), trace=2.0, glow=3.6, dots=1.4,
             led=(26.0, 25.5, 1.7), keys=[(4, 25, 9, 26)]),
    16: dict(body=(0, 1, 16, 15), radius=2, screen=(1, 2, 15, 11), screen_radius=0,
             plot_pad=1.0, grid=None, trace=1.7, glow=0.0, dots=0.0,
             led=(12.5, 12.75, 1.2), keys=[]),
}


def rounded_rect_cover(x0, y0, x1, y1, r):
    def inside(px, py):
        if px < x0 or px > x1 or py < y0 or py > y1:
            return False
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def circle_cover(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def polyline_cover(points, width):
    half = width / 2.0
    segments = list(zip(points, points[1:]))

    def inside(px, py):
        return any(segment_distance(px, py, a[0], a[1], b[0], b[1]) <= half
                   for a, b in segments)
    return inside


class Canvas:
    """Straight-alpha RGBA pixels, composited with supersampled coverage."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[(0, 0, 0, 0.0)] * size for _ in range(size)]

    def fill(self, inside, color, alpha=1.0, bounds=None):
        n = SUPERSAMPLE
        x0, y0, x1, y1 = bounds or (0, 0, self.size, self.size)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.size, int(math.ceil(x1))), min(self.size, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if inside(x + (sx + 0.5) / n, y + (sy + 0.5) / n):
                            hits += 1
                if hits:
                    c = color(x, y) if callable(color) else color
                    self.blend(x, y, c, alpha * hits / (n * n))

    def blend(self, x, y, rgb, a):
        r0, g0, b0, a0 = self.pixels[y][x]
        out = a + a0 * (1.0 - a)
        if out <= 0.0:
            return
        mix = [(c * a + c0 * a0 * (1.0 - a)) / out for c, c0 in zip(rgb, (r0, g0, b0))]
        self.pixels[y][x] = (mix[0], mix[1], mix[2], out)

    def rgba_rows(self):
        """Rows top to bottom of (r, g, b, a) bytes."""
        rows = []
        for row in self.pixels:
            rows.append([(int(round(r)), int(round(g)), int(round(b)), int(round(a * 255)))
                         for r, g, b, a in row])
        return rows


def lerp(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def draw_icon(size):
    g = GEOMETRY[size]
    canvas = Canvas(size)
    bx0, by0, bx1, by1 = g["body"]

    canvas.fill(rounded_rect_cover(bx0, by0, bx1, by1, g["radius"]), OUTLINE, bounds=g["body"])
    canvas.fill(rounded_rect_cover(bx0 + 1, by0 + 1, bx1 - 1, by1 - 1, max(g["radius"] - 1, 0)),
                lambda x, y: lerp(BEZEL_TOP, BEZEL_BOTTOM, (y - by0) / (by1 - by0)),
                bounds=g["body"])

    sx0, sy0, sx1, sy1 = g["screen"]
    canvas.fill(rounded_rect_cover(sx0, sy0, sx1, sy1, g["screen_radius"]), SCREEN_EDGE,
                bounds=g["screen"])
    canvas.fill(rounded_rect_cover(sx0 + 1, sy0 + 1, sx1 - 1, sy1 - 1, 0), SCREEN,
                bounds=g["screen"])

    pad = g["plot_pad"]
    px0, py0, px1, py1 = sx0 + pad, sy0 + pad, sx1 - pad, sy1 - pad

    if g["grid"]:
        cols, rows = g["grid"]
        for i in range(1, cols):
            gx = math.floor(px0 + (px1 - px0) * i / cols)
            canvas.fill(lambda x, y, gx=gx: gx <= x < gx + 1, GRID, 0.8,
                        bounds=(gx, sy0 + 1, gx + 1, sy1 - 1))
        for j in range(1, rows):
            gy = math.floor(py0 + (py1 - py0) * j / rows)
            canvas.fill(lambda x, y, gy=gy: gy <= y < gy + 1, GRID, 0.8,
                        bounds=(sx0 + 1, gy, sx1 - 1, gy + 1))

    points = [(px0 + (px1 - px0) * u, py0 + (py1 - py0) * v) for u, v in TRACE_POINTS]
    clip = rounded_rect_cover(sx0 + 1, sy0 + 1, sx1 - 1, sy1 - 1, 0)
    if g["glow"]:
        glow = polyline_cover(points, g["glow"])
        canvas.fill(lambda x, y: clip(x, y) and glow(x, y), TRACE_GLOW, 0.35, bounds=g["screen"])
    trace = polyline_cover(points, g["trace"])
    canvas.fill(lambda x, y: clip(x, y) and trace(x, y), TRACE, bounds=g["screen"])
    if g["dots"]:
        for x, y in points[1:-1]:
            canvas.fill(circle_cover(x, y, g["dots"]), (0xE8, 0xFF, 0xEE),
                        bounds=(x - 3, y - 3, x + 3, y + 3))

    for kx0, ky0, kx1, ky1 in g["keys"]:
        canvas.fill(rounded_rect_cover(kx0, ky0, kx1, ky1, 0.8), KEY, bounds=(kx0, ky0, kx1, ky1))

    lx, ly, lr = g["led"]
    led_bounds = (lx - lr - 1, ly - lr - 1, lx + lr + 1, ly + lr + 1)
    canvas.fill(circle_cover(lx, ly, lr + 0.6), OUTLINE, 0.7, bounds=led_bounds)
    canvas.fill(circle_cover(lx, ly, lr), LED, bounds=led_bounds)
    if size >= 32:
        canvas.fill(circle_cover(lx - lr * 0.35, ly - lr * 0.35, lr * 0.35), LED_HIGHLIGHT,
                    0.9, bounds=led_bounds)
    return canvas.rgba_rows()


def ico_image(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(xor) + bytes(mask)


def write_ico(path, images):
    count = len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    blobs = []
    for size, rows in images:
        blob = ico_image(rows)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for px in row:
            raw += bytes(px)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def preview_sheet(images, zoom=4):
    """The images at actual size and magnified, on a light checkerboard so that
    transparency shows."""
    gap = 8
    width = gap + sum(s * zoom + gap for s, _ in images) + sum(s + gap for s, _ in images)
    height = max(s for s, _ in images) * zoom + 2 * gap
    sheet = [[(0xEE, 0xEE, 0xEE, 255) if ((x // 8) + (y // 8)) % 2 else (0xCC, 0xCC, 0xCC, 255)
              for x in range(width)] for y in range(height)]

    def paste(rows, ox, oy, scale):
        for y in range(len(rows) * scale):
            for x in range(len(rows) * scale):
                r, g, b, a = rows[y // scale][x // scale]
                br, bg, bb, _ = sheet[oy + y][ox + x]
                k = a / 255.0
                sheet[oy + y][ox + x] = (int(r * k + br * (1 - k)), int(g * k + bg * (1 - k)),
                                         int(b * k + bb * (1 - k)), 255)

    x = gap
    for size, rows in images:
        paste(rows, x, gap, zoom)
        x += size * zoom + gap
    for size, rows in images:
        paste(rows, x, gap, 1)
        x += size + gap
    return sheet


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.join(here, "..", "res", "VelmarDataLogger.ico")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", default=default_out)
    parser.add_argument("--preview", metavar="PNG",
                        help="also write the 48 pixel image as a PNG")
    parser.add_argument("--sheet", metavar="PNG",
                        help="also write all sizes, magnified and actual size, as a PNG")
    args = parser.parse_args()

    images = [(size, draw_icon(size)) for size in (48, 32, 16)]
    write_ico(args.output, images)
    if args.preview:
        write_png(args.preview, images[0][1])
    if args.sheet:
        write_png(args.sheet, preview_sheet(images))


if __name__ == "__main__":
    main()

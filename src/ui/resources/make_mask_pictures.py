#!/usr/bin/env python3
"""Draws the masking page's pictures: the two 32 x 32 monochrome cursors (pencil,
circle) and the three 24 x 24 button glyphs, written as PNG files beside this
script. Run it again after changing a drawing; the PNG files are kept in git.

Cursors are black, white and transparent only: RegisterCursors turns them into
bitmap-and-mask cursors. The hot spots are fixed in Cursors.cpp (pencil tip (7, 24),
circle centre (14, 13)).
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CLEAR = (0, 0, 0, 0)
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
SILVER = (192, 192, 192, 255)


def write_png(name, rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def outlined(size, inside, ink=lambda x, y: False):
    """A shape given by inside(x, y): white, with a one-pixel black edge where a
    neighbour lies outside, and black where ink(x, y) holds."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if not inside(x, y):
                row.append(CLEAR)
            elif ink(x, y) or any(not inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                row.append(BLACK)
            else:
                row.append(WHITE)
        rows.append(row)
    return rows


def pencil_cursor():
    # Axis from the tip (7, 24) up and to the right at 45 degrees.
    def coords(x, y):
        dx, dy = x - 7, y - 24
        return (dx - dy) / math.sqrt(2), (dx + dy) / math.sqrt(2)  # along, across

    def inside(x, y):
        along, across = coords(x, y)
        if along < -0.5 or along > 24:
            return False
        half = 3.6 if along > 6 else 0.6 + along / 2
        return abs(across) <= half

    def ink(x, y):
        along, across = coords(x, y)
        return along < 2.2 or 20 < along < 21.5  # graphite tip and the eraser's band

    return outlined(32, inside, ink)


def circle_cursor():
    cx, cy = 14, 13

    def inside(x, y):
        r = math.hypot(x - cx, y - cy)
        return 6.5 <= r <= 10.5 or (abs(x - cx) <= 1 and abs(y - cy) <= 1)

    def ink(x, y):
        return x == cx and y == cy

    return outlined(32, inside, ink)


def glyph(size, paint):
    rows = [[CLEAR] * size for _ in range(size)]
    paint(rows)
    return rows


def cell(rows, left, top, width, color, frame=None):
    for y in range(top, top + width):
        for x in range(left, left + width):
            edge = x in (left, left + width - 1) or y in (top, top + width - 1)
            rows[y][x] = frame if (frame and edge) else color


def transparent_cell(rows, left, top, width):
    # As the mask view shows a transparent pixel: silver inside a black frame.
    cell(rows, left, top, width, SILVER, BLACK)


def color_select_glyph(rows):
    # Four colours, one of which has become transparent everywhere it occurs.
    cell(rows, 1, 1, 11, (200, 30, 30, 255), BLACK)
    cell(rows, 12, 1, 11, (30, 150, 40, 255), BLACK)
    cell(rows, 1, 12, 11, (40, 60, 200, 255), BLACK)
    transparent_cell(rows, 12, 12, 11)


def stroke(rows, x0, y0, x1, y1, color, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 2 + 1
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        for ox in range(width):
            for oy in range(width):
                px, py = int(round(x)) + ox, int(round(y)) + oy
                if 0 <= px < len(rows[0]) and 0 <= py < len(rows):
                    rows[py][px] = color


def color_toggle_glyph(rows):
    # A grid of pixels, a few of them transparent, and the pencil painting them.
    colors = [(230, 180, 40, 255), (60, 120, 210, 255)]
    for gy in range(4):
        for gx in range(4):
            if (gx, gy) in ((1, 1), (2, 1), (1, 2)):
                transparent_cell(rows, gx * 5 + 1, gy * 5 + 4, 5)
            else:
                cell(rows, gx * 5 + 1, gy * 5 + 4, 5, colors[(gx + gy) % 2], BLACK)
    stroke(rows, 11, 13, 22, 2, BLACK, 3)
    stroke(rows, 12, 13, 21, 4, (250, 220, 120, 255), 1)
    stroke(rows, 9, 15, 11, 13, BLACK, 2)


def auto_mask_glyph(rows):
    # A magic wand over a transparent border around a coloured middle.
    for i in range(6):
        for j in range(6):
            if i in (0, 5) or j in (0, 5):
                transparent_cell(rows, i * 4, j * 4, 4)
            else:
                cell(rows, i * 4, j * 4, 4, (200, 60, 160, 255))
    stroke(rows, 5, 19, 16, 8, BLACK, 3)
    stroke(rows, 6, 19, 16, 9, WHITE, 1)
    for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1), (2, 0), (-2, 0), (0, 2), (0, -2)):
        rows[5 + dy][18 + dx] = (255, 230, 0, 255)
    rows[5][18] = WHITE


if __name__ == "__main__":
    write_png("crpencil.png", pencil_cursor())
    write_png("crcircle.png", circle_cursor())
    write_png("colorselect.png", glyph(24, color_select_glyph))
    write_png("colortoggle.png", glyph(24, color_toggle_glyph))
    write_png("automask.png", glyph(24, auto_mask_glyph))

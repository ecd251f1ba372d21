#!/usr/bin/env python3
"""Draws Tessaly's application icon: a rounded tile holding a mosaic of coloured cells,
one of them the checker pattern that stands for a transparent pixel.

Writes desktop/icons/hicolor/<N>x<N>/apps/org.vantrel.Tessaly.png for every size below
and the scalable SVG from the same geometry. Needs Pillow. The outputs are committed, so
the build never runs this; run it again after changing the drawing:

    python3 desktop/make-icons.py
"""
from pathlib import Path

from PIL import Image, ImageDraw

APP_ID = "org.vantrel.Tessaly"
SIZES = (16, 32, 48, 64, 128, 256)
UNITS = 64  # the drawing's own grid; everything below is in these units
SUPERSAMPLE = 8

TILE = (2, 2, 62, 62)
TILE_RADIUS = 11
TILE_FILL = "#2b5a86"
TILE_EDGE = "#1d3f5f"
EDGE_WIDTH = 2

CELL_STARTS = (9, 27, 45)
CELL_SIZE = 14
CELL_RADIUS = 2
CHECKER = "checker"
CELLS = (
    ("#f4c542", "#e8743b", CHECKER),
    ("#e8743b", "#d64550", "#f4c542"),
    (CHECKER, "#f4c542", "#6cc3a0"),
)
CHECK_LIGHT = "#ffffff"
CHECK_DARK = "#b9c2cc"


def cells():
    for row, colours in enumerate(CELLS):
        for col, colour in enumerate(colours):
            yield CELL_STARTS[col], CELL_STARTS[row], colour


def draw_png(size):
    scale = size * SUPERSAMPLE / UNITS
    big = Image.new("RGBA", (size * SUPERSAMPLE,) * 2, (0, 0, 0, 0))
    pen = ImageDraw.Draw(big)

    def box(x0, y0, x1, y1):
        return [round(x0 * scale), round(y0 * scale), round(x1 * scale) - 1, round(y1 * scale) - 1]

    pen.rounded_rectangle(box(*TILE), radius=TILE_RADIUS * scale, fill=TILE_EDGE)
    inset = EDGE_WIDTH
    pen.rounded_rectangle(box(TILE[0] + inset, TILE[1] + inset, TILE[2] - inset, TILE[3] - inset),
                          radius=(TILE_RADIUS - inset) * scale, fill=TILE_FILL)
    for x, y, colour in cells():
        if colour == CHECKER:
            half = CELL_SIZE / 2
            pen.rectangle(box(x, y, x + CELL_SIZE, y + CELL_SIZE), fill=CHECK_LIGHT)
            pen.rectangle(box(x + half, y, x + CELL_SIZE, y + half), fill=CHECK_DARK)
            pen.rectangle(box(x, y + half, x + half, y + CELL_SIZE), fill=CHECK_DARK)
        else:
            pen.rounded_rectangle(box(x, y, x + CELL_SIZE, y + CELL_SIZE),
                                  radius=CELL_RADIUS * scale, fill=colour)
    return big.resize((size, size), Image.LANCZOS)


def svg():
    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{UNITS}" height="{UNITS}" '
        f'viewBox="0 0 {UNITS} {UNITS}">',
        f'  <rect x="{TILE[0]}" y="{TILE[1]}" width="{TILE[2] - TILE[0]}" '
        f'height="{TILE[3] - TILE[1]}" rx="{TILE_RADIUS}" fill="{TILE_EDGE}"/>',
        f'  <rect x="{TILE[0] + EDGE_WIDTH}" y="{TILE[1] + EDGE_WIDTH}" '
        f'width="{TILE[2] - TILE[0] - 2 * EDGE_WIDTH}" height="{TILE[3] - TILE[1] - 2 * EDGE_WIDTH}" '
        f'rx="{TILE_RADIUS - EDGE_WIDTH}" fill="{TILE_FILL}"/>',
    ]
    half = CELL_SIZE // 2
    for x, y, colour in cells():
        if colour == CHECKER:
            parts += [
                f'  <rect x="{x}" y="{y}" width="{CELL_SIZE}" height="{CELL_SIZE}" '
                f'fill="{CHECK_LIGHT}"/>',
                f'  <rect x="{x + half}" y="{y}" width="{half}" height="{half}" fill="{CHECK_DARK}"/>',
                f'  <rect x="{x}" y="{y + half}" width="{half}" height="{half}" fill="{CHECK_DARK}"/>',
            ]
        else:
            parts.append(f'  <rect x="{x}" y="{y}" width="{CELL_SIZE}" height="{CELL_SIZE}" '
                         f'rx="{CELL_RADIUS}" fill="{colour}"/>')
    parts.append("</svg>\n")
    return "\n".join(parts)


def main():
    root = Path(__file__).resolve().parent / "icons" / "hicolor"
    for size in SIZES:
        target = root / f"{size}x{size}" / "apps" / f"{APP_ID}.png"
        target.parent.mkdir(parents=True, exist_ok=True)
        # No time stamp or other varying chunk: the same drawing gives the same bytes.
        draw_png(size).save(target, optimize=True)
    target = root / "scalable" / "apps" / f"{APP_ID}.svg"
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_text(svg())


if __name__ == "__main__":
    main()

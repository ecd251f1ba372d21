#!/usr/bin/env python3
"""Draws the wizard window's own pictures: the side picture (120 x 240, 256 colours) and
the program's icon at 16, 32, 48, 64, 128 and 256 pixels (256 colours up to 48).

Run it with Debian's /usr/bin/python3 (Pillow, python3-pil) from anywhere; it writes the
PNG files beside itself.
"""
from pathlib import Path

from PIL import Image, ImageDraw

HERE = Path(__file__).resolve().parent

# The mosaic of the icon: four by four tiles, a picture becoming an icon.
MOSAIC = [
    [(231, 76, 60), (241, 196, 15), (46, 204, 113), (52, 152, 219)],
    [(241, 196, 15), (255, 255, 255), (255, 255, 255), (155, 89, 182)],
    [(46, 204, 113), (255, 255, 255), (255, 255, 255), (231, 76, 60)],
    [(52, 152, 219), (155, 89, 182), (231, 76, 60), (241, 196, 15)],
]


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw_icon(size):
    """The icon drawn for its size, so that small sizes stay sharp."""
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    margin = max(1, size // 16)
    outline = max(1, size // 32)
    radius = max(1, size // 8)
    d.rounded_rectangle([margin, margin, size - 1 - margin, size - 1 - margin], radius=radius,
                        fill=(32, 42, 96, 255), outline=(12, 16, 40, 255), width=outline)
    inner = margin + outline + max(1, size // 16)
    span = size - 2 * inner
    gap = max(1, size // 48) if size >= 32 else 0
    cell = (span - 3 * gap) // 4
    start = inner + (span - (4 * cell + 3 * gap)) // 2
    for row in range(4):
        for col in range(4):
            x = start + col * (cell + gap)
            y = start + row * (cell + gap)
            d.rectangle([x, y, x + cell - 1, y + cell - 1], fill=MOSAIC[row][col] + (255,))
    return img


def side_picture():
    width, height = 120, 240
    img = Image.new("RGB", (width, height))
    top, bottom = (24, 34, 92), (18, 128, 150)
    for y in range(height):
        ImageDraw.Draw(img).line([(0, y), (width - 1, y)], fill=lerp(top, bottom, y / (height - 1)))
    d = ImageDraw.Draw(img)
    # Faint tiles over the whole picture, brighter towards the bottom.
    for ty in range(0, height, 12):
        for tx in range(0, width, 12):
            if (tx // 12 * 7 + ty // 12 * 3) % 5 == 0:
                base = lerp(top, bottom, ty / height)
                d.rectangle([tx + 2, ty + 2, tx + 9, ty + 9], fill=lerp(base, (255, 255, 255), 0.12))
    # The icon itself in the middle, with a soft frame.
    icon = draw_icon(72)
    d.rounded_rectangle([20, 66, 99, 145], radius=10, fill=lerp(top, bottom, 0.45))
    img.paste(icon, (24, 70), icon)
    # Small tiles falling out of it: a picture breaking into icon pixels.
    for i, (x, y) in enumerate([(30, 160), (52, 168), (74, 158), (42, 186), (66, 192), (54, 212)]):
        colour = MOSAIC[i % 4][(i * 3) % 4]
        d.rectangle([x, y, x + 7, y + 7], fill=colour, outline=(12, 16, 40))
    return img.quantize(colors=256, method=Image.Quantize.MEDIANCUT)


def main():
    side_picture().save(HERE / "side.png", optimize=True)
    for size in (16, 32, 48, 64, 128, 256):
        icon = draw_icon(size)
        if size <= 48:
            # The small sizes are 256-colour pictures, transparency kept.
            icon = icon.quantize(colors=255, method=Image.Quantize.FASTOCTREE)
        icon.save(HERE / f"tessaly{size}.png", optimize=True)


if __name__ == "__main__":
    main()

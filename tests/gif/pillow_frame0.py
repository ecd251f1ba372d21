"""Prints what Pillow decodes as frame 0 of each GIF named on the command line.

For each file, four lines: the path; screen width and height and the frame's extent
(x0 y0 x1 y1); the colour table as hex (red, green, blue per entry); the frame's colour
indices, top row first, as hex.
"""
import sys

from PIL import Image

for path in sys.argv[1:]:
    with Image.open(path) as im:
        x0, y0, x1, y1 = im.tile[0][1]
        im.load()
        if im.mode == "L":
            # Pillow turns a table that is exactly the grey ramp into a grey picture.
            palette = bytes(v for i in range(256) for v in (i, i, i))
        elif im.mode == "P":
            palette = bytes(im.palette.palette)
        else:
            sys.exit(f"{path}: unexpected mode {im.mode}")
        region = im.crop((x0, y0, x1, y1)).tobytes()
        print(path)
        print(im.size[0], im.size[1], x0, y0, x1, y1)
        print(palette.hex())
        print(region.hex())

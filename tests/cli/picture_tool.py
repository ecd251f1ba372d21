#!/usr/bin/python3
"""Makes test pictures and reads output files back, for the converter's end-to-end tests.

Pictures come in as binary PPM (P6) files, optionally with a PGM (P5) alpha plane, and go
out in the form a test asks for, written by Pillow (or icotool for icon files). Outputs
are read back with Pillow and icotool and printed as JSON on standard output; icon and
bitmap files are also taken apart byte by byte here, independently of the program.
"""
import json
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image


def read_pnm(path, magic, channels):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != magic:
        raise SystemExit("%s is not a %s file" % (path, magic.decode()))
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:pos + width * height * channels]


def load_rgb(path):
    w, h, raw = read_pnm(path, b"P6", 3)
    return Image.frombytes("RGB", (w, h), raw)


def exact_palette_image(rgb, mode):
    """A palette picture holding exactly the given picture's colours."""
    colours = {}
    indices = []
    for pixel in rgb.getdata():
        if pixel not in colours:
            colours[pixel] = len(colours)
        indices.append(colours[pixel])
    if len(colours) > 256:
        raise SystemExit("too many colours for a palette picture")
    image = Image.new(mode, rgb.size)
    flat = []
    for colour in sorted(colours, key=colours.get):
        flat.extend(colour)
    flat.extend([0] * (768 - len(flat)))
    image.putpalette(flat)
    image.putdata(indices)
    return image


def encode(args):
    source, out, kind = args[0], args[1], args[2]
    rgb = load_rgb(source)
    if kind == "bmp24":
        rgb.save(out, "BMP")
    elif kind == "bmp8":
        exact_palette_image(rgb, "P").save(out, "BMP")
    elif kind == "bmp1":
        mono = Image.new("1", rgb.size)
        mono.putdata([255 if sum(p) > 382 else 0 for p in rgb.getdata()])
        mono.save(out, "BMP")
    elif kind == "gif":
        exact_palette_image(rgb, "P").save(out, "GIF")
    elif kind == "jpg":
        rgb.save(out, "JPEG", quality=100, subsampling=0)
    elif kind == "png":
        image = rgb
        if len(args) > 3:
            w, h, alpha = read_pnm(args[3], b"P5", 1)
            image = rgb.convert("RGBA")
            image.putalpha(Image.frombytes("L", (w, h), alpha))
        image.save(out, "PNG")
    else:
        raise SystemExit("unknown kind " + kind)


def parse_icon(data):
    """Every image of an uncompressed icon file: size, depth, palette, indices, mask."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        w, h, colours, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        (hsize, width, height2, hplanes, bits, compression, image_size, xres, yres, used,
         important) = struct.unpack_from("<IiiHHIIiiII", data, offset)
        entries = used if used else (1 << bits if bits <= 8 else 0)
        pal_start = offset + hsize
        palette = []
        for e in range(entries):
            b, g, r, _ = struct.unpack_from("<BBBB", data, pal_start + 4 * e)
            palette.append([r, g, b])
        height = height2 // 2
        stride = ((width * bits + 31) // 32) * 4
        mask_stride = ((width + 31) // 32) * 4
        bits_start = pal_start + 4 * entries
        mask_start = bits_start + stride * height
        index_rows = []
        mask_rows = []
        for y in range(height):
            row = bits_start + (height - 1 - y) * stride
            mrow = mask_start + (height - 1 - y) * mask_stride
            irow = []
            for x in range(width):
                bit = x * bits
                byte = data[row + bit // 8]
                irow.append((byte >> (8 - bits - bit % 8)) & ((1 << bits) - 1))
            index_rows.append(irow)
            mask_rows.append([(data[mrow + x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
        images.append({
            "entry": [w, h, colours, planes, bpp, size, offset],
            "header": [hsize, width, height2, hplanes, bits, compression, image_size, used],
            "width": width, "height": height, "bits": bits, "palette": palette,
            "index": index_rows, "mask": mask_rows,
        })
    return {"reserved": reserved, "type": kind, "count": count, "size": len(data),
            "images": images}


def rgba_rows(image):
    image = image.convert("RGBA")
    w, h = image.size
    pixels = list(image.getdata())
    return [[list(pixels[y * w + x]) for x in range(w)] for y in range(h)]


def probe_ico(args):
    path = args[0]
    with open(path, "rb") as f:
        result = parse_icon(f.read())
    # icotool's own decoding of every image, as PNG with alpha.
    with tempfile.TemporaryDirectory() as work:
        for i, image in enumerate(result["images"]):
            out = os.path.join(work, "%d.png" % i)
            subprocess.run(["icotool", "-x", "-i", str(i + 1), "-o", out, path], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            image["icotool"] = rgba_rows(Image.open(out))
    if result["count"] == 1:
        result["images"][0]["pillow"] = rgba_rows(Image.open(path))
    json.dump(result, sys.stdout)


def probe_bmp(args):
    image = Image.open(args[0])
    image.load()
    result = {"mode": image.mode, "width": image.size[0], "height": image.size[1],
              "rgb": [[list(p)[:3] for p in row] for row in
                      [[image.convert("RGB").getpixel((x, y)) for x in range(image.size[0])]
                       for y in range(image.size[1])]]}
    if image.mode == "P":
        flat = image.getpalette() or []
        result["palette"] = [flat[i:i + 3] for i in range(0, len(flat), 3)]
        result["index"] = [[image.getpixel((x, y)) for x in range(image.size[0])]
                           for y in range(image.size[1])]
    json.dump(result, sys.stdout)


def main():
    commands = {"encode": encode, "probe-ico": probe_ico, "probe-bmp": probe_bmp}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        raise SystemExit("usage: picture_tool.py encode|probe-ico|probe-bmp ...")
    commands[sys.argv[1]](sys.argv[2:])


if __name__ == "__main__":
    main()

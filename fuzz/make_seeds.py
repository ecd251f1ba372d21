#!/usr/bin/env python3
"""Makes the fuzz targets' seed pictures: small, valid files of every kind the program
reads, written by Pillow and by hand-assembled bytes (icon files, 4-bit bitmaps)."""
import io
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

out = sys.argv[1]


def save(kind, name, data):
    folder = os.path.join(out, kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def gradient(w, h, mode="RGB"):
    img = Image.new("RGB", (w, h))
    img.putdata([((x * 37) % 256, (y * 53) % 256, ((x + y) * 11) % 256) for y in range(h) for x in range(w)])
    return img.convert(mode) if mode != "RGB" else img


def encode(img, fmt, **kw):
    buf = io.BytesIO()
    img.save(buf, fmt, **kw)
    return buf.getvalue()


def bmp_indexed(w, h, bits, pixels, palette):
    """An uncompressed bottom-up bitmap with a 40-byte header at 1, 4 or 8 bits."""
    stride = ((w * bits + 31) // 32) * 4
    rows = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            v = pixels[y * w + x]
            bitpos = x * bits
            row[bitpos // 8] |= v << (8 - bits - bitpos % 8)
        rows += row
    colours = 1 << bits
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette[:colours])
    pal += b"\0" * (4 * colours - len(pal))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(rows), 2834, 2834, 0, colours)
    off = 14 + 40 + len(pal)
    return b"BM" + struct.pack("<IHHI", off + len(rows), 0, 0, off) + info + pal + bytes(rows)


def bmp_rle(w, h, bits, codes, palette):
    """A run-length coded bottom-up bitmap (RLE8 at 8 bits, RLE4 at 4) with the given codes."""
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 1 if bits == 8 else 2, len(codes), 2834, 2834,
                       len(palette), 0)
    off = 14 + 40 + len(pal)
    return b"BM" + struct.pack("<IHHI", off + len(codes), 0, 0, off) + info + pal + bytes(codes)


def ico(images):
    """An icon file from (size, bits, pixels, palette, mask) images."""
    blobs = []
    for size, bits, pixels, palette, mask in images:
        bmp = bmp_indexed(size, size, bits, pixels, palette)
        colours = 1 << bits
        body = bytearray(bmp[14:])
        struct.pack_into("<i", body, 8, size * 2)  # colour rows and mask rows
        mstride = ((size + 31) // 32) * 4
        mrows = bytearray()
        for y in reversed(range(size)):
            row = bytearray(mstride)
            for x in range(size):
                if mask[y * size + x]:
                    row[x // 8] |= 0x80 >> (x % 8)
            mrows += row
        blobs.append((size, colours, bytes(body) + bytes(mrows)))
    head = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries = b""
    for size, colours, blob in blobs:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0, 1, 0, len(blob), offset)
        offset += len(blob)
    return head + entries + b"".join(b for _, _, b in blobs)


pal16 = [((i * 16) % 256, (i * 64) % 256, (i * 96) % 256) for i in range(16)]
pal256 = [(i, (i * 7) % 256, 255 - i) for i in range(256)]

# GIF
save("gif", "tiny.gif", encode(Image.new("P", (1, 1)), "GIF"))
save("gif", "grad.gif", encode(gradient(17, 9).convert("P"), "GIF"))
save("gif", "interlaced.gif", encode(gradient(16, 16).convert("P"), "GIF", interlace=True))
save("gif", "transparent.gif", encode(gradient(8, 8).convert("P"), "GIF", transparency=3))
frames = [gradient(12, 10).convert("P"), gradient(12, 10).rotate(90).convert("P")]
save("gif", "anim.gif", encode(frames[0], "GIF", save_all=True, append_images=frames[1:], duration=50, loop=0))

# Pixel-map bitmaps (1, 4 and 8 bits) and general bitmaps for the platform reader
for bits, pal in ((1, [(0, 0, 0), (255, 255, 255)]), (4, pal16), (8, pal256)):
    for w, h in ((1, 1), (7, 5), (32, 32)):
        px = [(x * 3 + y * 5) % (1 << bits) for y in range(h) for x in range(w)]
        save("pxlmap_bmp", f"p{bits}_{w}x{h}.bmp", bmp_indexed(w, h, bits, px, pal))
        save("qt_bmp", f"p{bits}_{w}x{h}.bmp", bmp_indexed(w, h, bits, px, pal))
save("qt_bmp", "rgb24.bmp", encode(gradient(13, 7), "BMP"))
save("qt_bmp", "grey.bmp", encode(gradient(9, 9, "L"), "BMP"))
save("qt_bmp", "p8_9x9.bmp", encode(gradient(9, 9).convert("P"), "BMP"))
# Run-length codes of every kind: runs, a move, end of line, absolute runs of odd and even
# length (RLE4: odd nibble counts too) and an end code that leaves the top rows unset.
rle8 = [3, 1, 0, 2, 2, 1, 2, 7, 0, 3, 3, 1, 2, 0, 0, 0, 12, 9, 0, 0, 0, 4, 4, 5, 6, 7, 0, 0, 0, 1]
rle4 = [5, 0x12, 0, 2, 1, 1, 4, 0x3C, 0, 0, 0, 5, 0x45, 0x67, 0x80, 0, 0, 4, 0x9A, 0xBC, 0, 1]
save("qt_bmp", "rle8.bmp", bmp_rle(12, 6, 8, rle8, pal256[:16]))
save("qt_bmp", "rle4.bmp", bmp_rle(12, 6, 4, rle4, pal16))
# The decoder by itself: width - 1, height, depth (odd: 4 bits), palette size - 1, codes.
save("rle", "rle8", bytes([11, 6, 0, 15] + rle8))
save("rle", "rle4", bytes([11, 6, 1, 15] + rle4))

# Icon files at 1, 4 and 8 bits, one and several images
def icon_image(size, bits):
    colours = 1 << bits
    px = [(x + 2 * y) % colours for y in range(size) for x in range(size)]
    mask = [1 if (x < 2 or y < 2) else 0 for y in range(size) for x in range(size)]
    pal = [(0, 0, 0), (255, 255, 255)] if bits == 1 else (pal16 if bits == 4 else pal256)
    return (size, bits, px, pal, mask)

save("ico", "one4.ico", ico([icon_image(16, 4)]))
save("ico", "one1.ico", ico([icon_image(16, 1)]))
save("ico", "three.ico", ico([icon_image(16, 8), icon_image(32, 4), icon_image(48, 1)]))

# Icon images the pixel maps do not hold: 24 and 32 bits (with alpha), PNG-coded, large
def deep_icon_blob(w, h, bits):
    stride = ((w * bits + 31) // 32) * 4
    rows = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            px = bytes([(x * 9) % 256, (y * 5) % 256, (x + y) % 256] + ([(x * 17) % 256] if bits == 32 else []))
            row[x * bits // 8:(x + 1) * bits // 8] = px
        rows += row
    mask = bytes(((w + 31) // 32) * 4 * h)
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, 0, 0, 0, 0, 0)
    return info + bytes(rows) + mask


def ico_blobs(blobs):
    head = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries = b""
    for w, h, blob in blobs:
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return head + entries + b"".join(b for _, _, b in blobs)


rgba = gradient(20, 12).convert("RGBA")
rgba.putalpha(gradient(20, 12, "L"))
png_blob = encode(rgba, "PNG")
save("ico_picture", "deep.ico", ico_blobs([(9, 9, deep_icon_blob(9, 9, 24)), (16, 16, deep_icon_blob(16, 16, 32)),
                                           (20, 12, png_blob)]))
save("ico_picture", "large.ico", ico_blobs([(0, 0, deep_icon_blob(256, 3, 32)), (120, 7, deep_icon_blob(120, 7, 24))]))
save("ico_picture", "png_grey.ico", ico_blobs([(5, 5, encode(gradient(5, 5, "LA"), "PNG", interlace=1))]))
save("ico_picture", "three.ico", ico([icon_image(16, 8), icon_image(32, 4), icon_image(48, 1)]))

# JPEG: colour, greyscale, CMYK, progressive
save("jpeg", "rgb.jpg", encode(gradient(24, 16), "JPEG", quality=80))
save("jpeg", "grey.jpg", encode(gradient(16, 8, "L"), "JPEG"))
save("jpeg", "cmyk.jpg", encode(gradient(8, 8, "CMYK"), "JPEG"))
save("jpeg", "progressive.jpg", encode(gradient(20, 12), "JPEG", progressive=True))
save("jpeg", "tiny.jpg", encode(gradient(1, 1), "JPEG"))

# Narrow, short and odd-sized JPEGs in every subsampling: libjpeg upsamples components one or
# two samples wide otherwise than wider ones, and the loader must keep the rows of a stretch
# exactly as a full decode makes them there too. Pillow writes 4:4:4, 4:2:2 and 4:2:0;
# cjpeg, where it is installed, the other layouts.
odd_sizes = ((1, 300), (2, 100), (3, 41), (5, 64), (300, 1), (17, 35))
for w, h in odd_sizes:
    for sub in (0, 1, 2):
        save("jpeg", f"odd_{w}x{h}_s{sub}.jpg", encode(gradient(w, h), "JPEG", subsampling=sub, quality=70))
    save("jpeg", f"odd_{w}x{h}_prog.jpg", encode(gradient(w, h), "JPEG", subsampling=2, progressive=True))
cjpeg = shutil.which("cjpeg")
if cjpeg:
    for w, h in odd_sizes[:4]:
        ppm = encode(gradient(w, h), "PPM")
        for sample in ("1x2", "4x1", "1x4", "4x2", "2x2,1x2,1x2", "2x1,1x2,1x2"):
            data = subprocess.run([cjpeg, "-quality", "70", "-sample", sample], input=ppm,
                                  stdout=subprocess.PIPE, check=True).stdout
            save("jpeg", f"odd_{w}x{h}_{sample.replace(',', '_')}.jpg", data)

# The whole conversion takes every kind: the first byte of an input picks its extension,
# the second the icon size (its value mod 3), depth (bit 2), sizing (bit 3) and output
# format (its value / 16 mod 3); the picture file follows.
exts = {"pxlmap_bmp": 0, "gif": 1, "ico": 2, "jpeg": 3, "qt_bmp": 0}
picks = (0x00, 0x1C, 0x26)  # 16/256/scale/ico, 32/16/crop/mico, 48/16/scale/bmp
for kind, code in exts.items():
    folder = os.path.join(out, kind)
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        for pick in picks:
            save("convert", f"{kind}_{pick:02x}_{name}", bytes([code, pick]) + data)

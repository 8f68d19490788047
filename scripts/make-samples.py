#!/usr/bin/env python3
"""Writes the pictures in samples/: small images made here, in each format Verid reads.

BMP and PNG are written byte by byte; the JPEG goes through cjpeg (libjpeg-turbo-progs).
Run it again to make them anew; the output is deterministic.
"""
import colorsys
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "samples")


def photo_pixel(x, y, w, h, rnd):
    # Sky to sea gradient with a sun and a little grain, so it looks photographic.
    t = y / (h - 1)
    r = 255 * (1 - t) * 0.95 + 30 * t
    g = 140 * (1 - t) + 70 * t
    b = 80 * (1 - t) + 150 * t
    d = math.hypot(x - w * 0.62, y - h * 0.42) / (w * 0.12)
    if d < 1.0:
        k = (1 - d) ** 0.6
        r, g, b = r + (255 - r) * k, g + (230 - g) * k, b + (150 - b) * k
    if y > h * 0.6:
        wave = 12 * math.sin(x * 0.08 + y * 0.5)
        r, g, b = r * 0.7 + wave, g * 0.8 + wave, b + wave
    n = rnd.gauss(0, 4)
    return tuple(max(0, min(255, int(v + n))) for v in (r, g, b))


def write_bmp8(path, w, h, pixels, palette):
    stride = (w + 3) & ~3
    rows = b"".join(bytes(pixels[y * w:(y + 1) * w]) + b"\0" * (stride - w)
                    for y in reversed(range(h)))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(rows), 2835, 2835,
                       len(palette), 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + rows)


def write_bmp24(path, w, h, rgb):
    stride = (w * 3 + 3) & ~3
    rows = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b = rgb[y * w + x]
            row += bytes((b, g, r))
        rows += row + b"\0" * (stride - len(row))
    offset = 54
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def write_png(path, w, h, color_type, rows, palette=None, trns=None):
    raw = b"".join(b"\x01" + sub_filter(row, 1 if color_type == 3 else
                                        {2: 3, 6: 4, 0: 1}[color_type]) for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, color_type, 0, 0, 0))
    if palette:
        data += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns:
        data += png_chunk(b"tRNS", trns)
    data += png_chunk(b"IDAT", zlib.compress(raw, 9))
    data += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def sub_filter(row, bpp):
    out = bytearray(row)
    for i in range(len(row) - 1, bpp - 1, -1):
        out[i] = (row[i] - row[i - bpp]) & 0xFF
    return bytes(out)


def main():
    os.makedirs(OUT, exist_ok=True)
    rnd = random.Random(2222)

    # A landscape photo (JPEG).
    w, h = 480, 320
    ppm = bytearray(b"P6\n%d %d\n255\n" % (w, h))
    for y in range(h):
        for x in range(w):
            ppm += bytes(photo_pixel(x, y, w, h, rnd))
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
        f.write(ppm)
        ppm_path = f.name
    try:
        with open(os.path.join(OUT, "sunset.jpg"), "wb") as out:
            subprocess.run(["cjpeg", "-quality", "85", ppm_path], stdout=out, check=True)
    finally:
        os.unlink(ppm_path)

    # A palette picture (PNG, 8-bit indexed, one transparent entry).
    w, h = 240, 180
    palette = [(int(127 + 127 * math.sin(i * 0.1)), int(127 + 127 * math.sin(i * 0.1 + 2)),
                int(127 + 127 * math.sin(i * 0.1 + 4))) for i in range(64)]
    rows = []
    for y in range(h):
        rows.append(bytes(int((math.hypot(x - w / 2, y - h / 2) / 4) % 63) + 1
                          if (x // 30 + y // 30) % 5 else 0 for x in range(w)))
    write_png(os.path.join(OUT, "rings.png"), w, h, 3, rows, palette, trns=b"\x00")

    # A wide colour picture (PNG, RGB).
    w, h = 600, 140
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            shade = 0.35 + 0.65 * (1 - y / h)
            row += bytes(int(255 * v) for v in colorsys.hsv_to_rgb(x / w, 0.85, shade))
        rows.append(bytes(row))
    write_png(os.path.join(OUT, "rainbow.png"), w, h, 2, rows)

    # A tall picture (BMP, 8-bit with a grey palette).
    w, h = 100, 360
    pixels = [int(255 * (y / (h - 1))) ^ ((x // 10 + y // 10) % 2) * 24 for y in range(h)
              for x in range(w)]
    write_bmp8(os.path.join(OUT, "tower.bmp"), w, h, pixels, [(i, i, i) for i in range(256)])

    # A small 24-bit BMP portrait-ish photo.
    w, h = 150, 200
    rgb = [photo_pixel(x, y, w, h, rnd) for y in range(h) for x in range(w)]
    write_bmp24(os.path.join(OUT, "evening.bmp"), w, h, rgb)
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the Glidebar control's pictures as PNG files in this folder.

track.png    124 x 61, 24-bit: the slider track (a groove with a scale of 11 ticks)
thumb.png     17 x 32, 24-bit: the thumb
toolbox.png   16 x 15, 4-bit palette: the toolbox bitmap

The thumb's left edge is at value + 4 pixels, so its centre runs from x = 12 (value 0) to
x = 112 (value 100) over the groove.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_rgb(name, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def write_palette4(name, indices, palette):
    height, width = len(indices), len(indices[0])
    rows = []
    for row in indices:
        packed = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            packed.append((hi << 4) | lo)
        rows.append(b"\0" + bytes(packed))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0))
    png += chunk(b"PLTE", bytes(c for rgb in palette for c in rgb))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


FACE = (192, 192, 192)
LIGHT = (255, 255, 255)
SHADOW = (128, 128, 128)
DARK = (64, 64, 64)
BLACK = (0, 0, 0)
BLUE = (0, 0, 160)


def track():
    w, h = 124, 61
    px = [[FACE for _ in range(w)] for _ in range(h)]
    # Groove from the thumb centre at value 0 to value 100, sunken.
    for x in range(10, 115):
        px[30][x] = SHADOW
        px[31][x] = DARK
        px[32][x] = DARK
        px[33][x] = LIGHT
    for y in range(30, 34):
        px[y][10] = SHADOW
        px[y][114] = LIGHT
    # Scale: a tick every ten values, longer at 0, 50 and 100.
    for value in range(0, 101, 10):
        x = 12 + value
        length = 6 if value % 50 == 0 else 4
        for y in range(50, 50 + length):
            px[y][x] = BLACK
    return px


def thumb():
    w, h = 17, 32
    px = [[FACE for _ in range(w)] for _ in range(h)]
    for x in range(w):
        px[0][x] = LIGHT
        px[h - 1][x] = BLACK
        px[h - 2][x] = SHADOW if 0 < x < w - 1 else px[h - 2][x]
    for y in range(h):
        px[y][0] = LIGHT
        px[y][w - 1] = BLACK
        if 0 < y < h - 1:
            px[y][w - 2] = SHADOW
    # A grip line down the middle marks the value.
    for y in range(5, h - 5):
        px[y][8] = BLUE
    return px


def toolbox():
    # Palette: the 16 colours of the classic 4-bit palette.
    palette = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
               (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
               (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    grey, dark, white, black, blue = 7, 8, 15, 0, 4
    w, h = 16, 15
    idx = [[grey for _ in range(w)] for _ in range(h)]
    for x in range(1, 15):
        idx[7][x] = dark
        idx[8][x] = white
    for y in range(3, 13):
        for x in range(6, 10):
            idx[y][x] = grey
        idx[y][6] = white
        idx[y][9] = black
    for x in range(6, 10):
        idx[3][x] = white
        idx[12][x] = black
    for y in range(5, 11):
        idx[y][7] = blue
    return idx, palette


if __name__ == "__main__":
    write_rgb("track.png", track())
    write_rgb("thumb.png", thumb())
    indices, palette = toolbox()
    write_palette4("toolbox.png", indices, palette)

#!/usr/bin/env python3
"""Writes src/resources/test_pattern.png: an 8 x 6 picture in four coloured quarters
(red top left, green top right, blue bottom left, white bottom right) that the forms
tests load through LoadResPicture and LoadPicture. Deterministic: no timestamps."""
import pathlib
import struct
import sys
import zlib

WIDTH, HEIGHT = 8, 6
QUARTERS = {(0, 0): (255, 0, 0), (1, 0): (0, 255, 0), (0, 1): (0, 0, 255), (1, 1): (255, 255, 255)}


def chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main() -> None:
    root = pathlib.Path(__file__).resolve().parent.parent
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "src" / "resources" / "test_pattern.png"
    rows = b""
    for y in range(HEIGHT):
        rows += b"\x00"  # no filter
        for x in range(WIDTH):
            rows += bytes(QUARTERS[(x * 2 // WIDTH, y * 2 // HEIGHT)])
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    out.write_bytes(png)


if __name__ == "__main__":
    main()

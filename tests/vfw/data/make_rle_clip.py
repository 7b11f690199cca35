#!/usr/bin/env python3
"""Writes rle.avi, a 32 x 16 clip of 4 frames in Microsoft RLE (8-bit), which
FFmpeg cannot encode. Palette entries 1 to 3 are red, green and blue, entry
4 + n the grey 16 + 22 n of frame n; each frame is the quadrants picture of
the AVI tests: red top left, green top right, blue bottom left, that grey
bottom right. The stream header's frame rectangle is left empty (the whole
picture) and the stream is named "rle clip".
    python3 make_rle_clip.py [out.avi]
"""
import struct
import sys

from avi_file import avi

WIDTH, HEIGHT, FRAMES = 32, 16, 4


def palette():
    colours = []
    for i in range(256):
        grey = (16 + 22 * (i - 4)) & 0xFF
        bgr = {1: (0, 0, 255), 2: (0, 255, 0), 3: (255, 0, 0)}.get(i, (grey, grey, grey))
        colours.append(bytes(bgr) + b"\0")
    return b"".join(colours)


def frame(n):
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # bottom row first
        bottom = y >= HEIGHT // 2
        rows.append(bytes([WIDTH // 2, 3 if bottom else 1, WIDTH // 2, 4 + n if bottom else 2, 0, 0]))
    return b"".join(rows) + b"\0\1"


def clip():
    strf = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 1, 0, 0, 0, 256, 0) + palette()
    return avi(b"mrle", WIDTH, HEIGHT, [frame(n) for n in range(FRAMES)], strf, name="rle clip")


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "rle.avi", "wb") as out:
        out.write(clip())

#!/usr/bin/env python3
"""Writes indeo.avi, a 32 x 16 clip of 4 frames in Intel Indeo 2 ("RT21"),
which FFmpeg can decode but not encode. Every frame is a key frame whose left
and right halves have their own luma, and their own blue difference, so the
halves come out in two colours; the colours change from frame to frame:

    frame   luma left, right   blue difference left, right (red: 128)
      0        217, 39              178, 78
      1         39, 217              78, 178
      2        162, 94             128, 128
      3         94, 162            128, 128

A plane's first row holds absolute values and every later row repeats the row
above, so each half is one colour from top to bottom.
    python3 make_indeo_clip.py [out.avi]
"""
import struct
import sys

from avi_file import avi

WIDTH, HEIGHT, FRAMES = 32, 16, 4

# Indeo 2 code words by symbol, in canonical order: symbol and length in bits.
# Symbols 1 to 127 pick a pair of values from the delta table, 0x80 + n a run
# of 2 (n + 1) values.
CODE_ORDER = [(1, 3), (2, 3), (0x80, 3), (3, 3), (4, 5), (0x81, 5), (5, 5), (6, 5), (0x82, 5),
              (0x83, 5), (7, 5), (8, 5), (0x84, 6)] + [(s, 6) for s in range(9, 15)] + [
              (0x85, 6), (15, 8), (16, 8), (0x86, 8), (0x87, 8), (17, 8), (18, 8), (19, 8),
              (20, 8), (0x88, 8), (21, 8), (22, 8), (0x89, 8), (23, 8), (24, 8), (0x8A, 8),
              (25, 8), (26, 9), (0x8B, 9), (27, 9), (28, 9), (0x8C, 9), (29, 9), (30, 9),
              (0x8D, 9), (31, 9), (32, 9), (0x8E, 9), (33, 9), (34, 9), (0x8F, 9), (35, 9),
              (36, 9)] + [(s, 10) for s in range(37, 53)] + [(s, 13) for s in range(53, 117)] + [
              (s, 14) for s in range(117, 128)]

# Symbols of the first delta table whose two values are equal.
PAIR = {217: 125, 39: 126, 178: 61, 78: 62, 162: 35, 94: 36}
RUN = 0x80  # + n: 2 (n + 1) values


def codes():
    table, code = {}, 0
    for symbol, length in CODE_ORDER:
        table[symbol] = (code >> (32 - length), length)
        code += 1 << (32 - length)
    return table


class BitWriter:
    """Code words most significant bit first, filling each byte from bit 0."""

    def __init__(self):
        self.bits = []

    def put(self, word, length):
        self.bits += [(word >> (length - 1 - i)) & 1 for i in range(length)]

    def data(self):
        padded = self.bits + [0] * (-len(self.bits) % 8 + 32)
        return bytes(sum(padded[i + b] << b for b in range(8)) for i in range(0, len(padded), 8))


def plane(writer, table, width, height, left, right):
    half = width // 2
    for value in (left, right):
        if value == 128:
            writer.put(*table[RUN + half // 2 - 1])
        else:
            for _ in range(half // 2):
                writer.put(*table[PAIR[value]])
    for _ in range(height - 1):
        writer.put(*table[RUN + width // 2 - 1])  # repeat the row above


def frame(n):
    luma = [(217, 39), (39, 217), (162, 94), (94, 162)][n]
    blue = [(178, 78), (78, 178), (128, 128), (128, 128)][n]
    table, writer = codes(), BitWriter()
    plane(writer, table, WIDTH, HEIGHT, *luma)
    plane(writer, table, WIDTH // 4, HEIGHT // 4, 128, 128)  # red difference first
    plane(writer, table, WIDTH // 4, HEIGHT // 4, *blue)
    header = bytearray(48)
    header[18] = 1     # a key frame: absolute values, not changes to the last frame
    header[0x22] = 0   # the first delta table for luma and colour
    return bytes(header) + writer.data()


def clip():
    strf = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0x31325452, WIDTH * HEIGHT * 3,
                       0, 0, 0, 0)
    return avi(b"RT21", WIDTH, HEIGHT, [frame(n) for n in range(FRAMES)], strf,
               frame_rect=(0, 0, WIDTH, HEIGHT))


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "indeo.avi", "wb") as out:
        out.write(clip())

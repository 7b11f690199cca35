#!/usr/bin/env python3
"""Converts uncompressed true-colour TGA files (24 or 32 bits, as the driver's
screen shots and scripts/make_textures.py write them) to PNG.
    python3 scripts/tga_to_png.py in.tga [in2.tga ...] out.png
Several inputs are placed side by side in one picture.
"""
import struct
import sys
import zlib


def read_tga(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 18:
        raise ValueError(path + ": too short for a TGA header")
    id_length, colour_map, kind = data[0], data[1], data[2]
    width, height, depth, descriptor = struct.unpack_from("<HHBB", data, 12)
    if kind != 2 or colour_map != 0 or depth not in (24, 32):
        raise ValueError(path + ": only uncompressed 24- or 32-bit true colour is read")
    step = depth // 8
    start = 18 + id_length
    if len(data) < start + width * height * step:
        raise ValueError(path + ": pixel data cut short")
    rows = []
    for y in range(height):
        offset = start + y * width * step
        row = bytearray()
        for x in range(width):
            b, g, r = data[offset + x * step: offset + x * step + 3]
            row += bytes((r, g, b))
        rows.append(row)
    if not descriptor & 0x20:  # bottom-up rows
        rows.reverse()
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    pictures = [read_tga(p) for p in sys.argv[1:-1]]
    height = max(h for _, h, _ in pictures)
    width = sum(w for w, _, _ in pictures)
    rows = [bytearray() for _ in range(height)]
    for w, h, picture in pictures:
        for y in range(height):
            rows[y] += picture[y] if y < h else bytes(3 * w)
    write_png(sys.argv[-1], width, height, rows)


if __name__ == "__main__":
    main()

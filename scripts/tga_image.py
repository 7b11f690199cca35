"""What the image scripts share: 32-bit uncompressed TGA files with the origin
at the top left, the layout the driver reads, and 0..255 rounding."""
import os
import struct


def write_tga(path, pixels):
    """pixels: rows from the top, each a list of (r, g, b, a) in 0..255."""
    height = len(pixels)
    width = len(pixels[0]) if height else 0
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 0x28)
    body = bytearray()
    for row in pixels:
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(header)
        f.write(body)


def clamp(v):
    return max(0, min(255, int(round(v))))

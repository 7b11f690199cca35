#!/usr/bin/env python3
"""Writes the mapping effects' textures into data/Images/Effects/Mapping as
uncompressed TGA: a chrome environment (sky above a bright horizon, dark
ground below) for spherical mapping, and a soft light spot, black at its
rim, for planar mapping. The output is the same on every run:
    python3 scripts/make_mapping_images.py [data folder]
"""
import math
import os
import sys

from tga_image import clamp, write_tga

SIZE = 128


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def chrome():
    """A sphere map: v = 0 straight up, 0.5 the horizon, 1 straight down."""
    sky_top, sky_low = (70, 120, 210), (200, 225, 250)
    ground_high, ground_low = (120, 100, 80), (35, 30, 28)
    rows = []
    for y in range(SIZE):
        v = (y + 0.5) / SIZE
        row = []
        for x in range(SIZE):
            u = (x + 0.5) / SIZE
            if v < 0.5:
                c = mix(sky_top, sky_low, (v / 0.5) ** 1.5)
            else:
                c = mix(ground_high, ground_low, ((v - 0.5) / 0.5) ** 0.7)
            # A bright band at the horizon and a soft sun up to the left.
            band = math.exp(-((v - 0.5) / 0.025) ** 2)
            sun = math.exp(-(((u - 0.3) / 0.08) ** 2 + ((v - 0.22) / 0.08) ** 2))
            c = tuple(ch + 255 * (0.8 * band + 0.9 * sun) for ch in c)
            row.append((clamp(c[0]), clamp(c[1]), clamp(c[2]), 255))
        rows.append(row)
    return rows


def spot():
    """White in the middle falling to black at the rim; alpha follows."""
    rows = []
    c = (SIZE - 1) / 2.0
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            r = math.hypot(x - c, y - c) / c
            t = max(0.0, 1.0 - r)
            level = 255 * (t * t * (3 - 2 * t))
            row.append((clamp(level), clamp(level), clamp(level), clamp(level)))
        rows.append(row)
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data")
    folder = os.path.join(root, "Images", "Effects", "Mapping")
    write_tga(os.path.join(folder, "chrome.tga"), chrome())
    write_tga(os.path.join(folder, "spot.tga"), spot())


if __name__ == "__main__":
    main()

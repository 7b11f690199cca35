#!/usr/bin/env python3
"""Writes the world surface textures into data/Images/Effects as uncompressed
TGA: a rippled, half-transparent water (water.tga) and a murky green swamp
(swamp.tga). Both tile in u and v, since the surfaces wrap them over a whole
map. The output is the same on every run:
    python3 scripts/make_surface_images.py [data folder]
"""
import math
import os
import sys

from tga_image import clamp, write_tga

SIZE = 64


def hash01(x, y, seed):
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0


def tiled_noise(u, v, cells, seed):
    """Value noise on a cells x cells lattice that wraps, so the image tiles."""
    x, y = u * cells, v * cells
    x0, y0 = int(math.floor(x)), int(math.floor(y))
    fx, fy = x - x0, y - y0
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)

    def at(i, j):
        return hash01(i % cells, j % cells, seed)

    top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx
    bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx
    return top + (bottom - top) * sy


def fractal(u, v, seed):
    return (0.55 * tiled_noise(u, v, 4, seed) + 0.3 * tiled_noise(u, v, 8, seed + 1)
            + 0.15 * tiled_noise(u, v, 16, seed + 2))


def water():
    """Blue-green ripples; brighter crests are a little more opaque."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            n = fractal(u, v, 11)
            ripple = 0.5 + 0.5 * math.sin(2 * math.pi * (2 * u + 3 * v) + 6 * n)
            light = 0.55 + 0.3 * n + 0.15 * ripple
            row.append((clamp(60 * light), clamp(150 * light), clamp(215 * light),
                        clamp(150 + 60 * ripple * n)))
        rows.append(row)
    return rows


def swamp():
    """Dark olive with lighter patches of weed; drawn additively in layers."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            n = fractal(u, v, 23)
            weed = max(0.0, fractal(u, v, 37) - 0.45) * 2.5
            row.append((clamp(70 + 60 * n + 50 * weed), clamp(95 + 70 * n + 80 * weed),
                        clamp(40 + 30 * n), 255))
        rows.append(row)
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data")
    effects = os.path.join(root, "Images", "Effects")
    write_tga(os.path.join(effects, "water.tga"), water())
    write_tga(os.path.join(effects, "swamp.tga"), swamp())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the effect sprites into data/Images/Effects as uncompressed TGA:
a soft smoke puff and a spark for the particle systems (Particles/), and a
glow with rays for halos (halo.tga). The output is the same on every run:
    python3 scripts/make_effect_images.py [data folder]
"""
import math
import os
import sys

from tga_image import clamp, write_tga

SIZE = 64


def hash01(x, y):
    h = (x * 374761393 + y * 668265263) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0


def smooth_noise(u, v, cells):
    x, y = u * cells, v * cells
    x0, y0 = int(math.floor(x)), int(math.floor(y))
    fx, fy = x - x0, y - y0
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    top = hash01(x0, y0) + (hash01(x0 + 1, y0) - hash01(x0, y0)) * sx
    bottom = hash01(x0, y0 + 1) + (hash01(x0 + 1, y0 + 1) - hash01(x0, y0 + 1)) * sx
    return top + (bottom - top) * sy


def radius(x, y):
    """Distance from the centre, 1 at the middle of an edge."""
    c = (SIZE - 1) / 2.0
    return math.hypot(x - c, y - c) / c


def smoke():
    """White with a soft, lumpy alpha: the particle's colour tints it."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            lumps = 0.6 + 0.4 * smooth_noise(x / SIZE, y / SIZE, 6)
            falloff = max(0.0, 1.0 - radius(x, y)) ** 1.5
            row.append((255, 255, 255, clamp(255 * falloff * lumps)))
        rows.append(row)
    return rows


def spark():
    """A hot core fading to black: drawn additively, black adds nothing."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            r = radius(x, y)
            core = max(0.0, 1.0 - r) ** 3
            glow = math.exp(-6.0 * r * r)
            v = min(1.0, 0.8 * core + 0.5 * glow)
            row.append((clamp(255 * v), clamp(255 * v), clamp(255 * v), 255))
        rows.append(row)
    return rows


def halo():
    """A glow with six soft rays, black outside, for additive drawing."""
    rows = []
    c = (SIZE - 1) / 2.0
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            r = radius(x, y)
            angle = math.atan2(y - c, x - c)
            rays = 0.35 * max(0.0, math.cos(3 * angle)) ** 8 * max(0.0, 1.0 - r)
            glow = math.exp(-5.0 * r * r) * max(0.0, 1.0 - r * r)
            v = min(1.0, glow + rays)
            warm = (clamp(255 * v), clamp(240 * v), clamp(200 * v))
            row.append(warm + (255,))
        rows.append(row)
    return rows


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data")
    effects = os.path.join(root, "Images", "Effects")
    write_tga(os.path.join(effects, "Particles", "smoke.tga"), smoke())
    write_tga(os.path.join(effects, "Particles", "spark.tga"), spark())
    write_tga(os.path.join(effects, "halo.tga"), halo())


if __name__ == "__main__":
    main()

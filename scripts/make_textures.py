#!/usr/bin/env python3
"""Writes the demo scene's textures into data/Textures as uncompressed TGA.

Everything is computed here (checkerboard, bricks, marble-like noise, a
translucent glass pattern and grass), so the files can be remade at any time:
    python3 scripts/make_textures.py [output folder]
The output is the same on every run: the noise uses a fixed hash, not a
random generator.
"""
import math
import os
import sys

from tga_image import clamp, write_tga

SIZE = 128


def hash01(x, y, seed):
    """A fixed pseudo-random value in [0, 1) for an integer lattice point."""
    h = (x * 374761393 + y * 668265263 + seed * 982451653) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0


def value_noise(x, y, period, seed):
    """Smooth noise that tiles every `period` lattice cells."""
    x0, y0 = int(math.floor(x)), int(math.floor(y))
    fx, fy = x - x0, y - y0
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)

    def corner(i, j):
        return hash01((x0 + i) % period, (y0 + j) % period, seed)

    top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * sx
    bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * sx
    return top + (bottom - top) * sy


def turbulence(u, v, seed):
    total, amplitude, scale = 0.0, 0.5, 4
    for octave in range(4):
        total += amplitude * value_noise(u * scale, v * scale, scale, seed + octave)
        amplitude *= 0.5
        scale *= 2
    return total


def checker():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            cell = ((x // 16) + (y // 16)) % 2
            edge = x % 16 in (0, 15) or y % 16 in (0, 15)
            base = (225, 220, 200) if cell else (60, 95, 110)
            shade = 0.85 if edge else 1.0
            row.append(tuple(clamp(c * shade) for c in base) + (255,))
        rows.append(row)
    return rows


def bricks():
    rows = []
    brick_w, brick_h, mortar = 32, 16, 2
    for y in range(SIZE):
        course = y // brick_h
        row = []
        for x in range(SIZE):
            shifted = x + (brick_w // 2 if course % 2 else 0)
            column = (shifted // brick_w) % (SIZE // brick_w)
            in_mortar = (y % brick_h) < mortar or (shifted % brick_w) < mortar
            grain = turbulence(x / SIZE, y / SIZE, 7) - 0.5
            if in_mortar:
                grey = 170 + 30 * grain
                row.append((clamp(grey), clamp(grey), clamp(grey * 0.95), 255))
            else:
                tone = 0.8 + 0.35 * hash01(column, course, 3)
                row.append((clamp((165 + 40 * grain) * tone), clamp((70 + 20 * grain) * tone),
                            clamp((50 + 15 * grain) * tone), 255))
        rows.append(row)
    return rows


def marble():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            # Veins: a sine across the picture bent by turbulence; the sine
            # has whole periods across so that the texture tiles.
            vein = math.sin(2 * math.pi * (2 * u + v) + 6.0 * turbulence(u, v, 11))
            light = 0.55 + 0.45 * (1 - abs(vein)) ** 0.35
            row.append((clamp(235 * light), clamp(232 * light), clamp(222 * light), 255))
        rows.append(row)
    return rows


def glass():
    """Blue glass with graded alpha, so that the driver treats it as translucent."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            ripple = 0.5 + 0.5 * math.sin(2 * math.pi * 3 * u + 4.0 * turbulence(u, v, 23))
            row.append((clamp(120 + 60 * ripple), clamp(190 + 40 * ripple), 255,
                        clamp(110 + 60 * ripple)))
        rows.append(row)
    return rows


def grass():
    """Meadow for the world scene's ground: green noise with lighter tufts."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            patch = turbulence(u, v, 31)
            tuft = hash01(x, y, 37)
            light = 0.7 + 0.5 * patch + (0.15 if tuft > 0.85 else 0.0)
            row.append((clamp(70 * light), clamp(125 * light), clamp(45 * light), 255))
        rows.append(row)
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "Textures")
    os.makedirs(folder, exist_ok=True)
    for name, make in (("checker", checker), ("bricks", bricks), ("marble", marble),
                       ("glass", glass), ("grass", grass)):
        path = os.path.join(folder, name + ".tga")
        write_tga(path, make())
        print(path)


if __name__ == "__main__":
    main()

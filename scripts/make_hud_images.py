#!/usr/bin/env python3
"""Writes the viewer's heads-up images into data/Images as uncompressed TGA:
logo.tga (a shaded cube emblem in a ring) and cursor.tga (an arrow).

Both are drawn here from geometry; magenta (255, 0, 255) is the colour key,
the parts the driver leaves transparent:
    python3 scripts/make_hud_images.py [output folder]
"""
import math
import os
import sys

from tga_image import write_tga

KEY = (255, 0, 255)


def inside(polygon, x, y):
    """Even-odd test of the point against a polygon of (x, y) corners."""
    result = False
    n = len(polygon)
    for i in range(n):
        (x0, y0), (x1, y1) = polygon[i], polygon[(i + 1) % n]
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            result = not result
    return result


def logo(size=64):
    c = size / 2
    r = size * 0.34
    # An isometric cube: top, left and right faces around the centre.
    top = [(c, c - r), (c + r * 0.87, c - r / 2), (c, c), (c - r * 0.87, c - r / 2)]
    left = [(c - r * 0.87, c - r / 2), (c, c), (c, c + r), (c - r * 0.87, c + r / 2)]
    right = [(c, c), (c + r * 0.87, c - r / 2), (c + r * 0.87, c + r / 2), (c, c + r)]
    faces = [(top, (250, 210, 90)), (left, (200, 120, 40)), (right, (150, 70, 30))]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - c, py - c)
            colour = KEY
            if size * 0.44 <= d <= size * 0.49:
                colour = (90, 170, 230)
            for polygon, shade in faces:
                if inside(polygon, px, py):
                    colour = shade
            row.append(colour)
        rows.append(row)
    return size, size, rows


def cursor(size=32):
    arrow = [(1, 1), (1, 24), (7, 18), (12, 29), (16, 27), (11, 17), (19, 17)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            if inside(arrow, px, py):
                # A dark rim one pixel wide keeps the arrow visible on light ground.
                rim = not all(inside(arrow, px + dx, py + dy)
                              for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                row.append((20, 20, 20) if rim else (255, 255, 255))
            else:
                row.append(KEY)
        rows.append(row)
    return size, size, rows


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "Images")
    os.makedirs(folder, exist_ok=True)
    for name, make in (("logo.tga", logo), ("cursor.tga", cursor)):
        _, _, rows = make()
        write_tga(os.path.join(folder, name), [[(r, g, b, 255) for r, g, b in row] for row in rows])


if __name__ == "__main__":
    main()

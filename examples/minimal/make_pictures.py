#!/usr/bin/env python3
"""Draws the two pictures that the minimal example's script names in [Wizard], beside this
script, with the program's own drawing helpers (src/res/make_art.py):

    side.bmp  the picture of the welcome and finish pages, 164 x 314, 16 colours
    top.bmp   the picture of the header look, 49 x 49, 16 colours

Run `python3 examples/minimal/make_pictures.py` after changing a drawing.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'src', 'res'))
from make_art import VGA, bmp_bytes, ellipse, gradient, polygon, reduce, sample  # noqa: E402


def sun(cx, cy, r):
    """A yellow disc with eight rays, as shapes."""
    shapes = []
    for k in range(8):
        a = k * math.pi / 4
        shapes.append((polygon([(cx + math.cos(a - 0.2) * r, cy + math.sin(a - 0.2) * r),
                                (cx + math.cos(a) * r * 1.8, cy + math.sin(a) * r * 1.8),
                                (cx + math.cos(a + 0.2) * r, cy + math.sin(a + 0.2) * r)]),
                       (255, 160, 0)))
    shapes.append((ellipse(cx, cy, r, r), (255, 230, 0)))
    return shapes


def draw_side(width, height):
    hill = polygon([(0, 240), (70, 205), (164, 225), (164, 314), (0, 314)])
    shapes = [(hill, (0, 140, 0))] + sun(82, 95, 32)
    rgb, _ = sample(width, height, shapes, gradient((0, 70, 200), (160, 210, 255), height), 2)
    return reduce(width, rgb, VGA, dither=90)


def draw_top(width, height):
    rgb, _ = sample(width, height, sun(24.5, 24.5, 12), lambda x, y: (255, 255, 255), 3)
    return reduce(width, rgb, VGA)


def main():
    for name, width, height, draw in (('side.bmp', 164, 314, draw_side),
                                      ('top.bmp', 49, 49, draw_top)):
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(bmp_bytes(width, height, draw(width, height), VGA, 4))


if __name__ == '__main__':
    main()

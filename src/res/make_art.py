#!/usr/bin/env python3
"""Draws the program's artwork and writes it as Windows BMP and ICO files, beside this script.

    images.bmp  the strip of 71 small pictures, 16 x 16 each (1136 x 16, 16 colours) on the
                teal mask colour RGB(0, 128, 128): 0 and 1 blank, 14 a ticked and 15 an empty
                check box, 69 the notice sign, product pictures everywhere else
    wizard.bmp  the wizard picture, 164 x 628, 16 colours
    header.bmp  the header picture, 49 x 49, 16 colours
    setup.ico   the program icon: 32 x 32 and 16 x 16 in 16 colours, 48 x 48 in 256 colours

Run `python3 src/res/make_art.py` after changing a drawing; `--check` only compares. To see
the strip enlarged: `convert src/res/images.bmp -scale 400% /tmp/images.png`.
The small pictures are drawn pixel by pixel in the 16 standard colours; the larger ones are
drawn as shapes, sampled several times per pixel and reduced to the palette.
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 standard colours, in their usual order.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
K, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
MASK = TEAL  # the image list's transparent colour; never used as a colour of a picture

# ---------------------------------------------------------------------------------------------
# File writers


def bmp_bytes(width, height, indices, palette, bits):
    """A bottom-up BMP file (BITMAPINFOHEADER) of palette indices, rows padded to 4 bytes."""
    rows = []
    for y in range(height - 1, -1, -1):
        rows.append(pack_row(indices[y * width:(y + 1) * width], bits))
    pixels = b''.join(rows)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(pixels), 2835,
                         2835, len(palette), len(palette))
    offset = 14 + len(header) + len(colours)
    return (b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + header + colours
            + pixels)


def pack_row(row, bits):
    out = bytearray()
    if bits == 8:
        out.extend(row)
    elif bits == 4:
        for i in range(0, len(row), 2):
            hi = row[i]
            lo = row[i + 1] if i + 1 < len(row) else 0
            out.append((hi << 4) | lo)
    elif bits == 1:
        for i in range(0, len(row), 8):
            byte = 0
            for j, v in enumerate(row[i:i + 8]):
                byte |= (v & 1) << (7 - j)
            out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def ico_bytes(images):
    """An ICO file from (size, palette, bits, indices, opaque) images."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, palette, bits, indices, opaque in images:
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
        colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
        xor = b''.join(pack_row(indices[y * size:(y + 1) * size], bits)
                       for y in range(size - 1, -1, -1))
        # AND mask: 1 where the desktop shows through.
        and_mask = b''.join(pack_row([0 if opaque[y * size + x] else 1 for x in range(size)], 1)
                            for y in range(size - 1, -1, -1))
        blob = header + colours + xor + and_mask
        colour_count = len(palette) if len(palette) < 256 else 0
        entries.append(struct.pack('<BBBBHHII', size % 256, size % 256, colour_count, 0, 1, bits,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


# ---------------------------------------------------------------------------------------------
# Pixel drawing for the 16 x 16 pictures


class Cell:
    """One 16 x 16 picture of the strip; coordinates are local to the picture."""

    def __init__(self, strip, index):
        self.strip, self.x0 = strip, index * 16

    def px(self, x, y, c):
        if 0 <= x < 16 and 0 <= y < 16:
            self.strip[y * STRIP_WIDTH + self.x0 + x] = c

    def get(self, x, y):
        return self.strip[y * STRIP_WIDTH + self.x0 + x]

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def box(self, x0, y0, x1, y1, fill, edge=K):
        self.rect(x0, y0, x1, y1, fill)
        self.frame(x0, y0, x1, y1, edge)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.px(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c):
        for y in range(16):
            for x in range(16):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r * 0.8:
                    self.px(x, y, c)

    def ring(self, cx, cy, r, c):
        for y in range(16):
            for x in range(16):
                d = math.hypot(x - cx, y - cy)
                if r - 0.5 <= d < r + 0.5:
                    self.px(x, y, c)

    def circle(self, cx, cy, r, fill, edge=K):
        self.disc(cx, cy, r, edge)
        self.disc(cx, cy, r - 1, fill)

    def art(self, rows, x=0, y=0):
        """Pixel art: one character per pixel, '.' leaves the pixel as it is."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch != '.':
                    self.px(x + i, y + j, CHARS[ch])


CHARS = {'k': K, 'm': MAROON, 'g': GREEN, 'o': OLIVE, 'n': NAVY, 'p': PURPLE, 's': SILVER,
         'd': GRAY, 'r': RED, 'l': LIME, 'y': YELLOW, 'b': BLUE, 'f': FUCHSIA, 'a': AQUA,
         'w': WHITE, 'x': MASK}

STRIP_IMAGES = 71
STRIP_WIDTH = STRIP_IMAGES * 16

# Shared parts of several pictures.


def window(c, title=NAVY):
    c.box(0, 1, 15, 14, WHITE)
    c.rect(1, 2, 14, 4, title)
    c.px(13, 3, SILVER)
    c.px(11, 3, SILVER)


def document(c, paper=WHITE, lines=GRAY, fold=SILVER):
    c.art(['.kkkkkkkkk......',
           '.kwwwwwwwkk.....',
           '.kwwwwwwwksk....',
           '.kwwwwwwwksskk..',
           '.kwwwwwwwkkkkk..'])
    for y in range(5, 15):
        c.px(1, y, K)
        c.px(13, y, K)
        c.rect(2, y, 12, y, paper)
    c.rect(2, 1, 8, 4, paper)
    c.px(10, 2, fold)
    c.px(10, 3, fold)
    c.px(11, 3, fold)
    c.line(1, 15, 13, 15, K)
    for y in (6, 8, 10, 12):
        c.line(3, y, 11, y, lines)


def folder(c, colour=YELLOW, shade=OLIVE):
    c.box(0, 4, 15, 14, colour)
    c.box(1, 2, 6, 4, colour)
    c.line(1, 5, 14, 5, WHITE)
    c.line(1, 13, 14, 13, shade)


def handset(c, x, y, colour=K):
    c.art(['.kkkkkkkkk.',
           'kkkkkkkkkkk',
           'kkk.....kkk',
           'kk.......kk'], x, y)
    if colour != K:
        for j in range(4):
            for i in range(11):
                if c.get(x + i, y + j) == K and 0 < j < 3 and 0 < i < 10:
                    c.px(x + i, y + j, colour)


def monitor(c, screen=BLUE, y=0):
    c.box(1, y, 14, y + 10, SILVER)
    c.box(3, y + 2, 12, y + 8, screen)
    c.rect(6, y + 11, 9, y + 12, GRAY)
    c.box(3, y + 13, 12, y + 14, SILVER)


def speech_waves(c, x, y, colour=BLUE):
    c.line(x, y, x, y + 4, colour)
    c.line(x + 2, y - 1, x + 2, y + 5, colour)


def disc_shape(c, label=SILVER):
    c.circle(7, 7, 7, label)
    c.circle(7, 7, 2, WHITE)
    c.px(7, 7, MASK)
    c.line(4, 3, 6, 2, WHITE)
    c.line(2, 6, 3, 4, WHITE)


# The pictures, by position in the strip.


def blank(c):
    pass


def check_ticked(c):
    c.box(1, 1, 13, 13, WHITE, GRAY)
    c.line(2, 2, 12, 2, K)
    c.line(2, 2, 2, 12, K)
    c.art(['......k',
           '.....kk',
           'k...kkk',
           'kk.kkk.',
           'kkkkk..',
           '.kkk...',
           '..k....'], 4, 4)


def check_empty(c):
    c.box(1, 1, 13, 13, WHITE, GRAY)
    c.line(2, 2, 12, 2, K)
    c.line(2, 2, 2, 12, K)


def notice(c):
    c.circle(7, 7, 7, BLUE)
    c.rect(6, 3, 8, 4, WHITE)
    c.rect(6, 6, 8, 11, WHITE)
    c.rect(5, 6, 5, 6, WHITE)
    c.rect(5, 11, 9, 11, WHITE)


def application(c):
    window(c)
    c.rect(2, 6, 6, 12, SILVER)
    c.line(8, 7, 13, 7, GRAY)
    c.line(8, 9, 13, 9, GRAY)
    c.line(8, 11, 12, 11, GRAY)


def text_document(c):
    document(c)


def telephone(c):
    handset(c, 2, 2)
    c.art(['...kkkkkkkk...',
           '..kmmmmmmmmk..',
           '..kmmwkwkwmk..',
           '.kmmmkwkwkmmk.',
           '.kmmmwkwkwmmk.',
           'kmmmmmmmmmmmmk',
           'kmmmmmmmmmmmmk',
           'kkkkkkkkkkkkkk'], 1, 6)


def answering_machine(c):
    handset(c, 0, 1)
    c.box(0, 5, 15, 14, GRAY)
    c.box(2, 7, 9, 12, WHITE)
    c.circle(4, 9, 1, K)
    c.circle(7, 9, 1, K)
    c.px(4, 9, WHITE)
    c.px(7, 9, WHITE)
    c.rect(11, 7, 13, 8, RED)
    c.rect(11, 10, 13, 11, LIME)


def fax(c):
    c.box(4, 0, 13, 6, WHITE)
    c.line(6, 2, 11, 2, GRAY)
    c.line(6, 4, 10, 4, GRAY)
    c.box(0, 6, 15, 14, SILVER)
    c.box(1, 4, 3, 12, GRAY)
    c.rect(5, 8, 13, 9, K)
    for x in (5, 8, 11):
        c.rect(x, 11, x + 1, 12, NAVY)


def network(c):
    c.line(7, 6, 7, 10, K)
    c.line(2, 10, 13, 10, K)
    c.line(2, 10, 2, 11, K)
    c.line(13, 10, 13, 11, K)
    c.box(4, 0, 11, 5, SILVER)
    c.rect(5, 1, 10, 4, BLUE)
    c.box(0, 11, 5, 15, SILVER)
    c.rect(1, 12, 4, 14, BLUE)
    c.box(10, 11, 15, 15, SILVER)
    c.rect(11, 12, 14, 14, BLUE)


def wrench(c):
    c.art(['..........kkk...',
           '.........kssk.k.',
           '........kssk.ksk',
           '........ksskksdk',
           '........ksssssdk',
           '.......kssssddk.',
           '......kssskkk...',
           '.....kssdk......',
           '....kssdk.......',
           '...kssdk........',
           '..kssdk.........',
           '.kssdk..........',
           'kssdk...........',
           'ksdk............',
           '.kk.............'], 0, 1)


def speaker(c):
    c.art(['......kk........',
           '.....ksk........',
           '....kssk........',
           'kkkkksdk........',
           'ksssssdk........',
           'ksssssdk........',
           'ksssssdk........',
           'ksssssdk........',
           'kkkkksdk........',
           '....kssk........',
           '.....ksk........',
           '......kk........'], 0, 2)
    c.art(['...b..',
           'b...b.',
           '.b...b',
           '.b...b',
           '.b...b',
           '.b...b',
           'b...b.',
           '...b..'], 9, 4)


def microphone(c):
    c.box(5, 0, 10, 8, GRAY)
    c.line(6, 2, 9, 2, K)
    c.line(6, 4, 9, 4, K)
    c.line(6, 6, 9, 6, K)
    c.line(3, 6, 3, 8, K)
    c.line(12, 6, 12, 8, K)
    c.line(4, 9, 5, 10, K)
    c.line(11, 9, 10, 10, K)
    c.line(6, 11, 9, 11, K)
    c.line(7, 12, 7, 13, K)
    c.line(8, 12, 8, 13, K)
    c.rect(4, 14, 11, 15, K)


def headset(c):
    c.art(['.....kkkkkk.....',
           '...kkddddddkk...',
           '..kdd......ddk..',
           '.kd..........dk.',
           '.kd..........dk.',
           'kkkk........kkkk',
           'knnk........knnk',
           'knnk........knnk',
           'knnk........knnk',
           'kkkk........kkkk',
           '.kd.............',
           '..kd............',
           '...kkk..........',
           '....krrk........',
           '.....kk.........'], 0, 0)


def mobile(c):
    c.line(11, 0, 11, 2, K)
    c.box(4, 2, 12, 15, GRAY)
    c.box(5, 4, 11, 8, AQUA)
    for y in (10, 12):
        for x in (6, 8, 10):
            c.px(x, y, WHITE)
    c.rect(6, 14, 10, 14, K)


def modem(c):
    c.box(0, 6, 15, 12, SILVER)
    c.line(1, 7, 14, 7, WHITE)
    c.line(0, 12, 15, 12, K)
    for i, col in enumerate((RED, LIME, LIME, YELLOW, LIME)):
        c.px(2 + 2 * i, 10, col)
    c.rect(0, 13, 1, 14, K)
    c.rect(14, 13, 15, 14, K)
    c.line(10, 6, 12, 1, K)
    c.line(13, 2, 14, 4, BLUE)
    c.line(11, 0, 13, 0, BLUE)


def isdn_card(c):
    c.box(0, 2, 15, 11, GREEN)
    c.rect(3, 4, 7, 8, K)
    c.rect(9, 4, 11, 6, K)
    c.rect(9, 8, 13, 9, SILVER)
    for x in range(1, 15, 2):
        c.rect(x, 12, x, 14, YELLOW)
    c.line(0, 12, 15, 12, OLIVE)


def computer(c):
    monitor(c, BLUE)


def printer(c):
    c.box(3, 0, 12, 5, WHITE)
    c.box(0, 5, 15, 12, SILVER)
    c.line(1, 6, 14, 6, WHITE)
    c.rect(12, 8, 13, 8, LIME)
    c.box(3, 10, 12, 15, WHITE)
    c.line(5, 12, 10, 12, GRAY)
    c.line(5, 14, 9, 14, GRAY)


def floppy(c):
    c.box(0, 0, 15, 15, NAVY)
    c.box(3, 0, 12, 6, SILVER)
    c.rect(9, 1, 10, 5, NAVY)
    c.box(2, 9, 13, 15, WHITE)
    c.line(4, 11, 11, 11, BLUE)
    c.line(4, 13, 11, 13, BLUE)


def compact_disc(c):
    disc_shape(c, SILVER)
    c.line(9, 12, 11, 11, AQUA)
    c.line(11, 9, 12, 8, FUCHSIA)


def folder_yellow(c):
    folder(c)


def globe(c):
    c.circle(7, 7, 7, BLUE)
    c.art(['....ll..',
           '...llll.',
           '..lllll.',
           '...lll..',
           '....ll..',
           '.....l..'], 1, 2)
    c.art(['.ll.',
           'llll',
           '.lll',
           '..l.'], 9, 7)
    c.ring(7, 7, 7, K)


def envelope(c):
    c.box(0, 3, 15, 13, WHITE)
    c.line(1, 4, 7, 9, K)
    c.line(14, 4, 8, 9, K)
    c.line(1, 12, 5, 8, GRAY)
    c.line(14, 12, 10, 8, GRAY)


def key(c):
    c.circle(4, 5, 4, YELLOW)
    c.disc(3, 4, 1, K)
    c.rect(8, 5, 15, 7, YELLOW)
    c.line(8, 4, 15, 4, K)
    c.line(8, 8, 15, 8, K)
    c.line(15, 4, 15, 8, K)
    c.rect(11, 9, 11, 10, K)
    c.rect(14, 9, 14, 11, K)
    c.rect(12, 9, 13, 9, K)
    c.px(11, 9, YELLOW)
    c.rect(12, 9, 13, 9, MASK)
    c.rect(12, 8, 13, 8, K)


def gear(c):
    for a in range(8):
        ang = a * math.pi / 4
        x, y = 7.5 + 6 * math.cos(ang), 7.5 + 6 * math.sin(ang)
        c.rect(int(round(x - 1.5)), int(round(y - 1.5)), int(round(x + 0.5)),
               int(round(y + 0.5)), GRAY)
    c.circle(7, 7, 5, SILVER)
    c.circle(7, 7, 2, WHITE)


def database(c):
    c.box(2, 2, 13, 13, SILVER)
    for y in (2, 6, 10):
        c.line(3, y + 1, 12, y + 1, WHITE)
        c.line(2, y + 2, 13, y + 2, K)
    c.rect(3, 0, 12, 1, SILVER)
    c.line(3, 0, 12, 0, K)
    c.px(2, 1, K)
    c.px(13, 1, K)
    c.rect(3, 14, 12, 14, K)


def bar_chart(c):
    c.line(0, 15, 15, 15, K)
    c.line(0, 0, 0, 15, K)
    c.box(2, 8, 4, 14, RED)
    c.box(6, 3, 8, 14, BLUE)
    c.box(10, 6, 12, 14, LIME)


def calendar(c):
    c.box(0, 2, 15, 15, WHITE)
    c.rect(1, 3, 14, 5, RED)
    c.rect(3, 0, 4, 3, K)
    c.rect(11, 0, 12, 3, K)
    for y in (7, 10, 13):
        for x in (2, 5, 8, 11):
            c.rect(x, y, x + 1, y + 1, GRAY)
    c.rect(8, 10, 9, 11, RED)


def clock(c):
    c.circle(7, 7, 7, WHITE)
    for a in range(12):
        ang = a * math.pi / 6
        c.px(int(round(7 + 5 * math.cos(ang))), int(round(7 + 5 * math.sin(ang))), GRAY)
    c.line(7, 7, 7, 3, K)
    c.line(7, 7, 10, 9, K)
    c.px(7, 7, RED)


def book(c):
    c.box(2, 0, 14, 13, NAVY)
    c.box(2, 13, 14, 15, WHITE)
    c.line(3, 0, 3, 12, BLUE)
    c.rect(6, 3, 12, 5, YELLOW)
    c.frame(6, 3, 12, 5, K)


def music_note(c):
    c.line(6, 2, 6, 12, K)
    c.line(14, 0, 14, 10, K)
    c.rect(6, 0, 14, 1, K)
    c.rect(6, 2, 14, 2, K)
    c.disc(4, 12, 2, K)
    c.disc(12, 10, 2, K)
    c.px(3, 11, GRAY)
    c.px(11, 9, GRAY)


def camera(c):
    c.box(0, 4, 15, 14, GRAY)
    c.box(4, 2, 9, 4, GRAY)
    c.circle(7, 9, 4, K)
    c.disc(7, 9, 2, BLUE)
    c.px(6, 8, WHITE)
    c.rect(12, 6, 13, 6, YELLOW)


def video(c):
    c.box(0, 4, 10, 12, GRAY)
    c.art(['...kk',
           '.kkdk',
           'kdddk',
           'kdddk',
           '.kkdk',
           '...kk'], 11, 5)
    c.disc(3, 2, 2, K)
    c.disc(8, 2, 2, K)
    c.px(3, 2, SILVER)
    c.px(8, 2, SILVER)
    c.rect(2, 6, 4, 7, RED)


def user(c):
    c.circle(7, 4, 3, YELLOW)
    c.art(['...kkkkkkkk...',
           '..kbbbbbbbbk..',
           '.kbbbbbbbbbbk.',
           'kbbbbbbbbbbbbk',
           'kbbbbbbbbbbbbk',
           'kkkkkkkkkkkkkk'], 1, 9)
    c.px(6, 4, K)
    c.px(8, 4, K)


def users(c):
    c.circle(10, 4, 3, YELLOW)
    c.art(['..kkkkkk.',
           '.kgggggggk',
           'kggggggggk',
           'kggggggggk'], 6, 8)
    c.circle(5, 6, 3, YELLOW)
    c.art(['..kkkkkk..',
           '.kbbbbbbk.',
           'kbbbbbbbbk',
           'kbbbbbbbbk',
           'kkkkkkkkkk'], 0, 10)
    c.line(6, 15, 15, 15, K)
    c.px(15, 12, K)
    c.line(15, 11, 15, 14, K)


def padlock(c):
    c.ring(7, 5, 4, K)
    c.ring(7, 5, 3, GRAY)
    c.box(2, 7, 13, 15, YELLOW)
    c.line(3, 8, 12, 8, WHITE)
    c.rect(7, 10, 8, 13, K)


def shield(c):
    c.art(['kkkkkkkkkkkkkk',
           'kbbbbbbwwwwwwk',
           'kbbbbbbwwwwwwk',
           'kbbbbbbwwwwwwk',
           'kbbbbbbwwwwwwk',
           'kbbbbbbwwwwwwk',
           'kwwwwwwrrrrrrk',
           'kwwwwwwrrrrrrk',
           '.kwwwwwrrrrrk.',
           '.kwwwwwrrrrrk.',
           '..kwwwwrrrrk..',
           '...kwwwrrrk...',
           '....kkwrkk....',
           '......kk......'], 1, 1)


def package(c):
    c.art(['....kkkkkkk.....',
           '..kkoooyyoookk..',
           'kkoooooyyoooookk',
           'kyyyyyyyyyyyyyyk'], 0, 1)
    c.box(0, 4, 15, 14, YELLOW)
    c.rect(7, 4, 8, 14, OLIVE)
    c.line(1, 13, 14, 13, OLIVE)


def plug(c):
    c.rect(4, 0, 5, 3, GRAY)
    c.rect(10, 0, 11, 3, GRAY)
    c.box(2, 4, 13, 10, SILVER)
    c.art(['.kssssssk.',
           '..kssssk..',
           '...kssk...'], 3, 11)
    c.line(7, 14, 7, 15, K)
    c.line(8, 14, 8, 15, K)


def battery(c):
    c.rect(6, 0, 9, 1, K)
    c.box(3, 2, 12, 15, WHITE)
    c.rect(4, 8, 11, 14, LIME)
    c.line(4, 8, 11, 8, GREEN)
    c.line(7, 4, 8, 4, K)


def cassette(c):
    c.box(0, 2, 15, 13, K)
    c.box(2, 4, 13, 8, WHITE)
    c.ring(5, 6, 1, K)
    c.ring(10, 6, 1, K)
    c.rect(7, 5, 8, 7, GRAY)
    c.art(['kssssssssk',
           'kssssssssk',
           'kkkkkkkkkk'], 3, 11)
    c.px(1, 3, RED)


def bell(c):
    c.art(['.......kk.......',
           '.....kkyykk.....',
           '....kyyyyyyk....',
           '....kyywyyyk....',
           '...kyywyyyyyk...',
           '...kyywyyyyyk...',
           '...kyyyyyyyyk...',
           '..kyyyyyyyyyyk..',
           '..kyyyyyyyyyyk..',
           '.kyyyyyyyyyyyyk.',
           'kyyyyyyyyyyyyyyk',
           'kkkkkkkkkkkkkkkk',
           '......kkkk......',
           '.......kk.......'], 0, 1)


def star(c):
    c.art(['.......k........',
           '......kyk.......',
           '......kyk.......',
           '.....kyyyk......',
           'kkkkkkyyyykkkkkk',
           '.kyyyyyyyyyyyyk.',
           '..kyyyyyyyyyyk..',
           '....kyyyyyyk....',
           '....kyyyyyyk....',
           '...kyyykyyyyk...',
           '...kyyk.kkyyk...',
           '..kyk.....kyyk..',
           '..kk.......kkk..'], 0, 1)


def puzzle(c):
    c.box(0, 4, 11, 15, LIME)
    c.circle(6, 2, 2, LIME)
    c.rect(5, 4, 7, 4, LIME)
    c.circle(13, 9, 2, LIME)
    c.rect(11, 8, 11, 10, LIME)
    c.line(1, 14, 10, 14, GREEN)


def magnifier(c):
    c.circle(6, 6, 5, AQUA)
    c.ring(6, 6, 5, K)
    c.px(4, 4, WHITE)
    c.px(4, 5, WHITE)
    c.px(5, 4, WHITE)
    for i in range(4):
        c.rect(10 + i, 10 + i, 11 + i, 11 + i, MAROON)
    c.line(10, 11, 13, 14, K)


def pencil(c):
    c.art(['...........kk...',
           '..........krrk..',
           '.........krrrrk.',
           '........kyykrrk.',
           '.......kyyyykk..',
           '......kyyyyyk...',
           '.....kyyyyyk....',
           '....kyyyyyk.....',
           '...kyyyyyk......',
           '..kwyyyyk.......',
           '..kwwyyk........',
           '.kwwwwk.........',
           '.kkwwk..........',
           'kkkkk...........'], 0, 1)


def hammer(c):
    c.art(['...kkkkkkk......',
           '..kdddddddkk....',
           '.kdssssssddk....',
           '.kdssssssddk....',
           '..kkkkkkkkkk....'], 0, 1)
    for i in range(9):
        c.rect(5 + i, 6 + i, 6 + i, 7 + i, OLIVE)
        c.px(4 + i, 7 + i, K)
        c.px(7 + i, 6 + i, K)


def calculator(c):
    c.box(2, 0, 13, 15, GRAY)
    c.box(4, 2, 11, 4, LIME)
    for y in (6, 9, 12):
        for x in (4, 7, 10):
            c.rect(x, y, x + 1, y + 1, WHITE)
    c.rect(10, 12, 11, 13, RED)


def keyboard(c):
    c.box(0, 4, 15, 12, SILVER)
    for y in (6, 8):
        for x in range(2, 14, 2):
            c.px(x, y, K)
    c.line(4, 10, 11, 10, K)
    c.line(7, 0, 7, 4, K)


def mouse(c):
    c.art(['.....kkkkk......',
           '....kwwkwwk.....',
           '...kwwwkwwwk....',
           '...kwwwkwwwk....',
           '...kkkkkkkkk....',
           '...kwwwwwwwk....',
           '...kwwwwwwwk....',
           '...kwwwwwwwk....',
           '...kswwwwwwk....',
           '...ksswwwwsk....',
           '....ksssssk.....',
           '.....kkkkk......'], 0, 4)
    c.line(8, 0, 8, 3, K)
    c.line(8, 0, 12, 0, K)


def scanner(c):
    c.box(0, 6, 15, 13, SILVER)
    c.box(1, 4, 14, 6, GRAY)
    c.line(2, 9, 13, 9, AQUA)
    c.line(2, 10, 13, 10, WHITE)
    c.px(13, 12, LIME)


def server(c):
    c.box(3, 0, 12, 15, SILVER)
    for y in (2, 5, 8):
        c.box(5, y, 10, y + 1, GRAY)
    c.px(10, 12, LIME)
    c.px(8, 12, YELLOW)
    c.line(4, 14, 11, 14, GRAY)


def hard_disk(c):
    c.box(0, 5, 15, 12, GRAY)
    c.line(1, 6, 14, 6, SILVER)
    c.px(13, 10, LIME)
    c.line(2, 10, 8, 10, K)


def voice_message(c):
    envelope(c)
    c.rect(10, 0, 15, 6, MASK)
    c.disc(12, 3, 3, K)
    c.disc(12, 3, 2, RED)
    c.px(12, 3, WHITE)


def help_sign(c):
    c.circle(7, 7, 7, NAVY)
    c.art(['.wwww.',
           'ww..ww',
           '....ww',
           '...ww.',
           '..ww..',
           '..ww..',
           '......',
           '..ww..'], 5, 3)


def trash(c):
    c.rect(6, 0, 9, 0, K)
    c.box(1, 1, 14, 3, GRAY)
    c.box(2, 4, 13, 15, SILVER)
    for x in (5, 8, 11):
        c.line(x, 6, x, 13, GRAY)


def house(c):
    c.art(['.......kk.......',
           '......krrk......',
           '.....krrrrk.....',
           '....krrrrrrk....',
           '...krrrrrrrrk...',
           '..krrrrrrrrrrk..',
           '.krrrrrrrrrrrrk.',
           'kkkkkkkkkkkkkkkk'], 0, 0)
    c.box(2, 7, 13, 15, WHITE)
    c.box(4, 10, 6, 15, MAROON)
    c.box(9, 9, 11, 11, AQUA)


def flag(c):
    c.line(1, 0, 1, 15, K)
    c.box(2, 1, 14, 9, LIME)
    c.rect(3, 4, 13, 6, GREEN)


def lightning(c):
    c.art(['......kkkkkk',
           '.....kyyyyk.',
           '....kyyyyk..',
           '...kyyyyk...',
           '..kyyyyykkkk',
           '.kkkkyyyyyk.',
           '....kyyyyk..',
           '...kyyyyk...',
           '...kyyyk....',
           '..kyyyk.....',
           '..kyyk......',
           '.kyyk.......',
           '.kyk........',
           'kkk.........'], 2, 1)


def antenna(c):
    c.line(7, 3, 3, 15, K)
    c.line(8, 3, 12, 15, K)
    c.line(5, 9, 10, 9, K)
    c.line(4, 12, 11, 12, K)
    c.disc(7, 2, 1, RED)
    c.ring(7, 2, 4, BLUE)
    for y in range(4, 16):
        for x in range(16):
            if c.get(x, y) == BLUE:
                c.px(x, y, MASK)
    c.line(7, 3, 3, 15, K)
    c.line(8, 3, 12, 15, K)


def television(c):
    c.line(4, 0, 7, 3, K)
    c.line(11, 0, 8, 3, K)
    c.box(0, 3, 15, 14, MAROON)
    c.box(2, 5, 11, 12, AQUA)
    c.px(13, 6, YELLOW)
    c.px(13, 8, YELLOW)


def cable(c):
    c.box(0, 5, 5, 10, SILVER)
    c.rect(6, 6, 7, 9, GRAY)
    c.line(8, 7, 15, 7, K)
    c.line(8, 8, 15, 8, K)
    c.rect(1, 6, 4, 9, GRAY)
    c.box(1, 6, 4, 9, YELLOW)


def pager(c):
    c.box(0, 3, 15, 12, K)
    c.box(2, 5, 10, 9, LIME)
    c.line(3, 7, 8, 7, GREEN)
    c.px(13, 6, WHITE)
    c.px(13, 9, WHITE)


def spreadsheet(c):
    document(c, lines=WHITE)
    for y in (5, 8, 11):
        c.line(2, y, 12, y, GREEN)
    for x in (5, 9):
        c.line(x, 5, x, 14, GREEN)


def presentation(c):
    c.box(0, 0, 15, 10, WHITE)
    c.rect(2, 6, 3, 9, RED)
    c.rect(5, 3, 6, 9, BLUE)
    c.rect(8, 5, 9, 9, LIME)
    c.rect(11, 2, 12, 9, YELLOW)
    c.line(7, 11, 7, 12, K)
    c.line(7, 12, 3, 15, K)
    c.line(8, 12, 12, 15, K)


def picture(c):
    c.box(0, 1, 15, 14, AQUA)
    c.circle(11, 5, 2, YELLOW)
    c.art(['.....g........',
           '....ggg...g...',
           '...ggggg.ggg..',
           '..ggggggggggg.',
           'gggggggggggggg'], 1, 8)
    c.frame(0, 1, 15, 14, K)


def archive(c):
    c.box(1, 2, 14, 15, YELLOW)
    c.box(0, 0, 15, 4, OLIVE)
    for y in range(5, 15, 2):
        c.px(7, y, K)
        c.px(8, y + 1, K)
    c.box(6, 11, 9, 14, SILVER)


def setup_package(c):
    package(c)
    c.box(8, 7, 15, 15, NAVY)
    c.box(10, 7, 13, 10, SILVER)
    c.box(9, 12, 14, 15, WHITE)


def document_coloured(paper, lines):
    return lambda c: document(c, paper, lines)


def folder_coloured(colour, shade):
    return lambda c: folder(c, colour, shade)


def window_coloured(title):
    def draw(c):
        application(c)
        c.rect(1, 2, 14, 4, title)
        c.px(13, 3, SILVER)
        c.px(11, 3, SILVER)
    return draw


def phone_coloured(colour):
    def draw(c):
        telephone(c)
        for y in range(16):
            for x in range(16):
                if c.get(x, y) == MAROON:
                    c.px(x, y, colour)
    return draw


STRIP = {
    0: blank, 1: blank,
    2: application, 3: text_document, 4: telephone, 5: answering_machine, 6: fax,
    7: network, 8: wrench, 9: speaker, 10: microphone, 11: headset, 12: mobile, 13: modem,
    14: check_ticked, 15: check_empty,
    16: isdn_card, 17: computer, 18: printer, 19: floppy, 20: compact_disc,
    21: folder_yellow, 22: globe, 23: envelope, 24: key, 25: gear, 26: database,
    27: bar_chart, 28: calendar, 29: clock, 30: book, 31: music_note, 32: camera,
    33: video, 34: user, 35: users, 36: padlock, 37: shield, 38: package, 39: plug,
    40: battery, 41: cassette, 42: bell, 43: star, 44: puzzle, 45: magnifier, 46: pencil,
    47: hammer, 48: calculator, 49: keyboard, 50: mouse, 51: scanner, 52: server,
    53: hard_disk, 54: voice_message, 55: help_sign, 56: trash, 57: house, 58: flag,
    59: lightning, 60: antenna, 61: television, 62: cable, 63: pager, 64: spreadsheet,
    65: presentation, 66: picture, 67: archive, 68: setup_package,
    69: notice,
    70: phone_coloured(NAVY),
}


def draw_strip():
    strip = [MASK] * (STRIP_WIDTH * 16)
    for index in range(STRIP_IMAGES):
        STRIP[index](Cell(strip, index))
    return strip


# ---------------------------------------------------------------------------------------------
# Shapes, sampled several times per pixel, for the larger pictures


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def ring_shape(cx, cy, r_out, r_in, a0=-math.pi, a1=math.pi):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return r_in <= d <= r_out and a0 <= math.atan2(y - cy, x - cx) <= a1
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def emblem(ox, oy, s, receiver_colour=(20, 20, 60)):
    """The program's emblem, an answering machine with its handset and a sound wave, as
    shapes in a square of side s at (ox, oy)."""
    def at(x0, y0, x1, y1):
        return ox + x0 * s, oy + y0 * s, ox + x1 * s, oy + y1 * s

    body = rounded_rect(*at(0.04, 0.36, 0.96, 0.94), 0.08 * s)
    body_light = rounded_rect(*at(0.07, 0.39, 0.93, 0.60), 0.05 * s)
    tape = rounded_rect(*at(0.14, 0.50, 0.62, 0.84), 0.04 * s)
    reel1 = ellipse(ox + 0.27 * s, oy + 0.67 * s, 0.07 * s, 0.07 * s)
    reel2 = ellipse(ox + 0.49 * s, oy + 0.67 * s, 0.07 * s, 0.07 * s)
    hub1 = ellipse(ox + 0.27 * s, oy + 0.67 * s, 0.03 * s, 0.03 * s)
    hub2 = ellipse(ox + 0.49 * s, oy + 0.67 * s, 0.03 * s, 0.03 * s)
    led = ellipse(ox + 0.80 * s, oy + 0.56 * s, 0.06 * s, 0.06 * s)
    button = rounded_rect(*at(0.72, 0.70, 0.88, 0.82), 0.02 * s)
    receiver = rounded_rect(*at(0.10, 0.10, 0.90, 0.30), 0.10 * s)
    cradle_l = rounded_rect(*at(0.12, 0.22, 0.30, 0.40), 0.03 * s)
    cradle_r = rounded_rect(*at(0.70, 0.22, 0.88, 0.40), 0.03 * s)
    return [
        (receiver, receiver_colour), (cradle_l, receiver_colour), (cradle_r, receiver_colour),
        (body, (0, 0, 140)), (body_light, (40, 60, 220)), (tape, (240, 240, 240)),
        (reel1, (30, 30, 30)), (reel2, (30, 30, 30)), (hub1, (240, 240, 240)),
        (hub2, (240, 240, 240)), (led, (255, 30, 30)), (button, (190, 190, 190)),
    ]


def sample(width, height, shapes, background, factor):
    """RGB and coverage per pixel: the last shape that holds a sample point gives its
    colour; points that no shape holds take the background (None: transparent)."""
    rgb, coverage = [], []
    n = factor * factor
    for y in range(height):
        for x in range(width):
            r = g = b = hits = 0
            for j in range(factor):
                for i in range(factor):
                    sx, sy = x + (i + 0.5) / factor, y + (j + 0.5) / factor
                    colour = None
                    for inside, col in reversed(shapes):
                        if inside(sx, sy):
                            colour = col
                            break
                    if colour is None:
                        colour = background(sx, sy) if background else None
                    if colour is not None:
                        r, g, b, hits = r + colour[0], g + colour[1], b + colour[2], hits + 1
            if hits:
                rgb.append((r / hits, g / hits, b / hits))
            else:
                rgb.append((0, 0, 0))
            coverage.append(hits / n)
    return rgb, coverage


BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def nearest(palette, colour):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - colour[0]) ** 2 * 3 + (p[1] - colour[1]) ** 2 * 4 + (p[2] - colour[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def reduce(width, rgb, palette, dither=0.0, allowed=None):
    """Palette indices for RGB pixels, with an ordered dither of the given strength."""
    cache, out = {}, []
    usable = allowed if allowed is not None else range(len(palette))
    sub = [palette[i] for i in usable]
    for n, colour in enumerate(rgb):
        if dither:
            t = (BAYER4[(n // width) % 4][n % width % 4] / 16.0 - 0.47) * dither
            colour = tuple(min(255, max(0, c + t)) for c in colour)
        key = tuple(int(c) for c in colour)
        if key not in cache:
            cache[key] = list(usable)[nearest(sub, key)]
        out.append(cache[key])
    return out


def gradient(top, bottom, height):
    def colour(x, y):
        t = min(1.0, max(0.0, y / height))
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(3))
    return colour


def draw_wizard():
    width, height = 164, 628
    shapes = []
    # Sound waves rising from the emblem.
    for r in (30, 46, 62):
        shapes.append((ring_shape(82, 112, r + 5, r, -2.4, -0.74), (255, 255, 255)))
    shapes += emblem(22, 100, 120, (200, 200, 200))
    # A soft band of light across the lower part.
    shapes.insert(0, (polygon([(0, 360), (164, 300), (164, 330), (0, 400)]), (60, 120, 230)))
    background = gradient((0, 0, 128), (0, 160, 255), 628)
    rgb, _ = sample(width, height, shapes, background, 2)
    return reduce(width, rgb, VGA, dither=110, allowed=[K, NAVY, BLUE, AQUA, WHITE, SILVER,
                                                          GRAY, RED, TEAL])


def draw_header():
    size = 49
    shapes = emblem(3, 3, 43)
    rgb, _ = sample(size, size, shapes, lambda x, y: (255, 255, 255), 3)
    return reduce(size, rgb, VGA, dither=0)


def palette_256():
    colours = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    colours += [(v * 255 // 39, v * 255 // 39, v * 255 // 39) for v in range(40)]
    return colours[:256]


def draw_icon_image(size, palette, bits):
    shapes = emblem(0, 0, size)
    rgb, coverage = sample(size, size, shapes, None, 4)
    opaque = [cov >= 0.5 for cov in coverage]
    indices = reduce(size, rgb, palette, dither=0)
    indices = [i if o else 0 for i, o in zip(indices, opaque)]
    return (size, palette, bits, indices, opaque)


def small_icon(strip):
    """At 16 x 16 the shapes blur: the small icon is the strip's answering machine."""
    first = 5 * 16
    indices = [strip[y * STRIP_WIDTH + first + x] for y in range(16) for x in range(16)]
    indices = [BLUE if i == GRAY else i for i in indices]  # in the emblem's colour
    opaque = [i != MASK for i in indices]
    return (16, VGA, 4, [i if o else 0 for i, o in zip(indices, opaque)], opaque)


def outputs():
    strip = draw_strip()
    icon = [draw_icon_image(32, VGA, 4), small_icon(strip),
            draw_icon_image(48, palette_256(), 8)]
    return {
        'images.bmp': bmp_bytes(STRIP_WIDTH, 16, strip, VGA, 4),
        'wizard.bmp': bmp_bytes(164, 628, draw_wizard(), VGA, 4),
        'header.bmp': bmp_bytes(49, 49, draw_header(), VGA, 4),
        'setup.ico': ico_bytes(icon),
    }


def main():
    check = sys.argv[1:] == ['--check']
    status = 0
    for name, data in outputs().items():
        path = os.path.join(HERE, name)
        if check:
            with open(path, 'rb') as f:
                if f.read() != data:
                    print(name + ' differs: run make_art.py')
                    status = 1
        else:
            with open(path, 'wb') as f:
                f.write(data)
    if check and status == 0:
        print('artwork is up to date')
    return status


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the image editor's toolbar strips: 18 glyphs of 16 x 16 in button order, as 24-bit BMPs.

  make_toolbar_bitmaps.py OUT_DIR   writes editor_toolbar.bmp (normal) and
                                    editor_toolbar_disabled.bmp (greyed)

Magenta (255, 0, 255) is the transparent colour the editor's image lists mask out. The BMPs are
checked in beside this script; run it again after changing a glyph.
"""
import math
import struct
import sys

SIZE, COUNT = 16, 18
MASK = (255, 0, 255)
INK = (0, 0, 0)
BLUE = (0, 64, 160)
GREEN = (0, 128, 0)
GREY = (128, 128, 128)
WHITE = (255, 255, 255)
PAPER = (248, 248, 232)
ORANGE = (208, 112, 0)


class Glyph:
    def __init__(self):
        self.px = [[MASK] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def box(self, x0, y0, x1, y1, c, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.dot(x, y, c)
                elif fill:
                    self.dot(x, y, fill)

    def triangle(self, pts, c):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            for x in range(min(xs), max(xs) + 1):
                if inside(pts, x + 0.5, y + 0.5):
                    self.dot(x, y, c)

    def arc(self, cx, cy, r, a0, a1, c):
        steps = 64
        for i in range(steps + 1):
            a = math.radians(a0 + (a1 - a0) * i / steps)
            self.dot(int(round(cx + r * math.cos(a))), int(round(cy - r * math.sin(a))), c)

    def mirrored(self):
        g = Glyph()
        g.px = [list(reversed(row)) for row in self.px]
        return g


def inside(pts, x, y):
    (ax, ay), (bx, by), (cx, cy) = pts
    d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by)
    d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy)
    d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def previous():
    g = Glyph()
    g.triangle([(12, 2), (12, 13), (3, 7.5)], BLUE)
    g.box(2, 2, 2, 13, BLUE)
    return g


def rotate_right():
    g = Glyph()
    g.arc(7, 8, 5, 160, -90, BLUE)
    g.arc(7, 8, 4, 160, -90, BLUE)
    g.triangle([(10, 1), (15, 6), (9, 7)], BLUE)
    return g


def flip():
    g = Glyph()
    g.triangle([(3, 6), (12, 6), (7.5, 1)], BLUE)
    g.line(1, 8, 14, 8, INK)
    g.triangle([(3, 10), (12, 10), (7.5, 15)], GREY)
    return g


def mirror():
    g = Glyph()
    g.triangle([(6, 3), (6, 12), (1, 7.5)], BLUE)
    g.line(8, 1, 8, 14, INK)
    g.triangle([(10, 3), (10, 12), (15, 7.5)], GREY)
    return g


def crop():
    g = Glyph()
    g.line(4, 0, 4, 11, INK)
    g.line(4, 11, 15, 11, INK)
    g.line(0, 4, 11, 4, INK)
    g.line(11, 4, 11, 15, INK)
    g.box(5, 5, 10, 10, BLUE, BLUE)
    return g


def copy():
    g = Glyph()
    g.box(1, 1, 9, 11, INK, PAPER)
    g.box(6, 4, 14, 14, INK, PAPER)
    for y in (7, 9, 11):
        g.line(8, y, 12, y, BLUE)
    return g


def image_size():
    g = Glyph()
    g.box(1, 1, 14, 14, GREY)
    g.line(3, 12, 12, 3, BLUE)
    g.triangle([(3, 12), (3, 8), (7, 12)], BLUE)
    g.triangle([(12, 3), (8, 3), (12, 7)], BLUE)
    return g


def magnifier(sign):
    g = Glyph()
    g.arc(6, 6, 5, 0, 360, INK)
    g.line(9, 9, 14, 14, INK)
    g.line(10, 9, 15, 14, INK)
    if sign in "+-":
        g.line(3, 6, 9, 6, BLUE)
    if sign == "+":
        g.line(6, 3, 6, 9, BLUE)
    if sign == "1":
        g.line(5, 3, 5, 9, BLUE)
        g.line(7, 3, 7, 9, BLUE)
    return g


def stretch():
    g = Glyph()
    g.box(4, 4, 11, 11, GREY, PAPER)
    g.triangle([(0, 0), (5, 0), (0, 5)], BLUE)
    g.triangle([(15, 0), (10, 0), (15, 5)], BLUE)
    g.triangle([(0, 15), (5, 15), (0, 10)], BLUE)
    g.triangle([(15, 15), (10, 15), (15, 10)], BLUE)
    return g


def fit():
    g = Glyph()
    g.box(0, 1, 15, 14, INK)
    g.box(3, 4, 12, 11, BLUE, PAPER)
    return g


def refresh():
    g = Glyph()
    g.arc(8, 8, 5, 100, 350, GREEN)
    g.arc(8, 8, 4, 100, 350, GREEN)
    g.triangle([(9, 0), (9, 7), (4, 3)], GREEN)
    return g


def recover():
    g = Glyph()
    g.arc(9, 9, 5, 180, -90, ORANGE)
    g.arc(9, 9, 4, 180, -90, ORANGE)
    g.triangle([(0, 8), (8, 8), (4, 13)], ORANGE)
    return g


def save():
    g = Glyph()
    g.box(1, 1, 14, 14, INK, BLUE)
    g.box(4, 1, 11, 6, INK, WHITE)
    g.box(9, 2, 10, 5, INK, INK)
    g.box(3, 9, 12, 14, INK, PAPER)
    return g


def printer():
    g = Glyph()
    g.box(4, 1, 11, 6, INK, PAPER)
    g.box(1, 6, 14, 11, INK, GREY)
    g.box(4, 10, 11, 14, INK, PAPER)
    g.dot(12, 8, GREEN)
    return g


def glyphs():
    rotate = rotate_right()
    return [previous(), previous().mirrored(), rotate, rotate.mirrored(), flip(), mirror(), crop(), copy(),
            image_size(), magnifier("+"), magnifier("1"), magnifier("-"), stretch(), fit(), refresh(), recover(),
            save(), printer()]


def greyed(c):
    if c == MASK:
        return c
    lum = (c[0] * 30 + c[1] * 59 + c[2] * 11) // 100
    v = 128 + lum // 2
    return (v, v, v)


def write_bmp(path, strip, colour):
    width, height = SIZE * len(strip), SIZE
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for g in strip:
            for x in range(SIZE):
                r, gr, b = colour(g.px[y][x])
                row += bytes((b, gr, r))
        row += b"\0" * (stride - len(row))
        rows += row
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(rows), 0, 0, 14 + len(header)))
        f.write(header)
        f.write(rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    strip = glyphs()
    assert len(strip) == COUNT
    write_bmp(out + "/editor_toolbar.bmp", strip, lambda c: c)
    write_bmp(out + "/editor_toolbar_disabled.bmp", strip, greyed)


if __name__ == "__main__":
    main()

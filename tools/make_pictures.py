#!/usr/bin/env python3
"""Draws Stashwell's pictures: the program icon, the two data icons and the
image strips of the main window, the Preferences tabs and the browse button.

Standard library only. Shapes are signed-distance functions (negative inside)
rendered by supersampling, so edges that lie on the pixel grid stay crisp and
slanted or round edges get anti-aliased. Pictures are described in a 16-unit
design grid and drawn afresh for each size; where a 16-pixel version reads
better as hand-placed pixels (small glyphs, thin waves), it is drawn that way.

The image strips use magenta as their transparent colour. Each 16-pixel image
leaves its bottom-left pixel transparent, because glyph drawing takes that
pixel as the transparent colour of the whole bitmap.

    python3 tools/make_pictures.py [output-folder]

The output is deterministic; after writing, every file is read back and
compared with what was meant to be in it.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------- shapes


class Shape:
    def sdf(self, x, y):
        raise NotImplementedError

    def bbox(self):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Inter(self, other)

    def __sub__(self, other):
        return Diff(self, other)

    def grown(self, d):
        return Offset(self, d)


class Box(Shape):
    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r

    def sdf(self, x, y):
        cx, cy = (self.x0 + self.x1) / 2, (self.y0 + self.y1) / 2
        hx, hy = (self.x1 - self.x0) / 2, (self.y1 - self.y0) / 2
        qx = abs(x - cx) - hx + self.r
        qy = abs(y - cy) - hy + self.r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - self.r

    def bbox(self):
        return self.x0, self.y0, self.x1, self.y1


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def sdf(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r

    def bbox(self):
        return self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r


class Capsule(Shape):
    """A stroke of width w from a to b with round ends."""

    def __init__(self, ax, ay, bx, by, w):
        self.ax, self.ay, self.bx, self.by, self.h = ax, ay, bx, by, w / 2

    def sdf(self, x, y):
        dx, dy = self.bx - self.ax, self.by - self.ay
        px, py = x - self.ax, y - self.ay
        dd = dx * dx + dy * dy
        t = 0.0 if dd == 0 else max(0.0, min(1.0, (px * dx + py * dy) / dd))
        return math.hypot(px - dx * t, py - dy * t) - self.h

    def bbox(self):
        return (min(self.ax, self.bx) - self.h, min(self.ay, self.by) - self.h,
                max(self.ax, self.bx) + self.h, max(self.ay, self.by) + self.h)


class Poly(Shape):
    def __init__(self, pts):
        self.pts = [(float(a), float(b)) for a, b in pts]

    def sdf(self, x, y):
        pts = self.pts
        n = len(pts)
        d = float("inf")
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            ee = ex * ex + ey * ey
            t = 0.0 if ee == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / ee))
            d = min(d, math.hypot(wx - ex * t, wy - ey * t))
            if (yi > y) != (yj > y) and x < xi + (y - yi) * ex / ey:
                inside = not inside
            j = i
        return -d if inside else d

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return min(xs), min(ys), max(xs), max(ys)


class Arc(Shape):
    """A stroke of width w along a circle from angle a0 to a1 (degrees,
    clockwise on screen since y points down), with round ends."""

    def __init__(self, cx, cy, r, w, a0, a1):
        self.cx, self.cy, self.r, self.h = cx, cy, r, w / 2
        self.a0 = a0 % 360.0
        self.span = (a1 - a0) % 360.0 or 360.0
        self.ends = [(cx + r * math.cos(math.radians(a)),
                      cy + r * math.sin(math.radians(a))) for a in (a0, a1)]

    def sdf(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        a = (math.degrees(math.atan2(dy, dx)) - self.a0) % 360.0
        if a <= self.span:
            return abs(math.hypot(dx, dy) - self.r) - self.h
        return min(math.hypot(x - ex, y - ey) for ex, ey in self.ends) - self.h

    def bbox(self):
        e = self.r + self.h
        return self.cx - e, self.cy - e, self.cx + e, self.cy + e


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def sdf(self, x, y):
        return min(p.sdf(x, y) for p in self.parts)

    def bbox(self):
        bs = [p.bbox() for p in self.parts]
        return (min(b[0] for b in bs), min(b[1] for b in bs),
                max(b[2] for b in bs), max(b[3] for b in bs))


class Inter(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), self.b.sdf(x, y))

    def bbox(self):
        a, b = self.a.bbox(), self.b.bbox()
        return max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3])


class Diff(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), -self.b.sdf(x, y))

    def bbox(self):
        return self.a.bbox()


class Offset(Shape):
    def __init__(self, s, d):
        self.s, self.d = s, d

    def sdf(self, x, y):
        return self.s.sdf(x, y) - self.d

    def bbox(self):
        b = self.s.bbox()
        d = max(self.d, 0.0)
        return b[0] - d, b[1] - d, b[2] + d, b[3] + d


class Scaled(Shape):
    """A shape given in the 16-unit design grid, placed on a canvas of any
    size: design point (x, y) lands on pixel coordinate (x * k, y * k)."""

    def __init__(self, s, k):
        self.s, self.k = s, k

    def sdf(self, x, y):
        return self.s.sdf(x / self.k, y / self.k) * self.k

    def bbox(self):
        b = self.s.bbox()
        return b[0] * self.k, b[1] * self.k, b[2] * self.k, b[3] * self.k


def snapped(shape, k):
    """The shape with box edges and polygon corners moved to the nearest
    pixel edge (1/k design units), so straight edges stay crisp at sizes
    where the design grid falls between pixels. Round shapes stay as they are."""
    def q(v):
        return round(v * k) / k

    if isinstance(shape, Box):
        return Box(q(shape.x0), q(shape.y0), q(shape.x1), q(shape.y1), shape.r)
    if isinstance(shape, Poly):
        return Poly([(q(x), q(y)) for x, y in shape.pts])
    if isinstance(shape, Union):
        return Union(*[snapped(p, k) for p in shape.parts])
    if isinstance(shape, (Inter, Diff)):
        return type(shape)(snapped(shape.a, k), snapped(shape.b, k))
    if isinstance(shape, Offset):
        return Offset(snapped(shape.s, k), shape.d)
    return shape


# ---------------------------------------------------------------- canvas


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class VGrad:
    """A vertical gradient fill between two design-grid rows."""

    def __init__(self, top, bottom, y0, y1):
        self.top, self.bottom, self.y0, self.y1 = top, bottom, y0, y1

    def at(self, y):
        t = (y - self.y0) / (self.y1 - self.y0)
        return mix(self.top, self.bottom, max(0.0, min(1.0, t)))


class Canvas:
    """Straight (not premultiplied) RGBA in floats, 0..255 for colour and
    0..1 for alpha. Drawing is in design units: 16 units span the canvas."""

    SS = 4  # samples per pixel along each axis

    def __init__(self, size):
        self.w = self.h = size
        self.k = size / 16.0
        self.rgb = [[(0.0, 0.0, 0.0)] * size for _ in range(size)]
        self.a = [[0.0] * size for _ in range(size)]

    def paint(self, shape, colour, px=0.0, opacity=1.0):
        """Paints shape grown by px pixels (negative shrinks)."""
        s = Scaled(snapped(shape, self.k), self.k)
        if px:
            s = Offset(s, px)
        x0, y0, x1, y1 = s.bbox()
        n = self.SS
        offs = [(i + 0.5) / n for i in range(n)]
        for y in range(max(0, int(math.floor(y0))), min(self.h, int(math.ceil(y1)))):
            for x in range(max(0, int(math.floor(x0))), min(self.w, int(math.ceil(x1)))):
                hits = 0
                for oy in offs:
                    for ox in offs:
                        if s.sdf(x + ox, y + oy) < 0:
                            hits += 1
                if not hits:
                    continue
                cov = hits / (n * n) * opacity
                c = colour.at((y + 0.5) / self.k) if isinstance(colour, VGrad) else colour
                self._blend(x, y, c, cov)

    def _blend(self, x, y, c, a):
        da = self.a[y][x]
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        dc = self.rgb[y][x]
        self.rgb[y][x] = tuple((c[i] * a + dc[i] * da * (1 - a)) / oa for i in range(3))
        self.a[y][x] = oa

    def fill(self, shape, colour, outline=None, ow=1.0):
        """A flat shape with a one-pixel outline drawn inside its edge."""
        if outline is None:
            self.paint(shape, colour)
            return
        self.paint(shape, outline)
        self.paint(shape, colour, px=-ow)

    def stroke(self, shape, colour, outline, ow=1.0):
        """Outline drawn outside the shape, for thin strokes that would
        vanish under an inside outline."""
        self.paint(shape, outline, px=ow)
        self.paint(shape, colour)

    def pixels(self, x, y, rows, colours):
        """Pixel art in canvas pixels. colours is one colour for '#', or a
        dict from characters to colours; other characters are skipped."""
        if not isinstance(colours, dict):
            colours = {"#": colours}
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in colours and 0 <= x + i < self.w and 0 <= y + j < self.h:
                    self.rgb[y + j][x + i] = tuple(float(v) for v in colours[ch])
                    self.a[y + j][x + i] = 1.0

    def rgba8(self):
        """Rows top-down of (r, g, b, a) bytes; colour is zero where alpha is."""
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                a = int(round(self.a[y][x] * 255))
                if a == 0:
                    row.append((0, 0, 0, 0))
                else:
                    r, g, b = (max(0, min(255, int(round(v)))) for v in self.rgb[y][x])
                    row.append((r, g, b, a))
            out.append(row)
        return out


# ---------------------------------------------------------------- palette

INK = (40, 44, 56)
PAPER = (255, 255, 255)
PAPER_EDGE = (96, 100, 112)
PAPER_LINE = (150, 170, 200)
BOARD = (196, 138, 72)
BOARD_EDGE = (96, 58, 22)
METAL = (206, 212, 222)
METAL_EDGE = (70, 76, 90)
RED = (222, 44, 40)
RED_EDGE = (120, 16, 16)
BLUE = (52, 112, 214)
BLUE_EDGE = (20, 44, 110)
GREEN = (60, 170, 70)
GREEN_EDGE = (22, 84, 30)
FOLDER = (250, 204, 84)
FOLDER_BACK = (226, 166, 48)
FOLDER_EDGE = (132, 88, 10)
MAGENTA = (255, 0, 255)


def sheet(c, x0, y0, x1, y1, fold=0, lines=()):
    """A white sheet, optionally with a folded top-right corner and text rows
    given as (y, x_from, x_to) in design units."""
    if fold:
        body = Poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])
    else:
        body = Box(x0, y0, x1, y1)
    c.fill(body, PAPER, PAPER_EDGE)
    if fold:
        c.fill(Poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]),
               (214, 220, 230), PAPER_EDGE)
    for ly, lx0, lx1 in lines:
        c.paint(Box(lx0, ly, lx1, ly + 1 / c.k), PAPER_LINE)


def clipboard(c, x0, y0, x1, y1, clip_w, paper=True):
    """A clipboard: board, paper and the clip over its top edge."""
    u = 1 / c.k  # one pixel in design units
    c.fill(Box(x0, y0 + 1, x1, y1, r=1.2 * u if c.k > 1 else 0), BOARD, BOARD_EDGE)
    if paper:
        c.fill(Box(x0 + 2, y0 + 2, x1 - 2, y1 - 1.5 if c.k > 1 else y1 - 2),
               PAPER, PAPER_EDGE)
    cx = (x0 + x1) / 2
    clip = Box(cx - clip_w / 2, y0, cx + clip_w / 2, y0 + 3, r=u if c.k > 1 else 0)
    c.fill(clip, METAL, METAL_EDGE)
    if c.k >= 2:
        c.paint(Box(cx - clip_w / 2 + 1, y0 + 1, cx + clip_w / 2 - 1, y0 + 1 + 2 * u),
                (160, 168, 182))


def question(cx, top, hgt, width):
    """A question mark: hook, stem and dot, hgt units tall."""
    r = hgt * 0.27
    hook_cy = top + r + width / 2
    hook = Arc(cx, hook_cy, r, width, 180, 90)
    stem = Capsule(cx, hook_cy + r, cx, top + hgt * 0.68, width)
    dot = Circle(cx, top + hgt - width * 0.62, width * 0.62)
    return hook | stem | dot


# ---------------------------------------------------------------- icons


def draw_program(c):
    """A clipboard with a red bookmark ribbon: the clipboard kept."""
    k = c.k
    if k == 1:
        # the ribbon hangs below the board so that its notch shows
        clipboard(c, 1, 0, 13, 15, 6)
        for y in (5, 7, 9, 11):
            c.paint(Box(4, y, 8 if y != 11 else 7, y + 1), PAPER_LINE)
        c.pixels(8, 2, ["DDDDD"] + ["DRRRD"] * 11 + ["DRDRD", "DD.DD"],
                 {"D": RED_EDGE, "R": RED})
        return
    u = 1 / k
    clipboard(c, 1.5, 0.5, 12.5, 14.5, 5.5)
    for y in (5, 7, 9, 11):
        c.paint(Box(4, y, 8.5 if y != 11 else 7, y + u), PAPER_LINE)
    rib = Poly([(9.5, 2), (13.5, 2), (13.5, 16), (11.5, 14.5), (9.5, 16)])
    c.fill(rib, VGrad((236, 70, 60), (200, 30, 30), 2, 15), RED_EDGE)
    # a fold shadow where the ribbon goes over the board's top edge
    c.paint(Box(9.5 + u, 2 + u, 13.5 - u, 2 + 2 * u), (160, 20, 20))


def draw_sound(c):
    """A loudspeaker with sound waves."""
    if c.k == 1:
        c.pixels(0, 0, [
            "................",
            "......DD........",
            ".....DLD....B...",
            "....DLLD.....B..",
            "DDDDLLLD......B.",
            "DGGDLLLD..B...B.",
            "DGGDLLLD...B...B",
            "DGGDMMMD...B...B",
            "DGGDMMMD...B...B",
            "DGGDMMMD...B...B",
            "DGGDMMMD..B...B.",
            "DDDDMMMD......B.",
            "....DMMD.....B..",
            ".....DMD....B...",
            "......DD........",
            "................",
        ], {"D": INK, "G": (150, 160, 178), "L": (206, 212, 224), "M": (172, 180, 196),
            "B": BLUE})
        return
    u = 1 / c.k
    c.fill(Poly([(3.5, 5), (8, 1), (8, 15), (3.5, 11)]),
           VGrad((210, 216, 228), (140, 150, 168), 1, 15), INK)
    c.fill(Box(0.5, 5, 4, 11, r=0.5 * u), (150, 160, 178), INK)
    for r, span in ((2.6, 40), (4.6, 46), (6.6, 50)):
        c.paint(Arc(8.5, 8, r, 1.2, -span, span), BLUE)


def draw_unknown(c):
    """A sheet with a question mark: data of a kind the viewer cannot show."""
    if c.k == 1:
        sheet(c, 2, 0, 14, 16, fold=4)
        c.pixels(5, 3, QUESTION_16, (110, 70, 170))
        return
    sheet(c, 2, 0.5, 14, 15.5, fold=4)
    q = question(8, 3.5, 10, 2)
    c.fill(q, (130, 86, 196), (60, 30, 110))


# a bold question mark for 16-pixel images
QUESTION_16 = [
    ".####.",
    "##..##",
    "....##",
    "...##.",
    "..##..",
    "..##..",
    "......",
    "..##..",
    "..##..",
]


# ---------------------------------------------------------------- main image strip


def img_new(c):
    sheet(c, 3, 0, 13, 16, fold=3)
    c.pixels(10, 7, ["  #  ", " ### ", "#####", " ### ", "  #  "], (250, 190, 40))
    c.pixels(10, 7, ["     ", "  #  ", " ### ", "  #  ", "     "], (255, 240, 150))


def img_cut(c):
    steel = (200, 208, 220)
    c.stroke(Capsule(5, 1, 10.2, 10.5, 1.6), steel, INK, ow=1)
    c.stroke(Capsule(11, 1, 5.8, 10.5, 1.6), steel, INK, ow=1)
    c.paint(Box(7.5, 7.5, 8.5, 8.5), INK)
    for cx in (4, 12):
        # outlined only outside: an inner outline would fill the small hole
        c.paint(Circle(cx, 12.5, 3.5) - Circle(cx, 12.5, 1.2), RED_EDGE)
        c.paint(Circle(cx, 12.5, 2.5) - Circle(cx, 12.5, 1.2), RED)


def img_copy(c):
    sheet(c, 1, 0, 10, 11, lines=[(3, 3, 8), (5, 3, 8), (7, 3, 6)])
    sheet(c, 6, 5, 15, 16, lines=[(8, 8, 13), (10, 8, 13), (12, 8, 11)])


def img_paste(c):
    clipboard(c, 1, 0, 12, 15, 5, paper=False)
    c.fill(Box(3, 4, 10, 13), (236, 236, 226), PAPER_EDGE)
    sheet(c, 7, 6, 15, 16, lines=[(9, 9, 13), (11, 9, 13), (13, 9, 12)])


def arrow_head(cx, cy, r, angle, length, half):
    """A triangular head on the clockwise end of an arc at angle."""
    t = math.radians(angle)
    px, py = cx + r * math.cos(t), cy + r * math.sin(t)
    dx, dy = -math.sin(t), math.cos(t)  # clockwise direction on screen
    nx, ny = math.cos(t), math.sin(t)
    return Poly([(px + nx * half, py + ny * half), (px + dx * length, py + dy * length),
                 (px - nx * half, py - ny * half)])


def img_undo(c):
    arc = Arc(8.5, 9.5, 4.5, 3.2, 270, 135)
    head = Poly([(1, 5), (8.5, 0.5), (8.5, 9.5)])
    c.fill(arc | head, BLUE, BLUE_EDGE)


def img_delete(c):
    sheet(c, 2, 0, 12, 14, fold=3, lines=[(5, 4, 9), (7, 4, 9), (9, 4, 7)])
    c.pixels(7, 7, [
        ".DD...DD.",
        "DRRD.DRRD",
        "DRRRDRRRD",
        ".DRRRRRD.",
        "..DRRRD..",
        ".DRRRRRD.",
        "DRRRDRRRD",
        "DRRD.DRRD",
        ".DD...DD.",
    ], {"D": RED_EDGE, "R": RED})


def img_find(c):
    c.stroke(Capsule(10.5, 10.5, 14, 14, 2.6), (90, 64, 40), INK, ow=1)
    c.fill(Circle(6.5, 6.5, 5.5), (60, 70, 90), INK)
    c.paint(Circle(6.5, 6.5, 3.6), (196, 226, 250))
    c.paint(Arc(6.5, 6.5, 2.4, 1, 190, 260), PAPER)


def folder_open(c, x0, y0, x1, y1):
    """An opening folder filling (x0, y0)-(x1, y1), drawn on the pixel grid."""
    back = Poly([(x0, y0), (x0 + 5, y0), (x0 + 6, y0 + 1), (x1 - 3, y0 + 1),
                 (x1 - 3, y1), (x0, y1)])
    c.fill(back, FOLDER_BACK, FOLDER_EDGE)
    front = Poly([(x0 + 3, y0 + 4), (x1, y0 + 4), (x1 - 3, y1), (x0, y1)])
    c.fill(front, FOLDER, FOLDER_EDGE)


def img_open(c):
    folder_open(c, 0, 2, 16, 14)


def img_save(c):
    c.fill(Poly([(1, 1), (13, 1), (15, 3), (15, 15), (1, 15)]), (64, 104, 196),
           BLUE_EDGE)
    c.fill(Box(3, 1, 13, 8), PAPER, BLUE_EDGE)
    for y in (3, 5):
        c.paint(Box(5, y, 11, y + 1), PAPER_LINE)
    c.fill(Box(4, 10, 12, 15), METAL, METAL_EDGE)
    c.paint(Box(9, 11, 11, 14), (64, 104, 196))


def img_print(c):
    c.fill(Box(4, 0, 12, 7), PAPER, PAPER_EDGE)
    c.fill(Box(1, 5, 15, 13), (196, 198, 206), INK)
    c.paint(Box(2, 6, 14, 7), (226, 228, 234))
    c.fill(Box(4, 10, 12, 16), PAPER, PAPER_EDGE)
    c.paint(Box(5, 12, 11, 13), PAPER_LINE)
    c.paint(Box(5, 14, 9, 15), PAPER_LINE)
    c.paint(Box(12, 8, 13, 9), (40, 200, 60))


def gear(c, cx, cy, r_body, r_teeth, teeth, colour, edge, tw=1.2):
    """A gear wheel; tw is half the width of a tooth at its root."""
    parts = [Circle(cx, cy, r_body)]
    for i in range(teeth):
        a = math.radians(i * 360.0 / teeth + 360.0 / teeth / 2)
        ca, sa = math.cos(a), math.sin(a)
        pts = []
        for along, across in ((r_body - 1, -tw), (r_teeth, -tw * 0.8),
                              (r_teeth, tw * 0.8), (r_body - 1, tw)):
            pts.append((cx + ca * along - sa * across, cy + sa * along + ca * across))
        parts.append(Poly(pts))
    c.fill(Union(*parts), colour, edge)


def img_prefs(c):
    gear(c, 8, 8, 5.5, 8, 8, (170, 178, 194), INK, tw=1.5)
    c.fill(Circle(8, 8, 2.5), (96, 104, 120), INK)


def img_help(c):
    # a closed blue book: cover, page edges along the bottom, spine on the left
    c.fill(Box(2, 0, 14, 16), BLUE, BLUE_EDGE)
    c.fill(Box(4, 13, 14, 16), PAPER, BLUE_EDGE)
    c.paint(Box(3, 1, 4, 13), (120, 168, 240))
    c.pixels(6, 2, QUESTION_16, (255, 236, 110))


def img_about(c):
    c.fill(Circle(8, 8, 7.5), BLUE, BLUE_EDGE)
    c.pixels(7, 3, ["##", "##", "  ", "##", "##", "##", "##", "##", "##"], PAPER)
    c.pixels(6, 6, ["#"], PAPER)
    c.pixels(6, 11, ["####"], PAPER)


def img_exit(c):
    c.fill(Box(1, 0, 11, 16), (150, 100, 56), (80, 48, 20))
    c.paint(Box(3, 2, 9, 16), (40, 40, 48))
    c.fill(Poly([(3, 2), (7, 1), (7, 16), (3, 16)]), (214, 156, 88), (80, 48, 20))
    c.paint(Box(5, 8, 6, 9), (250, 220, 80))
    arrow = Poly([(7, 8), (12, 8), (12, 6), (16, 10), (12, 14), (12, 12), (7, 12)])
    c.fill(arrow, GREEN, GREEN_EDGE)


def img_refresh(c):
    a1 = Arc(8, 8, 5, 3, 190, 280)
    h1 = arrow_head(8, 8, 5, 280, 4.5, 3.4)
    a2 = Arc(8, 8, 5, 3, 10, 100)
    h2 = arrow_head(8, 8, 5, 100, 4.5, 3.4)
    c.fill(a1 | h1, GREEN, GREEN_EDGE)
    c.fill(a2 | h2, GREEN, GREEN_EDGE)


def img_send(c):
    c.fill(Box(0, 1, 13, 11), (252, 248, 232), PAPER_EDGE)
    c.stroke(Capsule(1.5, 2.5, 6.5, 6.5, 0.01) | Capsule(6.5, 6.5, 11.5, 2.5, 0.01),
             PAPER_EDGE, PAPER_EDGE, ow=0.5)
    arrow = Poly([(5, 10), (10, 10), (10, 8), (14, 12), (10, 16), (10, 14), (5, 14)])
    c.fill(arrow, GREEN, GREEN_EDGE)


# The main window's image list, by index. The program's actions use 5 (Delete),
# 7 (Open), 8 (Save), 10 (Preferences), 11 (Help contents) and 15 (Send); the
# others are the usual commands of a tool bar, ready should they be wanted.
MAIN_IMAGES = [
    ("new sheet", img_new),
    ("cut", img_cut),
    ("copy", img_copy),
    ("paste", img_paste),
    ("undo", img_undo),
    ("delete: clear the clipboard", img_delete),
    ("find", img_find),
    ("open", img_open),
    ("save", img_save),
    ("print", img_print),
    ("preferences", img_prefs),
    ("help contents", img_help),
    ("about", img_about),
    ("exit", img_exit),
    ("refresh", img_refresh),
    ("send", img_send),
]


def tab_program(c):
    c.fill(Box(0, 1, 16, 15), PAPER, INK)
    c.fill(Box(0, 1, 16, 5), BLUE, INK)
    c.paint(Box(12, 2, 14, 4), PAPER)
    c.paint(Box(2, 7, 14, 8), (200, 206, 218))
    c.paint(Box(2, 9, 10, 10), (200, 206, 218))
    c.paint(Box(2, 11, 12, 12), (200, 206, 218))


def tab_clipboard(c):
    clipboard(c, 2, 0, 14, 16, 6)
    for y in (6, 8, 10, 12):
        c.paint(Box(5, y, 11 if y != 12 else 9, y + 1), PAPER_LINE)


def browse_glyph(c):
    folder_open(c, 1, 3, 15, 13)


# ---------------------------------------------------------------- file formats


def render(draw, size):
    c = Canvas(size)
    draw(c)
    return c.rgba8()


def keyed(rows):
    """Alpha to a magenta key: at least half covered counts as drawn. A drawn
    pixel must never come out as the key colour itself."""
    out = []
    for row in rows:
        o = []
        for r, g, b, a in row:
            if a < 128:
                o.append(MAGENTA)
            elif (r, g, b) == MAGENTA:
                o.append((254, 0, 254))
            else:
                o.append((r, g, b))
        out.append(o)
    return out


def bmp24(rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    bits = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        bits += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    return head + info + bits


def and_mask(opaque):
    """One bit per pixel, 1 = transparent, rows bottom-up padded to 32 bits."""
    h, w = len(opaque), len(opaque[0])
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for row in reversed(opaque):
        line = bytearray(stride)
        for x, o in enumerate(row):
            if not o:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def ico_image_32(rows):
    h, w = len(rows), len(rows[0])
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = and_mask([[a > 0 for (_, _, _, a) in row] for row in rows])
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0,
                       0, 0)
    return info + bytes(xor) + mask


def palette_of(rows):
    """Index 0 is black, kept for the transparent pixels so that the XOR
    part leaves the screen alone there. The other entries are the image's
    most frequent colours; any colour left over maps to its nearest entry."""
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    ranked = sorted(counts, key=lambda col: (-counts[col], col))
    pal = [(0, 0, 0)] + [col for col in ranked if col != (0, 0, 0)][:255]
    if (0, 0, 0) in counts:
        pal[0] = (0, 0, 0)  # black drawn pixels share index 0 with the key
    return pal


def nearest(pal, col, cache):
    if col not in cache:
        cache[col] = min(range(len(pal)),
                         key=lambda i: (sum((pal[i][j] - col[j]) ** 2 for j in range(3)), i))
    return cache[col]


def ico_image_8(rows):
    h, w = len(rows), len(rows[0])
    pal = palette_of(rows)
    cache = {}
    stride = (w + 3) & ~3
    xor = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            line[x] = nearest(pal, (r, g, b), cache) if a >= 128 else 0
        xor += line
    mask = and_mask([[a >= 128 for (_, _, _, a) in row] for row in rows])
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal) + b"\0" * 4 * (256 - len(pal))
    info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(xor) + len(mask), 0, 0,
                       256, 0)
    return info + table + bytes(xor) + mask


def ico(images):
    """images: list of (rows, bits). Standard layout: ICONDIR, the entries,
    then each image's BITMAPINFOHEADER (doubled height), colours, XOR, AND."""
    head = struct.pack("<HHH", 0, 1, len(images))
    blobs = [ico_image_32(r) if bits == 32 else ico_image_8(r) for r, bits in images]
    offset = 6 + 16 * len(images)
    entries = b""
    for (rows, bits), blob in zip(images, blobs):
        w, h = len(rows[0]), len(rows)
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return head + entries + b"".join(blobs)


# ---------------------------------------------------------------- reading back


def read_bmp24(data):
    magic, size, _, _, off = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM" and size == len(data), "BMP file header"
    hs, w, h, planes, bits, comp = struct.unpack_from("<IiiHHI", data, 14)
    assert hs == 40 and planes == 1 and bits == 24 and comp == 0 and h > 0, "BMP info header"
    stride = (w * 3 + 3) & ~3
    assert off + stride * h == len(data), "BMP pixel data size"
    rows = []
    for y in range(h):
        base = off + (h - 1 - y) * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x])
                     for x in range(w)])
    return rows


def read_ico(data):
    """Returns [(bits, rows of (r, g, b, a))]; alpha of 8-bit images comes
    from the AND mask."""
    reserved, typ, count = struct.unpack_from("<HHH", data, 0)
    assert reserved == 0 and typ == 1 and count > 0, "ICONDIR"
    out = []
    for i in range(count):
        bw, bh, ncol, res, planes, bits, size, off = struct.unpack_from("<BBBBHHII", data,
                                                                        6 + 16 * i)
        assert res == 0 and planes == 1 and ncol == 0, "ICONDIRENTRY"
        assert off + size <= len(data), "entry runs past the end"
        hs, w, h2, p, bc, comp, simg, _, _, clr, _ = struct.unpack_from("<IiiHHIIiiII", data, off)
        w0, h0 = bw or 256, bh or 256
        assert hs == 40 and w == w0 and h2 == 2 * h0 and p == 1 and bc == bits and comp == 0, \
            "BITMAPINFOHEADER"
        pos = off + 40
        pal = []
        if bits == 8:
            n = clr or 256
            pal = [(data[pos + 4 * j + 2], data[pos + 4 * j + 1], data[pos + 4 * j])
                   for j in range(n)]
            pos += 4 * n
        xstride = ((w * bits + 31) // 32) * 4
        mstride = ((w + 31) // 32) * 4
        xor_at, and_at = pos, pos + xstride * h0
        assert and_at + mstride * h0 == off + size == off + 40 + 4 * len(pal) + simg, \
            "image size"
        rows = []
        for y in range(h0):
            xb = xor_at + (h0 - 1 - y) * xstride
            mb = and_at + (h0 - 1 - y) * mstride
            row = []
            for x in range(w):
                transparent = data[mb + x // 8] & (0x80 >> (x % 8))
                if bits == 32:
                    b, g, r, a = data[xb + 4 * x:xb + 4 * x + 4]
                    assert bool(transparent) == (a == 0), "AND mask disagrees with alpha"
                else:
                    r, g, b = pal[data[xb + x]]
                    if transparent:
                        assert (r, g, b) == (0, 0, 0), "transparent pixel not black in XOR"
                    a = 0 if transparent else 255
                row.append((r, g, b, a))
            rows.append(row)
        out.append((bits, rows))
    return out


def check_ico(path, images):
    got = read_ico(open(path, "rb").read())
    assert len(got) == len(images), path
    for (bits, rows), (want, wbits) in zip(got, images):
        assert bits == wbits, path
        if bits == 32:
            assert rows == want, "%s: %d-bit image differs" % (path, bits)
            continue
        # 8-bit: the same pixels are drawn, and the colours are close
        worst = 0
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                wr, wg, wb, wa = want[y][x]
                assert (a == 255) == (wa >= 128), "%s: mask at %d,%d" % (path, x, y)
                if a:
                    worst = max(worst, abs(r - wr), abs(g - wg), abs(b - wb))
        assert worst <= 24, "%s: 8-bit colours drift by %d" % (path, worst)


def check_bmp(path, want, cell):
    got = read_bmp24(open(path, "rb").read())
    assert got == want, path + ": pixels differ"
    # glyph painters take the bottom-left pixel of an image as its
    # transparent colour, so every cell keeps that corner free
    for x0 in range(0, len(got[0]), cell):
        assert got[cell - 1][x0] == MAGENTA, "%s: cell at %d has a drawn corner" % (path, x0)
        drawn = sum(1 for row in got for p in row[x0:x0 + cell] if p != MAGENTA)
        assert drawn > 0, "%s: cell at %d is empty" % (path, x0)


# ---------------------------------------------------------------- main


def strip(draws, size):
    rows = [[] for _ in range(size)]
    for draw in draws:
        img = keyed(render(draw, size))
        for y in range(size):
            rows[y] += img[y]
    return rows


def main():
    # By default the pictures go to the resources folder beside this one.
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(here), "resources")
    os.makedirs(outdir, exist_ok=True)

    icons = {
        "Stashwell.ico": (draw_program, [(48, 32), (32, 32), (16, 32), (32, 8), (16, 8)]),
        "SOUND_DATA_ICON.ico": (draw_sound, [(32, 32), (16, 32), (32, 8), (16, 8)]),
        "UNKNOWN_DATA_ICON.ico": (draw_unknown, [(32, 32), (16, 32), (32, 8), (16, 8)]),
    }
    for name, (draw, layout) in icons.items():
        cache = {}
        images = []
        for size, bits in layout:
            if size not in cache:
                cache[size] = render(draw, size)
            images.append((cache[size], bits))
        path = os.path.join(outdir, name)
        with open(path, "wb") as f:
            f.write(ico(images))
        check_ico(path, images)

    bitmaps = {
        "MainImages.bmp": [d for _, d in MAIN_IMAGES],
        "OptionsTabs.bmp": [tab_program, tab_clipboard],
        "BrowseGlyph.bmp": [browse_glyph],
    }
    for name, draws in bitmaps.items():
        rows = strip(draws, 16)
        path = os.path.join(outdir, name)
        with open(path, "wb") as f:
            f.write(bmp24(rows))
        check_bmp(path, rows, 16)

    listing = [
        "ICON MAINICON Stashwell.ico",
        "ICON SOUND_DATA_ICON SOUND_DATA_ICON.ico",
        "ICON UNKNOWN_DATA_ICON UNKNOWN_DATA_ICON.ico",
        "BITMAP MAIN_IMAGES MainImages.bmp",
        "BITMAP OPTIONS_TABS OptionsTabs.bmp",
        "BITMAP BROWSE_GLYPH BrowseGlyph.bmp",
    ]
    with open(os.path.join(outdir, "pictures.txt"), "w", newline="\n") as f:
        f.write("\n".join(listing) + "\n")
    print("wrote and re-read %d files in %s" % (len(icons) + len(bitmaps), outdir))


if __name__ == "__main__":
    main()

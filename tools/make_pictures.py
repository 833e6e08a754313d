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
import sys

from picture_kit import (
    MAGENTA,
    Box,
    Circle,
    Capsule,
    Poly,
    Arc,
    Union,
    VGrad,
    render,
    keyed,
    bmp24,
    ico,
    check_ico,
    check_bmp,
)

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

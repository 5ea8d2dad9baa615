#!/usr/bin/env python3
"""Draws every picture of the compiled-in resource tree with ImageMagick.

Run it from anywhere after changing a picture; the outputs sit beside this script and are
committed, so an ordinary build never needs ImageMagick. Each icon is drawn four (or eight)
times too large on a grid of its final size and scaled down, which gives clean antialiased
edges. Metadata is stripped so that a rerun reproduces the same bytes.
"""

import math
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

DARK = "rgb(22,74,150)"
ACCENT = "rgb(0,170,255)"
WHITE = "rgb(255,255,255)"
RED = "rgb(222,58,58)"
GREEN = "rgb(38,166,84)"
LATIN_FONT = "DejaVu-Sans-Bold"
CJK_FONT = "WenQuanYi-Micro-Hei"

CONVERT = shutil.which("magick") or shutil.which("convert")
STRIP = ["-strip", "+set", "date:create", "+set", "date:modify"]


def run(args):
    subprocess.run([CONVERT] + args, check=True)


class Glyph:
    """A list of drawing primitives in the coordinates of the final picture."""

    def __init__(self, size=64):
        self.size = size
        self.ops = ["stroke-linecap round", "stroke-linejoin round"]

    def pen(self, colour, width):
        self.ops += ["fill none", f"stroke {colour}", f"stroke-width {width}"]
        return self

    def brush(self, colour):
        self.ops += [f"fill {colour}", "stroke none"]
        return self

    def both(self, fill, stroke, width):
        self.ops += [f"fill {fill}", f"stroke {stroke}", f"stroke-width {width}"]
        return self

    def line(self, x0, y0, x1, y1):
        self.ops.append(f"line {x0},{y0} {x1},{y1}")
        return self

    def poly(self, *pts, closed=False):
        kind = "polygon" if closed else "polyline"
        self.ops.append(kind + " " + " ".join(f"{x},{y}" for x, y in pts))
        return self

    def circle(self, cx, cy, r):
        self.ops.append(f"circle {cx},{cy} {cx + r},{cy}")
        return self

    def ellipse(self, cx, cy, rx, ry):
        self.ops.append(f"ellipse {cx},{cy} {rx},{ry} 0,360")
        return self

    def rect(self, x0, y0, x1, y1, r=0):
        if r:
            self.ops.append(f"roundrectangle {x0},{y0} {x1},{y1} {r},{r}")
        else:
            self.ops.append(f"rectangle {x0},{y0} {x1},{y1}")
        return self

    def path(self, d):
        self.ops.append(f"path '{d}'")
        return self

    def text(self, x, y, s, size, colour, font=LATIN_FONT):
        self.ops += [
            f"fill {colour}",
            "stroke none",
            f"font {font}",
            f"font-size {size}",
            "text-anchor middle",
            f"text {x},{y} '{s}'",
        ]
        return self

    def arrow(self, x0, y0, x1, y1, head=8):
        """A straight arrow from (x0, y0) to (x1, y1) with an open head."""
        self.line(x0, y0, x1, y1)
        dx, dy = x1 - x0, y1 - y0
        n = (dx * dx + dy * dy) ** 0.5
        ux, uy = dx / n, dy / n
        bx, by = x1 - ux * head, y1 - uy * head
        self.poly(
            (round(bx - uy * head, 2), round(by + ux * head, 2)),
            (x1, y1),
            (round(bx + uy * head, 2), round(by - ux * head, 2)),
        )
        return self

    def render(self, out, size=None, background="none"):
        size = size or self.size
        scale = 256 // self.size
        canvas = self.size * scale
        mvg = "\n".join([f"scale {scale},{scale}"] + self.ops)
        run(["-size", f"{canvas}x{canvas}", f"xc:{background}", "-draw", mvg,
             "-resize", f"{size}x{size}", "-depth", "8"] + STRIP + ["PNG32:" + out])


def icon(rel, glyph):
    glyph.render(os.path.join(HERE, rel))


def ico(rel, glyph, sizes):
    with tempfile.TemporaryDirectory() as tmp:
        parts = []
        for s in sizes:
            p = os.path.join(tmp, f"{s}.png")
            glyph.render(p, s)
            parts.append(p)
        run(parts + STRIP + [os.path.join(HERE, rel)])


# --- the program's mark: a ring with a tail, a "Q" for the maker -------------------------

def mark(g, ring, tail, cx=32, cy=31, r=14, w=6):
    g.pen(ring, w).circle(cx, cy, r)
    g.pen(tail, w).line(cx + 0.43 * r, cy + 0.43 * r, cx + 1.15 * r, cy + 1.2 * r)
    return g


def logo_tile():
    g = Glyph().brush(DARK).rect(3, 3, 61, 61, 12)
    return mark(g, WHITE, ACCENT)


# --- title-bar buttons: white glyph on a tile of the title-bar blue ----------------------

def title_tile():
    return Glyph(32).brush(DARK).rect(0, 0, 32, 32)


def title_min():
    return title_tile().pen(WHITE, 2.5).line(9, 21, 23, 21)


def title_max():
    g = title_tile().pen(WHITE, 2.2).rect(9, 10, 23, 22)
    return g.line(9, 10.5, 23, 10.5)


def title_close():
    return title_tile().pen(WHITE, 2.5).line(10, 10, 22, 22).line(22, 10, 10, 22)


def title_language():
    g = title_tile().text(11, 15, "EN", 10, WHITE)
    g.pen(ACCENT, 1.6).line(21, 6, 11, 26)
    return g.text(22, 28, "中", 12, WHITE, CJK_FONT)


# --- menu and tab icons, 64 x 64, dark blue strokes with a light blue accent --------------

def home():
    g = Glyph().pen(DARK, 5).poly((8, 32), (32, 11), (56, 32))
    g.rect(16, 30, 48, 54)
    return g.brush(ACCENT).rect(27, 38, 37, 54)


def curves():
    g = Glyph().pen(DARK, 5).poly((10, 8), (10, 54), (56, 54))
    return g.pen(ACCENT, 5).poly((17, 44), (27, 29), (37, 38), (53, 16))


def gear():
    g = Glyph().pen(DARK, 8)
    for k in range(8):
        a = k * math.pi / 4
        c, s = math.cos(a), math.sin(a)
        g.ops.append("stroke-linecap butt")
        g.line(round(32 + 16 * c, 2), round(32 + 16 * s, 2), round(32 + 27 * c, 2),
               round(32 + 27 * s, 2))
    g.ops.append("stroke-linecap round")
    g.pen(DARK, 9).circle(32, 32, 14)
    return g.brush(ACCENT).circle(32, 32, 5)


def scale():
    g = Glyph().brush(ACCENT).rect(20, 8, 44, 21, 3)
    g.pen(DARK, 5).line(10, 25, 54, 25)
    g.brush(DARK).rect(29, 25, 35, 38).rect(10, 38, 54, 56, 5)
    return g.brush(WHITE).rect(21, 43, 43, 50, 2)


def exchange():
    g = Glyph().pen(ACCENT, 5).arrow(9, 21, 53, 21, 9)
    return g.pen(DARK, 5).arrow(55, 43, 11, 43, 9)


def network():
    g = Glyph().pen(ACCENT, 4).line(32, 22, 32, 32).line(14, 32, 50, 32)
    g.line(14, 32, 14, 42).line(50, 32, 50, 42)
    return g.brush(DARK).rect(23, 7, 41, 22, 3).rect(5, 42, 23, 57, 3).rect(41, 42, 59, 57, 3)


def load_cell():
    g = Glyph().pen(DARK, 5).rect(6, 20, 58, 44, 6)
    g.brush(ACCENT).circle(25, 32, 6.5).circle(39, 32, 6.5).rect(25, 27, 39, 37)
    return g.pen(DARK, 4).arrow(32, 4, 32, 15, 5)


def drop_arrow():
    return Glyph().brush(DARK).poly((11, 22), (53, 22), (32, 45), closed=True)


def info():
    g = Glyph().pen(DARK, 5).circle(32, 32, 25)
    g.brush(ACCENT).circle(32, 19, 4)
    return g.pen(DARK, 6.5).line(32, 29, 32, 47)


def failure():
    g = Glyph().brush(RED).circle(32, 32, 29)
    return g.pen(WHITE, 7).line(21, 21, 43, 43).line(43, 21, 21, 43)


def success():
    g = Glyph().brush(GREEN).circle(32, 32, 29)
    return g.pen(WHITE, 7).poly((18, 33), (28, 43), (46, 23))


def zero_tab():
    g = Glyph().pen(DARK, 5).ellipse(32, 32, 8, 14)
    return g.pen(ACCENT, 4.5).arrow(3, 32, 18, 32, 6).arrow(61, 32, 46, 32, 6)


def tare():
    g = Glyph().pen(DARK, 5).rect(9, 9, 55, 55, 9)
    return g.pen(ACCENT, 6).line(21, 22, 43, 22).line(32, 22, 32, 45)


def funnel():
    g = Glyph().both(ACCENT, DARK, 4.5)
    return g.poly((9, 11), (55, 11), (37, 33), (37, 53), (27, 47), (27, 33), closed=True)


def wave():
    g = Glyph().pen(DARK, 3).line(6, 50, 58, 50)
    return g.pen(ACCENT, 5).path("M 6,32 C 11,6 17,6 21,32 C 25,52 30,50 34,32 "
                                 "C 37,21 41,22 44,32 C 47,39 51,38 58,32")


def decimals():
    g = Glyph().text(32, 42, "0.00", 24, DARK)
    return g.pen(ACCENT, 4).line(8, 52, 56, 52)


def target():
    g = Glyph().pen(DARK, 5).circle(32, 32, 22)
    g.pen(ACCENT, 4.5).circle(32, 32, 10)
    g.pen(DARK, 4).line(32, 3, 32, 16).line(32, 48, 32, 61).line(3, 32, 16, 32).line(48, 32, 61, 32)
    return g.brush(DARK).circle(32, 32, 3.5)


def weight():
    g = Glyph().pen(DARK, 4.5).circle(32, 13, 6)
    g.brush(DARK).poly((18, 20), (46, 20), (56, 56), (8, 56), closed=True)
    return g.text(32, 48, "kg", 17, WHITE)


def input_port():
    g = Glyph().pen(DARK, 5).poly((34, 10), (54, 10), (54, 54), (34, 54))
    return g.pen(ACCENT, 5).arrow(6, 32, 41, 32, 9)


def output_port():
    g = Glyph().pen(DARK, 5).poly((30, 10), (10, 10), (10, 54), (30, 54))
    return g.pen(ACCENT, 5).arrow(23, 32, 58, 32, 9)


def flag():
    g = Glyph().brush(ACCENT).poly((19, 9), (54, 20), (19, 32), closed=True)
    return g.pen(DARK, 5).line(16, 7, 16, 57)


def serial():
    g = Glyph().pen(DARK, 5).poly((7, 18), (57, 18), (50, 46), (14, 46), closed=True)
    g.brush(ACCENT)
    for x in (17, 24.5, 32, 39.5, 47):
        g.circle(x, 27, 2.6)
    for x in (21, 28.5, 35.5, 43):
        g.circle(x, 37, 2.6)
    return g


def printer():
    g = Glyph().pen(DARK, 4).rect(18, 7, 46, 24)
    g.brush(DARK).rect(6, 22, 58, 46, 5)
    g.both(WHITE, DARK, 4).rect(18, 38, 46, 57)
    g.pen(ACCENT, 3).line(24, 45, 40, 45).line(24, 51, 36, 51)
    return g.brush(ACCENT).circle(50, 29, 3)


def gauge():
    g = Glyph().pen(DARK, 5).path("M 8,46 A 24,24 0 0 1 56,46")
    g.pen(DARK, 3).line(32, 22, 32, 27).line(15, 29, 18.5, 32.5).line(49, 29, 45.5, 32.5)
    g.pen(ACCENT, 5).line(32, 46, 44, 30)
    return g.brush(DARK).circle(32, 46, 5.5)


def chip():
    g = Glyph().pen(ACCENT, 4)
    for p in (24, 32, 40):
        g.line(p, 6, p, 16).line(p, 48, p, 58).line(6, p, 16, p).line(48, p, 58, p)
    g.brush(DARK).rect(15, 15, 49, 49, 5)
    return g.brush(WHITE).circle(23, 23, 3)


# --- marks and small pictures -------------------------------------------------------------

def zero_mark():
    g = Glyph().pen(ACCENT, 5.5).ellipse(32, 32, 9, 15)
    return g.pen(ACCENT, 5).arrow(2, 32, 17, 32, 6).arrow(62, 32, 47, 32, 6)


def stable_mark():
    g = Glyph().brush(ACCENT).poly((32, 33), (43, 52), (21, 52), closed=True)
    g.pen(ACCENT, 6).line(7, 27, 57, 27)
    return g.pen(ACCENT, 4).line(7, 17, 7, 37).line(57, 17, 57, 37)


def dialog_close():
    return Glyph(32).pen(DARK, 3).line(9, 9, 23, 23).line(23, 9, 9, 23)


def download():
    g = Glyph().pen(DARK, 6).poly((8, 38), (8, 55), (56, 55), (56, 38))
    return g.pen(ACCENT, 6).arrow(32, 7, 32, 42, 12)


def wordmark(out):
    """The maker's logo for the dark title bar: the ring mark and the name, 3:1."""
    g = Glyph().brush("none")
    mark(g, WHITE, ACCENT, 28, 28, 20, 8)
    with tempfile.TemporaryDirectory() as tmp:
        m = os.path.join(tmp, "m.png")
        g.render(m, 64)
        run(["-size", "768x256", "xc:none", "-fill", WHITE, "-font", LATIN_FONT,
             "-pointsize", "132", "-gravity", "west", "-annotate", "+236+6", "QUARN",
             "-resize", "192x64", "-depth", "8", m, "-gravity", "west", "-geometry", "+2+0",
             "-composite"] + STRIP + ["PNG32:" + out])


def gradient(out, w, h, top, bottom, quality=None):
    args = ["-size", f"{w}x{h}", f"gradient:{top}-{bottom}", "-depth", "8"] + STRIP
    if quality:
        args += ["-quality", str(quality), "-sampling-factor", "4:2:0"]
    run(args + [out])


def main():
    if not CONVERT:
        sys.exit("ImageMagick (convert or magick) is needed to draw the pictures")
    os.makedirs(os.path.join(HERE, "icon"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "background"), exist_ok=True)

    tabs = {
        0: home, 1: curves, 2: gear, 3: scale, 4: exchange, 5: network, 6: load_cell,
        7: drop_arrow, 8: info, 12: failure, 13: success, 14: zero_tab, 15: tare,
        16: funnel, 17: wave, 18: decimals, 19: target, 20: weight, 21: input_port,
        22: output_port, 23: flag, 24: serial, 25: printer, 26: gauge, 27: chip,
    }
    for n, make in tabs.items():
        icon(f"icon/pic{n:02d}.png", make())
    # The maximise picture has always been named with two dots; the code asks for that name.
    icon("icon/pic09.png", title_min())
    icon("icon/pic10..png", title_max())
    icon("icon/pic11.png", title_close())
    icon("icon/pic28.png", title_language())

    ico("QuarnIcon.ico", logo_tile(), (16, 32, 48, 64))
    icon("QuarnIcon1.png", logo_tile())
    ico("CLOSE1.ico", dialog_close(), (16, 32))
    ico("icon_download.ico", download(), (16, 32, 48))
    icon("Zero1.png", zero_mark())
    icon("Stable.png", stable_mark())
    wordmark(os.path.join(HERE, "icon/Quarnlogo.png"))

    bg = os.path.join(HERE, "background")
    gradient(os.path.join(bg, "mainBackground.jpg"), 1024, 768, "rgb(22,74,150)",
             "rgb(12,50,110)", 80)
    gradient(os.path.join(bg, "mainBackground.png"), 256, 192, "rgb(22,74,150)",
             "rgb(12,50,110)")
    gradient(os.path.join(bg, "background1.jpg"), 1024, 768, "rgb(252,253,255)",
             "rgb(222,234,248)", 80)
    gradient(os.path.join(bg, "background2.jpg"), 1024, 768, "rgb(236,244,252)",
             "rgb(178,208,238)", 80)
    run(["-size", "8x8", "xc:none"] + STRIP + ["PNG32:" + os.path.join(bg, "none.png")])


if __name__ == "__main__":
    main()

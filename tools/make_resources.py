#!/usr/bin/env python3
"""Writes Korvo's delivered resource tree: the pictures of the skins Blue,
Gold and Zelda, the shared pictures and icons, the wallpapers, the interface
sounds and the pictures of the initial accounts.

    /usr/bin/python3 tools/make_resources.py [--out DIR] [--sheet FILE]

The shell draws no text on its window pictures apart from the values it
fills in, so every caption, label and button face lives in the pictures
made here, at the places where the shell tests its touch rectangles.  Touch
rectangles (x, y, w, h) are tested with both edges included, so a control
drawn for one covers w + 1 by h + 1 pixels.

The output is deterministic: pictures are written by pngout without time
stamps and every random pattern uses a fixed seed.
"""

import argparse
import math
import os
import random
import sys

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import glyphs  # noqa: E402
import pngout  # noqa: E402
import sounds  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKINS = ("Blue", "Gold", "Zelda")
CLEAR = (0, 0, 0, 0)


# ====================================================================== fonts

def _mask(matrix, width, height):
    m = Image.new("1", (width, height), 0)
    for y in range(height):
        row = matrix[y]
        for x in range(width):
            if row[x]:
                m.putpixel((x, y), 1)
    return m


def _unsmear(matrix):
    """Regular-weight version of a large glyph: drop the right pixel of each run."""
    out = [[0] * 15 for _ in range(15)]
    for y in range(15):
        r = matrix[y]
        for x in range(15):
            nxt = r[x + 1] if x < 14 else 0
            prv = r[x - 1] if x > 0 else 0
            if r[x] and (nxt or not prv):
                out[y][x] = 1
    return out


class Font:
    """One bitmap font style: glyph masks and advances in charset order."""

    def __init__(self, masks, advances, height):
        self.masks = masks
        self.advances = advances
        self.height = height

    def index(self, ch, last):
        i = glyphs.CHARSET.find(ch)
        return i if i >= 0 else last

    def width(self, text):
        last = glyphs.CHARSET.index(" ")
        total = 0
        for ch in text:
            last = self.index(ch, last)
            total += self.advances[last]
        return total

    def draw(self, img, x, y, text, colour):
        """Draws text with its first glyph at x (no lead), top at y."""
        last = glyphs.CHARSET.index(" ")
        pen = x
        for ch in text:
            last = self.index(ch, last)
            img.paste(colour, (pen, y), self.masks[last])
            pen += self.advances[last]
        return pen


LARGE = Font([_mask(glyphs.large_glyph(c), 15, 15) for c in glyphs.CHARSET],
             glyphs.LARGE_ADVANCE, 15)
SMALL = Font([_mask(glyphs.small_glyph(c), 9, 9) for c in glyphs.CHARSET],
             glyphs.SMALL_ADVANCE, 9)
# Lighter weight of the large font for labels inside pictures, where the
# bold face would not fit (start menu, property rows, wait boxes).
LABEL = Font([_mask(_unsmear(glyphs.large_glyph(c)), 15, 15) for c in glyphs.CHARSET],
             [a - 1 for a in glyphs.LARGE_ADVANCE], 15)

FONTS = {"large": LARGE, "small": SMALL, "label": LABEL}
# rows of the cap height inside a glyph cell
CAP_TOP = {"large": 2, "small": 0, "label": 2}
CAP_H = {"large": 10, "small": 7, "label": 10}


def font_strip(font_kind, ink):
    """The strip the shell loads: cell i at x = pitch*i, glyph from row 1."""
    if font_kind == "large":
        pitch, size, matrices = 16, 15, [glyphs.large_glyph(c) for c in glyphs.CHARSET]
    else:
        pitch, size, matrices = 10, 9, [glyphs.small_glyph(c) for c in glyphs.CHARSET]
    img = Image.new("RGBA", (pitch * 84, size + 1), CLEAR)
    for i, m in enumerate(matrices):
        img.paste(ink + (255,), (pitch * i, 1), _mask(m, size, size))
    return img


def text(img, x, y, s, colour, kind="large", shadow=None):
    f = FONTS[kind]
    if shadow:
        f.draw(img, x + 1, y + 1, s, shadow)
    return f.draw(img, x, y, s, colour)


def text_w(s, kind="large"):
    # the last glyph's own gap column is not ink
    return FONTS[kind].width(s) - 1 if s else 0


def text_centred(img, cx, cy, s, colour, kind="large", shadow=None):
    """Centres the caps of s on (cx, cy)."""
    w = text_w(s, kind)
    x = int(round(cx - w / 2.0))
    y = int(round(cy - CAP_H[kind] / 2.0)) - CAP_TOP[kind]
    return text(img, x, y, s, colour, kind, shadow)


def text_left(img, x, cy, s, colour, kind="large", shadow=None):
    y = int(round(cy - CAP_H[kind] / 2.0)) - CAP_TOP[kind]
    return text(img, x, y, s, colour, kind, shadow)


# ===================================================================== colour

def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def rgba(c):
    return tuple(c[:3]) + (255,)


def shade(c, f):
    if f >= 0:
        return mix(c, (255, 255, 255), f)
    return mix(c, (0, 0, 0), -f)


THEMES = {
    "Blue": dict(
        title=((86, 146, 226), (28, 72, 160)), title_text=(255, 255, 255), title_shadow=(12, 34, 86),
        body=(234, 241, 251), body2=(216, 228, 246), border=(20, 44, 98),
        field=(255, 255, 255), field_border=(118, 146, 190),
        face=((252, 253, 255), (198, 216, 242)), face_border=(54, 88, 150), face_text=(14, 34, 78),
        accent=(40, 110, 215), accent_dark=(18, 54, 130), accent_light=(150, 196, 246),
        hilite=(255, 150, 20), hilite_dark=(150, 70, 0),
        select_fill=(196, 220, 252), select_border=(52, 118, 214),
        close=((236, 112, 92), (176, 40, 28)),
        bar=((44, 84, 166), (14, 32, 82)), bar_line=(126, 176, 240), bar_text=(255, 255, 255),
        side=((22, 46, 104), (10, 24, 64)), side_text=(255, 255, 255), side_line=(110, 160, 230),
        ink=(10, 28, 70),
    ),
    "Gold": dict(
        title=((238, 186, 70), (168, 100, 18)), title_text=(255, 255, 255), title_shadow=(92, 48, 0),
        body=(253, 248, 232), body2=(244, 230, 196), border=(104, 60, 10),
        field=(255, 253, 246), field_border=(192, 150, 88),
        face=((255, 251, 236), (236, 204, 132)), face_border=(148, 96, 24), face_text=(72, 40, 0),
        accent=(206, 140, 26), accent_dark=(128, 74, 6), accent_light=(250, 214, 130),
        hilite=(196, 64, 16), hilite_dark=(110, 30, 0),
        select_fill=(252, 224, 150), select_border=(198, 134, 24),
        close=((226, 104, 58), (158, 46, 14)),
        bar=((128, 78, 20), (62, 34, 6)), bar_line=(240, 196, 96), bar_text=(255, 255, 255),
        side=((255, 248, 224), (238, 212, 150)), side_text=(0, 0, 0), side_line=(176, 120, 30),
        ink=(70, 38, 0),
    ),
    "Zelda": dict(
        title=((104, 162, 66), (36, 86, 34)), title_text=(255, 248, 214), title_shadow=(16, 40, 8),
        body=(245, 239, 214), body2=(230, 220, 182), border=(62, 46, 20),
        field=(255, 252, 238), field_border=(150, 128, 78),
        face=((252, 247, 226), (214, 198, 146)), face_border=(96, 74, 32), face_text=(40, 30, 8),
        accent=(66, 140, 52), accent_dark=(30, 74, 26), accent_light=(176, 214, 130),
        hilite=(226, 176, 0), hilite_dark=(110, 74, 0),
        select_fill=(206, 232, 160), select_border=(84, 146, 56),
        close=((206, 84, 56), (140, 36, 20)),
        bar=((66, 100, 44), (26, 44, 16)), bar_line=(170, 214, 110), bar_text=(255, 255, 255),
        side=((248, 242, 216), (222, 212, 170)), side_text=(0, 0, 0), side_line=(96, 74, 32),
        ink=(40, 30, 8),
    ),
}


# ================================================================== drawing

def new(w, h, fill=None):
    return Image.new("RGBA", (w, h), rgba(fill) if fill else CLEAR)


def vgrad(img, box, top, bottom):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    n = max(1, y1 - y0)
    for y in range(y0, y1 + 1):
        d.line([(x0, y), (x1, y)], fill=rgba(mix(top, bottom, (y - y0) / n)))


def hgrad(img, box, left, right):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    n = max(1, x1 - x0)
    for x in range(x0, x1 + 1):
        d.line([(x, y0), (x, y1)], fill=rgba(mix(left, right, (x - x0) / n)))


def rect(img, box, fill=None, outline=None):
    d = ImageDraw.Draw(img)
    d.rectangle(box, fill=rgba(fill) if fill else None, outline=rgba(outline) if outline else None)


def round_mask(w, h, r):
    """Mask of a rounded rectangle with corner radius r, hard edged."""
    m = Image.new("L", (w, h), 255)
    if r <= 0:
        return m
    for cy in range(r):
        for cx in range(r):
            dx = r - cx - 0.5
            dy = r - cy - 0.5
            if dx * dx + dy * dy > r * r:
                for (px, py) in ((cx, cy), (w - 1 - cx, cy), (cx, h - 1 - cy), (w - 1 - cx, h - 1 - cy)):
                    m.putpixel((px, py), 0)
    return m


def round_outline(img, box, r, colour):
    """1-pixel outline that follows round_mask's edge."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0 + 1, y1 - y0 + 1
    m = round_mask(w, h, r)
    for y in range(h):
        for x in range(w):
            if not m.getpixel((x, y)):
                continue
            edge = x == 0 or y == 0 or x == w - 1 or y == h - 1
            if not edge:
                for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                    if not m.getpixel((x + dx, y + dy)):
                        edge = True
                        break
            if edge and 0 <= x0 + x < img.size[0] and 0 <= y0 + y < img.size[1]:
                img.putpixel((x0 + x, y0 + y), rgba(colour))


def clip_round(img, box, r):
    """Makes the pixels of box outside its rounded corners transparent."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0 + 1, y1 - y0 + 1
    m = round_mask(w, h, r)
    for y in list(range(min(r, h))) + list(range(max(h - r, 0), h)):
        for x in list(range(min(r, w))) + list(range(max(w - r, 0), w)):
            if not m.getpixel((x, y)) and 0 <= x0 + x < img.size[0] and 0 <= y0 + y < img.size[1]:
                img.putpixel((x0 + x, y0 + y), CLEAR)


def panel(img, box, top, bottom, border, r=3, light=None):
    """Rounded gradient panel with a 1-pixel border, drawn into img."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0 + 1, y1 - y0 + 1
    tile = new(w, h)
    vgrad(tile, (0, 0, w - 1, h - 1), top, bottom)
    if light:
        d = ImageDraw.Draw(tile)
        d.line([(1, 1), (w - 2, 1)], fill=rgba(light))
    m = round_mask(w, h, r)
    img.paste(tile, (x0, y0), m)
    if border:
        round_outline(img, box, r, border)


def sunken(img, box, fill, border, shadow=None):
    """Inset field: flat fill, a border, and a darker inner top edge."""
    x0, y0, x1, y1 = box
    rect(img, box, fill, border)
    if shadow:
        d = ImageDraw.Draw(img)
        d.line([(x0 + 1, y0 + 1), (x1 - 1, y0 + 1)], fill=rgba(shadow))


class Hi:
    """Shapes drawn at a higher resolution and reduced to hard-edged pixels.

    Coordinates are in target pixels (floats allowed).  The reduction
    averages colour over covered samples and keeps a pixel when at least half
    of it is covered, so edges stay crisp (one transparent palette entry,
    no partial alpha) while curves keep their shape.
    """

    def __init__(self, w, h, ss=6, bg=None):
        self.w, self.h, self.ss = w, h, ss
        self.img = Image.new("RGBA", (w * ss, h * ss), rgba(bg) if bg else CLEAR)
        self.d = ImageDraw.Draw(self.img)

    def _p(self, pts):
        s = self.ss
        return [(x * s, y * s) for (x, y) in pts]

    def _box(self, b):
        s = self.ss
        return [b[0] * s, b[1] * s, b[2] * s - 1, b[3] * s - 1]

    def rect(self, b, fill=None, outline=None, width=1):
        self.d.rectangle(self._box(b), fill=rgba(fill) if fill else None,
                         outline=rgba(outline) if outline else None, width=int(width * self.ss))

    def rrect(self, b, r, fill=None, outline=None, width=1):
        self.d.rounded_rectangle(self._box(b), radius=r * self.ss, fill=rgba(fill) if fill else None,
                                 outline=rgba(outline) if outline else None, width=int(width * self.ss))

    def ellipse(self, b, fill=None, outline=None, width=1):
        self.d.ellipse(self._box(b), fill=rgba(fill) if fill else None,
                       outline=rgba(outline) if outline else None, width=int(width * self.ss))

    def poly(self, pts, fill=None, outline=None, width=1):
        p = self._p(pts)
        if fill:
            self.d.polygon(p, fill=rgba(fill))
        if outline:
            self.d.line(p + [p[0]], fill=rgba(outline), width=int(width * self.ss), joint="curve")

    def line(self, pts, colour, width=1):
        self.d.line(self._p(pts), fill=rgba(colour), width=int(width * self.ss), joint="curve")

    def arc(self, b, start, end, colour, width=1):
        self.d.arc(self._box(b), start, end, fill=rgba(colour), width=int(width * self.ss))

    def pieslice(self, b, start, end, fill):
        self.d.pieslice(self._box(b), start, end, fill=rgba(fill))

    def vgrad(self, b, top, bottom, mask_round=0):
        x0, y0, x1, y1 = [int(v * self.ss) for v in b]
        tile = Image.new("RGBA", (x1 - x0, y1 - y0), CLEAR)
        vgrad(tile, (0, 0, x1 - x0 - 1, y1 - y0 - 1), top, bottom)
        m = Image.new("L", tile.size, 0)
        ImageDraw.Draw(m).rounded_rectangle([0, 0, tile.size[0] - 1, tile.size[1] - 1],
                                            radius=mask_round * self.ss, fill=255)
        self.img.paste(tile, (x0, y0), m)

    def result(self):
        small = self.img.convert("RGBa").resize((self.w, self.h), Image.BOX).convert("RGBA")
        px = small.load()
        for y in range(self.h):
            for x in range(self.w):
                r, g, b, a = px[x, y]
                px[x, y] = (r, g, b, 255) if a >= 128 else CLEAR
        return small


def paste(dst, src, x, y):
    """Blit with the colour key, as the shell does."""
    dst.paste(src, (x, y), src.split()[3])


# ==================================================================== widgets

def window(w, h, th, caption, bar_h=28, r=5, icon=None, caption_kind="large"):
    """Opaque window picture with rounded corners, title bar and caption."""
    img = new(w, h, th["body"])
    vgrad(img, (0, 0, w - 1, bar_h - 1), th["title"][0], th["title"][1])
    d = ImageDraw.Draw(img)
    d.line([(1, 1), (w - 2, 1)], fill=rgba(shade(th["title"][0], 0.35)))
    d.line([(0, bar_h), (w - 1, bar_h)], fill=rgba(th["border"]))
    vgrad(img, (1, bar_h + 1, w - 2, h - 2), th["body"], mix(th["body"], th["body2"], 0.6))
    x = 8
    if icon is not None:
        paste(img, icon, 6, (bar_h - icon.size[1]) // 2)
        x = 8 + icon.size[0]
    if caption:
        text_left(img, x, bar_h / 2.0 - 0.5, caption, th["title_text"], caption_kind, th["title_shadow"])
    round_outline(img, (0, 0, w - 1, h - 1), r, th["border"])
    clip_round(img, (0, 0, w - 1, h - 1), r)
    return img


def _glyph_x(hi, cx, cy, s, colour, width):
    hi.line([(cx - s, cy - s), (cx + s, cy + s)], colour, width)
    hi.line([(cx - s, cy + s), (cx + s, cy - s)], colour, width)


def button_face(w, h, top, bottom, border, r=3, light=None):
    tile = new(w, h)
    panel(tile, (0, 0, w - 1, h - 1), top, bottom, border, r, light)
    clip_round(tile, (0, 0, w - 1, h - 1), r)
    return tile


def close_box(img, x, y, th, w=18, h=18):
    top, bottom = th["close"]
    paste(img, button_face(w, h, top, bottom, shade(bottom, -0.45), 3, shade(top, 0.4)), x, y)
    hi = Hi(w, h)
    _glyph_x(hi, w / 2.0, h / 2.0, min(w, h) * 0.2, (255, 255, 255), 2.2)
    paste(img, hi.result(), x, y)


def arrow_glyph(hi, cx, cy, s, direction, colour):
    pts = {
        "up": [(cx - s, cy + s * 0.55), (cx + s, cy + s * 0.55), (cx, cy - s * 0.6)],
        "down": [(cx - s, cy - s * 0.55), (cx + s, cy - s * 0.55), (cx, cy + s * 0.6)],
        "left": [(cx + s * 0.55, cy - s), (cx + s * 0.55, cy + s), (cx - s * 0.6, cy)],
        "right": [(cx - s * 0.55, cy - s), (cx - s * 0.55, cy + s), (cx + s * 0.6, cy)],
    }[direction]
    hi.poly(pts, fill=colour)


def square_button(img, x, y, th, glyph, w=18, h=18):
    """Small skinned button with an arrow, plus or minus sign."""
    top, bottom = th["face"]
    paste(img, button_face(w, h, top, bottom, th["face_border"], 3, (255, 255, 255)), x, y)
    hi = Hi(w, h)
    c = th["face_text"]
    cx, cy = w / 2.0, h / 2.0
    s = min(w, h) * 0.27
    if glyph in ("up", "down", "left", "right"):
        arrow_glyph(hi, cx, cy + (0.5 if glyph == "up" else 0), s, glyph, c)
    elif glyph in ("left2", "right2"):
        d = "left" if glyph == "left2" else "right"
        arrow_glyph(hi, cx - s * 0.45, cy, s * 0.8, d, c)
        arrow_glyph(hi, cx + s * 0.45, cy, s * 0.8, d, c)
    elif glyph == "plus":
        hi.rect((cx - s, cy - 1, cx + s, cy + 1), fill=c)
        hi.rect((cx - 1, cy - s, cx + 1, cy + s), fill=c)
    paste(img, hi.result(), x, y)


def push_button(img, box, th, label, kind="large", default=False):
    x0, y0, x1, y1 = box
    w, h = x1 - x0 + 1, y1 - y0 + 1
    top, bottom = th["face"]
    border = th["accent_dark"] if default else th["face_border"]
    paste(img, button_face(w, h, top, bottom, border, 4, (255, 255, 255)), x0, y0)
    if default:
        round_outline(img, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), 3, th["accent_light"])
    text_centred(img, x0 + w / 2.0, y0 + h / 2.0 - 0.5, label, th["face_text"], kind)


def tick_box(img, x, y, th, size=12):
    sunken(img, (x, y, x + size - 1, y + size - 1), th["field"], th["field_border"], shade(th["field_border"], 0.5))


def label_frame(img, box, th):
    """Group frame: a light body with a thin border."""
    x0, y0, x1, y1 = box
    tile = new(x1 - x0 + 1, y1 - y0 + 1)
    panel(tile, (0, 0, x1 - x0, y1 - y0), shade(th["body"], 0.4), th["body"], shade(th["body2"], -0.18), 3)
    paste(img, tile, x0, y0)


# ====================================================================== icons
# Every icon is drawn with Hi and reduced to crisp pixels.  Colours that do
# not depend on the skin are written out; skin colours come from th.

DARK = (40, 40, 48)


def icon_page(size, fold_col=(210, 214, 224), body=(255, 255, 255), edge=(90, 96, 110)):
    s = size / 16.0
    hi = Hi(size, size)
    x0, x1, y0, y1 = 2.5 * s, 13.5 * s, 0.5 * s, 15.5 * s
    f = 4 * s
    pts = [(x0, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1), (x0, y1)]
    hi.poly(pts, fill=body, outline=edge, width=max(1, s))
    hi.poly([(x1 - f, y0), (x1 - f, y0 + f), (x1, y0 + f)], fill=fold_col, outline=edge, width=max(1, s))
    return hi


def icon_folder(size=16, base=(246, 196, 62), dark=(170, 118, 20)):
    s = size / 16.0
    hi = Hi(size, size)
    hi.rrect((0.5 * s, 2 * s, 7 * s, 6 * s), 1.2 * s, fill=shade(base, -0.12), outline=dark, width=max(1, s))
    hi.rrect((0.5 * s, 4 * s, 15.5 * s, 14.5 * s), 1.2 * s, fill=shade(base, -0.05), outline=dark, width=max(1, s))
    hi.rrect((1.5 * s, 6 * s, 14.5 * s, 13.5 * s), 0.8 * s, fill=shade(base, 0.25))
    hi.line([(1.5 * s, 6.2 * s), (14.5 * s, 6.2 * s)], shade(base, 0.55), max(1, s * 0.8))
    return hi.result()


def icon_file():
    hi = icon_page(16)
    for k in range(3):
        hi.line([(4.5, 7.5 + 2.5 * k), (11.5, 7.5 + 2.5 * k)], (176, 182, 196), 1)
    return hi.result()


def icon_typed(kind):
    """16x16 page icons of the explorer, one look per file type."""
    tag = {"gpe": (40, 110, 215), "gpu": (46, 150, 70), "bmp": (70, 150, 200), "png": (214, 82, 160),
           "txt": (120, 124, 136), "gif": (230, 140, 30), "jpg": (200, 60, 50), "mp3": (130, 70, 190),
           "wav": (0, 150, 150)}[kind]
    hi = icon_page(16)
    if kind in ("gpe", "gpu"):
        # a program: a little gear on the page
        cx, cy = 8.0, 9.5
        for k in range(8):
            a = k * math.pi / 4
            hi.line([(cx, cy), (cx + 4.6 * math.cos(a), cy + 4.6 * math.sin(a))], tag, 1.8)
        hi.ellipse((cx - 3.4, cy - 3.4, cx + 3.4, cy + 3.4), fill=tag)
        hi.ellipse((cx - 1.3, cy - 1.3, cx + 1.3, cy + 1.3), fill=(255, 255, 255))
        if kind == "gpu":
            hi.rect((3.5, 1.5, 8.5, 3.5), fill=tag)
    elif kind in ("bmp", "png", "gif", "jpg"):
        hi.rect((3.5, 5, 12.5, 13.5), fill=shade(tag, 0.75), outline=tag)
        hi.poly([(3.8, 13.2), (7, 8.5), (9.2, 11), (10.5, 9.5), (12.2, 13.2)], fill=shade(tag, -0.2))
        hi.ellipse((9.5, 6, 11.5, 8), fill=(255, 210, 40))
    elif kind == "txt":
        for k in range(5):
            hi.line([(4.5, 5.5 + 2 * k), (11.5 - (3 if k == 4 else 0), 5.5 + 2 * k)], (90, 96, 110), 1)
    elif kind == "mp3":
        hi.ellipse((4, 10.5, 7.5, 13.5), fill=tag)
        hi.ellipse((8.5, 9.5, 12, 12.5), fill=tag)
        hi.line([(7, 12), (7, 5.5)], tag, 1.2)
        hi.line([(11.5, 11), (11.5, 4.5)], tag, 1.2)
        hi.poly([(7, 5.5), (11.5, 4.2), (11.5, 6.2), (7, 7.5)], fill=tag)
    elif kind == "wav":
        pts = [(3.5 + k * 0.5, 9.5 + 3.5 * math.sin(k * 0.9) * math.exp(-k * 0.05)) for k in range(18)]
        hi.line(pts, tag, 1.3)
    return hi.result()


def gear_into(hi, cx, cy, r_out, r_in, teeth, colour, hole):
    pts = []
    for k in range(teeth * 4):
        a = 2 * math.pi * k / (teeth * 4) - math.pi / 2
        r = r_out if (k % 4) in (1, 2) else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    w = max(0.6, r_out / 12.0)
    hi.poly(pts, fill=colour, outline=shade(colour, -0.4), width=w)
    h = r_in * 0.42
    hi.ellipse((cx - h, cy - h, cx + h, cy + h), fill=hole, outline=shade(colour, -0.4), width=w)


def icon_gear(size, colour, hole=(255, 255, 255), teeth=8):
    hi = Hi(size, size)
    gear_into(hi, size / 2.0, size / 2.0, size * 0.47, size * 0.34, teeth, colour, hole)
    return hi


def draw_icon(name, size, th):
    """Symbol icons shared by the start menu, the system window and others."""
    s = size / 32.0
    hi = Hi(size, size)
    acc, dark, light = th["accent"], th["accent_dark"], th["accent_light"]
    ol = max(1.0, 1.2 * s)

    def R(x0, y0, x1, y1):
        return (x0 * s, y0 * s, x1 * s, y1 * s)

    def P(pts):
        return [(x * s, y * s) for x, y in pts]

    if name == "scan":          # magnifier over a program chip
        hi.rrect(R(3, 3, 21, 21), 3 * s, fill=(236, 240, 248), outline=DARK, width=ol)
        for k in range(3):
            hi.line(P([(7, 8 + 4 * k), (17, 8 + 4 * k)]), (150, 160, 180), 1.5 * s)
        hi.ellipse(R(12, 12, 27, 27), fill=shade(light, 0.5), outline=dark, width=3 * s)
        hi.line(P([(24.5, 24.5), (30, 30)]), dark, 4.5 * s)
    elif name == "apps":        # four little windows
        for i, (x, y) in enumerate(((2, 2), (17, 2), (2, 17), (17, 17))):
            col = (acc, (220, 80, 60), (60, 170, 80), (240, 180, 40))[i]
            hi.rrect(R(x, y, x + 13, y + 13), 2.5 * s, fill=shade(col, 0.15), outline=shade(col, -0.45), width=ol)
            hi.rect(R(x + 3, y + 3, x + 10, y + 5), fill=shade(col, 0.7))
    elif name == "emus":        # a game pad
        hi.rrect(R(1, 8, 31, 25), 8 * s, fill=(70, 74, 88), outline=(20, 20, 28), width=ol)
        hi.rect(R(6, 14, 13, 17), fill=(220, 224, 232))
        hi.rect(R(8, 12, 11, 19), fill=(220, 224, 232))
        hi.ellipse(R(20, 11, 24, 15), fill=(230, 80, 70))
        hi.ellipse(R(24, 15, 28, 19), fill=(80, 170, 240))
        hi.ellipse(R(16, 15, 20, 19), fill=(250, 200, 50))
        hi.ellipse(R(20, 19, 24, 23), fill=(90, 200, 90))
    elif name == "ports":       # a box with an arrow coming in
        hi.poly(P([(4, 12), (16, 6), (28, 12), (28, 26), (16, 31), (4, 26)]), fill=(214, 170, 110), outline=(96, 64, 24), width=ol)
        hi.poly(P([(4, 12), (16, 17), (28, 12), (16, 6)]), fill=(236, 200, 146), outline=(96, 64, 24), width=ol)
        hi.line(P([(16, 17), (16, 31)]), (96, 64, 24), ol)
        hi.poly(P([(12, 1), (20, 1), (20, 6), (24, 6), (16, 13), (8, 6), (12, 6)]), fill=acc, outline=dark, width=ol)
    elif name == "games":       # a joystick
        hi.rrect(R(3, 21, 29, 30), 3 * s, fill=(70, 74, 88), outline=(20, 20, 28), width=ol)
        hi.rect(R(14.5, 9, 17.5, 23), fill=(60, 60, 66))
        hi.ellipse(R(9, 1, 23, 15), fill=(226, 60, 50), outline=(120, 20, 20), width=ol)
        hi.ellipse(R(12, 4, 16, 8), fill=(255, 170, 160))
        hi.ellipse(R(22, 23, 27, 27), fill=(250, 200, 50))
    elif name == "system":      # a gear
        g = icon_gear(size, (150, 160, 176), (70, 74, 88))
        return g.result()
    elif name == "users":       # two people
        for (x, col) in ((11, shade(acc, 0.3)), (20, acc)):
            hi.ellipse(R(x - 5, 4, x + 5, 14), fill=(250, 214, 180), outline=(120, 80, 50), width=ol)
            hi.pieslice(R(x - 9, 16, x + 9, 40), 180, 360, fill=col)
            hi.arc(R(x - 9, 16, x + 9, 40), 180, 360, shade(col, -0.5), ol)
            hi.line(P([(x - 9, 28), (x + 9, 28)]), shade(col, -0.5), ol)
    elif name == "usb":         # a cable plug
        hi.rect(R(12, 18, 20, 31), fill=(60, 64, 76))
        hi.rrect(R(8, 8, 24, 21), 2 * s, fill=(190, 196, 208), outline=(60, 64, 76), width=ol)
        hi.rect(R(10, 1, 22, 9), fill=(220, 224, 232), outline=(60, 64, 76), width=ol)
        hi.rect(R(12.5, 3.5, 15, 6), fill=(60, 64, 76))
        hi.rect(R(17, 3.5, 19.5, 6), fill=(60, 64, 76))
        hi.ellipse(R(13, 12, 19, 18), fill=acc)
    elif name == "wallpaper":   # a framed landscape
        hi.rect(R(2, 4, 30, 28), fill=(120, 84, 40), outline=(70, 46, 16), width=ol)
        hi.rect(R(5, 7, 27, 25), fill=(150, 200, 250))
        hi.poly(P([(5, 25), (12, 14), (17, 20), (21, 16), (27, 25)]), fill=(70, 150, 70))
        hi.ellipse(R(20, 9, 25, 14), fill=(255, 220, 60))
    elif name == "files":       # a folder with a magnifier
        f = icon_folder(size)
        hi.img.paste(f.resize((size * hi.ss, size * hi.ss), Image.NEAREST), (0, 0))
        hi.ellipse(R(13, 12, 25, 24), fill=(230, 244, 255), outline=(50, 50, 60), width=2.5 * s)
        hi.line(P([(23, 22), (29, 28)]), (50, 50, 60), 3.5 * s)
    elif name == "timer":       # a clock with a power mark
        hi.ellipse(R(2, 2, 30, 30), fill=(250, 250, 252), outline=DARK, width=2 * s)
        for k in range(12):
            a = k * math.pi / 6
            hi.line(P([(16 + 11 * math.cos(a), 16 + 11 * math.sin(a)), (16 + 12.5 * math.cos(a), 16 + 12.5 * math.sin(a))]), DARK, s)
        hi.line(P([(16, 16), (16, 8)]), DARK, 2 * s)
        hi.line(P([(16, 16), (22, 19)]), (200, 40, 30), 2 * s)
        hi.ellipse(R(14.5, 14.5, 17.5, 17.5), fill=DARK)
    elif name == "brightness":  # a sun
        for k in range(8):
            a = k * math.pi / 4
            hi.line(P([(16 + 10 * math.cos(a), 16 + 10 * math.sin(a)), (16 + 14.5 * math.cos(a), 16 + 14.5 * math.sin(a))]), (230, 150, 0), 2.6 * s)
        hi.ellipse(R(8, 8, 24, 24), fill=(255, 212, 40), outline=(200, 120, 0), width=ol)
    elif name == "saver":       # a monitor showing a moon
        hi.rrect(R(1, 3, 31, 24), 2 * s, fill=(60, 64, 76), outline=(24, 24, 30), width=ol)
        hi.rect(R(4, 6, 28, 21), fill=(26, 36, 86))
        hi.ellipse(R(12, 8, 21, 17), fill=(250, 230, 140))
        hi.ellipse(R(15, 7, 23, 15), fill=(26, 36, 86))
        hi.rect(R(12, 24, 20, 28), fill=(90, 94, 106))
        hi.rrect(R(7, 27, 25, 31), 1.5 * s, fill=(120, 124, 136), outline=(40, 40, 48), width=ol)
        for (x, y) in ((8, 9), (24, 17), (7, 17)):
            hi.rect(R(x, y, x + 1.5, y + 1.5), fill=(255, 255, 255))
    elif name == "skin":        # a paint palette
        hi.ellipse(R(1, 4, 31, 29), fill=(236, 206, 160), outline=(120, 84, 40), width=ol)
        hi.d.ellipse([v * hi.ss for v in R(18, 18, 25, 25)], fill=CLEAR)  # the thumb hole
        for (x, y, c) in ((7, 10, (40, 110, 215)), (14, 7, (226, 176, 0)), (22, 9, (66, 140, 52)), (7, 18, (200, 50, 50))):
            hi.ellipse(R(x - 2.5, y - 2.5, x + 2.5, y + 2.5), fill=c)
    elif name == "sd":          # a memory card
        hi.poly(P([(7, 2), (22, 2), (27, 7), (27, 30), (7, 30)]), fill=(46, 52, 66), outline=(14, 16, 22), width=ol)
        for k in range(5):
            hi.rect(R(9.5 + 3.2 * k, 4, 11.5 + 3.2 * k, 9), fill=(240, 196, 60))
        hi.rect(R(9, 14, 25, 26), fill=shade(acc, 0.1))
        hi.rect(R(9, 14, 25, 17), fill=shade(acc, 0.5))
    elif name == "logoff":      # a door with an arrow
        hi.rect(R(5, 2, 21, 30), fill=(150, 100, 56), outline=(70, 44, 20), width=ol)
        hi.poly(P([(5, 2), (14, 6), (14, 31), (5, 30)]), fill=(196, 140, 84), outline=(70, 44, 20), width=ol)
        hi.ellipse(R(11, 16, 13, 18), fill=(250, 210, 80))
        hi.poly(P([(17, 13), (24, 13), (24, 9), (31, 16), (24, 23), (24, 19), (17, 19)]), fill=(60, 170, 70), outline=(20, 80, 30), width=ol)
    elif name == "power":       # the power symbol in a red button
        hi.ellipse(R(1, 1, 31, 31), fill=(214, 56, 44), outline=(110, 20, 14), width=ol)
        hi.ellipse(R(4, 3, 28, 20), fill=(232, 110, 96))
        hi.ellipse(R(4, 5, 28, 29), fill=(214, 56, 44))
        hi.arc(R(8.5, 8.5, 23.5, 23.5), 300, 240, (255, 255, 255), 3 * s)
        hi.line(P([(16, 6), (16, 16)]), (255, 255, 255), 3 * s)
    elif name == "program":     # generic program: an application window with a gear
        hi.rrect(R(2, 3, 30, 29), 3.5 * s, fill=(250, 251, 253), outline=shade(dark, -0.3), width=ol)
        hi.vgrad(R(2.7, 3.7, 29.3, 10), light, acc, mask_round=2.5 * s)
        hi.rect(R(2.7, 9, 29.3, 10.2), fill=acc)
        for k in range(3):
            hi.ellipse(R(21 + 2.7 * k, 5.3, 23 + 2.7 * k, 7.3), fill=(255, 255, 255))
        gear_into(hi, 16 * s, 20 * s, 6.5 * s, 4.6 * s, 8, shade(acc, -0.1), (250, 251, 253))
    elif name == "launcher":    # a grid of nine dots
        for i in range(3):
            for j in range(3):
                c = ((220, 80, 60), (240, 180, 40), (60, 170, 80))[(i + j) % 3]
                hi.rrect(R(3 + 9.5 * i, 3 + 9.5 * j, 10.5 + 9.5 * i, 10.5 + 9.5 * j), 2 * s, fill=c, outline=shade(c, -0.45), width=ol)
    elif name == "flash":       # a lightning bolt
        hi.poly(P([(18, 1), (6, 18), (15, 18), (12, 31), (26, 12), (17, 12), (21, 1)]), fill=(255, 200, 30), outline=(170, 100, 0), width=ol)
    elif name == "photo":
        hi.rrect(R(1, 5, 31, 28), 2 * s, fill=(60, 64, 76), outline=(20, 20, 28), width=ol)
        hi.rect(R(4, 8, 28, 25), fill=(150, 204, 250))
        hi.poly(P([(4, 25), (11, 14), (16, 20), (20, 16), (28, 25)]), fill=(70, 160, 70))
        hi.ellipse(R(20, 10, 25, 15), fill=(255, 230, 70))
    elif name == "draw":        # a pencil
        hi.poly(P([(24, 2), (30, 8), (11, 27), (5, 21)]), fill=(250, 196, 40), outline=(120, 80, 0), width=ol)
        hi.poly(P([(5, 21), (11, 27), (2, 30)]), fill=(240, 214, 170), outline=(120, 80, 0), width=ol)
        hi.poly(P([(24, 2), (30, 8), (27, 11), (21, 5)]), fill=(230, 120, 130), outline=(120, 40, 40), width=ol)
        hi.poly(P([(3.5, 27), (5, 28.5), (2, 30)]), fill=(40, 40, 40))
    elif name == "ebook":       # an open book
        hi.poly(P([(16, 7), (3, 4), (3, 26), (16, 29)]), fill=(250, 250, 244), outline=(80, 60, 40), width=ol)
        hi.poly(P([(16, 7), (29, 4), (29, 26), (16, 29)]), fill=(240, 240, 232), outline=(80, 60, 40), width=ol)
        for k in range(4):
            hi.line(P([(6, 10 + 4 * k), (13, 11.5 + 4 * k)]), (150, 150, 160), s)
            hi.line(P([(19, 11.5 + 4 * k), (26, 10 + 4 * k)]), (150, 150, 160), s)
    elif name == "music":
        hi.ellipse(R(3, 21, 13, 29), fill=(130, 70, 190))
        hi.ellipse(R(18, 18, 28, 26), fill=(130, 70, 190))
        hi.line(P([(12, 25), (12, 6)]), (90, 40, 140), 2.5 * s)
        hi.line(P([(27, 22), (27, 3)]), (90, 40, 140), 2.5 * s)
        hi.poly(P([(11, 5), (28, 1), (28, 7), (11, 11)]), fill=(90, 40, 140))
    elif name == "touch":       # a target under a stylus point
        hi.ellipse(R(3, 3, 29, 29), fill=(255, 255, 255), outline=(200, 40, 30), width=2 * s)
        hi.ellipse(R(9, 9, 23, 23), outline=(200, 40, 30), width=2 * s)
        hi.line(P([(16, 1), (16, 31)]), (50, 50, 60), 1.5 * s)
        hi.line(P([(1, 16), (31, 16)]), (50, 50, 60), 1.5 * s)
    elif name == "video":       # a film strip with a play mark
        hi.rect(R(2, 5, 30, 27), fill=(40, 42, 50), outline=(10, 10, 14), width=ol)
        for k in range(6):
            hi.rect(R(4 + 4.5 * k, 6.5, 6.5 + 4.5 * k, 8.5), fill=(230, 230, 236))
            hi.rect(R(4 + 4.5 * k, 23.5, 6.5 + 4.5 * k, 25.5), fill=(230, 230, 236))
        hi.poly(P([(12, 11), (12, 21), (22, 16)]), fill=(240, 90, 60))
    elif name == "info":
        hi.ellipse(R(1, 1, 31, 31), fill=acc, outline=shade(dark, -0.3), width=ol)
        hi.ellipse(R(4, 3, 28, 17), fill=shade(acc, 0.3))
        hi.ellipse(R(4, 6, 28, 29), fill=acc)
        hi.ellipse(R(13.5, 6, 18.5, 11), fill=(255, 255, 255))
        hi.rrect(R(13.5, 13, 18.5, 26), 1.5 * s, fill=(255, 255, 255))
    elif name == "question":
        hi.ellipse(R(1, 1, 31, 31), fill=acc, outline=shade(dark, -0.3), width=ol)
        hi.ellipse(R(4, 3, 28, 17), fill=shade(acc, 0.3))
        hi.ellipse(R(4, 6, 28, 29), fill=acc)
        hi.arc(R(10, 6, 22, 17), 180, 405, (255, 255, 255), 3.5 * s)
        hi.line(P([(17.8, 15.5), (16, 18.5), (16, 20.5)]), (255, 255, 255), 3.5 * s)
        hi.ellipse(R(14, 23, 18, 27), fill=(255, 255, 255))
    elif name == "hourglass":
        hi.rect(R(6, 1, 26, 4), fill=(120, 84, 40))
        hi.rect(R(6, 28, 26, 31), fill=(120, 84, 40))
        hi.poly(P([(8, 4), (24, 4), (17.5, 16), (24, 28), (8, 28), (14.5, 16)]), fill=(226, 240, 250), outline=(70, 80, 100), width=ol)
        hi.poly(P([(11, 9), (21, 9), (16, 15)]), fill=(236, 190, 80))
        hi.poly(P([(16, 20), (22, 27), (10, 27)]), fill=(236, 190, 80))
    else:
        raise KeyError(name)
    return hi.result()


def small_icon(name, th):
    """16x16 symbols for menu rows and the taskbar."""
    hi = Hi(16, 16)
    acc, dark = th["accent"], th["accent_dark"]
    if name == "cut":
        hi.line([(4, 1), (10.5, 10)], (90, 96, 110), 1.4)
        hi.line([(12, 1), (5.5, 10)], (90, 96, 110), 1.4)
        hi.ellipse((1.5, 9.5, 6.5, 14.5), outline=(200, 50, 40), width=1.6)
        hi.ellipse((9.5, 9.5, 14.5, 14.5), outline=(200, 50, 40), width=1.6)
    elif name == "copy":
        for (x, y) in ((1.5, 1.5), (5.5, 4.5)):
            hi.rect((x, y, x + 9, y + 11), fill=(255, 255, 255), outline=(80, 86, 100), width=1)
            for k in range(3):
                hi.line([(x + 2, y + 3.5 + 2.3 * k), (x + 7, y + 3.5 + 2.3 * k)], (160, 166, 180), 0.9)
    elif name == "paste":
        hi.rrect((2, 2.5, 14, 15.5), 1.5, fill=(196, 150, 90), outline=(100, 66, 24), width=1)
        hi.rect((4, 5, 12, 14), fill=(255, 255, 255))
        hi.rrect((5, 1, 11, 4.5), 1, fill=(150, 156, 170), outline=(70, 74, 86), width=1)
        for k in range(3):
            hi.line([(5.5, 7.5 + 2 * k), (10.5, 7.5 + 2 * k)], (160, 166, 180), 0.9)
    elif name == "delete":
        hi.ellipse((1, 1, 15, 15), fill=(214, 56, 44), outline=(120, 24, 16), width=1)
        _glyph_x(hi, 8, 8, 3.2, (255, 255, 255), 2)
    elif name == "rename":
        hi.rect((1, 9, 11, 14.5), fill=(255, 255, 255), outline=(80, 86, 100), width=1)
        hi.line([(3, 11.8), (8, 11.8)], (80, 86, 100), 1)
        hi.poly([(12, 1), (15, 4), (8, 11), (5, 8)], fill=(250, 196, 40), outline=(120, 80, 0), width=0.8)
    elif name == "user":
        hi.ellipse((4.5, 1, 11.5, 8), fill=(250, 214, 180), outline=(120, 80, 50), width=1)
        hi.pieslice((1.5, 9, 14.5, 25), 180, 360, fill=acc)
    elif name == "wallpaper":
        hi.rect((0.5, 2.5, 15.5, 13.5), fill=(150, 200, 250), outline=(90, 66, 30), width=1)
        hi.poly([(1.5, 12.5), (6, 6.5), (9, 10), (11, 8), (14.5, 12.5)], fill=(70, 150, 70))
        hi.ellipse((10.5, 4, 13.5, 7), fill=(255, 220, 60))
    elif name == "picture":
        hi.rect((0.5, 2.5, 15.5, 13.5), fill=(255, 255, 255), outline=(80, 86, 100), width=1)
        gear_into(hi, 8, 8, 4.8, 3.4, 8, acc, (255, 255, 255))
    elif name == "monitor":
        hi.rect((0.5, 1.5, 15.5, 11.5), fill=(60, 64, 76), outline=(24, 24, 30), width=1)
        hi.rect((2, 3, 14, 10), fill=shade(acc, 0.3))
        hi.rect((6, 11.5, 10, 13.5), fill=(90, 94, 106))
        hi.rect((3.5, 13.5, 12.5, 15), fill=(90, 94, 106))
    elif name == "title":
        hi.rect((0.5, 2.5, 15.5, 13.5), fill=(255, 255, 255), outline=(80, 86, 100), width=1)
        hi.rect((4, 4.5, 12, 6.3), fill=dark)
        hi.rect((7.1, 4.5, 8.9, 11.8), fill=dark)
    elif name == "lines":
        hi.rect((0.5, 1.5, 15.5, 14.5), fill=(255, 255, 255), outline=(80, 86, 100), width=1)
        for k in range(4):
            hi.line([(3, 4.5 + 2.5 * k), (13 - (4 if k == 3 else 0), 4.5 + 2.5 * k)], (120, 126, 140), 1)
    elif name == "check":
        hi.rrect((0.5, 0.5, 15.5, 15.5), 3, fill=(70, 170, 70), outline=(20, 80, 20), width=1)
        hi.line([(4, 8.5), (7, 11.5), (12.5, 4.5)], (255, 255, 255), 2)
    elif name == "chip":
        for k in range(4):
            for (a, b, c, d) in ((3.5 + 2.6 * k, 0.5, 4.8 + 2.6 * k, 3), (3.5 + 2.6 * k, 13, 4.8 + 2.6 * k, 15.5),
                                 (0.5, 3.5 + 2.6 * k, 3, 4.8 + 2.6 * k), (13, 3.5 + 2.6 * k, 15.5, 4.8 + 2.6 * k)):
                hi.rect((a, b, c, d), fill=(214, 218, 228))
        hi.rrect((2.5, 2.5, 13.5, 13.5), 1.5, fill=(66, 70, 84), outline=(200, 204, 214), width=1)
        hi.rect((5.5, 5.5, 10.5, 10.5), fill=shade(acc, 0.2))
        hi.rect((6.5, 6.5, 8, 8), fill=shade(acc, 0.7))
    elif name == "speaker" or name == "mute":
        body, edge = (236, 240, 248), (30, 34, 44)
        hi.poly([(1.5, 5.5), (4.5, 5.5), (8.5, 1.5), (8.5, 14.5), (4.5, 10.5), (1.5, 10.5)], fill=body, outline=edge, width=0.9)
        if name == "speaker":
            hi.arc((5, 4.5, 12, 11.5), 300, 60, body, 1.4)
            hi.arc((4, 1.5, 15, 14.5), 300, 60, body, 1.4)
        else:
            _glyph_x(hi, 12.3, 8, 2.6, (240, 70, 56), 1.9)
    elif name == "menu":
        top, bottom = th["face"]
        hi.vgrad((0.5, 0.5, 15.5, 15.5), top, bottom, mask_round=3)
        hi.rrect((0.5, 0.5, 15.5, 15.5), 3, outline=th["face_border"], width=1)
        for k in range(3):
            hi.rect((4, 4.2 + 3 * k, 12, 5.8 + 3 * k), fill=th["face_text"])
    else:
        raise KeyError(name)
    return hi.result()


def battery(level):
    """Taskbar battery: level 1 full .. 4 low (red)."""
    hi = Hi(16, 16)
    edge, shell = (20, 22, 28), (232, 236, 244)
    hi.rrect((0.5, 3.5, 14, 13), 1.5, fill=shell, outline=edge, width=1)
    hi.rect((14, 6, 15.5, 10.5), fill=shell, outline=edge, width=0.8)
    hi.rect((1.7, 4.7, 12.8, 11.8), fill=(40, 44, 54))
    bars = 5 - level
    col = {4: (64, 200, 76), 3: (64, 200, 76), 2: (246, 190, 30), 1: (236, 56, 40)}[bars]
    for k in range(bars):
        hi.rect((2.4 + 2.6 * k, 5.4, 4.4 + 2.6 * k, 11.1), fill=col)
    return hi.result()


def selection_frame(w, h, th, r=4, thick=2):
    """Highlight drawn over labelled controls: a frame with a see-through centre."""
    img = new(w, h)
    outer, inner = th["hilite_dark"], th["hilite"]
    round_outline(img, (0, 0, w - 1, h - 1), r, outer)
    for k in range(1, thick):
        round_outline(img, (k, k, w - 1 - k, h - 1 - k), max(0, r - k), inner)
    round_outline(img, (thick, thick, w - 1 - thick, h - 1 - thick), max(0, r - thick), shade(inner, 0.55))
    return img


def thin_frame(w, h, th):
    """One-pixel highlight frame with solid ends, for rows drawn over text."""
    img = new(w, h)
    round_outline(img, (0, 0, w - 1, h - 1), 2, th["hilite_dark"])
    d = ImageDraw.Draw(img)
    d.line([(1, 2), (1, h - 3)], fill=rgba(th["hilite"]))
    d.line([(w - 2, 2), (w - 2, h - 3)], fill=rgba(th["hilite"]))
    return img


# ============================================================ skinned pictures

def p_bottombar(th):
    img = new(320, 20)
    vgrad(img, (0, 0, 319, 19), th["bar"][0], th["bar"][1])
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (319, 0)], fill=rgba(th["bar_line"]))
    d.line([(0, 1), (319, 1)], fill=rgba(shade(th["bar"][0], 0.18)))
    # the tray behind sound, battery and clock
    tray = new(108, 17)
    panel(tray, (0, 0, 107, 16), shade(th["bar"][1], -0.25), shade(th["bar"][1], -0.05),
          shade(th["bar"][1], -0.5), 4)
    paste(img, tray, 213, 2)
    d.line([(214, 18), (319, 18)], fill=rgba(shade(th["bar"][0], 0.1)))
    # grooves beside the start button and between the task buttons
    for x in (44, 134):
        d.line([(x, 4), (x, 16)], fill=rgba(shade(th["bar"][1], -0.4)))
        d.line([(x + 1, 4), (x + 1, 16)], fill=rgba(shade(th["bar"][0], 0.25)))
    return img


def p_startbutton(th):
    w, h = 40, 18
    img = button_face(w, h, shade(th["accent"], 0.25), shade(th["accent_dark"], -0.1),
                      shade(th["accent_dark"], -0.5), 8, shade(th["accent"], 0.6))
    hi = Hi(w, h)
    # emblem: a four-pointed star in a ring
    cx, cy = 8.5, 9
    hi.ellipse((cx - 5.5, cy - 5.5, cx + 5.5, cy + 5.5), fill=shade(th["accent_light"], 0.4),
               outline=shade(th["accent_dark"], -0.4), width=0.9)
    pts = []
    for k in range(8):
        a = k * math.pi / 4 - math.pi / 2
        r = 4.4 if k % 2 == 0 else 1.5
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    hi.poly(pts, fill=th["accent_dark"])
    paste(img, hi.result(), 0, 0)
    text_left(img, 15, 8.5, "Start", (255, 255, 255), "small", shade(th["accent_dark"], -0.5))
    return img


def p_warning(th):
    w, h = 80, 34
    img = new(w, h)
    hi = Hi(w, h)
    fill, edge = (255, 250, 214), (120, 96, 20)
    hi.rrect((0.5, 0.5, 79.5, 27.5), 6, fill=fill, outline=edge, width=1)
    hi.poly([(15, 26.5), (29, 26.5), (22, 33.5)], fill=fill)
    hi.line([(15, 27), (22, 33.5), (29, 27)], edge, 1)
    img = hi.result()
    # a red warning sign and two short lines
    sign = Hi(12, 12)
    sign.poly([(6, 0.5), (11.5, 11), (0.5, 11)], fill=(220, 60, 40), outline=(120, 20, 10), width=0.8)
    sign.rect((5.3, 3.6, 6.7, 8), fill=(255, 255, 255))
    sign.rect((5.3, 9, 6.7, 10.2), fill=(255, 255, 255))
    paste(img, sign.result(), 5, 8)
    text_left(img, 21, 8.5, "Battery low", (0, 0, 0), "small")
    text_left(img, 21, 18.5, "Please charge", (90, 70, 20), "small")
    return img


def p_descbar(th):
    w, h = 220, 20
    img = new(w, h)
    tile = new(w, h + 8)
    panel(tile, (0, 0, w - 1, h + 7), shade(th["body"], 0.5), th["body2"], th["border"], 6)
    img.paste(tile.crop((0, 8, w, h + 8)), (0, 0))
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (0, h - 6)], fill=rgba(th["border"]))
    d.line([(w - 1, 0), (w - 1, h - 6)], fill=rgba(th["border"]))
    d.line([(6, h - 3), (w - 7, h - 3)], fill=rgba(th["accent"]))
    return img


MENU_ENTRIES = (("scan", "Program scan"), ("apps", "Applications"), ("emus", "Emulators"),
                ("ports", "Ports"), ("games", "Games"), ("system", "System"))


def p_startmenu(th):
    w, h = 118, 210
    img = new(w, h, th["body"])
    vgrad(img, (0, 0, w - 1, h - 1), shade(th["body"], 0.5), th["body2"])
    # the coloured strip along the left edge
    vgrad(img, (0, 0, 9, h - 1), th["accent"], th["accent_dark"])
    d = ImageDraw.Draw(img)
    d.line([(10, 0), (10, h - 1)], fill=rgba(shade(th["accent_dark"], -0.3)))
    for k, (icon, label) in enumerate(MENU_ENTRIES):
        y = 32 * k
        paste(img, draw_icon(icon, 22, th), 15, 14 + y)
        # each label inside its 65x20 highlight at (40, 14 + 32k) of the
        # picture: "Program scan", the widest (59 pixels of ink from x 43),
        # keeps a column clear of the highlight's frame on either side
        text_left(img, 43, 24.5 + y, label, th["ink"], "small")
        assert 43 + text_w(label, "small") <= 40 + 65 - 3, label
        if k < 5:
            d.line([(16, 40 + y), (108, 40 + y)], fill=rgba(shade(th["body2"], -0.12)))
            d.line([(16, 41 + y), (108, 41 + y)], fill=rgba(shade(th["body"], 0.7)))
    round_outline(img, (0, 0, w - 1, h + 10), 6, th["border"])
    d.line([(0, h - 1), (w - 1, h - 1)], fill=rgba(th["border"]))
    clip_round(img, (0, 0, w - 1, h + 10), 6)
    return img


def p_frame(th):
    """Frame around the 26x26 user picture at (5, 5), hugging it.  Its
    lower left corner is left out: the first start menu highlight, at
    (-47, 24) of the frame and 65 wide, reaches under it there, and the
    menu draws that highlight over the picture, whole."""
    img = new(35, 35)
    hi = Hi(35, 35)
    hi.rrect((3, 3, 32, 32), 3, fill=shade(th["accent_light"], 0.3), outline=th["accent_dark"], width=1)
    img = hi.result()
    rect(img, (4, 4, 30, 30), shade(th["accent_dark"], -0.3))
    img.paste(CLEAR, (0, 22, 19, 35))
    return img


def p_sidebar(th):
    w, h = 75, 240
    img = new(w, h)
    vgrad(img, (0, 0, w - 1, h - 1), th["side"][0], th["side"][1])
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (0, h - 1)], fill=rgba(th["side_line"]))
    d.line([(1, 0), (1, h - 1)], fill=rgba(shade(th["side_line"], 0.4)))
    for k in range(4):
        y = 51 + 50 * k + (1 if k == 3 else 0)
        d.line([(10, y), (66, y)], fill=rgba(mix(th["side"][0], th["side_line"], 0.6)))
    return img


def p_sidesel(th):
    hi = Hi(32, 32)
    hi.vgrad((0, 0, 32, 32), shade(th["hilite"], 0.55), th["hilite"], mask_round=6)
    hi.rrect((0, 0, 32, 32), 6, outline=th["hilite_dark"], width=1)
    hi.rrect((1, 1, 31, 31), 5, outline=shade(th["hilite"], 0.75), width=1)
    return hi.result()


def p_gph(th):
    w, h = 32, 16
    img = button_face(w, h, th["face"][0], th["face"][1], th["face_border"], 4, (255, 255, 255))
    hi = Hi(w, h)
    hi.rrect((6, 3, 26, 13), 3, fill=(60, 64, 76), outline=(20, 20, 26), width=0.9)
    hi.rect((11.5, 4.5, 20.5, 11.5), fill=shade(th["accent"], 0.35))
    hi.rect((7.8, 7.3, 10.2, 8.7), fill=(200, 204, 214))
    hi.rect((8.3, 6.8, 9.7, 9.2), fill=(200, 204, 214))
    hi.ellipse((22, 6, 24.5, 8.5), fill=(230, 80, 70))
    hi.ellipse((22, 9, 24.5, 11.5), fill=(250, 200, 50))
    paste(img, hi.result(), 0, 0)
    return img


def p_category(th, caption, icon):
    w, h = 280, 200
    img = window(w, h, th, caption, bar_h=25, icon=small_icon_for(icon, th))
    # the clock plate where the shell puts cpu.png and the link's MHz
    sunken(img, (166, 4, 228, 22), shade(th["field"], -0.02), shade(th["title"][1], -0.35), shade(th["field_border"], 0.4))
    square_button(img, 232, 5, th, "plus")
    close_box(img, 257, 5, th)
    square_button(img, 257, 26, th, "up")
    square_button(img, 257, 151, th, "down")
    sunken(img, (264, 47, 267, 147), th["body2"], shade(th["body2"], -0.2))
    # icon well and description line
    sunken(img, (5, 29, 252, 175), shade(th["field"], -0.01), th["field_border"], shade(th["field_border"], 0.5))
    sunken(img, (5, 177, 274, 195), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    return img


def small_icon_for(name, th):
    return draw_icon(name, 16, th) if name else None


SYS_ITEMS = (("users", "Users"), ("usb", "USB"), ("wallpaper", "Wallpaper"), ("files", "Files"),
             ("timer", "Power off"), ("brightness", "Brightness"), ("saver", "Screensaver"), ("skin", "Skin"))
SYS_SQUARES = ((29, 37), (85, 37), (140, 37), (194, 37), (29, 93), (85, 93), (140, 93), (194, 93))


def p_syswin(th):
    w, h = 260, 180
    img = window(w, h, th, "System", bar_h=25, icon=small_icon_for("system", th))
    close_box(img, 237, 5, th)
    sunken(img, (6, 30, 253, 146), shade(th["field"], -0.01), th["field_border"], shade(th["field_border"], 0.5))
    for (name, label), (x, y) in zip(SYS_ITEMS, SYS_SQUARES):
        paste(img, draw_icon(name, 32, th), x, y)
        text_centred(img, x + 16, y + 40, label, th["ink"], "small")
    sunken(img, (6, 150, 253, 172), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    return img


def p_expwin(th):
    w, h = 260, 180
    img = window(w, h, th, "Explorer", bar_h=24, icon=icon_folder(16))
    sunken(img, (152, 5, 205, 20), shade(th["field"], -0.02), shade(th["title"][1], -0.35), shade(th["field_border"], 0.4))
    folder_up_button(img, 210, 5, th)
    close_box(img, 237, 5, th)
    square_button(img, 237, 25, th, "up")
    square_button(img, 237, 157, th, "down")
    sunken(img, (240, 43, 249, 156), shade(th["body2"], -0.06), shade(th["body2"], -0.3))
    sunken(img, (9, 29, 235, 172), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    stripe = mix(th["field"], th["body2"], 0.35)
    for r in range(7):
        if r % 2:
            rect(img, (10, 32 + 20 * r - 1, 234, 32 + 20 * r + 18), stripe)
    return img


def folder_up_button(img, x, y, th):
    """The explorer's "up one directory" button: a folder with an arrow."""
    paste(img, button_face(17, 17, th["face"][0], th["face"][1], th["face_border"], 3, (255, 255, 255)), x, y)
    paste(img, icon_folder(12), x + 3, y + 4)
    hi = Hi(17, 17)
    hi.poly([(8.5, 2.5), (13, 7.5), (10, 7.5), (10, 11), (7, 11), (7, 7.5), (4, 7.5)],
            fill=th["accent"], outline=shade(th["accent_dark"], -0.3), width=0.8)
    paste(img, hi.result(), x, y)


def p_txtsel(th):
    img = new(207, 18)
    panel(img, (0, 0, 206, 17), shade(th["select_fill"], 0.35), th["select_fill"], th["select_border"], 3)
    clip_round(img, (0, 0, 206, 17), 3)
    return img


EXPROP_ITEMS = (("cut", "Cut"), ("copy", "Copy"), ("paste", "Paste"), ("delete", "Delete"),
                ("rename", "Rename"), ("user", "User picture"), ("wallpaper", "Wallpaper"))


def p_exprop(th):
    w, h = 94, 137
    img = new(w, h)
    panel(img, (0, 0, w - 1, h - 1), shade(th["body"], 0.5), th["body2"], th["border"], 4)
    vgrad(img, (1, 1, 19, h - 2), th["body2"], shade(th["body2"], -0.06))
    clip_round(img, (0, 0, w - 1, h - 1), 4)
    round_outline(img, (0, 0, w - 1, h - 1), 4, th["border"])
    for k, (icon, label) in enumerate(EXPROP_ITEMS):
        # highlight steps 19 pixels, touch rows 20: labels sit between the two
        cy = 10.25 + 19.5 * k
        paste(img, small_icon(icon, th), 3, int(round(cy - 8)))
        text_left(img, 29, cy, label, th["ink"], "label")
    return img


def p_propsel(th):
    """Row highlight: an accent bar at the left and a line under the row.

    The date window shows only the left 59 columns of it on its last row,
    so the highlight has no right edge to lose."""
    img = new(65, 15)
    d = ImageDraw.Draw(img)
    bar = Hi(4, 15)
    bar.rrect((0, 0, 4, 15), 1.5, fill=th["hilite"], outline=th["hilite_dark"], width=1)
    paste(img, bar.result(), 0, 0)
    d.line([(3, 13), (64, 13)], fill=rgba(th["hilite"]))
    d.line([(3, 14), (64, 14)], fill=rgba(th["hilite_dark"]))
    return img


def p_tick(th):
    hi = Hi(8, 8, ss=8)
    hi.line([(0.8, 4.2), (3, 6.6), (7.3, 1.2)], (30, 150, 40), 1.7)
    return hi.result()


PROP_ROWS = (("picture", "Icon"), ("delete", "Delete"), ("monitor", "Desktop"), ("title", "Title"),
             ("lines", "Description"), ("chip", "CPU clock"), (None, "Timing"), ("check", "OK"))


def p_properties(th):
    w, h = 94, 163
    img = new(w, h)
    panel(img, (0, 0, w - 1, h - 1), shade(th["body"], 0.5), th["body2"], th["border"], 4)
    vgrad(img, (1, 1, 20, h - 2), th["body2"], shade(th["body2"], -0.06))
    clip_round(img, (0, 0, w - 1, h - 1), 4)
    round_outline(img, (0, 0, w - 1, h - 1), 4, th["border"])
    for k, (icon, label) in enumerate(PROP_ROWS):
        top = 3 + 20 * k if k < 7 else 143
        cy = top + 7
        if icon:
            paste(img, small_icon(icon, th), 3, top - 1)
        text_left(img, 29, cy, label, th["ink"], "label" if label != "Description" else "small")
    tick_box(img, 5, 124, th, 12)   # check mark drawn at (7, 126)
    return img


def p_propfiles(th):
    """The two rows above the properties panel: a link's folder and its file
    types. Highlight at rel (2, 3 + 20k), touch rows (3, 3 + 20k, 63, 15)."""
    w, h = 68, 43
    img = new(w, h)
    panel(img, (0, 0, w - 1, h - 1), shade(th["body"], 0.5), th["body2"], th["border"], 4)
    clip_round(img, (0, 0, w - 1, h - 1), 4)
    round_outline(img, (0, 0, w - 1, h - 1), 4, th["border"])
    for k, label in enumerate(("Folder", "Types")):
        text_left(img, 9, 3 + 20 * k + 7, label, th["ink"], "label")
    return img


def p_player(th):
    """The sound player (60, 65): close (237, 70), name and status lines in a
    field, Play (80, 141, 70, 24) and Stop (170, 141, 70, 24)."""
    w, h = 200, 110
    img = window(w, h, th, "Sound", bar_h=25, icon=small_icon("speaker", th))
    close_box(img, 177, 5, th)
    sunken(img, (5, 29, 194, 71), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    for x0, label in ((20, "Play"), (110, "Stop")):
        push_button(img, (x0, 76, x0 + 70, 100), th, label)
    return img


def p_useredit(th):
    w, h = 280, 200
    img = window(w, h, th, "User accounts", bar_h=25, icon=small_icon_for("users", th))
    close_box(img, 257, 5, th)
    captions = ("Account", "Name", "Type", "Password", "Auto logon", "New user")
    for k, cap in enumerate(captions):
        y = 35 + 28 * k
        text_left(img, 24, y + 7, cap, th["ink"], "label")
        if k in (0, 2):
            square_button(img, 83, y, th, "left", 17, 17)
            square_button(img, 188, y, th, "right", 17, 17)
            sunken(img, (101, y, 186, y + 16), th["field"], th["field_border"], shade(th["field_border"], 0.5))
        elif k in (1, 3):
            sunken(img, (101, y, 204, y + 16), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    tick_box(img, 93, 149, th, 12)
    # the picture place (241, 53, 43, 43)
    sunken(img, (219, 31, 265, 77), th["field"], th["field_border"])
    rect(img, (220, 32, 264, 76), shade(th["body2"], -0.05))
    text_centred(img, 242, 84, "Picture", th["ink"], "small")
    push_button(img, (115, 173, 188, 191), th, "Delete")
    push_button(img, (195, 173, 268, 191), th, "OK", default=True)
    return img


def badge(img, cx, cy, letter, th):
    hi = Hi(15, 15)
    hi.ellipse((0.5, 0.5, 14.5, 14.5), fill=th["accent_dark"], outline=shade(th["accent_dark"], -0.4), width=1)
    hi.ellipse((2, 1.5, 13, 8), fill=shade(th["accent"], 0.1))
    hi.ellipse((2, 3.5, 13, 13.5), fill=th["accent_dark"])
    paste(img, hi.result(), int(cx - 7), int(cy - 7))
    text_centred(img, cx + 0.5, cy, letter, (255, 255, 255), "small")


def p_usbwin(th):
    w, h = 160, 120
    img = window(w, h, th, "USB connection", bar_h=25, icon=small_icon_for("usb", th))
    close_box(img, 137, 5, th)
    for k, (b, label) in enumerate((("A", "NAND"), ("B", "SD card"), ("X", "disconnect / close"))):
        cy = 39 + 18 * k
        badge(img, 16, cy, b, th)
        text_left(img, 28, cy, label, th["ink"], "label")
    sunken(img, (6, 94, 153, 113), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    return img


POWER_WINDOWS = {
    "autoffwin.png": ("Power off", "timer", ("Never", "2 min", "4 min", "6 min"), 28),
    "saverwin.png": ("Screensaver", "saver", ("Never", "10 sec", "30 sec", "1 min"), 28),
    "brightwin.png": ("Brightness", "brightness", ("Dim", "Low", "Medium", "Bright"), 30),
}


def p_powerwin(th, caption, icon, choices, step):
    w, h = 150, 165
    img = window(w, h, th, caption, bar_h=25, icon=small_icon_for(icon, th))
    close_box(img, 127, 5, th)
    sunken(img, (19, 31, 95, 142), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    for k, label in enumerate(choices):
        # the highlight steps by `step`, the touch rows by 30: centre between
        cy = 35 + (step + 30) / 2.0 * k + 9.5
        text_centred(img, 57.5, cy, label, th["ink"], "large")
        if icon == "brightness":
            for b in range(4):
                col = th["accent"] if b <= k else shade(th["body2"], -0.1)
                bh = 4 + 3 * b
                rect(img, (104 + 8 * b, int(cy) + 6 - bh, 109 + 8 * b, int(cy) + 6), col, shade(col, -0.35))
    if icon != "brightness":
        paste(img, draw_icon(icon, 32, th), 104, 56)
    push_button(img, (97, 141, 142, 157), th, "OK", default=True)
    return img


def p_calendar(th):
    w, h = 215, 175
    img = window(w, h, th, "Date and time", bar_h=12, caption_kind="small")
    labels = ("Day", "Month", "Year", "Clock", "Time")
    for k, label in enumerate(labels):
        y = 14 + 28 * k
        text_left(img, 20, y + 7, label, th["ink"], "label")
    for k in range(5):
        y = 14 + 28 * k
        right = 187 if k < 3 else 148
        if k == 4:
            # hour buttons peek out behind the minute buttons
            square_button(img, 75, 119, th, "left2", 13, 13)
            square_button(img, 160, 119, th, "right2", 13, 13)
        sunken(img, (100, y, right - 2, y + 16), th["field"], th["field_border"], shade(th["field_border"], 0.5))
        square_button(img, 82, y, th, "left", 17, 17)
        square_button(img, right, y, th, "right", 17, 17)
    push_button(img, (171, 132, 204, 151), th, "OK", default=True)
    sunken(img, (6, 153, 208, 168), th["field"], th["field_border"])
    return img


def p_skinwin(th):
    w, h = 300, 200
    img = window(w, h, th, "Select skin", bar_h=25, icon=small_icon_for("skin", th))
    close_box(img, 277, 5, th)
    for k, name in enumerate(SKINS):
        cy = 52.5 + 29.5 * k
        text_left(img, 17, cy, name, th["ink"], "large")
        t = THEMES[name]
        sw = new(22, 14)
        panel(sw, (0, 0, 21, 13), t["title"][0], t["title"][1], t["border"], 3)
        rect(sw, (3, 9, 18, 10), t["bar"][1])
        paste(img, sw, 84, int(cy - 7))
    text_left(img, 14, 150, "The shell restarts", th["ink"], "small")
    text_left(img, 14, 161, "to load a new skin.", th["ink"], "small")
    sunken(img, (168, 45, 289, 136), shade(th["body2"], -0.1), th["field_border"])
    text_centred(img, 228.5, 145, "Preview", th["ink"], "small")
    push_button(img, (197, 162, 286, 186), th, "OK", default=True)
    return img


def p_imgwin(th):
    w, h = 280, 200
    img = window(w, h, th, "Image viewer", bar_h=23, icon=small_icon("wallpaper", th))
    close_box(img, 257, 5, th)
    rect(img, (6, 24, 273, 169), (46, 48, 56), (20, 20, 26))
    tools = ((91, 170, 111, 190, "zoomin"), (130, 172, 152, 189, "play"),
             (170, 170, 190, 190, "zoomout"), (254, 172, 270, 188, "actual"))
    for x0, y0, x1, y1, kind in tools:
        bw, bh = x1 - x0 + 1, y1 - y0 + 1
        paste(img, button_face(bw, bh, th["face"][0], th["face"][1], th["face_border"], 4, (255, 255, 255)), x0, y0)
        hi = Hi(bw, bh)
        c = th["face_text"]
        if kind in ("zoomin", "zoomout"):
            hi.ellipse((4, 3.5, 14, 13.5), fill=(255, 255, 255), outline=c, width=1.6)
            hi.line([(12.5, 12), (17, 16.5)], c, 2.4)
            hi.rect((6.3, 7.9, 11.7, 9.1), fill=c)
            if kind == "zoomin":
                hi.rect((8.4, 5.8, 9.6, 11.2), fill=c)
        elif kind == "play":
            hi.poly([(8, 4), (8, 14), (16, 9)], fill=c)
        paste(img, hi.result(), x0, y0)
        if kind == "actual":
            text_centred(img, x0 + 8.5, y0 + 8, "1:1", c, "small")
    return img


def p_msgwin(th, caption, icon_name):
    w, h = 216, 154
    img = window(w, h, th, caption, bar_h=21, r=6)
    # the wide close button of the title bar (163, 1, 45, 18)
    close_box(img, 163, 1, th, 46, 19)
    paste(img, draw_icon(icon_name, 24, th), 96, 24)
    d = ImageDraw.Draw(img)
    d.line([(10, 102), (205, 102)], fill=rgba(shade(th["body2"], -0.15)))
    d.line([(10, 103), (205, 103)], fill=rgba(shade(th["body"], 0.6)))
    return img


def p_msgok(th):
    img = p_msgwin(th, "Message", "info")
    push_button(img, (80, 110, 139, 134), th, "OK", default=True)
    return img


def p_msgyesno(th):
    img = p_msgwin(th, "Question", "question")
    push_button(img, (35, 110, 94, 134), th, "Yes", default=True)
    push_button(img, (122, 110, 181, 134), th, "No")
    return img


def p_waitbox(th, label):
    w, h = 125, 42
    img = new(w, h)
    panel(img, (0, 0, w - 1, h - 1), shade(th["body"], 0.5), th["body2"], th["border"], 6, (255, 255, 255))
    clip_round(img, (0, 0, w - 1, h - 1), 6)
    round_outline(img, (0, 0, w - 1, h - 1), 6, th["border"])
    paste(img, draw_icon("hourglass", 18, th), 6, 12)
    text_left(img, 28, 20.5, label, th["ink"], "label")
    return img


KEYS = ("1234567890qwertyuiopasdfghjkl;zxcvbnm,./", "!@#$%^&*()QWERTYUIOPASDFGHJKL:ZXCVBNM-_?")


def key_pos(i):
    row, col = divmod(i, 10)
    x = (31 if row % 2 == 0 else 44) + 25 * col
    return x, 83 + 25 * row


# Keycap marks for ";" and ",": the font's own glyphs are ":" and "." with a
# single pixel more, too alike on a 20x20 key.  On the keys they get a tail
# that bends to the left, as on a printed keyboard (the fonts keep theirs).
KEYCAP_MARKS = {
    ";": (".##",
          ".##",
          "...",
          "...",
          "...",
          ".##",
          ".##",
          "..#",
          ".#.",
          "#.."),
    ",": (".##",
          ".##",
          "..#",
          ".#.",
          "#.."),
}


def keycap_label(img, cx, cy, ch, colour):
    """A key's label centred on (cx, cy); ";" and "," get their own marks."""
    rows = KEYCAP_MARKS.get(ch)
    if rows is None:
        text_centred(img, cx, cy, ch, colour, "large")
        return
    # the marks sit where the font puts its dots: on the base line of the caps
    base = int(round(cy - CAP_H["large"] / 2.0)) + CAP_H["large"] - 1
    top = base - 1 if ch == "," else base - 6
    left = int(round(cx - 1)) - 1   # the dots where the font has them
    for dy, row in enumerate(rows):
        for dx, cell in enumerate(row):
            if cell == "#":
                img.putpixel((left + dx, top + dy), rgba(colour))


def key_cap(w, h, th, lit=False):
    if lit:
        return button_face(w, h, shade(th["accent"], 0.3), th["accent_dark"], shade(th["accent_dark"], -0.5), 3,
                           shade(th["accent"], 0.6))
    return button_face(w, h, th["face"][0], th["face"][1], th["face_border"], 3, (255, 255, 255))


def p_keyboard(th, shift):
    """Full-screen keyboard.  The strip between Shift and Space stays
    transparent: the shell draws the screen beneath once when the keyboard
    has slid in, so a prompt written there (the logon's "Enter password:")
    stays readable while the user types."""
    img = new(320, 240)
    vgrad(img, (0, 20, 319, 239), shade(th["body2"], -0.05), shade(th["body2"], -0.22))
    rect(img, (0, 0, 64, 19), shade(th["body2"], -0.05))
    rect(img, (256, 0, 319, 19), shade(th["body2"], -0.05))
    d = ImageDraw.Draw(img)
    d.line([(65, 20), (255, 20)], fill=rgba(th["border"]))
    d.line([(65, 0), (65, 20)], fill=rgba(th["border"]))
    d.line([(255, 0), (255, 20)], fill=rgba(th["border"]))
    # text field (white text from (58, 45)) and backspace
    rect(img, (49, 38, 267, 66), shade(th["border"], -0.2), shade(th["border"], -0.5))
    vgrad(img, (51, 40, 265, 64), (28, 30, 38), (12, 12, 16))
    d.line([(51, 40), (265, 40)], fill=rgba((0, 0, 0)))
    text_left(img, 6, 52, "Text", th["ink"], "small")
    # keys
    tile = new(280, 112)
    panel(tile, (0, 0, 279, 111), shade(th["body2"], -0.28), shade(th["body2"], -0.36), shade(th["border"], 0.1), 6)
    paste(img, tile, 20, 76)
    for i, ch in enumerate(KEYS[shift]):
        x, y = key_pos(i)
        paste(img, key_cap(20, 20, th), x, y)
        keycap_label(img, x + 10, y + 9.5, ch, th["face_text"])
    for (x0, y0, x1, y1, label, lit) in ((0, 0, 64, 19, "Shift", shift == 1), (256, 0, 319, 19, "Space", False),
                                         (0, 221, 64, 239, "Cancel", False), (256, 221, 301, 236, "OK", False)):
        paste(img, key_cap(x1 - x0 + 1, y1 - y0 + 1, th, lit), x0, y0)
        colour = (255, 255, 255) if lit else th["face_text"]
        text_centred(img, (x0 + x1 + 1) / 2.0, (y0 + y1) / 2.0, label, colour, "large")
    paste(img, key_cap(29, 29, th), 271, 38)
    hi = Hi(29, 29)
    c = th["face_text"]
    hi.poly([(6, 14.5), (12, 8.5), (12, 12.5), (22, 12.5), (22, 16.5), (12, 16.5), (12, 20.5)], fill=c)
    paste(img, hi.result(), 271, 38)
    legend = "L  shift     R  space     X  erase"
    text_centred(img, 160, 229, legend, th["ink"], "small")
    # the bottom strip between Cancel and OK
    for x in (68, 252):
        d.line([(x, 223), (x, 236)], fill=rgba(shade(th["body2"], -0.4)))
    img.paste(CLEAR, (66, 0, 255, 20))
    return img


def p_scanwin(th):
    img = window(320, 240, th, "Program scan", bar_h=24, r=0, icon=small_icon_for("scan", th))
    close_box(img, 297, 5, th)
    text_left(img, 6, 34.5, "Dir", th["ink"], "label")
    sunken(img, (33, 26, 313, 42), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    sunken(img, (6, 44, 313, 212), th["field"], th["field_border"], shade(th["field_border"], 0.5))
    stripe = mix(th["field"], th["body2"], 0.35)
    for r in range(11):
        if r % 2:
            rect(img, (7, 46 + 15 * r, 312, 46 + 15 * r + 13), stripe)
    d = ImageDraw.Draw(img)
    d.line([(211, 45), (211, 211)], fill=rgba(shade(th["field_border"], 0.3)))
    x = 10
    for b, label in (("B", "Create links"), ("X", "Cancel"), ("", "Left/Right: category")):
        if b:
            badge(img, x + 7, 226, b, th)
            x += 17
        x = text_left(img, x, 226, label, th["ink"], "label") + 12
    return img


def p_scantextsel(th):
    # drawn over the row's text: a thin frame that keeps the letters clear
    return thin_frame(200, 14, th)


GPH_ITEMS = (("launcher", "Menu"), ("flash", "Flash"), ("photo", "Photo"), ("draw", "Draw"),
             ("ebook", "E-book"), ("music", "Music"), ("touch", "Touch"), ("video", "Video"))
GPH_BARS = ((13, 40), (13, 84), (13, 123), (13, 169), (63, 40), (63, 84), (63, 123), (63, 169))


def p_gphapps(th):
    w, h = 113, 195
    img = window(w, h, th, "Console apps", bar_h=13, caption_kind="small")
    for (icon, label), (bx, by) in zip(GPH_ITEMS, GPH_BARS):
        paste(img, draw_icon(icon, 24, th), bx + 6, by - 25)
        text_centred(img, bx + 18, by + 5, label, th["ink"], "small")
    return img


def p_preview(name, th, pics):
    desk = compose_desktop(name, wallpaper(name), mini=True, pics=pics)
    small = desk.convert("RGB").resize((118, 88), Image.LANCZOS)
    img = small.convert("RGBA")
    rect(img, (0, 0, 117, 87), None, th["border"])
    return img


def skin_pictures(name):
    th = THEMES[name]
    pics = {}
    for kind in ("large", "small"):
        for ink_name, ink in (("black", (0, 0, 0)), ("white", (255, 255, 255))):
            fname = ("font_%s.png" if kind == "large" else "smallfont_%s.png") % ink_name
            pics[fname] = font_strip(kind, ink)
    pics["bottombar.png"] = p_bottombar(th)
    pics["startbutton.png"] = p_startbutton(th)
    for lv in range(1, 5):
        pics["battery/%d.png" % lv] = battery(lv)
    pics["battery/warning.png"] = p_warning(th)
    pics["dsel.png"] = selection_frame(40, 40, th, r=7, thick=3)
    pics["cpu.png"] = small_icon("chip", th)
    pics["delete.png"] = small_icon("delete", th)
    pics["gph.png"] = p_gph(th)
    pics["speaker.png"] = small_icon("speaker", th)
    pics["mute.png"] = small_icon("mute", th)
    pics["descbar.png"] = p_descbar(th)
    pics["startmenu.png"] = p_startmenu(th)
    pics["ssel.png"] = selection_frame(65, 20, th, r=5, thick=1)
    pics["frame.png"] = p_frame(th)
    pics["sidebar.png"] = p_sidebar(th)
    pics["disk.png"] = draw_icon("sd", 32, th)
    pics["logoff.png"] = draw_icon("logoff", 32, th)
    pics["shutdown.png"] = draw_icon("power", 32, th)
    pics["sidesel.png"] = p_sidesel(th)
    pics["sel.png"] = selection_frame(32, 32, th, r=6)
    pics["menu.png"] = small_icon("menu", th)
    pics["genericico.png"] = draw_icon("program", 32, th)
    for fname, cap, icon in (("appswin.png", "Applications", "apps"), ("emuswin.png", "Emulators", "emus"),
                             ("portswin.png", "Ports", "ports"), ("gameswin.png", "Games", "games")):
        pics[fname] = p_category(th, cap, icon)
    pics["syswin.png"] = p_syswin(th)
    pics["expwin.png"] = p_expwin(th)
    pics["txtsel.png"] = p_txtsel(th)
    pics["exprop.png"] = p_exprop(th)
    pics["propsel.png"] = p_propsel(th)
    pics["tick.png"] = p_tick(th)
    pics["properties.png"] = p_properties(th)
    pics["propfiles.png"] = p_propfiles(th)
    pics["player.png"] = p_player(th)
    pics["useredit.png"] = p_useredit(th)
    pics["usbwin.png"] = p_usbwin(th)
    for fname, args in POWER_WINDOWS.items():
        pics[fname] = p_powerwin(th, *args)
    pics["calendar.png"] = p_calendar(th)
    pics["skinwin.png"] = p_skinwin(th)
    pics["imgwin.png"] = p_imgwin(th)
    pics["lmsg.png"] = p_waitbox(th, "Loading...")
    pics["slmsg.png"] = p_waitbox(th, "Reading pictures...")
    pics["wait.png"] = p_waitbox(th, "Please wait...")
    pics["msgok.png"] = p_msgok(th)
    pics["msgyesno.png"] = p_msgyesno(th)
    pics["keyboard1.png"] = p_keyboard(th, 0)
    pics["keyboard2.png"] = p_keyboard(th, 1)
    pics["ksel.png"] = selection_frame(20, 20, th, r=4)
    pics["scanwin.png"] = p_scanwin(th)
    pics["scantextsel.png"] = p_scantextsel(th)
    pics["gphapps.png"] = p_gphapps(th)
    pics["gphsel.png"] = thin_frame(36, 11, th)
    pics["preview.png"] = p_preview(name, th, pics)
    return pics


# ================================================================ wallpapers
# Painted at twice the size and reduced, then written with a dithered
# 255-colour palette.  They stay light in the icon area because the shell
# writes the selected icon's label in black on them.

WS = 2


def _canvas(top, bottom):
    img = Image.new("RGB", (320 * WS, 240 * WS))
    vgrad(img, (0, 0, 320 * WS - 1, 240 * WS - 1), top, bottom)
    return img


def _blend_shape(img, draw_fn, colour, alpha):
    """Paints a shape (drawn into a mask by draw_fn) with a translucent colour."""
    m = Image.new("L", img.size, 0)
    draw_fn(ImageDraw.Draw(m))
    m = m.point(lambda v: int(v * alpha))
    img.paste(colour, (0, 0), m)


def _glow(img, cx, cy, radius, colour, strength):
    m = Image.new("L", img.size, 0)
    px = m.load()
    r2 = radius * radius
    x0, x1 = max(0, int(cx - radius)), min(img.size[0], int(cx + radius) + 1)
    y0, y1 = max(0, int(cy - radius)), min(img.size[1], int(cy + radius) + 1)
    for y in range(y0, y1):
        for x in range(x0, x1):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if d2 < r2:
                px[x, y] = int(255 * strength * (1 - math.sqrt(d2) / radius) ** 2)
    img.paste(colour, (0, 0), m)


def _ribbon(y_of_x, thick, W):
    def fn(d):
        top = [(x, y_of_x(x)) for x in range(0, W + 1, 4)]
        bottom = [(x, y_of_x(x) + thick(x)) for x in range(W, -1, -4)]
        d.polygon(top + bottom, fill=255)
    return fn


def wall_blue():
    W, H = 320 * WS, 240 * WS
    img = _canvas((196, 222, 246), (112, 160, 222))
    _glow(img, 80 * WS, 40 * WS, 170 * WS, (240, 248, 255), 0.7)
    for k, (amp, ph, base, th_, col, a) in enumerate((
            (18, 0.0, 150, 40, (255, 255, 255), 0.22), (24, 1.3, 165, 26, (70, 120, 205), 0.22),
            (14, 2.4, 182, 34, (255, 255, 255), 0.18), (20, 0.7, 200, 60, (40, 90, 180), 0.25))):
        fn = _ribbon(lambda x, amp=amp, ph=ph, base=base: (base + amp * math.sin(x / (52.0 * WS) + ph)
                                                            + 10 * math.sin(x / (19.0 * WS) + ph * 2)) * WS,
                     lambda x, th_=th_, ph=ph: (th_ + 8 * math.sin(x / (40.0 * WS) + ph)) * WS, W)
        _blend_shape(img, fn, col, a)
    rng = random.Random(7)
    for _ in range(26):
        x, y, r = rng.uniform(0, W), rng.uniform(0, H * 0.75), rng.uniform(4, 22) * WS
        _blend_shape(img, lambda d, x=x, y=y, r=r: d.ellipse([x - r, y - r, x + r, y + r], fill=255),
                     (255, 255, 255), rng.uniform(0.08, 0.2))
    return img.resize((320, 240), Image.LANCZOS)


def wall_gold():
    W, H = 320 * WS, 240 * WS
    img = _canvas((255, 242, 206), (236, 176, 84))
    _glow(img, 250 * WS, 70 * WS, 160 * WS, (255, 252, 228), 0.9)
    _blend_shape(img, lambda d: d.ellipse([226 * WS, 46 * WS, 274 * WS, 94 * WS], fill=255), (255, 236, 160), 0.8)
    layers = ((150, 14, 0.0, (246, 196, 110), 0.55), (172, 12, 1.9, (232, 160, 70), 0.55),
              (192, 16, 3.1, (214, 136, 48), 0.5), (212, 10, 4.0, (190, 110, 30), 0.45))
    for base, amp, ph, col, a in layers:
        fn = _ribbon(lambda x, base=base, amp=amp, ph=ph: (base + amp * math.sin(x / (60.0 * WS) + ph)) * WS,
                     lambda x: H, W)
        _blend_shape(img, fn, col, a)
    rng = random.Random(3)
    for _ in range(40):
        x, y = rng.uniform(0, W), rng.uniform(0, H * 0.6)
        r = rng.uniform(1, 2.5) * WS
        _blend_shape(img, lambda d, x=x, y=y, r=r: d.ellipse([x - r, y - r, x + r, y + r], fill=255),
                     (255, 255, 240), rng.uniform(0.2, 0.5))
    return img.resize((320, 240), Image.LANCZOS)


def wall_zelda():
    W, H = 320 * WS, 240 * WS
    img = _canvas((176, 218, 240), (232, 242, 214))
    _glow(img, 60 * WS, 30 * WS, 120 * WS, (255, 255, 236), 0.6)
    rng = random.Random(5)
    # clouds
    for cx, cy in ((70, 40), (210, 28), (285, 62)):
        for _ in range(6):
            x = (cx + rng.uniform(-22, 22)) * WS
            y = (cy + rng.uniform(-5, 5)) * WS
            r = rng.uniform(9, 15) * WS
            _blend_shape(img, lambda d, x=x, y=y, r=r: d.ellipse([x - r * 1.4, y - r * 0.7, x + r * 1.4, y + r * 0.7], fill=255),
                         (255, 255, 255), 0.5)
    # far mountains
    pts = [(0, H)]
    for x in range(0, W + 1, 8):
        y = (112 - 26 * abs(math.sin(x / (70.0 * WS))) - 10 * math.sin(x / (23.0 * WS))) * WS
        pts.append((x, y))
    pts.append((W, H))
    _blend_shape(img, lambda d: d.polygon(pts, fill=255), (140, 176, 196), 0.8)
    # a keep on the far hill
    def keep(d):
        bx, by = 236 * WS, 104 * WS
        d.rectangle([bx, by - 20 * WS, bx + 22 * WS, by + 8 * WS], fill=255)
        d.rectangle([bx + 7 * WS, by - 34 * WS, bx + 15 * WS, by], fill=255)
        for k in range(4):
            d.rectangle([bx + k * 6 * WS, by - 24 * WS, bx + k * 6 * WS + 3 * WS, by - 19 * WS], fill=255)
        d.polygon([(bx + 5 * WS, by - 34 * WS), (bx + 11 * WS, by - 44 * WS), (bx + 17 * WS, by - 34 * WS)], fill=255)
    _blend_shape(img, keep, (110, 130, 150), 0.85)
    # rolling hills, light to darker towards the front
    for base, amp, per, ph, col in ((130, 10, 80, 0.5, (150, 200, 110)), (154, 12, 64, 2.0, (126, 186, 90)),
                                    (182, 10, 90, 3.5, (110, 172, 76)), (210, 8, 70, 1.0, (98, 160, 66))):
        hill = [(0, H)] + [(x, (base + amp * math.sin(x / (per * WS) + ph)) * WS) for x in range(0, W + 1, 6)] + [(W, H)]
        _blend_shape(img, lambda d, hill=hill: d.polygon(hill, fill=255), col, 1.0)
        for _ in range(5):
            tx = rng.uniform(0, W)
            ty = (base + amp * math.sin(tx / (per * WS) + ph)) * WS
            r = rng.uniform(5, 9) * WS
            _blend_shape(img, lambda d, tx=tx, ty=ty, r=r: (d.rectangle([tx - r * 0.15, ty - r * 0.6, tx + r * 0.15, ty + r * 0.2], fill=255)),
                         (110, 80, 40), 1.0)
            _blend_shape(img, lambda d, tx=tx, ty=ty, r=r: d.ellipse([tx - r, ty - r * 2.2, tx + r, ty - r * 0.4], fill=255),
                         shade(col, -0.28), 1.0)
    # a path winding to the front
    path = [(150 * WS, 132 * WS), (158 * WS, 132 * WS), (200 * WS, 240 * WS), (130 * WS, 240 * WS)]
    _blend_shape(img, lambda d: d.polygon(path, fill=255), (224, 206, 150), 0.75)
    return img.resize((320, 240), Image.LANCZOS)


def wall_lagoon():
    W, H = 320 * WS, 240 * WS
    img = _canvas((178, 236, 232), (70, 170, 186))
    m = Image.new("L", img.size, 0)
    px = m.load()
    for y in range(0, H):
        for x in range(0, W):
            u = x / float(WS)
            v = y / float(WS)
            a = math.sin(u / 9.0 + 1.8 * math.sin(v / 15.0))
            b = math.sin(v / 8.0 + 1.6 * math.sin(u / 19.0))
            c = 1.0 - abs(a + b) / 2.0
            if c > 0.82:
                px[x, y] = int(min(1.0, (c - 0.82) / 0.18) * 110 * (0.55 + 0.45 * (1 - v / 240.0)))
    img.paste((236, 255, 252), (0, 0), m)
    _glow(img, 160 * WS, -40 * WS, 200 * WS, (255, 255, 255), 0.5)
    return img.resize((320, 240), Image.LANCZOS)


def wall_mosaic():
    rng = random.Random(21)
    img = Image.new("RGB", (320 * WS, 240 * WS))
    d = ImageDraw.Draw(img)
    step = 40 * WS
    cols, rows = 10, 8
    pts = [[(c * step + (rng.uniform(-12, 12) * WS if 0 < c < cols - 1 else 0) - 10 * WS,
             r * step + (rng.uniform(-12, 12) * WS if 0 < r < rows - 1 else 0) - 10 * WS)
            for c in range(cols)] for r in range(rows)]
    palette = ((198, 216, 240), (214, 204, 236), (236, 214, 226), (206, 232, 222), (232, 226, 200))
    for r in range(rows - 1):
        for c in range(cols - 1):
            a, b, cc, dd = pts[r][c], pts[r][c + 1], pts[r + 1][c], pts[r + 1][c + 1]
            for tri in ((a, b, dd), (a, dd, cc)):
                base = palette[(r * 3 + c * 2 + (tri[1] == b)) % len(palette)]
                t = (tri[0][1] + tri[1][1] + tri[2][1]) / (3.0 * 240 * WS)
                col = shade(base, 0.25 - 0.35 * t + rng.uniform(-0.06, 0.06))
                d.polygon(tri, fill=col)
                d.line(list(tri) + [tri[0]], fill=shade(base, 0.45), width=WS)
    return img.resize((320, 240), Image.LANCZOS)


def wall_petals():
    W, H = 320 * WS, 240 * WS
    img = _canvas((250, 226, 236), (200, 186, 232))
    rng = random.Random(13)
    for _ in range(34):
        x, y = rng.uniform(-20, 340) * WS, rng.uniform(-20, 260) * WS
        r = rng.uniform(10, 40) * WS
        col = rng.choice(((255, 255, 255), (236, 150, 190), (170, 140, 220), (255, 210, 226)))
        _blend_shape(img, lambda d, x=x, y=y, r=r: d.ellipse([x - r, y - r * 0.62, x + r, y + r * 0.62], fill=255),
                     col, rng.uniform(0.12, 0.3))
    return img.resize((320, 240), Image.LANCZOS)


WALLPAPERS = {"Blue": wall_blue, "Gold": wall_gold, "Zelda": wall_zelda,
              "Lagoon": wall_lagoon, "Mosaic": wall_mosaic, "Petals": wall_petals}
_wall_cache = {}


def wallpaper(name):
    if name not in _wall_cache:
        _wall_cache[name] = WALLPAPERS[name]().convert("RGBA")
    return _wall_cache[name]


# ============================================================ shared pictures

DISPLAY_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def display_text(img, cx, y, s, size, colour, shadow=None):
    """Large antialiased titles on opaque backgrounds (logon, welcome, shut-down)."""
    from PIL import ImageFont
    try:
        font = ImageFont.truetype(DISPLAY_FONT, size)
    except OSError:
        text_centred(img, cx, y + size / 2, s, colour, "large", shadow)
        return
    d = ImageDraw.Draw(img)
    w = d.textlength(s, font=font)
    if shadow:
        d.text((cx - w / 2 + 1, y + 2), s, font=font, fill=rgba(shadow))
    d.text((cx - w / 2, y), s, font=font, fill=rgba(colour))


def _flatten(img):
    """Drops any alpha left by antialiased text on an opaque picture."""
    out = Image.new("RGBA", img.size, (0, 0, 0, 255))
    out.paste(img.convert("RGB"), (0, 0))
    return out


def stage_background(top=(26, 44, 96), bottom=(6, 12, 34)):
    img = Image.new("RGB", (320 * WS, 240 * WS))
    vgrad(img, (0, 0, 320 * WS - 1, 240 * WS - 1), top, bottom)
    _glow(img, 160 * WS, 112 * WS, 150 * WS, (70, 110, 200), 0.55)
    rng = random.Random(17)
    for _ in range(60):
        x, y = rng.uniform(0, 320 * WS), rng.uniform(30 * WS, 240 * WS)
        r = rng.uniform(0.6, 1.6) * WS
        _blend_shape(img, lambda d, x=x, y=y, r=r: d.ellipse([x - r, y - r, x + r, y + r], fill=255),
                     (200, 220, 255), rng.uniform(0.2, 0.6))
    return img.resize((320, 240), Image.LANCZOS).convert("RGBA")


def picture_frame(img):
    """Frame around the account picture the shell draws at (135, 89), 44x44."""
    hi = Hi(52, 52)
    hi.rrect((0, 0, 52, 52), 7, fill=(232, 240, 252), outline=(8, 16, 40), width=1)
    hi.rrect((2, 2, 50, 50), 5, fill=(120, 150, 210))
    hi.rect((3, 3, 49, 49), fill=(20, 30, 60))
    paste(img, hi.result(), 131, 85)


def name_plate(img, y0=141, y1=163):
    tile = new(180, y1 - y0 + 1)
    panel(tile, (0, 0, 179, y1 - y0), (14, 24, 58), (6, 10, 28), (90, 120, 190), 10)
    paste(img, tile, 65, y0)


def round_button(img, x, y, direction):
    hi = Hi(30, 30)
    hi.ellipse((0.5, 0.5, 29.5, 29.5), fill=(58, 98, 182), outline=(170, 200, 250), width=1.2)
    hi.ellipse((3, 2, 27, 16), fill=(96, 140, 220))
    hi.ellipse((3, 6, 27, 28), fill=(58, 98, 182))
    arrow_glyph(hi, 15 + (-1 if direction == "left" else 1), 15, 7, direction, (255, 255, 255))
    paste(img, hi.result(), x, y)


def p_logon():
    img = stage_background()
    # keep the top strip plain: the shell writes "Enter password:" at (100, 0)
    display_text(img, 160, 26, "Korvo", 30, (240, 246, 255), (4, 8, 24))
    text_centred(img, 160, 70, "Choose your account", (176, 198, 236), "small")
    round_button(img, 91, 96, "left")
    round_button(img, 196, 96, "right")
    picture_frame(img)
    name_plate(img)
    text_centred(img, 160, 206, "Left / Right: choose account", (176, 198, 236), "small")
    text_centred(img, 160, 219, "B or tap the picture: log on", (176, 198, 236), "small")
    return _flatten(img)


def p_welcome():
    img = stage_background((34, 60, 120), (8, 16, 44))
    display_text(img, 160, 34, "Welcome", 28, (255, 236, 170), (4, 8, 24))
    picture_frame(img)
    name_plate(img)
    text_centred(img, 160, 184, "Loading your desktop...", (190, 210, 244), "small")
    # the shell blacks out (195, 227, 125, 13) for its credit line
    rect(img, (0, 224, 319, 239), (0, 0, 0))
    d = ImageDraw.Draw(img)
    d.line([(0, 223), (319, 223)], fill=(70, 100, 170, 255))
    return _flatten(img)


def p_shutdown():
    img = stage_background((30, 30, 44), (4, 4, 8))
    hi = Hi(72, 72)
    hi.ellipse((1, 1, 71, 71), fill=(60, 20, 18), outline=(240, 110, 90), width=2)
    hi.arc((18, 18, 54, 54), 300, 240, (250, 120, 100), 6)
    hi.line([(36, 10), (36, 36)], (250, 120, 100), 6)
    paste(img, hi.result(), 124, 56)
    display_text(img, 160, 142, "Shutting down", 20, (236, 236, 244), (0, 0, 0))
    text_centred(img, 160, 182, "Your settings are saved. Goodbye!", (170, 170, 190), "small")
    return _flatten(img)


def avatar(bg_top, bg_bottom, body, badge_kind=None):
    hi = Hi(64, 64, ss=4)
    hi.vgrad((0, 0, 64, 64), bg_top, bg_bottom)
    hi.ellipse((-20, 2, 84, 40), fill=shade(bg_top, 0.15))
    hi.vgrad((0, 20, 64, 64), mix(bg_top, bg_bottom, 0.3), bg_bottom)
    hi.ellipse((21, 11, 43, 35), fill=body, outline=shade(body, -0.35), width=1)
    hi.pieslice((8, 38, 56, 90), 180, 360, fill=body)
    hi.arc((8, 38, 56, 90), 180, 360, shade(body, -0.35), 1)
    if badge_kind == "star":
        pts = []
        for k in range(10):
            a = k * math.pi / 5 - math.pi / 2
            r = 9 if k % 2 == 0 else 4
            pts.append((51 + r * math.cos(a), 13 + r * math.sin(a)))
        hi.poly(pts, fill=(255, 210, 50), outline=(150, 90, 0), width=1)
    elif badge_kind == "leaf":
        hi.ellipse((42, 4, 60, 22), fill=(250, 250, 240), outline=(60, 110, 60), width=1)
        hi.poly([(45, 18), (51, 7), (57, 10), (55, 16)], fill=(80, 170, 80))
    return hi.result()


def p_default_pic():
    return avatar((120, 160, 220), (40, 70, 140), (236, 240, 248))


def p_admin_pic():
    return avatar((230, 130, 80), (140, 50, 30), (252, 242, 230), "star")


def p_guest_pic():
    return avatar((120, 200, 160), (30, 110, 90), (240, 250, 244), "leaf")


def shared_pictures():
    pics = {"icondatabase/folder.png": icon_folder(16), "icondatabase/file.png": icon_file()}
    for t in ("gpe", "gpu", "bmp", "png", "txt", "gif", "jpg", "mp3", "wav"):
        pics["icondatabase/%s.png" % t] = icon_typed(t)
    pics["logon.png"] = p_logon()
    pics["welcome.png"] = p_welcome()
    pics["shutdown.png"] = p_shutdown()
    pics["pic.png"] = p_default_pic()
    return pics


# ====================================================== the shell, simulated
# Used for the preview pictures and the contact sheet: draws skin pictures
# the way the shell does (colour-keyed blits, text from the font strips with
# a lead of 3 pixels).

class Screen:
    def __init__(self, pics, base=None):
        self.pics = pics
        self.img = base.copy() if base is not None else new(320, 240, (0, 0, 0))

    def blit(self, src, x, y, area=None):
        if isinstance(src, str):
            src = self.pics[src]
        if area:
            src = src.crop((area[0], area[1], area[0] + area[2], area[1] + area[3]))
        paste(self.img, src, x, y)

    def text(self, x, y, s, white=0, small=False):
        strip = self.pics[("smallfont_%s.png" if small else "font_%s.png") % ("white" if white else "black")]
        pitch, size = (10, 9) if small else (16, 15)
        adv = glyphs.SMALL_ADVANCE if small else glyphs.LARGE_ADVANCE
        pen, last = 3, glyphs.CHARSET.index(" ")
        for ch in s[:30 if small else 50]:
            i = glyphs.CHARSET.find(ch)
            last = i if i >= 0 else last
            self.blit(strip, x + pen, y, (pitch * last, 1, size, size))
            pen += adv[last]

    def width(self, s, small=False):
        adv = glyphs.SMALL_ADVANCE if small else glyphs.LARGE_ADVANCE
        return sum(adv[glyphs.CHARSET.find(c)] for c in s if glyphs.CHARSET.find(c) >= 0)


SAMPLE_LINKS = (("Blocks", "Falling blocks, fast and tidy", "533"), ("Chess", "Two players or against the console", "400"),
                ("DrumPad", "Tap out a beat", "300"), ("Atlas", "Maps of the world", "533"),
                ("Painter", "Draw with the stylus", "350"), ("Snake", "Classic snake", "200"),
                ("Sokoban", "Push the crates home", "266"))


def compose_desktop(skin, wall, mini=False, pics=None, selected=1, count=6):
    pics = pics or _skin_cache(skin)
    sc = Screen(pics, wall)
    sc.blit("bottombar.png", 0, 220)
    sc.blit("startbutton.png", 1, 221)
    sc.blit("battery/1.png", 250, 222)
    sc.blit("speaker.png", 218, 222)
    sc.blit("gph.png", 90, 222)
    sc.text(270, 223, "09:41", 1)
    sc.text(271, 223, "09:41", 1)
    sc.text(234, 227, "50", 1, small=True)
    for i in range(count):
        c, r = divmod(i, 4)
        if i == selected and not mini:
            sc.blit("dsel.png", 51 * c + 6, 49 * r + 20)
            label = SAMPLE_LINKS[i][0][:9]
            w = sc.width(label, True) // 2
            sc.text(51 * c - w + 23, 49 * r + 60, label, 0, True)
            sc.blit("cpu.png", 165, 222)
            sc.text(181, 223, SAMPLE_LINKS[i][2], 1)
            sc.blit("delete.png", 140, 222)
        sc.blit("genericico.png", 51 * c + 10, 49 * r + 24)
    return sc.img


_skin_pics = {}


def _skin_cache(skin):
    if skin not in _skin_pics:
        _skin_pics[skin] = skin_pictures(skin)
    return _skin_pics[skin]


def _alpha_blit(dst, src, x, y, alpha):
    """Per-surface alpha as the shell uses for the sidebar."""
    region = dst.crop((x, y, x + src.size[0], y + src.size[1])).convert("RGB")
    mixed = Image.blend(region, src.convert("RGB"), alpha / 255.0)
    dst.paste(mixed, (x, y))


def mock_screens(skin):
    """Screens as the shell would draw them, for judging the pictures in place."""
    pics = _skin_cache(skin)
    wall = wallpaper(skin)
    user_pic = p_admin_pic()
    out = []

    def desk(sel=1, count=6):
        return Screen(pics, compose_desktop(skin, wall, pics=pics, selected=sel, count=count))

    sc = desk()
    sc.blit("descbar.png", 50, 0)
    d = SAMPLE_LINKS[1][1]
    sc.text(160 - sc.width(d) // 2, 2, d)
    out.append(("desktop", sc.img))

    sc = desk(4, 7)
    sc.blit("msgok.png", 52, 43)
    sc.text(67, 93, "Copy a file first.")
    sc.blit("battery/4.png", 250, 222)
    sc.blit("battery/warning.png", 236, 185)
    out.append(("message", sc.img))

    sc = desk(count=6)
    sc.blit("startmenu.png", 0, 10)
    sc.blit("ssel.png", 40, 32 * 1 + 24)
    sc.blit("frame.png", 87, 0)
    sc.blit(user_pic.resize((26, 26), Image.NEAREST), 92, 5)
    out.append(("start menu", sc.img))

    sc = Screen(pics, compose_desktop(skin, wall, pics=pics, selected=-1))
    _alpha_blit(sc.img, pics["sidebar.png"], 245, 0, 150)
    sc.blit("sidesel.png", 267, 50 * 2 + 3)
    for k, (icon, label) in enumerate((("disk.png", "SD"), ("disk.png", "NAND"), ("logoff.png", "Logoff"),
                                       ("shutdown.png", "ShutDown"))):
        sc.blit(icon, 267, 50 * k + 3)
        sc.text(280 - sc.width(label) // 2, 50 * k + 38, label, 1 if skin == "Blue" else 0)
    out.append(("sidebar", sc.img))

    def category(sel, props=False):
        sc = desk(-1)
        sc.blit("appswin.png", 20, 20)
        sc.blit("gph.png", 90, 222)
        for n, (title, desc, mhz) in enumerate(SAMPLE_LINKS):
            k, r = n % 5, n // 5
            sc.blit("genericico.png", 35 + 51 * k, 55 + 49 * r)
            lab = title[:9]
            sc.text(51 * k + 48 - sc.width(lab, True) // 2, 49 * r + 88, lab, 0, True)
            if n == sel:
                sc.blit("sel.png", 35 + 51 * k, 55 + 49 * r)
                if sc.width(desc) < 251:
                    sc.text(26, 197, desc)
                else:
                    sc.text(26, 200, desc, 0, True)
                sc.blit("menu.png", 200, 222)
                sc.blit("cpu.png", 190, 26)
                sc.text(207, 26, mhz)
        return sc

    out.append(("applications", category(1).img))
    sc = category(3, True)
    sc.blit("properties.png", 208, 68)
    sc.blit("propsel.png", 231, 71 + 20 * 4)
    sc.blit("tick.png", 215, 194)
    out.append(("properties", sc.img))

    sc = desk(-1)
    sc.blit("useredit.png", 20, 20)
    sc.blit("propsel.png", 37, 55 + 28 * 3)
    sc.blit(user_pic.resize((43, 43), Image.NEAREST), 241, 53)
    sc.blit("tick.png", 115, 171)
    for y, t in ((56, "admin"), (84, "admin"), (112, "admin"), (140, "secret")):
        sc.text(120, y, t)
    out.append(("user accounts", sc.img))

    def system(sel=None):
        sc = desk(-1)
        sc.blit("syswin.png", 30, 30)
        if sel is not None:
            names = ("Manage user accounts", "Open USB connection", "Change wallpaper", "Explore files",
                     "Set shutdown interval", "Set brightness level", "Set screensaver interval", "Select skin")
            sc.text(40, 183, names[sel])
            x, y = SYS_SQUARES[sel]
            sc.blit("sel.png", x + 30, y + 30)
        return sc

    out.append(("system", system(5).img))
    sc = system()
    sc.blit("autoffwin.png", 85, 38)
    sc.blit("ssel.png", 110, 73 + 28 * 3)
    out.append(("power off", sc.img))
    sc = system()
    sc.blit("brightwin.png", 85, 38)
    sc.blit("ssel.png", 110, 73 + 30 * 2)
    out.append(("brightness", sc.img))
    sc = system()
    sc.blit("usbwin.png", 80, 60)
    sc.text(88, 158, "SD connected")
    out.append(("usb", sc.img))

    def explorer(sel=2):
        sc = desk(-1)
        sc.blit("expwin.png", 30, 30)
        names = ["games", "music", "photos", "Blocks.gpe", "notes.txt", "sky.png", "theme.wav"]
        sc.blit("txtsel.png", 58, 62 + 20 * sel)
        for r, nm in enumerate(names):
            sc.text(58, 63 + 20 * r, nm)
            ext = nm.split(".")[-1] if "." in nm else None
            src = SHARED_CACHE["icondatabase/%s.png" % ext] if ext else SHARED_CACHE["icondatabase/folder.png"]
            sc.blit(src, 42, 63 + 20 * r)
        pages = 3
        h = 116 // pages
        rect(sc.img, (271, 71 + h * 0, 278, 71 + h - 1), (0, 0, 255))
        sc.blit("menu.png", 200, 222)
        sc.text(185, 40, "Page 1/3", 0, True)
        return sc

    out.append(("explorer", explorer().img))
    sc = explorer(2)
    sc.blit("exprop.png", 68, 65 + 40)
    sc.blit("propsel.png", 68 + 23, 65 + 40 + 19 * 5 + 3)
    out.append(("operations", sc.img))

    sc = explorer(5)
    sc.blit("imgwin.png", 20, 20)
    picture = wallpaper("Zelda" if skin != "Zelda" else "Blue").resize((186, 140), Image.LANCZOS)
    sc.blit(picture, 20 + 140 - 93, 20 + 97 - 70)
    out.append(("image viewer", sc.img))

    sc = category(2)
    sc.blit("msgyesno.png", 52, 43)
    sc.text(67, 93, "Delete link?")
    out.append(("question", sc.img))

    sc = explorer(3)
    sc.blit("keyboard1.png", 0, 0)
    x, y = key_pos(12)
    sc.blit("ksel.png", x, y)
    sc.text(58, 45, "Blocks", 1)
    out.append(("keyboard", sc.img))

    sc = Screen(pics, SHARED_CACHE["logon.png"])
    sc.text(100, 0, "Enter password:", 1)
    sc.blit("keyboard2.png", 0, 0)
    x, y = key_pos(27)
    sc.blit("ksel.png", x, y)
    sc.text(58, 45, "Open Sesame", 1)
    out.append(("keyboard, shift", sc.img))

    sc = desk(-1)
    sc.blit("scanwin.png", 0, 0)
    progs = [("Blocks.gpe", "Games"), ("chess.gpe", "(none)"), ("gpsp.gpe", "Emulators"), ("atlas.gpe", "Applications"),
             ("quake.gpe", "Ports"), ("paint.gpu", "(none)"), ("Snake.gpe", "Games"), ("sokoban.gpe", "Games"),
             ("mame.gpe", "Emulators"), ("reader.gpu", "Applications"), ("doom.gpe", "Ports")]
    for r, (f, c) in enumerate(progs):
        sc.text(10, 45 + 15 * r, f)
        sc.text(225, 48 + 15 * r, c, 0, True)
        if c != "(none)":
            sc.blit("tick.png", 215, 48 + 15 * r)
    sc.text(38, 28, "/mnt/sd/games/blocks/")
    sc.blit("scantextsel.png", 9, 46 + 15 * 2)
    out.append(("program scan", sc.img))

    sc = desk(2)
    sc.blit("calendar.png", 105, 45)
    sc.blit("propsel.png", 121, 28 * 4 + 59, (0, 0, 59, 15))
    vals = (("24", 242, 60), ("December", 242, 88), ("2010", 242, 116), ("24H", 224, 144), ("09:41", 220, 172))
    for t, cx, y in vals:
        sc.text(cx - sc.width(t) // 2, y, t)
    line = "Fri Dec 24 09:41:07 2010"
    sc.text(206 - sc.width(line, True) // 2, 201, line, 0, True)
    out.append(("date and time", sc.img))

    sc = system(7)
    sc.blit("skinwin.png", 10, 20)
    sc.blit("propsel.png", 20, 65 + 30 * 1)
    sc.blit(_skin_cache("Gold")["preview.png"] if skin != "Gold" else pics["preview.png"], 180, 67)
    out.append(("skin chooser", sc.img))

    sc = desk(0)
    sc.blit("gphapps.png", 50, 25)
    sc.blit("gphsel.png", 113, 109)
    out.append(("console apps", sc.img))

    sc = desk(0)
    sc.blit("wait.png", 98, 99)
    out.append(("wait", sc.img))

    for title, bg in (("logon", "logon.png"), ("welcome", "welcome.png")):
        sc = Screen(pics, SHARED_CACHE[bg])
        sc.blit(user_pic.resize((44, 44), Image.NEAREST), 135, 89)
        sc.text(155 - sc.width("admin") // 2, 145, "admin", 1)
        if title == "welcome":
            rect(sc.img, (195, 227, 319, 239), (0, 0, 0))
            sc.text(194, 229, "Korvo for the handheld", 1, True)
        out.append((title, sc.img))
    return out


SHARED_CACHE = {}


# ============================================================== contact sheet

SHEET_BG = (58, 62, 72)


def _label(img, x, y, s, colour=(235, 235, 240)):
    text(img, x, y, s, colour, "small")


def _grid(items, width, scale_small=True):
    """Lays out (name, image) pairs in rows; returns an image."""
    cells = []
    for name, im in items:
        sc = 2 if scale_small and max(im.size) <= 40 else 1
        if sc > 1:
            im = im.resize((im.size[0] * sc, im.size[1] * sc), Image.NEAREST)
        cells.append((name + (" x2" if sc > 1 else ""), im))
    x, y, row_h = 8, 8, 0
    places = []
    for name, im in cells:
        w = max(im.size[0], text_w(name, "small")) + 12
        if x + w > width and x > 8:
            x, y = 8, y + row_h + 8
            row_h = 0
        places.append((x, y, name, im))
        x += w
        row_h = max(row_h, im.size[1] + 14)
    out = new(width, y + row_h + 8, SHEET_BG)
    checker = new(8, 8, (150, 150, 160))
    rect(checker, (0, 0, 3, 3), (190, 190, 200))
    rect(checker, (4, 4, 7, 7), (190, 190, 200))
    for x, y, name, im in places:
        bg = new(im.size[0], im.size[1])
        for by in range(0, im.size[1], 8):
            for bx in range(0, im.size[0], 8):
                bg.paste(checker, (bx, by))
        paste(bg, im, 0, 0)
        out.paste(bg, (x, y + 11))
        _label(out, x, y, name)
    return out


def text_samples(pics, width):
    sample = "The quick brown fox jumps over the lazy dog 0123456789 :;.!-_'#()?*=/\\@$%^&,"
    out = new(width, 104, SHEET_BG)
    rect(out, (8, 4, width - 9, 50), (250, 250, 250))
    rect(out, (8, 54, width - 9, 100), (20, 22, 30))
    sc = Screen(pics, out)
    # the shell draws at most 50 large or 30 small characters per call
    for white, y in ((0, 6), (1, 56)):
        x = 8
        for k in range(0, len(sample), 40):
            part = sample[k:k + 40]
            sc.text(x, y, part, white)
            x += sc.width(part)
        x = 8
        for k in range(0, len(sample), 30):
            part = sample[k:k + 30]
            sc.text(x, y + 20, part, white, True)
            x += sc.width(part, True)
        x = 8
        for part in ("Applications  Emulators", "  Program scan  09:05PM", "  Page 1/3  User accounts"):
            sc.text(x, y + 32, part, white, True)
            x += sc.width(part, True)
    return sc.img


def glyph_chart(pics):
    strip_l = pics["font_black.png"]
    strip_s = pics["smallfont_black.png"]
    rows = []
    for strip, pitch, size, advs in ((strip_l, 16, 15, glyphs.LARGE_ADVANCE), (strip_s, 10, 9, glyphs.SMALL_ADVANCE)):
        z = 4 if pitch == 16 else 5
        per_row = 21 if pitch == 16 else 28
        for start in range(0, 84, per_row):
            band = new(per_row * pitch * z + 2, (size + 1) * z + 2, (255, 255, 255))
            d = ImageDraw.Draw(band)
            for i in range(start, start + per_row):
                x = (i - start) * pitch * z
                a = advs[i]
                d.rectangle([x, z, x + (a - 1) * z - 1, (size + 1) * z - 1], fill=(255, 236, 200))
                d.rectangle([x + (a - 1) * z, z, x + pitch * z - 1, (size + 1) * z - 1], fill=(220, 230, 255))
                cell = strip.crop((pitch * i, 0, pitch * i + pitch, size + 1)).resize((pitch * z, (size + 1) * z), Image.NEAREST)
                paste(band, cell, x, 0)
                d.line([(x, 0), (x, (size + 1) * z)], fill=(180, 180, 190))
            rows.append(band)
    h = sum(r.size[1] + 6 for r in rows) + 6
    out = new(max(r.size[0] for r in rows) + 12, h, SHEET_BG)
    y = 6
    for r in rows:
        out.paste(r, (6, y))
        y += r.size[1] + 6
    return out


def write_sheet(path, shared):
    width = 1400
    blocks = []
    title = new(width, 26, SHEET_BG)
    text(title, 8, 6, "Korvo resources - contact sheet", (255, 255, 255), "large")
    blocks.append(title)
    for skin in SKINS:
        pics = _skin_cache(skin)
        head = new(width, 22, SHEET_BG)
        text(head, 8, 4, "Skin " + skin, (255, 220, 120), "large")
        blocks.append(head)
        blocks.append(text_samples(pics, width))
        order = [k for k in pics if "font" not in k]
        blocks.append(_grid([(k, pics[k]) for k in order], width))
    head = new(width, 22, SHEET_BG)
    text(head, 8, 4, "Shared pictures and wallpapers", (255, 220, 120), "large")
    blocks.append(head)
    blocks.append(_grid(sorted(shared.items()), width))
    head = new(width, 22, SHEET_BG)
    text(head, 8, 4, "Glyphs (tinted: advance columns; blue: spacing and unused)", (255, 220, 120), "large")
    blocks.append(head)
    chart = glyph_chart(_skin_cache("Blue"))
    blocks.append(chart)
    total = sum(b.size[1] for b in blocks)
    sheet = Image.new("RGB", (max(width, chart.size[0]), total), SHEET_BG)
    y = 0
    for b in blocks:
        sheet.paste(b.convert("RGB"), (0, y))
        y += b.size[1]
    sheet.save(path, optimize=False)

    # a second sheet with composed screens
    screens = []
    for skin in SKINS:
        for name, img in mock_screens(skin):
            screens.append((skin + ": " + name, img))
    cols = 4
    cw, ch = 330, 256
    rows = (len(screens) + cols - 1) // cols
    out = Image.new("RGB", (cols * cw + 10, rows * ch + 10), SHEET_BG)
    for n, (name, img) in enumerate(screens):
        r, c = divmod(n, cols)
        x, y = 10 + c * cw, 10 + r * ch
        lab = new(cw, 12, SHEET_BG)
        _label(lab, 0, 1, name)
        out.paste(lab.convert("RGB"), (x, y))
        out.paste(img.convert("RGB"), (x, y + 12))
    base, ext = os.path.splitext(path)
    out.save(base + "_screens" + ext)
    return base + "_screens" + ext


# ==================================================================== output

def write_pictures(out, pics, allow=None):
    for rel, img in sorted(pics.items()):
        path = os.path.join(out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        opaque_only = rel.endswith("sidebar.png")
        pngout.save_png(img, path, dither=rel.startswith("wallpaper/") or rel.endswith("preview.png"),
                        allow_transparency=not opaque_only)


def write_users(root):
    """The two accounts delivered with the shell."""
    for name, kind, pic in (("admin", "admin", p_admin_pic()), ("guest", "guest", p_guest_pic())):
        base = os.path.join(root, "user", name)
        for cat in ("apps", "emus", "ports", "games"):
            d = os.path.join(base, "links", cat)
            os.makedirs(d, exist_ok=True)
            open(os.path.join(d, ".gitkeep"), "wb").close()
        # written without a newline, as the shell writes them
        with open(os.path.join(base, "data.st"), "wb") as f:
            f.write(("%s %s" % (kind, "")).encode())
        with open(os.path.join(base, "settings.st"), "wb") as f:
            f.write(b"wallpaper/Blue.png Blue 2 0 0 0 50")
        open(os.path.join(base, "desktop.st"), "wb").close()
        pngout.save_png(pic, os.path.join(base, "pic.png"))


def main(argv=None):
    ap = argparse.ArgumentParser(description="Write Korvo's pictures, sounds and initial accounts.")
    ap.add_argument("--out", default=os.path.join(ROOT, "resources"), help="resource directory to write")
    ap.add_argument("--sheet", default=os.path.join(ROOT, "build", "contact_sheet.png"),
                    help="contact sheet to write (a second file *_screens.png shows composed screens)")
    ap.add_argument("--users", default=ROOT, help="directory that receives user/ (default: the repository)")
    ap.add_argument("--no-sheet", action="store_true", help="skip the contact sheet")
    args = ap.parse_args(argv)

    out = args.out
    shared = shared_pictures()
    SHARED_CACHE.update(shared)
    for name in WALLPAPERS:
        shared["wallpaper/%s.png" % name] = wallpaper(name)
    write_pictures(out, shared)
    for skin in SKINS:
        pics = _skin_cache(skin)
        write_pictures(out, {"skin/%s/%s" % (skin, k): v for k, v in pics.items()})
    sounds.write_all(out)
    write_users(args.users)
    if not args.no_sheet:
        os.makedirs(os.path.dirname(os.path.abspath(args.sheet)), exist_ok=True)
        second = write_sheet(args.sheet, shared)
        print("contact sheet:", args.sheet, "and", second)
    return 0


if __name__ == "__main__":
    sys.exit(main())

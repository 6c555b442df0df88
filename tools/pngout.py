"""Palette PNG writer for Korvo's pictures.

SDL_image turns a palette PNG whose tRNS chunk marks exactly one entry as
fully transparent into a colour-keyed surface, which is the only kind of
transparency the shell uses (it never sets a colour key itself).  So every
picture is written as an 8-bit palette image; a picture with transparent
pixels gets palette entry 0 as its transparent colour and a one-byte tRNS
chunk, and every other entry stays opaque.  No time stamps or other
ancillary chunks are written, so the output depends on the pixels only.
"""

import struct
import zlib

from PIL import Image

KEY_RGB = (255, 0, 255)


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, palette, indices, transparent):
    """palette: list of (r, g, b); indices: bytes of width*height entries."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        raw += indices[y * width:(y + 1) * width]
    out = b"\x89PNG\r\n\x1a\n"
    out += _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
    out += _chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if transparent:
        out += _chunk(b"tRNS", b"\x00")
    out += _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    out += _chunk(b"IEND", b"")
    return out


def to_palette(img, dither=False, allow_transparency=True):
    """Reduce an RGBA picture (alpha 0 or 255 only) to (palette, indices, transparent)."""
    img = img.convert("RGBA")
    w, h = img.size
    rgba = img.tobytes()
    alpha = rgba[3::4]
    bad = set(alpha) - {0, 255}
    if bad:
        raise ValueError("partial alpha in picture")
    transparent = 0 in alpha
    if transparent and not allow_transparency:
        raise ValueError("picture must be opaque")
    rgb = img.convert("RGB")
    limit = 255 if transparent else 256
    colours = {}
    px = rgb.tobytes()
    for i in range(w * h):
        if alpha[i]:
            c = px[3 * i:3 * i + 3]
            colours[c] = colours.get(c, 0) + 1
    if len(colours) <= limit:
        order = sorted(colours, key=lambda c: (-colours[c], c))
        lut = {c: n for n, c in enumerate(order)}
        base = 1 if transparent else 0
        idx = bytearray(w * h)
        for i in range(w * h):
            if alpha[i]:
                idx[i] = lut[px[3 * i:3 * i + 3]] + base
        palette = [tuple(c) for c in order]
    else:
        if transparent:
            # fill holes with the commonest colour so they cost no entry
            common = max(colours, key=lambda c: (colours[c], c))
            fill = Image.new("RGB", (w, h), tuple(common))
            fill.paste(rgb, (0, 0), img.split()[3])
            rgb = fill
        q = rgb.quantize(colors=limit, method=Image.Quantize.MEDIANCUT,
                         dither=Image.Dither.FLOYDSTEINBERG if dither else Image.Dither.NONE)
        n = max(q.getdata()) + 1
        pal = q.getpalette()[:3 * n]
        palette = [tuple(pal[3 * k:3 * k + 3]) for k in range(n)]
        qi = q.tobytes()
        base = 1 if transparent else 0
        idx = bytearray(w * h)
        for i in range(w * h):
            if alpha[i]:
                idx[i] = qi[i] + base
    if transparent:
        key = KEY_RGB
        while key in palette:
            key = (key[0], key[1] + 1, key[2])
        palette = [key] + palette
    return palette, bytes(idx), transparent


def save_png(img, path, dither=False, allow_transparency=True):
    palette, idx, transparent = to_palette(img, dither, allow_transparency)
    data = encode_png(img.size[0], img.size[1], palette, idx, transparent)
    with open(path, "wb") as f:
        f.write(data)

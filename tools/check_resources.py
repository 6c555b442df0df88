#!/usr/bin/env python3
"""Checks the delivered resource tree and the initial accounts.

    /usr/bin/python3 tools/check_resources.py [--root DIR]

Checks every picture the shell loads for its size, for being an 8-bit
palette PNG, and for its transparency: at most one tRNS entry, fully
transparent (the colour key SDL_image derives), and none at all in the
sidebar, which the shell fades with per-surface alpha.  Checks the font
strips glyph by glyph against the advance tables, the sounds' format and
length, and the files of the two accounts.  Exits non-zero on any fault.
"""

import argparse
import os
import struct
import sys
import wave
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import glyphs  # noqa: E402

SKINS = ("Blue", "Gold", "Zelda")

SKINNED = {
    "font_black.png": (1344, 16), "font_white.png": (1344, 16),
    "smallfont_black.png": (840, 10), "smallfont_white.png": (840, 10),
    "bottombar.png": (320, 20), "startbutton.png": (40, 18),
    "battery/1.png": (16, 16), "battery/2.png": (16, 16), "battery/3.png": (16, 16), "battery/4.png": (16, 16),
    "battery/warning.png": (80, 34), "dsel.png": (40, 40), "cpu.png": (16, 16), "delete.png": (16, 16),
    "gph.png": (32, 16), "speaker.png": (16, 16), "mute.png": (16, 16), "descbar.png": (220, 20),
    "startmenu.png": (118, 210), "ssel.png": (65, 20), "frame.png": (35, 35), "sidebar.png": (75, 240),
    "disk.png": (32, 32), "logoff.png": (32, 32), "shutdown.png": (32, 32), "sidesel.png": (32, 32),
    "sel.png": (32, 32), "menu.png": (16, 16), "genericico.png": (32, 32),
    "appswin.png": (280, 200), "emuswin.png": (280, 200), "portswin.png": (280, 200), "gameswin.png": (280, 200),
    "syswin.png": (260, 180), "expwin.png": (260, 180), "txtsel.png": (207, 18), "exprop.png": (94, 137),
    "propsel.png": (65, 15), "tick.png": (8, 8), "properties.png": (94, 163), "propfiles.png": (68, 43),
    "player.png": (200, 110), "useredit.png": (280, 200),
    "usbwin.png": (160, 120), "autoffwin.png": (150, 165), "saverwin.png": (150, 165), "brightwin.png": (150, 165),
    "calendar.png": (215, 175), "skinwin.png": (300, 200), "preview.png": (118, 88), "imgwin.png": (280, 200),
    "lmsg.png": (125, 42), "slmsg.png": (125, 42), "wait.png": (125, 42),
    "msgok.png": (216, 154), "msgyesno.png": (216, 154),
    "keyboard1.png": (320, 240), "keyboard2.png": (320, 240), "ksel.png": (20, 20),
    "scanwin.png": (320, 240), "scantextsel.png": (200, 14), "gphapps.png": (113, 195), "gphsel.png": (36, 11),
}

SHARED = {
    "icondatabase/%s.png" % t: (16, 16)
    for t in ("folder", "file", "gpe", "gpu", "bmp", "png", "txt", "gif", "jpg", "mp3", "wav")
}
SHARED.update({"wallpaper/Blue.png": (320, 240), "wallpaper/Gold.png": (320, 240), "wallpaper/Zelda.png": (320, 240),
               "logon.png": (320, 240), "welcome.png": (320, 240), "shutdown.png": (320, 240)})

# pictures that must be see-through somewhere
NEEDS_KEY = {"dsel.png", "sel.png", "ssel.png", "ksel.png", "propsel.png", "gphsel.png", "scantextsel.png",
             "tick.png", "battery/warning.png", "frame.png", "startbutton.png", "cpu.png", "delete.png",
             "speaker.png", "mute.png", "disk.png", "logoff.png", "shutdown.png", "genericico.png"}

SOUNDS = {"click.wav": (0.0, 0.1), "key.wav": (0.0, 0.1), "chord.wav": (0.0, 0.6), "notify.wav": (0.0, 0.6),
          "logon.wav": (0.9, 1.6), "shutdown.wav": (0.9, 1.6)}

faults = []


def fault(msg):
    faults.append(msg)


def read_png(path):
    """Returns (width, height, colour type, bit depth, palette, trns, pixel rows)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, chunks, idat = 8, {}, b""
    while pos < len(data):
        n = struct.unpack(">I", data[pos:pos + 4])[0]
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b"IDAT":
            idat += body
        else:
            chunks.setdefault(kind, body)
    w, h, depth, ctype = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
    if b"tIME" in chunks:
        fault(path + ": carries a time stamp")
    rows = []
    if ctype == 3 and depth == 8:
        raw = zlib.decompress(idat)
        stride = w + 1
        prev = bytearray(w)
        for y in range(h):
            f = raw[y * stride]
            line = bytearray(raw[y * stride + 1:(y + 1) * stride])
            if f == 1:
                for x in range(1, w):
                    line[x] = (line[x] + line[x - 1]) & 255
            elif f == 2:
                for x in range(w):
                    line[x] = (line[x] + prev[x]) & 255
            elif f != 0:
                raise ValueError("unexpected filter %d" % f)
            rows.append(bytes(line))
            prev = line
    return w, h, ctype, depth, chunks.get(b"PLTE", b""), chunks.get(b"tRNS"), rows


def key_index(path, trns):
    """The transparent index, None when opaque; faults on anything else."""
    if trns is None:
        return None
    zeros = [i for i, a in enumerate(trns) if a == 0]
    others = [a for a in trns if a not in (0, 255)]
    if len(zeros) != 1 or others:
        fault(path + ": tRNS must hold exactly one fully transparent entry")
        return None
    return zeros[0]


def check_picture(path, size, name):
    try:
        w, h, ctype, depth, plte, trns, rows = read_png(path)
    except (OSError, ValueError, KeyError) as e:
        fault("%s: %s" % (path, e))
        return None
    if (w, h) != size:
        fault("%s: %dx%d, want %dx%d" % (path, w, h, size[0], size[1]))
    if ctype != 3 or depth != 8:
        fault("%s: not an 8-bit palette PNG" % path)
        return None
    key = key_index(path, trns)
    if name == "sidebar.png" and trns is not None:
        fault(path + ": the sidebar must have no transparency")
    used = set()
    for r in rows:
        used.update(r)
    if key is not None and key not in used:
        fault(path + ": transparent entry present but unused")
    if name in NEEDS_KEY and (key is None or key not in used):
        fault(path + ": should be see-through around its shape")
    if max(used) * 3 + 3 > len(plte):
        fault(path + ": pixel index beyond the palette")
    return key, rows, plte


def check_font(path, large, ink):
    got = check_picture(path, (1344, 16) if large else (840, 10), os.path.basename(path))
    if not got:
        return
    key, rows, plte = got
    pitch, size = (16, 15) if large else (10, 9)
    adv = glyphs.LARGE_ADVANCE if large else glyphs.SMALL_ADVANCE
    inks = set()
    for i, ch in enumerate(glyphs.CHARSET):
        for y in range(size + 1):
            for x in range(pitch):
                v = rows[y][pitch * i + x]
                if v == key:
                    continue
                inks.add(bytes(plte[3 * v:3 * v + 3]))
                if y == 0 or x > adv[i] - 2:
                    fault("%s: glyph %r has ink at column %d row %d (advance %d)" % (path, ch, x, y - 1, adv[i]))
                    break
        if ch == " ":
            continue
        if not any(rows[y][pitch * i + x] != key for y in range(1, size + 1) for x in range(pitch)):
            fault("%s: glyph %r is empty" % (path, ch))
    if inks != {bytes(ink)}:
        fault("%s: ink colours %s, want %s" % (path, sorted(inks), ink))


def same_shapes(a, b, pitch, size):
    ka, ra, _ = check_picture(a, (pitch * 84, size + 1), "") or (None, None, None)
    kb, rb, _ = check_picture(b, (pitch * 84, size + 1), "") or (None, None, None)
    if ra is None or rb is None:
        return
    for y in range(size + 1):
        if [v != ka for v in ra[y]] != [v != kb for v in rb[y]]:
            fault("%s and %s: glyph shapes differ" % (a, b))
            return


def check_sound(path, lo, hi):
    try:
        with wave.open(path, "rb") as w:
            if w.getsampwidth() != 2 or w.getcomptype() != "NONE":
                fault(path + ": not 16-bit PCM")
            if w.getframerate() != 22050:
                fault(path + ": not 22050 Hz")
            n = w.getnframes()
            dur = n / float(w.getframerate())
            frames = w.readframes(n)
    except (OSError, wave.Error) as e:
        fault("%s: %s" % (path, e))
        return
    if not lo <= dur <= hi:
        fault("%s: lasts %.2f s, want %.2f..%.2f" % (path, dur, lo, hi))
    samples = struct.unpack("<%dh" % (len(frames) // 2), frames)
    peak = max(abs(s) for s in samples)
    if peak >= 32000:
        fault(path + ": too close to clipping")
    if peak < 3000:
        fault(path + ": nearly silent")
    if abs(samples[0]) > 200 or abs(samples[-1]) > 200:
        fault(path + ": does not start and end at rest")


def check_users(root):
    for name, kind in (("admin", "admin"), ("guest", "guest")):
        base = os.path.join(root, "user", name)
        want = {"data.st": (kind + " ").encode(), "settings.st": b"wallpaper/Blue.png Blue 2 0 0 0 50",
                "desktop.st": b""}
        for fname, content in want.items():
            p = os.path.join(base, fname)
            try:
                with open(p, "rb") as f:
                    got = f.read()
            except OSError:
                fault(p + ": missing")
                continue
            if got != content:
                fault("%s: holds %r, want %r" % (p, got, content))
        for cat in ("apps", "emus", "ports", "games"):
            if not os.path.isfile(os.path.join(base, "links", cat, ".gitkeep")):
                fault(os.path.join(base, "links", cat) + ": missing or not kept")
        pic = os.path.join(base, "pic.png")
        if not os.path.isfile(pic):
            fault(pic + ": missing")
        else:
            w, h, ctype, depth, *_ = read_png(pic)
            if ctype != 3 or depth != 8:
                fault(pic + ": not an 8-bit palette PNG")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    args = ap.parse_args()
    res = os.path.join(args.root, "resources")
    count = 0
    for skin in SKINS:
        for name, size in sorted(SKINNED.items()):
            path = os.path.join(res, "skin", skin, name)
            count += 1
            if "font" in name:
                check_font(path, name.startswith("font"), (0, 0, 0) if "black" in name else (255, 255, 255))
            else:
                check_picture(path, size, name)
        for stem, pitch, size in (("font", 16, 15), ("smallfont", 10, 9)):
            same_shapes(os.path.join(res, "skin", skin, stem + "_black.png"),
                        os.path.join(res, "skin", skin, stem + "_white.png"), pitch, size)
    for name, size in sorted(SHARED.items()):
        check_picture(os.path.join(res, name), size, "shared/" + name)
        count += 1
    walls = os.listdir(os.path.join(res, "wallpaper"))
    for name in walls:
        check_picture(os.path.join(res, "wallpaper", name), (320, 240), name)
    if len(walls) < 4:
        fault("only %d wallpapers" % len(walls))
    pic = os.path.join(res, "pic.png")
    if os.path.isfile(pic):
        check_picture(pic, read_png(pic)[:2], "pic.png")
    else:
        fault(pic + ": missing")
    for name, (lo, hi) in sorted(SOUNDS.items()):
        check_sound(os.path.join(res, name), lo, hi)
    check_users(args.root)
    for f in faults:
        print("FAULT", f)
    print("%d pictures, %d wallpapers, %d sounds checked: %s" %
          (count, len(walls), len(SOUNDS), "%d faults" % len(faults) if faults else "all good"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

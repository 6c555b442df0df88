#!/usr/bin/python3
"""Lays screenshots side by side in one PNG, each with its name under it.

    contact_sheet.py OUTPUT SHOT.png [SHOT.png ...]

Used by run.sh after the scripted tour, so that the whole tour can be looked
at in one picture.
"""
import os
import sys

from PIL import Image, ImageDraw

COLUMNS = 4
GAP = 6
CAPTION = 14
BACKGROUND = (40, 40, 40)
INK = (230, 230, 230)


def contact_sheet(output, shots):
    pictures = [Image.open(path).convert("RGB") for path in shots]
    width = max(p.width for p in pictures)
    height = max(p.height for p in pictures)
    columns = min(COLUMNS, len(pictures))
    rows = (len(pictures) + columns - 1) // columns
    sheet = Image.new("RGB", (GAP + columns * (width + GAP), GAP + rows * (height + CAPTION + GAP)), BACKGROUND)
    draw = ImageDraw.Draw(sheet)
    for i, (path, picture) in enumerate(zip(shots, pictures)):
        x = GAP + (i % columns) * (width + GAP)
        y = GAP + (i // columns) * (height + CAPTION + GAP)
        sheet.paste(picture, (x, y))
        draw.text((x, y + height + 2), os.path.splitext(os.path.basename(path))[0], fill=INK)
    sheet.save(output)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 64
    contact_sheet(argv[1], argv[2:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

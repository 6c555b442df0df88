#!/usr/bin/python3
"""Sample pictures for the emulated card, one of each kind the image viewer
reads: make_pictures.py FOLDER writes sunset.png, tiles.jpg, sprite.gif and
board.bmp there."""
import sys

from PIL import Image, ImageDraw


def sunset(size):
    w, h = size
    picture = Image.new("RGB", size)
    draw = ImageDraw.Draw(picture)
    for y in range(h):
        t = y / h
        draw.line([(0, y), (w, y)], fill=(int(250 - 120 * t), int(120 + 40 * t), int(60 + 150 * t)))
    draw.ellipse([w // 2 - 40, h // 2 - 10, w // 2 + 40, h // 2 + 70], fill=(255, 220, 80))
    draw.rectangle([0, h * 3 // 4, w, h], fill=(20, 40, 80))
    return picture


def tiles(size):
    picture = Image.new("RGB", size, (240, 240, 230))
    draw = ImageDraw.Draw(picture)
    for y in range(0, size[1], 32):
        for x in range(0, size[0], 32):
            if (x // 32 + y // 32) % 2:
                draw.rectangle([x, y, x + 31, y + 31], fill=(40, 110, 160))
    return picture


def sprite():
    picture = Image.new("P", (64, 64), 0)
    picture.putpalette([0, 0, 0, 255, 60, 60, 255, 255, 255, 60, 200, 60] + [0] * (256 - 4) * 3)
    draw = ImageDraw.Draw(picture)
    draw.ellipse([8, 8, 56, 56], fill=1)
    draw.ellipse([20, 20, 28, 28], fill=2)
    draw.ellipse([36, 20, 44, 28], fill=2)
    draw.arc([18, 30, 46, 48], 20, 160, fill=3, width=3)
    return picture


def board(size):
    picture = Image.new("RGB", size, (200, 160, 100))
    draw = ImageDraw.Draw(picture)
    step = size[1] // 8
    for row in range(8):
        for col in range(8):
            if (row + col) % 2:
                draw.rectangle([col * step, row * step, col * step + step - 1, row * step + step - 1],
                               fill=(90, 50, 20))
    return picture


def main(folder):
    sunset((320, 240)).save(f"{folder}/sunset.png")
    tiles((400, 300)).save(f"{folder}/tiles.jpg", quality=85)
    sprite().save(f"{folder}/sprite.gif")
    board((240, 240)).save(f"{folder}/board.bmp")


if __name__ == "__main__":
    main(sys.argv[1])

#!/usr/bin/python3
"""Builds the frame the screen probe must show, from the drawing rules, and compares it with the
window's area of a screenshot. Usage: expected_probe_frame.py SHOT.png X Y FONT.txt"""
import sys

from PIL import Image

import desktop

BACKGROUND = (0x20, 0x30, 0x40)


def expected(font):
    frame = desktop.Picture(font)
    frame.fill(0, 0, 639, 479, BACKGROUND)
    frame.fill(10, 10, 109, 59, (0xFF, 0, 0))
    frame.outline(120, 10, 219, 59, (0, 0xFF, 0))
    frame.fill(0, 100, 639, 100, (0xFF, 0xFF, 0))
    # (300,120)-(307,123): x-major Bresenham, y steps every second pixel
    for k in range(8):
        frame.pixels[300 + k, 120 + k // 2] = (0xFF, 0x80, 0)
    for dy, half in enumerate([5, 5, 4, 4, 3, 1]):
        for y in {200 - dy, 200 + dy}:
            frame.fill(300 - half, y, 300 + half, y, (0, 0, 0xFF))
    frame.text(20, 300, "Hello", (0xFF, 0xFF, 0xFF))
    frame.fill(400, 400, 403, 403, (0x80, 0x80, 0x80))
    frame.pixels[401, 401] = BACKGROUND  # the sprite's mask-coloured pixel is skipped
    return frame


def main():
    shot = Image.open(sys.argv[1]).convert("RGB")
    origin = int(sys.argv[2]), int(sys.argv[3])
    wrong = expected(desktop.load_font(sys.argv[4])).differences(shot, origin)
    for (x, y), got, want in wrong[:5]:
        print("pixel (%d,%d): got %02x%02x%02x want %02x%02x%02x" % (x, y, *got, *want))
    print(f"{len(wrong)} pixels differ")
    sys.exit(1 if wrong else 0)


if __name__ == "__main__":
    main()

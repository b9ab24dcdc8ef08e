#!/usr/bin/env python3
"""Draws the viewer's sample picture: a 485 x 348 evening landscape in an ochre frame.

Everything is computed from the pixel coordinates, so the picture comes out the same on every
machine. It is written as a plain 24-bit bottom-up BMP; only the standard library is needed.

    python3 make_sample.py sample.bmp
"""
import math
import struct
import sys

WIDTH, HEIGHT = 485, 348
FRAME = 8
FRAME_COLOUR = (180, 151, 71)
HORIZON = 218
SUN_X, SUN_Y, SUN_R = 318, 176, 34


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(round(p + (q - p) * t) for p, q in zip(a, b))


def sky(y):
    if y < 120:
        return mix((28, 36, 92), (196, 92, 104), y / 120)
    return mix((196, 92, 104), (250, 178, 92), (y - 120) / (HORIZON - 120))


def ridge(x, base, waves):
    return base + sum(a * math.sin(x / w + p) for a, w, p in waves)


def land(x, y):
    far = ridge(x, 196, [(9, 37, 0.4), (5, 13, 1.9)])
    near = ridge(x, 236, [(14, 61, 2.3), (6, 23, 0.7)])
    if y >= near:
        r, g, b = mix((70, 92, 38), (34, 52, 24), (y - near) / (HEIGHT - near + 1))
        furrow = 10 if int(x / 7 + y * 0.6) % 4 == 0 else 0
        return (r, g + furrow, b)
    if y >= far:
        return mix((92, 70, 104), (62, 48, 82), (y - far) / 40)
    return None


def sky_with_sun(x, y):
    colour = sky(y)
    d = math.hypot(x - SUN_X, y - SUN_Y)
    if d <= SUN_R:
        return mix((255, 236, 160), (255, 206, 110), d / SUN_R)
    if d <= SUN_R * 2.2:
        return mix(colour, (255, 214, 130), (SUN_R * 2.2 - d) / (SUN_R * 1.2) * 0.6)
    return colour


def pixel(x, y):
    if x < FRAME or y < FRAME or x >= WIDTH - FRAME or y >= HEIGHT - FRAME:
        return FRAME_COLOUR
    return land(x, y) or sky_with_sun(x, y)


def write_bmp(path):
    row_size = (WIDTH * 3 + 3) & ~3
    image_size = row_size * HEIGHT
    header = struct.pack('<2sIHHI', b'BM', 54 + image_size, 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, image_size, 2835, 2835, 0, 0)
    rows = []
    for y in reversed(range(HEIGHT)):
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = (min(max(c, 0), 255) for c in pixel(x, y))
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        rows.append(bytes(row))
    with open(path, 'wb') as out:
        out.write(header + info + b''.join(rows))


if __name__ == '__main__':
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else 'sample.bmp')

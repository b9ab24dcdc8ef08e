#!/usr/bin/python3
"""Builds the frame the screen probe must show, from the drawing rules, and compares it with the
window's area of a screenshot. Usage: expected_probe_frame.py SHOT.png X Y FONT.txt"""
import sys

from PIL import Image


def load_font(path):
    glyphs = {}
    for line in open(path, encoding="ascii"):
        if line.startswith("#") or ":" not in line:
            continue
        code, rows = line.split(":")
        glyphs[int(code, 16)] = [int(b, 16) for b in rows.split()]
    return glyphs


def expected(font):
    w, h = 640, 480
    img = [[0x203040] * w for _ in range(h)]

    def box(x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                img[y][x] = c

    box(10, 10, 109, 59, 0xFF0000)
    for x in range(120, 220):
        img[10][x] = img[59][x] = 0x00FF00
    for y in range(10, 60):
        img[y][120] = img[y][219] = 0x00FF00
    for x in range(640):
        img[100][x] = 0xFFFF00
    # (300,120)-(307,123): x-major Bresenham, y steps every second pixel
    for k in range(8):
        img[120 + k // 2][300 + k] = 0xFF8000
    for dy, half in enumerate([5, 5, 4, 4, 3, 1]):
        for y in {200 - dy, 200 + dy}:
            for x in range(300 - half, 300 + half + 1):
                img[y][x] = 0x0000FF
    for i, ch in enumerate("Hello"):
        rows = font[ord(ch)]
        for r in range(8):
            for b in range(8):
                if rows[r] >> b & 1:
                    img[300 + r][20 + 8 * i + b] = 0xFFFFFF
    for y in range(400, 404):
        for x in range(400, 404):
            if (x, y) != (401, 401):
                img[y][x] = 0x808080
    return img


def main():
    shot = Image.open(sys.argv[1]).convert("RGB")
    ox, oy = int(sys.argv[2]), int(sys.argv[3])
    want = expected(load_font(sys.argv[4]))
    bad = 0
    for y in range(480):
        for x in range(640):
            r, g, b = shot.getpixel((ox + x, oy + y))
            if (r << 16 | g << 8 | b) != want[y][x]:
                if bad < 5:
                    print(f"pixel ({x},{y}): got {r:02x}{g:02x}{b:02x} want {want[y][x]:06x}")
                bad += 1
    print(f"{bad} pixels differ")
    sys.exit(1 if bad else 0)


main()

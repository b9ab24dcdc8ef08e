#!/usr/bin/env python3
"""The picture of the viewer's end-to-end tests, and what the window must show.

    viewer_test_picture.py OUT.bi [OUT.bmp]    writes the pixel-data include file (and the
                                               same picture as a 24-bit BMP)

The picture is wider than the window, holds mask-coloured pixels (which the viewer must skip,
whatever their alpha) and coloured pixels with alpha 0 (which it must draw), and writes its
values in several of the forms the viewer reads: decimal, "&H", "&O", "&B", signs, numbers that
wrap or saturate; with labels (one holding a TAB, one empty), blank lines, "Data" in any letter
case and both kinds of line end between the pixel lines.
"""
import sys

WIDTH, HEIGHT = 700, 300
WINDOW = (640, 480)
BACKGROUND = (0, 0, 0)


def pixel(x, y):
    """A, R, G, B of pixel (x, y)."""
    if 5 <= y < 15 and 10 <= x < 30:
        return (255, 255, 0, 255)  # mask colour: skipped
    if 5 <= y < 15 and 30 <= x < 50:
        return (0, 255, 0, 255)  # mask colour with alpha 0: skipped as well
    if 5 <= y < 15 and 50 <= x < 70:
        return (0, 10, 200, 30)  # alpha 0: drawn all the same
    return (255, x & 0xFF, (y * 6) & 0xFF, (x >> 8) * 100 + 20)


def text(value, x, y):
    """The value written in a form chosen by the position, so every form appears often. Every
    form reads back as `value` in its low eight bits."""
    form = (x + 3 * y) % 7
    if form == 1:
        return '&H%X' % value
    if form == 2:
        return '&O%o' % value
    if form == 3:
        return '&b{:b}'.format(value)
    if form == 4:
        return '+%d' % (value + 256)  # wraps to its low eight bits
    if form == 5 and value == 255:
        return '-1' if y % 2 else '99999999999'  # negated, saturated
    return str(value)


def write_include_file(path):
    lines = ['test_picture_bi:', 'Data %d' % WIDTH, 'DATA &H%X' % HEIGHT]
    for y in range(HEIGHT):
        if y % 10 == 0:
            lines += ['', 'row%d:' % y, 'tab\tlabel:', ':']
        for x in range(WIDTH):
            a, r, g, b = (text(v, x, y) for v in pixel(x, y))
            keyword = 'data' if x % 7 == 0 else 'Data'
            lines.append('%s %s, %s, %s,%s' % (keyword, a, r, g, b))
    with open(path, 'wb') as out:
        out.write(''.join(line + ('\n' if i % 3 else '\r\n')
                          for i, line in enumerate(lines)).encode('ascii'))


def write_bmp(path):
    """The picture's colours as a 24-bit BMP (which has no alpha)."""
    from PIL import Image
    picture = Image.new('RGB', (WIDTH, HEIGHT))
    picture.putdata([pixel(x, y)[1:] for y in range(HEIGHT) for x in range(WIDTH)])
    picture.save(path, 'BMP')


def expected_window():
    """The window's RGB pixels, row by row: the picture blended over the black screen."""
    rows = []
    for y in range(WINDOW[1]):
        row = []
        for x in range(WINDOW[0]):
            if x >= WIDTH or y >= HEIGHT:
                row.append(BACKGROUND)
                continue
            _, r, g, b = pixel(x, y)
            row.append(BACKGROUND if (r, g, b) == (255, 0, 255) else (r, g, b))
        rows.append(row)
    return rows


if __name__ == '__main__':
    write_include_file(sys.argv[1])
    if len(sys.argv) > 2:
        write_bmp(sys.argv[2])

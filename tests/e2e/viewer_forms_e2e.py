#!/usr/bin/env python3
"""The viewer showing include files of the smaller forms and a sprite sheet's tiles, pixel by pixel.

    viewer_forms_e2e.py VIEWER BMP2BI SHOT_DIR

A 32 x 16 sprite sheet of two tiles, with transparent pixels, is written by bmp2bi as a palette
file, a file of 13 pixels a line and a numbered listing of its 16 x 16 tiles, all with --mask.
The viewer is given the three: the first two must show the sheet, the tiles file each tile as a
picture of its own (End goes to the last tile, Backspace to the one before; a burst of steps
over the tiles file before it is read reaches its last tile), every frame exactly:
the picture enlarged by the whole factor in its title, centred on the panel grey, which also
shows where the mask colour is. Screenshots are kept in SHOT_DIR.
"""
import os
import subprocess
import sys
import time

from PIL import Image

import desktop
from desktop import xdotool

GREY = (0xDD, 0xDD, 0xDD)
DASH, TIMES = '\u2014', '\u00d7'


def make_sheet(path):
    """Tile 0: a red disc on transparency; tile 1: a green and blue check with a transparent
    hole and a half-transparent stripe (masked too: alpha below 128)."""
    sheet = Image.new('RGBA', (32, 16), (0, 0, 0, 0))
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 < 42:
                sheet.putpixel((x, y), (200 + x, 20 + 10 * y, 30, 255))
            check = (0, 160, 0, 255) if (x // 4 + y // 4) % 2 else (0, 0, 190, 255)
            if 6 <= x < 10 and 6 <= y < 10:
                check = (255, 255, 255, 0)
            elif y == 13:
                check = (250, 250, 0, 100)
            sheet.putpixel((16 + x, y), check)
    sheet.save(path)
    return sheet


def shown(sheet, box):
    """The part of the sheet as the viewer shows it: masked pixels as the panel grey."""
    part = sheet.crop(box)
    colours = [GREY if a < 128 else (r, g, b) for r, g, b, a in part.getdata()]
    image = Image.new('RGB', part.size)
    image.putdata(colours)
    return image


def expected_frame(picture, window, zoom):
    frame = Image.new('RGB', window, GREY)
    enlarged = picture.resize((picture.size[0] * zoom, picture.size[1] * zoom), Image.NEAREST)
    frame.paste(enlarged, ((window[0] - enlarged.size[0]) // 2,
                           (window[1] - enlarged.size[1]) // 2))
    return frame


def expect_shown(env, window, size, title, picture, shots, name):
    zoom = int(desktop.wait_title_matching(env, window, title)[1]) // 100
    desktop.expect_picture(env, window, size,
                           desktop.Picture.of_image(expected_frame(picture, size, zoom)),
                           name, keep=os.path.join(shots, name), keep_matching=True)


def find_viewer(env, app, title):
    deadline = time.monotonic() + 60
    while not (window := desktop.find_window(env, title)):
        if time.monotonic() > deadline or app.poll() is not None:
            sys.exit('no viewer window%s' % desktop.errors_of(app))
        time.sleep(0.1)
    return window


def main():
    viewer, bmp2bi, shots = sys.argv[1:4]
    os.makedirs(shots, exist_ok=True)
    sheet = make_sheet(os.path.join(shots, 'sheet.png'))
    files = []
    for name, options in [('palette.bi', ['--palette']), ('perline.bi', ['--per-line', '13']),
                          ('tiles.bi', ['--tiles', '16x16', '--dialect', 'numbered'])]:
        files.append(os.path.join(shots, name))
        subprocess.run([bmp2bi, '-q', '-f', '--mask', '-o', files[-1], os.path.join(
            shots, 'sheet.png')] + options, check=True, timeout=60)
    whole, tiles = shown(sheet, (0, 0, 32, 16)), [shown(sheet, (16 * i, 0, 16 * i + 16, 16))
                                                  for i in range(2)]
    zoom = r'(\d+) %'
    with desktop.private_display('1024x768') as env, \
            desktop.running([viewer] + files, env, stderr=subprocess.PIPE, text=True) as app:
        window = find_viewer(env, app, 'palette.bi .*')
        _, size = desktop.window_title_and_size(env, window)
        xdotool(env, 'windowfocus', '--sync', window)
        expect_shown(env, window, size, 'palette.bi %s 32 %s 16 %s %s %s 1 of 3' % (
            DASH, TIMES, DASH, zoom, DASH), whole, shots, '01_palette')
        xdotool(env, 'key', 'space')
        expect_shown(env, window, size, 'perline.bi %s 32 %s 16 %s %s %s 2 of 3' % (
            DASH, TIMES, DASH, zoom, DASH), whole, shots, '02_per_line')
        xdotool(env, 'key', 'End')
        expect_shown(env, window, size, 'tiles.bi %s tiles_bi_1 %s 16 %s 16 %s %s %s 4 of 4' % (
            DASH, DASH, TIMES, DASH, zoom, DASH), tiles[1], shots, '03_tile_1')
        xdotool(env, 'key', 'BackSpace')
        expect_shown(env, window, size, 'tiles.bi %s tiles_bi_0 %s 16 %s 16 %s %s %s 3 of 4' % (
            DASH, DASH, TIMES, DASH, zoom, DASH), tiles[0], shots, '04_tile_0')
        xdotool(env, 'key', 'Escape')
        desktop.expect_exit(app, 'on Escape')
    # Steps given faster than files are read: the tiles file, not read yet, is stepped through.
    with desktop.private_display('1024x768') as env, \
            desktop.running([viewer] + files[1:], env, stderr=subprocess.PIPE, text=True) as app:
        window = find_viewer(env, app, 'perline.bi .*')
        _, size = desktop.window_title_and_size(env, window)
        xdotool(env, 'windowfocus', '--sync', window)
        desktop.wait_title_matching(env, window, 'perline.bi .* 1 of 2')
        xdotool(env, 'key', '--delay', '0', 'space', 'space')
        expect_shown(env, window, size, 'tiles.bi %s tiles_bi_1 %s 16 %s 16 %s %s %s 3 of 3' % (
            DASH, DASH, TIMES, DASH, zoom, DASH), tiles[1], shots, '05_burst_to_tile_1')
        xdotool(env, 'key', 'Escape')
        desktop.expect_exit(app, 'on Escape')


if __name__ == '__main__':
    main()

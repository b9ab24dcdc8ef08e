#!/usr/bin/env python3
"""The viewer's window as desktop users handle it, under openbox.

    viewer_window_e2e.py VIEWER SHOT_DIR

At 1280 x 800: a folder is shown file by file in name order (its text file passed over); the
fitted picture's last row is on the screen, the window's frame inside it; a resize by xdotool
fits the picture again, and so do maximising and full screen and their ends; `a` shows the checkerboard under a transparent sprite; a burst of 100
zoom and pan keys is answered key by key. At 3840 x 2160 with PIXELTOOLS_SCALE=2: a 4000 x 3000
picture of one-pixel stripes uses the screen's own pixels (the title's percentage is of them), at
100 % its stripes lie one device pixel apart, and a file that cannot be shown says why in text at
the scale of 2. Screenshots of the whole screen are kept in SHOT_DIR.
"""
import os
import re
import subprocess
import sys
import time

from PIL import Image, ImageDraw

import desktop
from desktop import run, xdotool

GREY = (0xDD, 0xDD, 0xDD)
RED, GREEN, YELLOW = (200, 30, 30), (30, 160, 30), (255, 200, 0)
LIGHT, DARK = 0x99, 0x66
DASH, TIMES = '\u2014', '\u00d7'


def title_of(name, width, height, percent, place='', extra=''):
    title = '%s %s %d %s %d %s %s %%' % (name, DASH, width, TIMES, height, DASH, percent)
    return title + (' %s %s' % (DASH, extra) if extra else '') + (' %s %s' % (DASH, place)
                                                                 if place else '')


def make_folder(folder):
    os.makedirs(folder, exist_ok=True)
    tall = Image.new('RGB', (1600, 1200), RED)
    ImageDraw.Draw(tall).rectangle((0, 1100, 1599, 1199), fill=GREEN)
    tall.save(os.path.join(folder, 'a_tall.png'))
    # Fully transparent (stored black) but for an opaque square and a half-transparent top row.
    sprite = Image.new('RGBA', (32, 32), (0, 0, 0, 0))
    ImageDraw.Draw(sprite).rectangle((8, 8, 23, 23), fill=YELLOW + (255,))
    ImageDraw.Draw(sprite).line((0, 0, 31, 0), fill=(0, 0, 255, 128))
    sprite.save(os.path.join(folder, 'b_sprite.png'))
    # Each column its own colour: x in red's and green's bytes.
    gradient = Image.new('RGB', (4000, 50))
    gradient.putdata([(x & 255, x >> 8, 0) for _ in range(50) for x in range(4000)])
    gradient.save(os.path.join(folder, 'c_gradient.png'))
    with open(os.path.join(folder, 'notes.txt'), 'w') as notes:
        notes.write('not a picture\n')


def client_area(env, window):
    """(x, y, width, height) of the window's client area on the screen."""
    info = run(['xwininfo', '-id', window], env).stdout
    values = [int(re.search(pattern + r':\s+(-?\d+)', info).group(1)) for pattern in
              ('Absolute upper-left X', 'Absolute upper-left Y', 'Width', 'Height')]
    return tuple(values)


def frame_extents(env, window):
    said = run(['xprop', '-id', window, '_NET_FRAME_EXTENTS'], env).stdout
    return tuple(int(v) for v in said.split('=')[1].split(','))


def expect_root_pixels(env, shots, shot_name, what, cases, seconds=60):
    """cases: ((x, y) on the screen, colour, tolerance) that the screen must come to show."""
    deadline = time.monotonic() + seconds
    path = os.path.join(shots, shot_name + '.png')
    while True:
        desktop.save_screenshot(env, 'root', path)
        image = Image.open(path).convert('RGB')
        wrong = [(x, y, image.getpixel((x, y)), colour) for (x, y), colour, tolerance in cases
                 if any(abs(a - b) > tolerance for a, b in zip(image.getpixel((x, y)), colour))]
        if not wrong:
            print('%s: %d pixels as expected (%s)' % (what, len(cases), path))
            return image
        if time.monotonic() > deadline:
            sys.exit('%s: pixel (%d, %d) is %s, expected %s' % ((what,) + wrong[0]))
        time.sleep(0.3)


def fitted_and_resized(env, window, shots):
    x, y, width, height = client_area(env, window)
    left, right, top, bottom = frame_extents(env, window)
    if x - left < 0 or y - top < 0 or x + width + right > 1280 or y + height + bottom > 800:
        sys.exit('the window with its frame %s lies outside the screen: client %s'
                 % ((left, right, top, bottom), (x, y, width, height)))
    print('client %d x %d at (%d, %d), frame %s: inside 1280 x 800' % (width, height, x, y,
                                                                     (left, right, top, bottom)))
    # The picture fills the height: its last row is the client area's, on the screen.
    expect_root_pixels(env, shots, '01_fitted_1280x800', 'fitted, last row on the screen', [
        ((x + width // 2, y + height - 1), GREEN, 8), ((x + width // 2, y), RED, 8),
        ((x + 2, y + height // 2), GREY, 0)])
    xdotool(env, 'windowsize', window, 700, 500)
    desktop.wait_title(env, window, title_of('a_tall.png', 1600, 1200, 42, '1 of 3'))
    x, y, width, height = client_area(env, window)
    if (width, height) != (700, 500):
        sys.exit('resized to %d x %d, not 700 x 500' % (width, height))
    # 1600 x 1200 at 500/1200: 667 x 500, from x = 16.
    expect_root_pixels(env, shots, '02_resized_700x500', 're-fitted after the resize', [
        ((x + 350, y + 499), GREEN, 8), ((x + 350, y), RED, 8), ((x + 18, y + 250), RED, 8),
        ((x + 14, y + 250), GREY, 0), ((x + 685, y + 250), GREY, 0)])
    # Maximised, it fills the work area less the frame again; full screen, the whole screen.
    for how, percent in (('add', 65), ('remove', 42)):
        run(['wmctrl', '-i', '-r', window, '-b', how + ',maximized_vert,maximized_horz'], env)
        desktop.wait_title(env, window, title_of('a_tall.png', 1600, 1200, percent, '1 of 3'))
    for percent in (67, 42):
        xdotool(env, 'key', 'alt+Return')
        desktop.wait_title(env, window, title_of('a_tall.png', 1600, 1200, percent, '1 of 3'))
    if client_area(env, window) != (x, y, 700, 500):
        sys.exit('back from maximised and full screen at %s, not %s' % (client_area(env, window),
                                                                      (x, y, 700, 500)))
    return x, y


def checkerboard(env, window, shots, origin):
    x, y = origin
    xdotool(env, 'key', 'space')
    desktop.wait_title(env, window, title_of('b_sprite.png', 32, 32, 1500, '2 of 3'))
    # 15 window pixels a sprite pixel: 480 x 480 from (110, 10); checks of 8 from there.
    def at(px, py, dx=7, dy=7):
        return x + 110 + px * 15 + dx, y + 10 + py * 15 + dy

    def check(wx, wy):
        """The grey of the square at window offset (wx, wy) from the sprite's corner."""
        return LIGHT if (wx // 8 + wy // 8) % 2 == 0 else DARK

    expect_root_pixels(env, shots, '03_sprite_as_stored', 'transparency as stored', [
        (at(2, 2), (0, 0, 0), 0), (at(16, 16), YELLOW, 0), (at(5, 0), (0, 0, 255), 0)])
    xdotool(env, 'key', 'a')
    desktop.wait_title(env, window,
                       title_of('b_sprite.png', 32, 32, 1500, '2 of 3', 'transparency shown'))
    # Transparent sprite pixels (2, 2) to (7, 6), across squares of both greys.
    points = [(wx, wy) for wx in (30, 38, 46, 54, 110) for wy in (30, 38, 100)]
    cases = [(at(16, 16), YELLOW, 0)]
    cases += [((x + 110 + wx, y + 10 + wy), (check(wx, wy),) * 3, 0) for wx, wy in points]
    # The half-transparent top row: blue 128 plus half of the grey.
    half = lambda grey: (grey * 127 + 127) // 255
    for wx in (60, 68):
        grey = half(check(wx, 3))
        cases.append(((x + 110 + wx, y + 13), (grey, grey, 128 + grey), 1))
    if len({check(wx, wy) for wx, wy in points}) != 2:
        sys.exit('the cases cover one kind of square only')
    expect_root_pixels(env, shots, '04_checkerboard', 'the checkerboard under the sprite', cases)
    xdotool(env, 'key', 'a')
    desktop.wait_title(env, window, title_of('b_sprite.png', 32, 32, 1500, '2 of 3'))


def burst(env, window, shots, origin):
    x, y = origin
    xdotool(env, 'key', 'End')
    desktop.wait_title(env, window, title_of('c_gradient.png', 4000, 50, 18, '3 of 3'))
    # From the fit (0.175) up to 800 % in six steps about the centre, then 94 steps of 87 window
    # pixels (an eighth of 700) to the right, sent at once.
    xdotool(env, 'key', '--delay', '0', *(['plus'] * 6 + ['Right'] * 94))
    desktop.wait_title(env, window, title_of('c_gradient.png', 4000, 50, 800, '3 of 3'))
    expected = 2000 + 94 * 87 / 8
    deadline = time.monotonic() + 60
    while True:
        image = expect_root_pixels(env, shots, '05_after_100_keys', 'the gradient', [])
        red, green, _ = image.getpixel((x + 350, y + 250))
        column = green * 256 + red
        if abs(column - expected) <= 2:
            break
        if time.monotonic() > deadline:
            sys.exit('after the burst the centre shows column %d, expected %.1f' % (column,
                                                                                   expected))
        time.sleep(0.3)
    print('after 100 keys at once the centre shows column %d (expected %.1f): none lost'
          % (column, expected))


def first_desktop(viewer, shots):
    folder = os.path.join(shots, 'folder')
    make_folder(folder)
    with desktop.private_display('1280x800') as env, desktop.window_manager(env), \
            desktop.running([viewer, folder], env, stderr=subprocess.PIPE, text=True) as app:
        window = desktop.wait_for_window(env, title_of('a_tall.png', 1600, 1200, 65, '1 of 3'),
                                         app)
        xdotool(env, 'windowactivate', '--sync', window)
        origin = fitted_and_resized(env, window, shots)
        checkerboard(env, window, shots, origin)
        burst(env, window, shots, origin)
        xdotool(env, 'key', 'Escape')
        desktop.expect_exit(app, 'on Escape')


def make_stripes(folder):
    os.makedirs(folder, exist_ok=True)
    row = bytes([0, 255] * 2000)
    Image.frombytes('L', (4000, 3000), row * 3000).save(os.path.join(folder, 'stripes.png'))
    with open(os.path.join(folder, 'zz_broken.png'), 'wb') as broken:
        broken.write(b'\x89PNG\r\n\x1a\n' + b'\0' * 20)


def scaled_desktop(viewer, shots):
    folder = os.path.join(shots, 'stripes')
    make_stripes(folder)
    files = [os.path.join(folder, 'stripes.png'), os.path.join(folder, 'zz_broken.png')]
    with desktop.private_display('3840x2160', PIXELTOOLS_SCALE='2') as env, \
            desktop.window_manager(env), \
            desktop.running([viewer] + files, env, stderr=subprocess.PIPE, text=True) as app:
        # Before any window: the room is 3840 x 2160 less the frame, in device pixels.
        window = desktop.wait_for_window(env, r'stripes\.png .*', app)
        x, y, width, height = client_area(env, window)
        percent = round(100 * min(width / 4000, height / 3000))
        desktop.wait_title(env, window, title_of('stripes.png', 4000, 3000, percent, '1 of 2'))
        if width < 3800 or height < 2100:
            sys.exit('the window is %d x %d device pixels, not the screen less its frame'
                     % (width, height))
        print('fitted in %d x %d device pixels at %d %%' % (width, height, percent))
        xdotool(env, 'windowactivate', '--sync', window)
        desktop.save_screenshot(env, 'root', os.path.join(shots, '06_stripes_fitted_4k.png'))
        xdotool(env, 'key', '1')
        desktop.wait_title(env, window, title_of('stripes.png', 4000, 3000, 100, '1 of 2'))
        cy = y + height // 2
        cases = []
        first = expect_root_pixels(env, shots, '07_stripes_100_percent_4k', 'stripes', [])
        start = first.getpixel((x + width // 2, cy))[0]
        for dx in range(200):
            level = start if dx % 2 == 0 else 255 - start
            cases.append(((x + width // 2 + dx, cy), (level, level, level), 0))
        expect_root_pixels(env, shots, '07_stripes_100_percent_4k',
                           'stripes one device pixel apart', cases)
        xdotool(env, 'key', 'space')
        desktop.wait_title(env, window, 'zz_broken.png %s cannot be shown %s 2 of 2' % (DASH, DASH))
        image = expect_root_pixels(env, shots, '08_problem_text_at_scale_2', 'the reason', [])
        band = image.crop((x, y + height // 2 - 200, x + width, y + height // 2 + 200))
        pixels = band.load()
        dots = [(i, j) for j in range(band.height) for i in range(band.width)
                if pixels[i, j] == (0, 0, 0)]
        if not dots:
            sys.exit('no text shows why the file cannot be shown')
        lone = [(i, j) for i, j in dots if not any(
            all(pixels[i + a, j + b] == (0, 0, 0) for a in (0, 1) for b in (0, 1))
            for i, j in ((i - di, j - dj) for di in (0, 1) for dj in (0, 1)))]
        if lone:
            sys.exit('text pixels not in 2 x 2 dots: %s' % lone[:5])
        print('the reason is written in 2 x 2 dots (%d pixels)' % len(dots))
        xdotool(env, 'key', 'Escape')
        desktop.expect_exit(app, 'on Escape')


def main():
    viewer, shots = sys.argv[1], sys.argv[2]
    os.makedirs(shots, exist_ok=True)
    first_desktop(viewer, shots)
    scaled_desktop(viewer, shots)


if __name__ == '__main__':
    main()

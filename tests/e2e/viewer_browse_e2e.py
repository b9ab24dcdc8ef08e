#!/usr/bin/env python3
"""The viewer given several files on a 1920 x 1080 Xvfb, as a user steps through them.

    viewer_browse_e2e.py VIEWER SHOT_DIR

A 4000 x 3000 JPEG fitted whole (the work area's window, grey bars), zoomed in, panned and shown
at 1:1; a 32 x 32 sprite enlarged with sharp pixels; a damaged JPEG showing why in the window;
Home and End; Escape ends with status 0. Then a damaged file alone, started with standard error
not a terminal: a message box says why, and the status is 1. Screenshots are kept in SHOT_DIR.
"""
import os
import subprocess
import sys
import time

from PIL import Image, ImageDraw

import desktop
from desktop import xdotool

GREY = (0xDD, 0xDD, 0xDD)
DASH, TIMES = '\u2014', '\u00d7'


def make_files(folder):
    big = Image.new('RGB', (4000, 3000), (200, 30, 30))
    ImageDraw.Draw(big).rectangle((2000, 0, 3999, 2999), fill=(30, 30, 200))
    big.save(os.path.join(folder, 'big.jpg'), quality=95)
    sprite = Image.new('RGB', (32, 32), (255, 255, 0))
    sprite.putpixel((0, 0), (0, 0, 0))
    sprite.putpixel((31, 31), (0, 128, 0))
    sprite.save(os.path.join(folder, 'sprite.png'))
    data = open(os.path.join(folder, 'big.jpg'), 'rb').read()
    open(os.path.join(folder, 'damaged.jpg'), 'wb').write(data[:len(data) // 3])


def shot(env, window, shots, name):
    path = os.path.join(shots, name + '.png')
    desktop.save_screenshot(env, window, path)
    return Image.open(path).convert('RGB')


def expect_pixels(env, window, shots, shot_name, name, cases, seconds=60):
    """cases: ((x, y), colour, tolerance) as the window must come to show them; screenshots are
    taken until it does (the last one kept), for up to `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        image = shot(env, window, shots, shot_name)
        wrong = [(x, y, image.getpixel((x, y)), colour) for (x, y), colour, tolerance in cases
                 if any(abs(a - b) > tolerance for a, b in zip(image.getpixel((x, y)), colour))]
        if not wrong:
            print('%s: %d pixels as expected' % (name, len(cases)))
            return
        if time.monotonic() > deadline:
            sys.exit('%s: pixel (%d, %d) is %s, expected %s' % ((name,) + wrong[0]))
        time.sleep(0.2)


def browse(viewer, env, shots, folder):
    files = [os.path.join(folder, n) for n in ('big.jpg', 'sprite.png', 'damaged.jpg')]
    with desktop.running([viewer] + files, env, stderr=subprocess.PIPE, text=True) as app:
        title = 'big.jpg %s 4000 %s 3000 %s 36 %% %s 1 of 3' % (DASH, TIMES, DASH, DASH)
        window = desktop.wait_for_window(env, title, app)
        desktop.expect_window(env, window, title, (1920, 1080))
        xdotool(env, 'windowfocus', '--sync', window)
        time.sleep(0.5)
        red, blue = (200, 30, 30), (30, 30, 200)
        # 4000 x 3000 at 36 % is 1440 x 1080, centred: grey bars 240 pixels wide.
        expect_pixels(env, window, shots, '01_big_fitted', 'fitted', [
            ((239, 540), GREY, 0), ((240, 540), red, 6), ((950, 540), red, 6),
            ((970, 540), blue, 6), ((1679, 540), blue, 6), ((1680, 540), GREY, 0)])
        xdotool(env, 'key', 'plus')
        desktop.wait_title(
            env, window, 'big.jpg %s 4000 %s 3000 %s 50 %% %s 1 of 3' % (DASH, TIMES, DASH, DASH))
        # 2000 x 1500 about the centre: the halves meet at the window's middle.
        expect_pixels(env, window, shots, '02_big_zoomed_in', 'zoomed in', [
            ((0, 0), red, 6), ((950, 540), red, 6), ((970, 540), blue, 6), ((1919, 1079), blue, 6)])
        for _ in range(4):
            xdotool(env, 'key', 'Left')
        # Four steps of 240 to the right, bounded at the picture's left edge (40 pixels away).
        expect_pixels(env, window, shots, '03_big_panned', 'panned', [
            ((990, 540), red, 6), ((1010, 540), blue, 6)])
        xdotool(env, 'key', '1')
        desktop.wait_title(
            env, window, 'big.jpg %s 4000 %s 3000 %s 100 %% %s 1 of 3' % (DASH, TIMES, DASH, DASH))
        shot(env, window, shots, '04_big_one_to_one')
        xdotool(env, 'key', 'space')
        desktop.wait_title(
            env, window, 'sprite.png %s 32 %s 32 %s 3300 %% %s 2 of 3' % (DASH, TIMES, DASH, DASH))
        # 33 window pixels a sprite pixel, 1056 x 1056 centred at (432, 12): sharp edges.
        expect_pixels(env, window, shots, '05_sprite_enlarged', 'sprite', [
            ((431, 12), GREY, 0), ((432, 12), (0, 0, 0), 0), ((464, 44), (0, 0, 0), 0),
            ((465, 44), (255, 255, 0), 0), ((432 + 1022, 12 + 1022), (255, 255, 0), 0),
            ((432 + 1023, 12 + 1023), (0, 128, 0), 0), ((1487, 1067), (0, 128, 0), 0),
            ((1488, 1067), GREY, 0)])
        xdotool(env, 'key', 'space')
        desktop.wait_title(env, window, 'damaged.jpg %s cannot be shown %s 3 of 3' % (DASH, DASH))
        reason = shot(env, window, shots, '06_damaged_in_window')
        if reason.crop((0, 500, 1920, 580)).getcolors(1 << 16) == [(1920 * 80, GREY)]:
            sys.exit('the damaged file shows no reason')
        xdotool(env, 'key', 'Home')
        desktop.wait_title(env, window, 'big.jpg %s 4000 %s 3000 %s 36 %% %s 1 of 3' % (DASH, TIMES,
                                                                               DASH, DASH))
        xdotool(env, 'key', 'End')
        desktop.wait_title(env, window, 'damaged.jpg %s cannot be shown %s 3 of 3' % (DASH, DASH))
        xdotool(env, 'key', 'Escape')
        desktop.expect_exit(app, 'on Escape')


def message_box(viewer, env, shots, folder):
    """Started as a file manager starts it: standard error a file, not a terminal."""
    with open(os.path.join(folder, 'errors.txt'), 'w') as errors, \
            desktop.running([viewer, os.path.join(folder, 'damaged.jpg')], env,
                            stderr=errors) as app:
        box = desktop.wait_for_window(env, 'viewer', app)
        time.sleep(1)
        desktop.save_screenshot(env, 'root', os.path.join(shots, '07_message_box.png'))
        xdotool(env, 'windowfocus', '--sync', box)
        xdotool(env, 'key', 'Return')
        status = app.wait(timeout=60)
    said = open(os.path.join(folder, 'errors.txt')).read()
    if status != 1 or 'damaged.jpg: cannot be decoded' not in said:
        sys.exit('after the box: status %s, standard error %r' % (status, said))
    print('message box answered; status 1, standard error:', said.strip())


def main():
    viewer, shots = sys.argv[1], sys.argv[2]
    os.makedirs(shots, exist_ok=True)
    folder = os.path.join(shots, 'files')
    os.makedirs(folder, exist_ok=True)
    make_files(folder)
    with desktop.private_display('1920x1080') as env:
        browse(viewer, env, shots, folder)
    # A display of its own, so that nothing the browsing left behind meets the window manager.
    with desktop.private_display('1920x1080') as env, desktop.window_manager(env):
        message_box(viewer, env, shots, folder)


if __name__ == '__main__':
    main()

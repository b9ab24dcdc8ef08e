#!/usr/bin/env python3
"""Runs a viewer in its own Xvfb and checks it as a user would see it.

    viewer_e2e.py VIEWER --test-picture     the viewer built around viewer_test_picture.py
    viewer_e2e.py VIEWER --bmp SAMPLE.bmp   the viewer built around a converted BMP
    viewer_e2e.py VIEWER --test-picture --open FILE
                                            `viewer FILE`, FILE the test picture as an include
                                            file or a BMP
    viewer_e2e.py VIEWER --refusals FOLDER  files it cannot show, and the options

Checks the window's title and size, compares a screenshot pixel by pixel with what the picture
must show at the window's top-left corner (black elsewhere), presses a key and expects the
program to end with status 0. Given a file, the window fits the picture (700 x 300 at 1:1, the
mask colour left out as the panel grey) and Escape ends it. On a mismatch the screenshot and the expected image are kept in
the current folder.
"""
import argparse
import os
import pathlib
import subprocess
import sys

from PIL import Image

import desktop
import viewer_test_picture
from desktop import xdotool

WINDOW = (640, 480)


def expected_from_bmp(path):
    picture = Image.open(path).convert('RGB')
    window = Image.new('RGB', WINDOW, (0, 0, 0))
    window.paste(picture, (0, 0))
    return window


def expected_from_test_picture():
    window = Image.new('RGB', WINDOW)
    window.putdata([p for row in viewer_test_picture.expected_window() for p in row])
    return window


def expected_opened():
    """The test picture as `viewer FILE` shows it: the whole window, the mask colour as grey."""
    size = (viewer_test_picture.WIDTH, viewer_test_picture.HEIGHT)
    window = Image.new('RGB', size)
    colours = (viewer_test_picture.pixel(x, y)[1:] for y in range(size[1]) for x in range(size[0]))
    window.putdata([(0xDD, 0xDD, 0xDD) if c == (255, 0, 255) else c for c in colours])
    return window


def expect_run(viewer, argument, status, line):
    """`viewer argument` ends at once without a display (opening a window would fail) with `status`
    and `line` first on standard output (status 0) or error, the only line of a refused file."""
    env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
    done = subprocess.run([viewer, argument], env=env, capture_output=True, text=True, timeout=60)
    lines = (done.stdout if status == 0 else done.stderr).splitlines()
    if done.returncode != status or len(lines) < 1 or not lines[0].startswith(line) or \
            (status == 1 and len(lines) != 1):
        sys.exit('viewer %s: status %d, output %r %r; expected status %d and %r' % (
            argument, done.returncode, done.stdout, done.stderr, status, line))
    print('viewer %s: status %d, %s' % (argument, status, lines[0]))


def check_refusals(viewer, folder):
    os.makedirs(folder, exist_ok=True)
    for name, content in [('malformed.bi', b'pic_bi:\r\nData 1\r\nData 1\r\nPrint "hello"\r\n'),
                          ('notes.bmp', b'Shopping list\n')]:
        pathlib.Path(folder, name).write_bytes(content)
    os.makedirs(os.path.join(folder, 'empty'), exist_ok=True)
    for name, problem in [('malformed.bi', 'malformed line 4: expected a label'),
                          ('missing.bi', 'no such file'),
                          ('empty', 'is a folder without pictures or include files'),
                          ('notes.bmp', 'not an include file or a picture')]:
        path = os.path.join(folder, name)
        expect_run(viewer, path, 1, 'viewer: %s: %s' % (path, problem))
    # A folder stands for its include files and pictures; notes.bmp is neither.
    expect_run(viewer, folder, 1, 'viewer: %s: malformed line 4' % os.path.join(folder,
                                                                                'malformed.bi'))
    expect_run(viewer, '--help', 0, 'Usage: viewer [FILE|FOLDER...]')
    expect_run(viewer, '--version', 0, 'viewer ')
    expect_run(viewer, '--frobnicate', 2, 'viewer: unknown option --frobnicate')
    expect_scale_warning(viewer)


def expect_scale_warning(viewer):
    """A scale the viewer cannot use is one line naming it and the range, before anything else."""
    env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
    env['PIXELTOOLS_SCALE'] = '9'
    done = subprocess.run([viewer], env=env, capture_output=True, text=True, timeout=60)
    said = done.stderr.splitlines()
    expected = 'viewer: PIXELTOOLS_SCALE=9 is ignored: the scale is a whole number from 1 to 8'
    if not said or said[0] != expected:
        sys.exit('PIXELTOOLS_SCALE=9: standard error %r; expected first %r' % (done.stderr,
                                                                             expected))
    print('PIXELTOOLS_SCALE=9:', said[0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('viewer')
    picture = parser.add_mutually_exclusive_group(required=True)
    picture.add_argument('--test-picture', action='store_true')
    picture.add_argument('--bmp')
    picture.add_argument('--refusals', metavar='FOLDER')
    parser.add_argument('--open', metavar='FILE')
    args = parser.parse_args()
    if args.refusals:
        check_refusals(args.viewer, args.refusals)
        return
    expected = expected_from_bmp(args.bmp) if args.bmp else expected_from_test_picture()
    title, size, key = 'viewer', WINDOW, 'space'
    if args.open:
        expected, size, key = expected_opened(), expected_opened().size, 'Escape'
        title = '%s \u2014 %d \u00d7 %d \u2014 100 %%' % (os.path.basename(args.open), *size)
    command = [args.viewer] + ([args.open] if args.open else [])

    with desktop.private_display() as env, \
            desktop.running(command, env, stderr=subprocess.PIPE, text=True) as viewer:
        window = desktop.wait_for_window(env, title, viewer)
        desktop.expect_window(env, window, title, size)
        # The picture appears within a few window cycles of the window.
        desktop.expect_picture(env, window, size, desktop.Picture.of_image(expected),
                               'the picture in every pixel', keep='viewer_screenshot')
        xdotool(env, 'mousemove', '--window', window, 320, 240)
        xdotool(env, 'windowfocus', '--sync', window)
        xdotool(env, 'key', key)
        desktop.expect_exit(viewer, 'after a key press')


if __name__ == '__main__':
    main()

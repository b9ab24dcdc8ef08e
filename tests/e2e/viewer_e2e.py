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
program to end with status 0. On a mismatch the screenshot and the expected image are kept in
the current folder.
"""
import argparse
import os
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


def expect_refusal(viewer, path, problem):
    """`viewer path` ends at once with status 1 and one line on standard error naming the file
    and the problem. It runs without a display: a viewer that tried to open its window would
    fail with more to say."""
    env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
    done = subprocess.run([viewer, path], env=env, capture_output=True, text=True, timeout=20)
    expected = 'viewer: %s: %s' % (path, problem)
    lines = done.stderr.splitlines()
    if done.returncode != 1 or len(lines) != 1 or not lines[0].startswith(expected):
        sys.exit('viewer %s: status %d, standard error %r; expected status 1 and one line '
                 'beginning %r' % (path, done.returncode, done.stderr, expected))
    print('refused with status 1: %s' % lines[0])


def expect_option(viewer, option, status, output):
    done = subprocess.run([viewer, option], capture_output=True, text=True, timeout=20)
    shown = done.stdout if status == 0 else done.stderr
    if done.returncode != status or not shown.startswith(output):
        sys.exit('viewer %s: status %d, output %r' % (option, done.returncode, shown))
    print('viewer %s: status %d, %s' % (option, status, shown.splitlines()[0]))


def check_refusals(viewer, folder):
    os.makedirs(folder, exist_ok=True)
    malformed = os.path.join(folder, 'malformed.bi')
    with open(malformed, 'wb') as out:
        out.write(b'pic_bi:\r\nData 1\r\nData 1\r\nPrint "hello"\r\n')
    text = os.path.join(folder, 'notes.bmp')
    with open(text, 'w') as out:
        out.write('Shopping list\n')
    expect_refusal(viewer, malformed, 'malformed line 4: expected a label')
    expect_refusal(viewer, os.path.join(folder, 'missing.bi'), 'no such file')
    expect_refusal(viewer, folder, 'is a folder')
    expect_refusal(viewer, text, 'not an include file or a picture')
    expect_option(viewer, '--help', 0, 'Usage: viewer [FILE]')
    expect_option(viewer, '--version', 0, 'viewer ')
    expect_option(viewer, '--frobnicate', 2, 'viewer: unknown option --frobnicate')


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
    command = [args.viewer] + ([args.open] if args.open else [])

    with desktop.private_display() as env, \
            desktop.running(command, env, stderr=subprocess.PIPE, text=True) as viewer:
        window = desktop.wait_for_window(env, 'viewer', viewer)
        desktop.expect_window(env, window, 'viewer', WINDOW)
        # The picture appears within a few window cycles of the window.
        desktop.expect_picture(env, window, WINDOW, desktop.Picture.of_image(expected),
                               'the picture in every pixel', keep='viewer_screenshot')
        xdotool(env, 'mousemove', '--window', window, 320, 240)
        xdotool(env, 'windowfocus', '--sync', window)
        xdotool(env, 'key', 'space')
        desktop.expect_exit(viewer, 'after a key press')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Runs a viewer in its own Xvfb and checks it as a user would see it.

    viewer_e2e.py VIEWER --test-picture     the viewer built around viewer_test_picture.py
    viewer_e2e.py VIEWER --bmp SAMPLE.bmp   the viewer built around a converted BMP

Checks the window's title and size, compares a screenshot pixel by pixel with what the picture
must show at the window's top-left corner (black elsewhere), presses a key and expects the
program to end with status 0. On a mismatch the screenshot and the expected image are kept in
the current folder.
"""
import argparse
import subprocess

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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('viewer')
    picture = parser.add_mutually_exclusive_group(required=True)
    picture.add_argument('--test-picture', action='store_true')
    picture.add_argument('--bmp')
    args = parser.parse_args()
    expected = expected_from_bmp(args.bmp) if args.bmp else expected_from_test_picture()

    with desktop.private_display() as env, \
            desktop.running([args.viewer], env, stderr=subprocess.PIPE, text=True) as viewer:
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

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
import os
import re
import subprocess
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import viewer_test_picture  # noqa: E402

WINDOW = (640, 480)


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write_end), '-screen', '0', '1024x768x24',
                             '-nolisten', 'tcp'], pass_fds=(write_end,),
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    if not display:
        xvfb.kill()
        sys.exit('Xvfb did not start')
    return xvfb, ':' + display


def run(args, env):
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=20)


def wait_for_window(env, viewer):
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        found = run(['xdotool', 'search', '--onlyvisible', '--name', '^viewer$'], env)
        if found.stdout.split():
            return found.stdout.split()[0]
        if viewer.poll() is not None:
            sys.exit('the viewer ended before showing its window: status %s, %s'
                     % (viewer.returncode, viewer.stderr.read()))
        time.sleep(0.1)
    sys.exit('no window titled "viewer" appeared')


def check_title_and_size(env, window):
    info = run(['xwininfo', '-id', window], env).stdout
    title = re.search(r'Window id: \S+ "(.*)"', info)
    width = re.search(r'Width: (\d+)', info)
    height = re.search(r'Height: (\d+)', info)
    size = (int(width.group(1)), int(height.group(1))) if width and height else None
    if not title or title.group(1) != 'viewer' or size != WINDOW:
        sys.exit('window: %r, size %s; expected "viewer", %s' % (title and title.group(1), size,
                                                                  WINDOW))
    print('window "viewer", %d x %d' % size)


def expected_from_bmp(path):
    picture = Image.open(path).convert('RGB')
    window = Image.new('RGB', WINDOW, (0, 0, 0))
    window.paste(picture, (0, 0))
    return window


def expected_from_test_picture():
    window = Image.new('RGB', WINDOW)
    window.putdata([p for row in viewer_test_picture.expected_window() for p in row])
    return window


def differences(shot, expected):
    got, want = shot.load(), expected.load()
    return [(x, y, got[x, y], want[x, y]) for y in range(WINDOW[1]) for x in range(WINDOW[0])
            if got[x, y] != want[x, y]]


def compare_screenshot(env, window, expected):
    # The picture appears within a few window cycles of the window; allow a little time.
    deadline = time.monotonic() + 5
    while True:
        shot_file = 'viewer_shot_%d.png' % os.getpid()
        run(['import', '-window', window, shot_file], env)
        shot = Image.open(shot_file).convert('RGB')
        os.remove(shot_file)
        wrong = differences(shot, expected) if shot.size == WINDOW else ['size %s' % (shot.size,)]
        if not wrong:
            print('screenshot matches the picture in all %d pixels' % (WINDOW[0] * WINDOW[1]))
            return
        if time.monotonic() > deadline:
            shot.save('viewer_screenshot.png')
            expected.save('viewer_expected.png')
            sys.exit('%d pixels differ, first: %s (kept viewer_screenshot.png and '
                     'viewer_expected.png in %s)' % (len(wrong), wrong[:5], os.getcwd()))
        time.sleep(0.2)


def press_key_and_wait_for_exit(env, window, viewer):
    run(['xdotool', 'mousemove', '--window', window, '320', '240'], env)
    run(['xdotool', 'windowfocus', '--sync', window], env)
    run(['xdotool', 'key', 'space'], env)
    try:
        status = viewer.wait(timeout=10)
    except subprocess.TimeoutExpired:
        sys.exit('the viewer did not end after a key press')
    if status != 0:
        sys.exit('the viewer ended with status %d: %s' % (status, viewer.stderr.read()))
    print('ended with status 0 after a key press')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('viewer')
    picture = parser.add_mutually_exclusive_group(required=True)
    picture.add_argument('--test-picture', action='store_true')
    picture.add_argument('--bmp')
    args = parser.parse_args()
    expected = expected_from_bmp(args.bmp) if args.bmp else expected_from_test_picture()

    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    viewer = subprocess.Popen([args.viewer], env=env, stderr=subprocess.PIPE, text=True)
    try:
        window = wait_for_window(env, viewer)
        check_title_and_size(env, window)
        compare_screenshot(env, window, expected)
        press_key_and_wait_for_exit(env, window, viewer)
    finally:
        if viewer.poll() is None:
            viewer.kill()
        xvfb.terminate()
        xvfb.wait()


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Runs the gallery in its own Xvfb and uses it as a person would.

    gallery_e2e.py GALLERY FONT.txt

Clicks into the scrolling field, types with xdotool, ends the entry with Enter and compares the
field in a screenshot pixel by pixel with the field drawn from the font; asks the gallery to show
its fields' texts; holds the left button on "Start" for a second and counts the events it printed
(about 60 at 60 frames per second); ends it with Escape. On a mismatch the screenshot is kept in
the current folder.
"""
import sys
import tempfile
import time

import desktop
from desktop import printed_lines, xdotool

WINDOW = (640, 160)
SCROLL_FIELD = (10, 30, 30)  # x, y, length in characters
START_BUTTON = (280, 10, 'Start')
SHOW_BUTTON = (280, 30, 'Show')
TYPED = 'Hello, e2e!'


def type_into_field(env, window, font):
    x, y, length = SCROLL_FIELD
    desktop.click(env, window, x + 20, y + 6)
    desktop.type_text(env, TYPED)
    xdotool(env, 'key', 'Return')  # ends the entry: no caret in the screenshot
    xdotool(env, 'mousemove', '--window', window, 600, 150)
    expected = desktop.Picture(font)
    expected.field(x, y, length, TYPED)
    expected.text_button(*START_BUTTON)
    desktop.expect_picture(env, window, WINDOW, expected, 'the field and the buttons',
                           keep='gallery_screenshot')


def show_texts(env, window, log):
    desktop.click(env, window, SHOW_BUTTON[0] + 5, SHOW_BUTTON[1] + 5)
    if 'ScrollTextBox: ' + TYPED not in printed_lines(log):
        sys.exit('"Show" did not report the typed text: %s' % printed_lines(log))
    print('"Show" reports the field holding %r' % TYPED)


def hold_start(env, window, log):
    before = printed_lines(log).count('Button Start')
    xdotool(env, 'mousemove', '--window', window, START_BUTTON[0] + 10, START_BUTTON[1] + 8)
    time.sleep(0.2)
    xdotool(env, 'mousedown', 1)
    time.sleep(1.0)
    xdotool(env, 'mouseup', 1)
    time.sleep(0.2)
    events = printed_lines(log).count('Button Start') - before
    print('holding "Start" for one second fired %d events' % events)
    if not 40 <= events <= 70:
        sys.exit('expected about 60 events, got %d' % events)


def main():
    gallery_path, font_path = sys.argv[1:3]
    font = desktop.load_font(font_path)
    log = tempfile.NamedTemporaryFile('w+', prefix='gallery_e2e_', suffix='.log')
    with desktop.private_display() as env, \
            desktop.running([gallery_path], env, stderr=log) as gallery:
        window = desktop.wait_for_window(env, 'gallery', gallery)
        desktop.expect_window(env, window, 'gallery', WINDOW)
        xdotool(env, 'windowfocus', '--sync', window)
        type_into_field(env, window, font)
        show_texts(env, window, log)
        hold_start(env, window, log)
        desktop.hold_key(env, 'Escape')
        desktop.expect_exit(gallery, 'on Escape')


if __name__ == '__main__':
    main()

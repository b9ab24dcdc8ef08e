#!/usr/bin/env python3
"""Runs the gallery in its own Xvfb and tries the selection and text-area widgets as a person would.

    gallery_widgets.py GALLERY FONT.txt

Clicks a check box and a radio option, unfolds the list and picks a row, chooses in the drop-down,
types two lines into the text area; compares screenshots pixel by pixel with the widgets drawn
from their drawing rules and checks the events the gallery printed; ends it with Escape. On a
mismatch the screenshot is kept in the current folder.
"""
import sys
import tempfile
import time

import desktop
from desktop import BLACK, Picture, click, printed_lines, xdotool

WINDOW = (640, 160)
PANEL = (0xDD, 0xDD, 0xDD)
WHITE = (0xFF, 0xFF, 0xFF)
FRAME = (0xAA, 0xAA, 0xAA)
SHADOW = (0x66, 0x66, 0x66)

# Where the gallery puts them.
CHECK_BOX = (10, 80)
RADIO_OPTIONS = [(130, 82), (130, 100), (130, 118)]
RADIO_NAMES = ['Small', 'Medium', 'Large']
LIST = (360, 10, 8, 'Colours', ['Red', 'Green', 'Blue'])
DROP_DOWN = (460, 10, 11, 'Pick a size', ['Small', 'Medium', 'Large'])
TEXT_AREA = (360, 80, 30, 6)
RESTING_POINTER = (630, 150)  # on the bare panel, away from every widget


def disc_half_widths(radius):
    """Half-widths of a filled circle's rows from the centre outwards, by the integer span rule."""
    half = [radius]
    a2 = b2 = radius * radius
    n, e, g = radius, radius * b2, 0
    d = 2 * e
    row, width = 0, radius
    while n > 0:
        stepped = e > 0
        if stepped:
            row += 1
            g += 2 * a2
            e -= g
        if e <= 0 or not stepped:
            n -= 1
            width -= 1
            d -= 2 * b2
            e += d
        if row == len(half):
            half.append(width)
    return half


class WidgetPicture(Picture):
    """The gallery's selection widgets and text area, painted by their drawing rules."""

    def line(self, x1, y1, x2, y2, colour):
        steps = max(abs(x2 - x1), abs(y2 - y1))
        for i in range(steps + 1):
            self.pixels[x1 + (x2 - x1) * i // steps, y1 + (y2 - y1) * i // steps] = colour

    def check_box(self, x, y, checked):
        self.fill(x, y, x + 14, y + 14, WHITE)
        if checked:
            self.line(x + 1, y + 1, x + 13, y + 13, BLACK)
            self.line(x + 13, y + 1, x + 1, y + 13, BLACK)
        self.outline(x, y, x + 14, y + 14, FRAME)
        self.outline(x + 1, y + 1, x + 13, y + 13, FRAME)
        self.fill(x + 1, y + 1, x + 12, y + 1, SHADOW)
        self.fill(x + 1, y + 1, x + 1, y + 12, SHADOW)

    def disc(self, cx, cy, radius, colour):
        for row, half in enumerate(disc_half_widths(radius)):
            self.fill(cx - half, cy + row, cx + half, cy + row, colour)
            self.fill(cx - half, cy - row, cx + half, cy - row, colour)

    def radio_option(self, x, y, checked):
        self.disc(x + 5, y + 5, 5, SHADOW)
        self.disc(x + 5, y + 5, 3, WHITE)
        if checked:
            self.disc(x + 5, y + 5, 2, BLACK)

    def fold_out(self, x, y, length, caption, rows):
        right = x + 8 * length + 4
        self.fill(x, y, right, y + 12, WHITE)
        self.outline(x, y, right, y + 12, FRAME)
        self.fill(x + 1, y + 11, right - 1, y + 11, SHADOW)
        self.fill(right - 1, y + 1, right - 1, y + 11, SHADOW)
        self.text(x + 2, y + 2, caption)
        for i, row in enumerate(rows):
            top = y + 12 * (i + 1)
            self.fill(x, top, right, top + 12, WHITE)
            self.outline(x, top, right, top + 12, FRAME)
            self.text(x + 2, top + 3, row)

    def text_area(self, x, y, columns, rows, lines):
        right, bottom = x + 8 * columns + 6, y + 8 * rows + 6
        self.fill(x, y, right, bottom, WHITE)
        self.outline(x, y, right, bottom, FRAME)
        self.fill(x + 1, y + 1, right - 1, y + 1, SHADOW)
        self.fill(x + 1, y + 1, x + 1, bottom - 1, SHADOW)
        for i, line in enumerate(lines):
            self.text(x + 5, y + 8 * i + 5, line)


def expect_picture(env, window, expected, what):
    desktop.expect_picture(env, window, WINDOW, expected, what, keep='gallery_widgets_screenshot')


def rest_pointer(env, window):
    xdotool(env, 'mousemove', '--window', window, *RESTING_POINTER)
    time.sleep(0.1)


def expect_events(log, wanted, exactly=None):
    """Checks the printed lines: `wanted` appears (exactly `exactly` times, if given)."""
    count = printed_lines(log).count(wanted)
    if count == 0 or (exactly is not None and count != exactly):
        sys.exit('expected %s "%s", printed: %s'
                 % ('%d x' % exactly if exactly else 'the line', wanted, printed_lines(log)))
    print('printed "%s"%s' % (wanted, '' if exactly else ' (%d times while held)' % count))


def try_widgets(env, window, log, font):
    x, y = CHECK_BOX
    click(env, window, x + 7, y + 7)
    expect_events(log, 'CheckBox Wrap lines: checked', exactly=1)

    x, y = RADIO_OPTIONS[1]
    click(env, window, x + 5, y + 5)
    expect_events(log, 'RadioButton Size: Medium')

    x, y, length, caption, rows = LIST
    click(env, window, x + 10, y + 6)
    rest_pointer(env, window)
    unfolded = WidgetPicture(font)
    unfolded.fold_out(x, y, length, caption, rows)
    expect_picture(env, window, unfolded, 'the list unfolded')
    click(env, window, x + 10, y + 12 * 2 + 6)  # row 1
    expect_events(log, 'ElementList Colours: green', exactly=1)

    x, y, length, caption, rows = DROP_DOWN
    click(env, window, x + 10, y + 6)
    click(env, window, x + 10, y + 12 * 3 + 6)  # row 2
    expect_events(log, 'DropDown: Large', exactly=1)

    x, y, columns, rows = TEXT_AREA
    click(env, window, x + 20, y + 20)
    desktop.type_text(env, 'abc')
    xdotool(env, 'key', '--delay', 50, 'Return')
    desktop.type_text(env, 'd')
    time.sleep(0.2)
    expect_events(log, 'TextArea: abc\\rd', exactly=1)


def expected_at_end(font):
    picture = WidgetPicture(font)
    picture.check_box(*CHECK_BOX, checked=True)
    for (x, y), name in zip(RADIO_OPTIONS, RADIO_NAMES):
        picture.radio_option(x, y, checked=name == 'Medium')
    x, y, length, caption, rows = LIST
    picture.fill(x, y + 13, x + 8 * length + 4, y + 12 * (len(rows) + 1), PANEL)  # folded
    picture.fold_out(x, y, length, caption, [])
    x, y, length, caption, rows = DROP_DOWN
    picture.fill(x, y + 13, x + 8 * length + 4, y + 12 * (len(rows) + 1), PANEL)
    picture.fold_out(x, y, length, 'Large', [])
    picture.text_area(*TEXT_AREA, ['abc', 'd'])
    return picture


def main():
    gallery_path, font_path = sys.argv[1:3]
    font = desktop.load_font(font_path)
    log = tempfile.NamedTemporaryFile('w+', prefix='gallery_widgets_', suffix='.log')
    with desktop.private_display() as env, \
            desktop.running([gallery_path], env, stderr=log) as gallery:
        window = desktop.wait_for_window(env, 'gallery', gallery)
        xdotool(env, 'windowfocus', '--sync', window)
        try_widgets(env, window, log, font)
        rest_pointer(env, window)
        expect_picture(env, window, expected_at_end(font), 'every widget in its new state')
        desktop.hold_key(env, 'Escape')
        desktop.expect_exit(gallery, 'on Escape')


if __name__ == '__main__':
    main()

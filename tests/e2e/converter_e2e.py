#!/usr/bin/env python3
"""Runs the converter in its own Xvfb with a window manager and uses it as a person would.

    converter_e2e.py CONVERTER FONT.txt SHOT_DIR

Without a display it must say so in one line and fail. On the display: the window "converter" of
640 x 50 must show, pixel for pixel, the frame drawn by the widgets' rules; typing a bitmap's path
and holding "Start" writes the include file and says "Done!"; "Start" again asks before
overwriting and "No", the default, leaves the file alone; "Chose File" with a path typed into the desktop's
chooser fills both fields, and "Start" then writes the derived name; every dialog stays above the
converter's window; Escape ends it with status 0, and so does "Exit" in a second run.
Screenshots are kept in SHOT_DIR.
"""
import os
import re
import unicodedata
import subprocess
import sys
import tempfile
import time
import unicodedata

from PIL import Image

import desktop
from desktop import run

WINDOW = (640, 50)
INPUT_FIELD = (10, 10)
OUTPUT_FIELD = (10, 30)
FIELD_LENGTH = 50
BUTTONS = {'Chose File': (450, 10), 'Start': (450, 30), 'Exit': (500, 30)}
PANEL = (0xDD, 0xDD, 0xDD)
CHOOSER_TITLE = 'Datei Öffnen'


class Session:
    def __init__(self, env, converter, font, shots, work):
        self.env, self.converter, self.font = env, converter, font
        self.shots, self.work = shots, work
        self.app = None
        self.window = None

    def xdotool(self, *args):
        return desktop.xdotool(self.env, *args).stdout

    def wait_window(self, title):
        return desktop.wait_for_window(self.env, title, self.app,
                                       root_shot=os.path.join(self.shots, 'missing_window.png'))

    def shoot_root(self, name):
        desktop.save_screenshot(self.env, 'root', os.path.join(self.shots, name + '.png'))

    def running(self):
        """The converter, working in the work folder, for the block."""
        return desktop.running([self.converter], self.env, cwd=self.work,
                               stderr=subprocess.PIPE, text=True)

    def start(self, app):
        self.app = app
        self.window = self.wait_window('converter')
        desktop.expect_window(self.env, self.window, 'converter', WINDOW)
        self.pointer_away()

    def pointer_away(self):
        self.xdotool('mousemove', '--window', self.window, 320, 200)  # below the window
        time.sleep(0.1)

    def activate(self, window):
        if desktop.xdotool(self.env, 'windowactivate', '--sync', window).returncode != 0:
            self.xdotool('windowfocus', '--sync', window)
        time.sleep(0.3)

    def click(self, x, y):
        desktop.click(self.env, self.window, x, y)

    def press_button(self, caption, dialog_title, tap=False):
        """Holds the button down until its dialog is up, then lets go, or taps it (pressed and
        released at once, as a touchpad tap or xdotool's click gives it); returns the dialog."""
        x, y = BUTTONS[caption]
        self.xdotool('mousemove', '--window', self.window, x + 10, y + 8)
        time.sleep(0.1)
        self.xdotool('click' if tap else 'mousedown', 1)
        dialog = self.wait_window(dialog_title)
        if not tap:
            self.xdotool('mouseup', 1)
        self.check_owned(dialog, dialog_title)
        self.activate(dialog)
        return dialog

    def answer(self, dialog, what, *keys):
        """Answers the dialog with keys (if any) and waits until it is gone."""
        if keys:
            self.xdotool('key', *keys)
        desktop.wait_until_closed(self.env, dialog, what)
        # The converter's next click must work at once, although the button that opened this
        # dialog was released over the dialog, not over the converter.
        self.activate(self.window)

    def check_owned(self, dialog, title):
        owner = run(['xprop', '-id', dialog, 'WM_TRANSIENT_FOR'], self.env).stdout
        match = re.search(r'window id # (0x[0-9a-f]+)', owner)
        if not match or int(match.group(1), 16) != int(self.window):
            sys.exit('"%s" is not transient for the converter window %s: %s'
                     % (title, hex(int(self.window)), owner.strip()))
        state = run(['xprop', '-id', dialog, '_NET_WM_STATE'], self.env).stdout
        if '_NET_WM_STATE_MODAL' not in state:
            sys.exit('"%s" is not modal: %s' % (title, state.strip()))

    def expected_frame(self, input_text, output_text):
        picture = desktop.Picture(self.font)
        picture.fill(0, 0, WINDOW[0] - 1, WINDOW[1] - 1, PANEL)
        picture.field(*INPUT_FIELD, FIELD_LENGTH, input_text[-FIELD_LENGTH:])
        picture.field(*OUTPUT_FIELD, FIELD_LENGTH, output_text[-FIELD_LENGTH:])
        for caption, (x, y) in BUTTONS.items():
            picture.text_button(x, y, caption)
        return picture

    def compare(self, expected, name, what):
        return desktop.expect_picture(self.env, self.window, WINDOW, expected, what,
                                      keep=os.path.join(self.shots, name), keep_matching=True)

    def no_window(self, title, why):
        time.sleep(0.5)
        if desktop.find_window(self.env, title):
            self.shoot_root('unexpected_' + title)
            sys.exit('a box "%s" appeared: %s' % (title, why))


def make_bitmap(path, rows):
    """A 24-bit BMP of `rows` ((r, g, b) tuples, top row first)."""
    image = Image.new('RGB', (len(rows[0]), len(rows)))
    image.putdata([pixel for row in rows for pixel in row])
    image.save(path, 'BMP')


def include_file(label, rows):
    """The pixel-data include file of a bitmap from a 24-bit file: every alpha is 255. A label
    beyond ASCII is kept as the output name's UTF-8 bytes."""
    lines = [label + ':', 'Data %d' % len(rows[0]), 'Data %d' % len(rows)]
    lines += ['Data 255, %d, %d,%d' % pixel for row in rows for pixel in row]
    return ''.join(line + '\r\n' for line in lines).encode()


def expect_include(path, rows):
    """Exits unless `path` is the include file of `rows`, labelled after the file's name, whose
    accented letters become their base letters (the names here hold no others)."""
    label = re.sub(r'[ .]', '_', os.path.basename(path))
    label = unicodedata.normalize('NFKD', label).encode('ascii', 'ignore').decode()
    if not os.path.exists(path) or read(path) != include_file(label, rows):
        sys.exit('%s is not the expected include file: %r'
                 % (path, read(path) if os.path.exists(path) else 'missing'))
    print('%s byte for byte (%d bytes)' % (os.path.basename(path), os.path.getsize(path)))


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def without_display(converter):
    env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
    if 'LSAN_OPTIONS' in env:  # a sanitizer build's list of suppressed leaks is not ours
        env['LSAN_OPTIONS'] += ':print_suppressions=0'
    done = subprocess.run([converter], env=env, capture_output=True, text=True, timeout=60)
    lines = done.stderr.splitlines()
    if done.returncode == 0 or len(lines) != 1 or 'display' not in lines[0]:
        sys.exit('without a display: status %d, standard error %r'
                 % (done.returncode, done.stderr))
    print('without a display: status %d and one line: %s' % (done.returncode, lines[0]))


def convert_typed_path(s, rows):
    picture = os.path.join(s.work, 'picture.bmp')
    make_bitmap(picture, rows)
    s.click(INPUT_FIELD[0] + 20, INPUT_FIELD[1] + 6)
    desktop.type_text(s.env, picture)
    done = s.press_button('Start', 'OK')
    s.shoot_root('done_box')
    s.answer(done, '"Done!" box', 'Return')
    s.no_window('Error', 'one press of "Start" converted more than once')
    output = os.path.join(s.work, 'Respicture.bi')  # the output name follows the typed path
    expect_include(output, rows)
    print('typed path + "Start": "Done!" (modal, above the window), named after the path')
    s.pointer_away()
    return picture, output


def decline_overwrite(s, output):
    before = (read(output), os.stat(output).st_ino, os.stat(output).st_mtime_ns)
    question = s.press_button('Start', 'Error')
    s.shoot_root('overwrite_question')
    s.answer(question, 'overwrite question', 'Return')  # No is the default
    s.no_window('OK', '"No" went on converting')
    after = (read(output), os.stat(output).st_ino, os.stat(output).st_mtime_ns)
    if after != before:
        sys.exit('answering No changed the include file')
    print('"Start" again asks before overwriting; "No" leaves the file as it was')


def choose_file(s, chosen, rows, shot, type_path=None, tap=False):
    """Types the path of a new bitmap of `rows` (with `type_path`, or plainly) into the desktop's
    chooser: both fields filled, and "Start" (held or tapped) writes the derived name."""
    os.makedirs(os.path.dirname(chosen), exist_ok=True)
    make_bitmap(chosen, rows)
    output = 'Res%s.bi' % os.path.splitext(os.path.basename(chosen))[0]
    chooser = s.press_button('Chose File', CHOOSER_TITLE)
    s.shoot_root('chooser')
    # A chooser still being built on a loaded machine may lose keys: the path is typed again
    # (over what the location field holds) until the chooser takes it.
    for _ in range(3):
        s.xdotool('key', 'ctrl+l')
        time.sleep(0.3)
        s.xdotool('key', 'ctrl+a')
        (type_path or (lambda path: desktop.type_text(s.env, path)))(chosen)
        time.sleep(0.3)
        s.xdotool('key', 'Return')
        desktop.wait_until_closed(s.env, chooser, 'file chooser', seconds=20, give_up=False)
        if desktop.run(['xwininfo', '-id', chooser], s.env).returncode != 0:
            break
        s.activate(chooser)
    s.answer(chooser, 'file chooser')
    s.pointer_away()
    s.compare(s.expected_frame(chosen, output), shot,
              'both fields filled by "Chose File" (%s and %s)' % (chosen, output))
    s.answer(s.press_button('Start', 'OK', tap), '"Done!" box', 'Return')
    expect_include(os.path.join(s.work, output), rows)


def main():
    converter, font_path, shots = sys.argv[1:4]
    os.makedirs(shots, exist_ok=True)
    without_display(converter)

    with desktop.private_display(GSETTINGS_BACKEND='memory') as env, \
            desktop.window_manager(env), \
            tempfile.TemporaryDirectory(prefix='conv', dir='/tmp') as work:
        s = Session(env, converter, desktop.load_font(font_path), shots, work)
        with s.running() as app:
            s.start(app)
            s.compare(s.expected_frame('', 'Unnamed.bi'), 'first_frame', 'the first frame')
            rows = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
                    [(0, 0, 0), (255, 255, 255), (180, 151, 71)]]
            _, output = convert_typed_path(s, rows)
            decline_overwrite(s, output)
            choose_file(s, os.path.join(work, 'Bilder', 'blume.bmp'),
                        [[(1, 2, 3)], [(250, 128, 7)]], 'fields_after_choice')

            s.activate(s.window)
            desktop.hold_key(env, 'Escape')
            desktop.expect_exit(app, 'on Escape')

        with s.running() as app:
            s.start(app)
            s.click(BUTTONS['Exit'][0] + 10, BUTTONS['Exit'][1] + 8)
            desktop.expect_exit(app, 'on "Exit"')
    print('PASS')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Runs the converter in its own Xvfb with a window manager and uses it as a person would.

    converter_e2e.py CONVERTER FONT.txt SHOT_DIR

Without a display it must say so in one line and fail. On the display: the window "converter" of
640 x 50 must show, pixel for pixel, the frame drawn by the widgets' rules; typing a bitmap's path
and holding "Start" writes the include file and says "Done!"; "Start" again asks before
overwriting and "No" leaves the file alone; "Chose File" with a path typed into the desktop's
chooser fills both fields, and "Start" then writes the derived name; every dialog stays above the
converter's window; Escape ends it with status 0, and so does "Exit" in a second run.
Screenshots are kept in SHOT_DIR.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

from PIL import Image

from gallery_e2e import Picture, load_font, run, start_xvfb

WINDOW = (640, 50)
INPUT_FIELD = (10, 10)
OUTPUT_FIELD = (10, 30)
FIELD_LENGTH = 50
BUTTONS = {'Chose File': (450, 10), 'Start': (450, 30), 'Exit': (500, 30)}
PANEL = (0xDD, 0xDD, 0xDD)
EMPTY_PANEL = (600, 5)
CHOOSER_TITLE = 'Datei Öffnen'


class Session:
    def __init__(self, converter, font, shots, work):
        self.converter, self.font, self.shots, self.work = converter, font, shots, work
        self.env = None
        self.app = None
        self.window = None

    def xdotool(self, *args):
        return run(['xdotool'] + [str(a) for a in args], self.env).stdout

    def find_window(self, title):
        found = self.xdotool('search', '--onlyvisible', '--name', '^%s$' % title).split()
        return found[0] if found else None

    def wait_window(self, title, seconds=15):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            window = self.find_window(title)
            if window:
                return window
            if self.app.poll() is not None:
                sys.exit('the converter ended (status %s) while waiting for "%s"'
                         % (self.app.returncode, title))
            time.sleep(0.1)
        self.shoot_root('missing_window')
        sys.exit('no window titled "%s" appeared' % title)

    def wait_gone(self, window, what):
        deadline = time.monotonic() + 10
        while run(['xwininfo', '-id', window], self.env).returncode == 0:
            if time.monotonic() > deadline:
                sys.exit('the %s did not close' % what)
            time.sleep(0.1)

    def shoot_root(self, name):
        run(['import', '-window', 'root', os.path.join(self.shots, name + '.png')], self.env)

    def start(self):
        self.app = subprocess.Popen([self.converter], env=self.env, cwd=self.work,
                                    stderr=subprocess.PIPE, text=True)
        self.window = self.wait_window('converter')
        info = run(['xwininfo', '-id', self.window], self.env).stdout
        size = tuple(int(re.search(n + r': (\d+)', info).group(1)) for n in ('Width', 'Height'))
        if size != WINDOW:
            sys.exit('window size %s, expected %s' % (size, WINDOW))
        self.pointer_away()

    def pointer_away(self):
        self.xdotool('mousemove', '--window', self.window, 320, 200)  # below the window
        time.sleep(0.1)

    def activate(self, window):
        if run(['xdotool', 'windowactivate', '--sync', window], self.env).returncode != 0:
            self.xdotool('windowfocus', '--sync', window)
        time.sleep(0.3)

    def click(self, x, y):
        self.xdotool('mousemove', '--window', self.window, x, y)
        time.sleep(0.1)
        self.xdotool('mousedown', 1)
        time.sleep(0.1)  # a few frames: the widgets poll the button state
        self.xdotool('mouseup', 1)
        time.sleep(0.1)

    def press_button(self, caption, dialog_title):
        """Holds the button down until its dialog is up, then lets go; returns the dialog."""
        x, y = BUTTONS[caption]
        self.xdotool('mousemove', '--window', self.window, x + 10, y + 8)
        time.sleep(0.1)
        self.xdotool('mousedown', 1)
        dialog = self.wait_window(dialog_title)
        self.xdotool('mouseup', 1)
        self.check_owned(dialog, dialog_title)
        self.activate(dialog)
        return dialog

    def answer(self, dialog, what, *keys):
        """Answers the dialog with keys and waits until it is gone."""
        self.xdotool('key', *keys)
        self.wait_gone(dialog, what)
        # Under openbox a button released over a dialog that opened beneath the held pointer never
        # reaches the converter's window, and the window then drops its next press. A click on the
        # empty panel brings it back in step, as a second click would for a user.
        self.activate(self.window)
        self.click(*EMPTY_PANEL)

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
        picture = Picture(self.font)
        picture.fill(0, 0, WINDOW[0] - 1, WINDOW[1] - 1, PANEL)
        picture.field(*INPUT_FIELD, FIELD_LENGTH, input_text[-FIELD_LENGTH:])
        picture.field(*OUTPUT_FIELD, FIELD_LENGTH, output_text[-FIELD_LENGTH:])
        for caption, (x, y) in BUTTONS.items():
            picture.text_button(x, y, caption)
        return picture

    def compare(self, expected, name):
        shot_file = os.path.join(self.shots, name + '.png')
        deadline = time.monotonic() + 5
        while True:
            run(['import', '-window', self.window, shot_file], self.env)
            shot = Image.open(shot_file).convert('RGB')
            got = shot.load()
            wrong = [(xy, got[xy], colour) for xy, colour in sorted(expected.pixels.items())
                     if shot.size != WINDOW or got[xy] != colour]
            if not wrong:
                return len(expected.pixels)
            if time.monotonic() > deadline:
                sys.exit('%s: %d pixels differ, first (x, y), got, expected: %s (see %s)'
                         % (name, len(wrong), wrong[:5], shot_file))
            time.sleep(0.2)

    def no_window(self, title, why):
        time.sleep(0.5)
        if self.find_window(title):
            self.shoot_root('unexpected_' + title)
            sys.exit('a box "%s" appeared: %s' % (title, why))

    def end(self, how):
        try:
            status = self.app.wait(timeout=10)
        except subprocess.TimeoutExpired:
            sys.exit('the converter did not end on %s' % how)
        if status != 0:
            sys.exit('the converter ended with status %d on %s: %s'
                     % (status, how, self.app.stderr.read()))
        print('%s ends the converter with status 0' % how)


def make_bitmap(path, rows):
    """A 24-bit BMP of `rows` ((r, g, b) tuples, top row first)."""
    image = Image.new('RGB', (len(rows[0]), len(rows)))
    image.putdata([pixel for row in rows for pixel in row])
    image.save(path, 'BMP')


def include_file(label, rows):
    """The pixel-data include file of a bitmap from a 24-bit file: every alpha is 255."""
    lines = [label + ':', 'Data %d' % len(rows[0]), 'Data %d' % len(rows)]
    lines += ['Data 255, %d, %d,%d' % pixel for row in rows for pixel in row]
    return ''.join(line + '\r\n' for line in lines).encode('ascii')


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def without_display(converter):
    env = {k: v for k, v in os.environ.items() if k != 'DISPLAY'}
    if 'LSAN_OPTIONS' in env:  # a sanitizer build's list of suppressed leaks is not ours
        env['LSAN_OPTIONS'] += ':print_suppressions=0'
    done = subprocess.run([converter], env=env, capture_output=True, text=True, timeout=20)
    lines = done.stderr.splitlines()
    if done.returncode == 0 or len(lines) != 1 or 'display' not in lines[0]:
        sys.exit('without a display: status %d, standard error %r'
                 % (done.returncode, done.stderr))
    print('without a display: status %d and one line: %s' % (done.returncode, lines[0]))


def start_window_manager(env):
    wm = subprocess.Popen(['openbox'], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while 'window id' not in run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], env).stdout:
        if time.monotonic() > deadline:
            sys.exit('openbox did not start')
        time.sleep(0.1)
    return wm


def convert_typed_path(s, rows):
    picture = os.path.join(s.work, 'picture.bmp')
    make_bitmap(picture, rows)
    s.click(INPUT_FIELD[0] + 20, INPUT_FIELD[1] + 6)
    s.xdotool('type', '--delay', 50, picture)
    done = s.press_button('Start', 'OK')
    s.shoot_root('done_box')
    s.answer(done, '"Done!" box', 'Return')
    s.no_window('Error', 'one press of "Start" converted more than once')
    output = os.path.join(s.work, 'Unnamed.bi')
    if not os.path.exists(output) or read(output) != include_file('Unnamed_bi', rows):
        sys.exit('Unnamed.bi is not the expected include file: %r'
                 % (read(output) if os.path.exists(output) else 'missing'))
    print('typed path + "Start": "Done!" (modal, above the window) and Unnamed.bi byte for '
          'byte (%d bytes)' % os.path.getsize(output))
    s.pointer_away()
    return picture, output


def decline_overwrite(s, output):
    before = (read(output), os.stat(output).st_ino, os.stat(output).st_mtime_ns)
    question = s.press_button('Start', 'Error')
    s.shoot_root('overwrite_question')
    s.answer(question, 'overwrite question', 'Tab', 'Return')  # from the default Yes to No
    s.no_window('OK', '"No" went on converting')
    after = (read(output), os.stat(output).st_ino, os.stat(output).st_mtime_ns)
    if after != before:
        sys.exit('answering No changed Unnamed.bi')
    print('"Start" again asks before overwriting; "No" leaves the file as it was')


def choose_file(s, rows):
    folder = os.path.join(s.work, 'Bilder')
    os.mkdir(folder)
    chosen = os.path.join(folder, 'blume.bmp')
    make_bitmap(chosen, rows)
    chooser = s.press_button('Chose File', CHOOSER_TITLE)
    s.shoot_root('chooser')
    s.xdotool('key', 'ctrl+l')
    time.sleep(0.3)
    s.xdotool('type', '--delay', 50, chosen)
    time.sleep(0.3)
    s.answer(chooser, 'file chooser', 'Return')
    s.pointer_away()
    pixels = s.compare(s.expected_frame(chosen, 'Resblume.bi'), 'fields_after_choice')
    print('"Chose File" with a typed path fills both fields: %s and Resblume.bi (%d pixels)'
          % (chosen, pixels))

    done = s.press_button('Start', 'OK')
    s.answer(done, '"Done!" box', 'Return')
    output = os.path.join(s.work, 'Resblume.bi')
    if not os.path.exists(output) or read(output) != include_file('Resblume_bi', rows):
        sys.exit('Resblume.bi is not the expected include file')
    print('"Start" after choosing writes Resblume.bi byte for byte')


def main():
    converter, font_path, shots = sys.argv[1:4]
    os.makedirs(shots, exist_ok=True)
    without_display(converter)

    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, GSETTINGS_BACKEND='memory')
    wm = start_window_manager(env)
    with tempfile.TemporaryDirectory(prefix='conv', dir='/tmp') as work:
        s = Session(converter, load_font(font_path), shots, work)
        s.env = env
        try:
            s.start()
            pixels = s.compare(s.expected_frame('', 'Unnamed.bi'), 'first_frame')
            print('window "converter", 640 x 50; its first frame matches (%d pixels)' % pixels)

            rows = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
                    [(0, 0, 0), (255, 255, 255), (180, 151, 71)]]
            _, output = convert_typed_path(s, rows)
            decline_overwrite(s, output)
            choose_file(s, [[(1, 2, 3)], [(250, 128, 7)]])

            s.activate(s.window)
            s.xdotool('keydown', 'Escape')
            time.sleep(0.3)
            s.xdotool('keyup', 'Escape')
            s.end('Escape')

            s.start()
            s.click(BUTTONS['Exit'][0] + 10, BUTTONS['Exit'][1] + 8)
            s.end('"Exit"')
        finally:
            if s.app and s.app.poll() is None:
                s.app.kill()
            wm.terminate()
            wm.wait()
            xvfb.terminate()
            xvfb.wait()
    print('PASS')


if __name__ == '__main__':
    main()

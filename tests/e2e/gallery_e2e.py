#!/usr/bin/env python3
"""Runs the gallery in its own Xvfb and uses it as a person would.

    gallery_e2e.py GALLERY FONT.txt

Clicks into the scrolling field, types with xdotool, ends the entry with Enter and compares the
field in a screenshot pixel by pixel with the field drawn from the font; asks the gallery to show
its fields' texts; holds the left button on "Start" for a second and counts the events it printed
(about 60 at 60 frames per second); ends it with Escape. On a mismatch the screenshot is kept in
the current folder.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

from PIL import Image

WINDOW = (640, 160)
SCROLL_FIELD = (10, 30, 30)  # x, y, length in characters
START_BUTTON = (280, 10, 'Start')
SHOW_BUTTON = (280, 30, 'Show')
TYPED = 'Hello, e2e!'


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


def load_font(path):
    glyphs = {}
    for line in open(path):
        match = re.match(r'([0-9A-F]{2}): ((?:[0-9A-F]{2} ?){8})$', line.strip())
        if match:
            glyphs[int(match.group(1), 16)] = [int(b, 16) for b in match.group(2).split()]
    return glyphs


class Picture:
    """Expected pixels, painted by the widgets' drawing rules."""

    def __init__(self, font):
        self.font = font
        self.pixels = {}

    def fill(self, x1, y1, x2, y2, colour):
        for y in range(y1, y2 + 1):
            for x in range(x1, x2 + 1):
                self.pixels[x, y] = colour

    def outline(self, x1, y1, x2, y2, colour):
        self.fill(x1, y1, x2, y1, colour)
        self.fill(x1, y2, x2, y2, colour)
        self.fill(x1, y1, x1, y2, colour)
        self.fill(x2, y1, x2, y2, colour)

    def text(self, x, y, text):
        for i, char in enumerate(text.encode('ascii')):
            for row, bits in enumerate(self.font[char]):
                for bit in range(8):
                    if bits & (1 << bit):
                        self.pixels[x + 8 * i + bit, y + row] = (0, 0, 0)

    def field(self, x, y, length, text):
        right = x + 8 * length + 4
        self.fill(x, y, right, y + 12, (255, 255, 255))
        self.outline(x, y, right, y + 12, (0xAA, 0xAA, 0xAA))
        self.fill(x + 1, y + 1, right - 1, y + 1, (0x66, 0x66, 0x66))
        self.fill(x + 1, y + 1, x + 1, y + 11, (0x66, 0x66, 0x66))
        self.text(x + 3, y + 4, text)

    def text_button(self, x, y, caption):
        w = 8 * len(caption)
        self.outline(x, y, x + w + 4, y + 16, (0xDD, 0xDD, 0xDD))
        self.fill(x + 1, y + 1, x + w + 3, y + 15, (0xCC, 0xCC, 0xCC))
        self.fill(x, y + 1, x + w + 2, y + 2, (255, 255, 255))
        self.fill(x + 2, y + 14, x + w + 3, y + 15, (0x66, 0x66, 0x66))
        self.fill(x + w + 2, y + 2, x + w + 3, y + 14, (0x66, 0x66, 0x66))
        self.text(x + 3, y + 5, caption)


def wait_for_window(env, gallery):
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        found = run(['xdotool', 'search', '--onlyvisible', '--name', '^gallery$'], env)
        if found.stdout.split():
            return found.stdout.split()[0]
        if gallery.poll() is not None:
            sys.exit('the gallery ended before showing its window: status %s' % gallery.returncode)
        time.sleep(0.1)
    sys.exit('no window titled "gallery" appeared')


def check_size(env, window):
    info = run(['xwininfo', '-id', window], env).stdout
    size = tuple(int(re.search(name + r': (\d+)', info).group(1)) for name in ('Width', 'Height'))
    if size != WINDOW:
        sys.exit('window size %s, expected %s' % (size, WINDOW))
    print('window "gallery", %d x %d' % size)


def click(env, window, x, y):
    run(['xdotool', 'mousemove', '--window', window, str(x), str(y)], env)
    time.sleep(0.1)
    run(['xdotool', 'mousedown', '1'], env)
    time.sleep(0.1)  # a few frames: the widgets poll the button state
    run(['xdotool', 'mouseup', '1'], env)
    time.sleep(0.1)


def compare(env, window, expected):
    deadline = time.monotonic() + 5
    while True:
        shot_file = os.path.join(tempfile.gettempdir(), 'gallery_shot_%d.png' % os.getpid())
        run(['import', '-window', window, shot_file], env)
        shot = Image.open(shot_file).convert('RGB')
        os.remove(shot_file)
        got = shot.load()
        wrong = [(xy, got[xy], colour) for xy, colour in sorted(expected.pixels.items())
                 if shot.size != WINDOW or got[xy] != colour]
        if not wrong:
            print('screenshot shows the field and the buttons exactly (%d pixels)'
                  % len(expected.pixels))
            return
        if time.monotonic() > deadline:
            shot.save('gallery_screenshot.png')
            sys.exit('%d pixels differ, first: %s (kept gallery_screenshot.png in %s)'
                     % (len(wrong), wrong[:5], os.getcwd()))
        time.sleep(0.2)


def lines_of(log):
    log.flush()
    with open(log.name) as f:
        return f.read().splitlines()


def main():
    gallery_path, font_path = sys.argv[1:3]
    font = load_font(font_path)
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    log = tempfile.NamedTemporaryFile('w+', prefix='gallery_e2e_', suffix='.log')
    gallery = subprocess.Popen([gallery_path], env=env, stderr=log)
    try:
        window = wait_for_window(env, gallery)
        check_size(env, window)
        run(['xdotool', 'windowfocus', '--sync', window], env)

        x, y, length = SCROLL_FIELD
        click(env, window, x + 20, y + 6)
        run(['xdotool', 'type', '--delay', '50', TYPED], env)
        run(['xdotool', 'key', 'Return'], env)  # ends the entry: no caret in the screenshot
        run(['xdotool', 'mousemove', '--window', window, '600', '150'], env)
        expected = Picture(font)
        expected.field(x, y, length, TYPED)
        expected.text_button(*START_BUTTON)
        compare(env, window, expected)

        click(env, window, SHOW_BUTTON[0] + 5, SHOW_BUTTON[1] + 5)
        if 'ScrollTextBox: ' + TYPED not in lines_of(log):
            sys.exit('"Show" did not report the typed text: %s' % lines_of(log))
        print('"Show" reports the field holding %r' % TYPED)

        before = lines_of(log).count('Button Start')
        run(['xdotool', 'mousemove', '--window', window, str(START_BUTTON[0] + 10),
             str(START_BUTTON[1] + 8)], env)
        time.sleep(0.2)
        run(['xdotool', 'mousedown', '1'], env)
        time.sleep(1.0)
        run(['xdotool', 'mouseup', '1'], env)
        time.sleep(0.2)
        events = lines_of(log).count('Button Start') - before
        print('holding "Start" for one second fired %d events' % events)
        if not 40 <= events <= 70:
            sys.exit('expected about 60 events, got %d' % events)

        run(['xdotool', 'keydown', 'Escape'], env)
        time.sleep(0.3)
        run(['xdotool', 'keyup', 'Escape'], env)
        try:
            status = gallery.wait(timeout=10)
        except subprocess.TimeoutExpired:
            sys.exit('the gallery did not end on Escape')
        if status != 0:
            sys.exit('the gallery ended with status %d' % status)
        print('ended with status 0 on Escape')
    finally:
        if gallery.poll() is None:
            gallery.kill()
        xvfb.terminate()
        xvfb.wait()


if __name__ == '__main__':
    main()

"""What the end-to-end scripts share: a private X server (and window manager) per test, the
programs' windows found and driven with xdotool, and screenshots compared pixel by pixel with
pictures painted by the drawing rules.

Every helper that can fail ends the script with a message (sys.exit), as the scripts themselves do.
"""
import contextlib
import os
import re
import subprocess
import sys
import tempfile
import time

from PIL import Image

BLACK = (0, 0, 0)
UNCHECKED = (0xFF, 0x00, 0xFF)  # marks the pixels a picture leaves open in its saved image
GLYPH_LINE = re.compile(r'([0-9A-F]{2}): ((?:[0-9A-F]{2} ?){8})$')


def load_font(path):
    """The 8 x 8 font file: character code -> its eight row bytes, bit 0 the leftmost pixel."""
    glyphs = {}
    with open(path, encoding='utf-8') as lines:
        for line in lines:
            match = GLYPH_LINE.match(line.strip())
            if match:
                glyphs[int(match.group(1), 16)] = [int(b, 16) for b in match.group(2).split()]
    return glyphs


def run(args, env):
    return subprocess.run([str(a) for a in args], env=env, capture_output=True, text=True,
                          timeout=60)


def xdotool(env, *args):
    return run(['xdotool', *args], env)


@contextlib.contextmanager
def private_display(screen='1024x768', **settings):
    """An Xvfb of its own for the block, on a display number it picks itself (so tests can run side
    by side), its screen `screen` pixels; yields the environment that reaches it, with `settings`
    added."""
    read_end, write_end = os.pipe()
    # -noreset: a server left by its last client resets, and a program connecting meanwhile
    # (the one under test, while xdotool polls for its window) is refused.
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write_end), '-screen', '0', screen + 'x24',
                             '-nolisten', 'tcp', '-noreset'], pass_fds=(write_end,),
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    try:
        if not display:
            sys.exit('Xvfb did not start')
        yield dict(os.environ, DISPLAY=':' + display, **settings)
    finally:
        xvfb.terminate()
        xvfb.wait()


@contextlib.contextmanager
def window_manager(env):
    """openbox on the display for the block, from the moment it has announced itself. An openbox
    that ends before announcing itself is started again (a loaded machine can make its first start
    fail); what it said is reported if it never comes up."""
    with tempfile.TemporaryFile(mode='w+') as said:
        wm = None
        try:
            deadline = time.monotonic() + 60
            while True:
                if wm is None or wm.poll() is not None:
                    wm = subprocess.Popen(['openbox', '--replace'], env=env,
                                          stdout=subprocess.DEVNULL, stderr=said)
                if 'window id' in run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], env).stdout:
                    break
                if time.monotonic() > deadline:
                    said.seek(0)
                    sys.exit('openbox did not start (status %s): %s' % (wm.poll(), said.read()))
                time.sleep(0.1)
            yield
        finally:
            if wm is not None:
                wm.terminate()
                wm.wait()


@contextlib.contextmanager
def running(args, env, **options):
    """The program under test (subprocess.Popen `options`), killed at the end of the block if it
    is still running then."""
    program = subprocess.Popen(args, env=env, **options)
    try:
        yield program
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()


def program_name(program):
    return os.path.basename(program.args[0])


def errors_of(program):
    """What an ended program wrote to its standard error, where that is a pipe of ours."""
    errors = program.stderr.read().strip() if program.stderr else ''
    return ': ' + errors if errors else ''


def printed_lines(log):
    """The lines written so far to `log`, a temporary file a program writes to."""
    log.flush()
    with open(log.name) as f:
        return f.read().splitlines()


def find_window(env, title):
    """The id of a visible window titled exactly `title`, or None."""
    found = xdotool(env, 'search', '--onlyvisible', '--name', '^%s$' % title).stdout.split()
    return found[0] if found else None


def wait_for_window(env, title, program, seconds=60, root_shot=None):
    """Returns the id of the window titled `title` once it shows; exits if `program` ends first or
    the window is not there after `seconds` (keeping a shot of the whole screen as `root_shot`)."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        window = find_window(env, title)
        if window:
            return window
        if program.poll() is not None:
            sys.exit('the %s ended (status %s) while waiting for the window "%s"%s'
                     % (program_name(program), program.returncode, title, errors_of(program)))
        time.sleep(0.1)
    if root_shot:
        save_screenshot(env, 'root', root_shot)
    sys.exit('no window titled "%s" appeared' % title)


def window_title_and_size(env, window):
    """The window's title and (width, height) as xwininfo gives them; None for what it doesn't."""
    info = run(['xwininfo', '-id', window], env).stdout
    title = re.search(r'Window id: \S+ "(.*)"', info)
    width = re.search(r'Width: (\d+)', info)
    height = re.search(r'Height: (\d+)', info)
    size = (int(width.group(1)), int(height.group(1))) if width and height else None
    return (title.group(1) if title else None), size


def wait_title(env, window, title, seconds=60):
    """Waits until the window's title (_NET_WM_NAME) is `title`."""
    wait_title_matching(env, window, re.escape(title), seconds)


def wait_title_matching(env, window, pattern, seconds=60):
    """Waits until the window's title (_NET_WM_NAME) matches the regular expression `pattern` whole,
    and gives the match."""
    deadline = time.monotonic() + seconds
    while True:
        got = run(['xprop', '-id', window, '-notype', '_NET_WM_NAME'], env).stdout
        quoted = re.search(r'= "(.*)"', got)
        title = quoted.group(1) if quoted else None
        match = re.fullmatch(pattern, title or '')
        if match:
            print('title:', title)
            return match
        if time.monotonic() > deadline:
            sys.exit('title %r; expected %r' % (title, pattern))
        time.sleep(0.1)


def expect_window(env, window, title, size):
    """Exits unless the window has this title and this (width, height)."""
    got_title, got_size = window_title_and_size(env, window)
    if (got_title, got_size) != (title, size):
        sys.exit('window %r, size %s; expected "%s", %s' % (got_title, got_size, title, size))
    print('window "%s", %d x %d' % (title, *size))


def close_with_escape(env, window, what, seconds=60):
    """Escape to the window until it closes: a dialog that is still being built on a loaded
    machine may miss the first one."""
    deadline = time.monotonic() + seconds
    while run(['xwininfo', '-id', window], env).returncode == 0:
        if time.monotonic() > deadline:
            sys.exit('the %s did not close' % what)
        # A window that went meanwhile cannot be activated: the key would reach another one.
        if xdotool(env, 'windowactivate', '--sync', window).returncode == 0:
            xdotool(env, 'key', 'Escape')
        wait_until_closed(env, window, what, seconds=5, give_up=False)


def wait_until_closed(env, window, what, seconds=60, give_up=True):
    """Waits for the window to go; ends the script if it does not (unless `give_up` is False)."""
    deadline = time.monotonic() + seconds
    while run(['xwininfo', '-id', window], env).returncode == 0:
        if time.monotonic() > deadline:
            if not give_up:
                return
            sys.exit('the %s did not close' % what)
        time.sleep(0.1)


def click(env, window, x, y):
    """A left click at (x, y) of the window, the button held for a few frames: the widgets poll the
    button state."""
    xdotool(env, 'mousemove', '--window', window, x, y)
    time.sleep(0.1)
    xdotool(env, 'mousedown', 1)
    time.sleep(0.1)
    xdotool(env, 'mouseup', 1)
    time.sleep(0.1)


def type_text(env, text):
    xdotool(env, 'type', '--delay', 50, text)


def hold_key(env, key, seconds=0.3):
    """Holds the key long enough for the program's frames to see it down."""
    xdotool(env, 'keydown', key)
    time.sleep(seconds)
    xdotool(env, 'keyup', key)


def expect_exit(program, how):
    """Exits unless the program ends `how` (e.g. "on Escape") with status 0 within a minute."""
    name = program_name(program)
    try:
        status = program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        sys.exit('the %s did not end %s' % (name, how))
    if status != 0:
        sys.exit('the %s ended with status %d %s%s' % (name, status, how, errors_of(program)))
    print('the %s ended with status 0 %s' % (name, how))


def save_screenshot(env, window, path):
    run(['import', '-window', window, path], env)


def screenshot(env, window):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'shot.png')
        save_screenshot(env, window, path)
        return Image.open(path).convert('RGB')


class Picture:
    """Expected pixels, painted by the drawing rules; pixels left unpainted are not checked."""

    def __init__(self, font=None):
        self.font = font
        self.pixels = {}

    @classmethod
    def of_image(cls, image):
        """Every pixel of the image, expected as it is."""
        picture = cls()
        pixels = image.load()
        width, height = image.size
        picture.pixels = {(x, y): pixels[x, y] for y in range(height) for x in range(width)}
        return picture

    def fill(self, x1, y1, x2, y2, colour):
        for y in range(y1, y2 + 1):
            for x in range(x1, x2 + 1):
                self.pixels[x, y] = colour

    def outline(self, x1, y1, x2, y2, colour):
        self.fill(x1, y1, x2, y1, colour)
        self.fill(x1, y2, x2, y2, colour)
        self.fill(x1, y1, x1, y2, colour)
        self.fill(x2, y1, x2, y2, colour)

    def text(self, x, y, text, colour=BLACK):
        """Each character in its code page 437 glyph, "?" for those the font lacks."""
        for i, char in enumerate(text.encode('cp437', errors='replace')):
            for row, bits in enumerate(self.font[char]):
                for bit in range(8):
                    if bits & (1 << bit):
                        self.pixels[x + 8 * i + bit, y + row] = colour

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

    def differences(self, shot, origin=(0, 0)):
        """((x, y), got, expected) for every painted pixel the shot shows otherwise, with the
        picture's top-left corner at `origin` of the shot."""
        got = shot.load()
        ox, oy = origin
        return [((x, y), got[ox + x, oy + y], colour) for (x, y), colour in self.pixels.items()
                if got[ox + x, oy + y] != colour]

    def image(self, size):
        """The picture as an image of `size`, the pixels it leaves open in UNCHECKED."""
        image = Image.new('RGB', size, UNCHECKED)
        pixels = image.load()
        for (x, y), colour in self.pixels.items():
            if x < size[0] and y < size[1]:
                pixels[x, y] = colour
        return image


def expect_picture(env, window, size, expected, what, keep, keep_matching=False, seconds=60):
    """Waits up to `seconds` for the window, `size` big, to show the Picture `expected`; returns the
    number of pixels checked. On a mismatch exits, keeping the last screenshot as KEEP.png and the
    expected pixels as KEEP_expected.png; `keep_matching` keeps a matching screenshot too."""
    deadline = time.monotonic() + seconds
    while True:
        shot = screenshot(env, window)
        wrong = expected.differences(shot) if shot.size == size else ['size %s' % (shot.size,)]
        if not wrong or time.monotonic() > deadline:
            break
        time.sleep(0.2)  # the window may not have drawn its newest frame yet
    if wrong or keep_matching:
        shot.save(keep + '.png')
    if wrong:
        expected.image(size).save(keep + '_expected.png')
        kept = os.path.abspath(keep)
        sys.exit('%s: %d differences, first ((x, y), got, expected): %s (kept %s.png and '
                 '%s_expected.png)' % (what, len(wrong), wrong[:5], kept, kept))
    print('screenshot shows %s exactly (%d pixels)' % (what, len(expected.pixels)))
    return len(expected.pixels)

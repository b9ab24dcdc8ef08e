#!/usr/bin/python3
"""The time from starting the viewer to its first frame on the screen, against feh's, on the same
4000 x 3000 JPEG in the same private Xvfb with openbox. Needs feh (`apt-get install feh`, for this
measurement only), Xvfb, openbox, Pillow and python3-xlib.

    /usr/bin/python3 bench/viewer_first_frame_vs_feh.py VIEWER [RUNS]

A run ends when the screen's centre pixel shows the picture's colour (the picture is that colour
with a little noise everywhere, so that it shows there whatever the zoom and the window's place);
the pixel is read through Xlib every few milliseconds. Prints the median of the runs for the
viewer, for feh as it starts (100 %, cut to the screen) and for feh --scale-down (fitted, as the
viewer shows it), and the ratios.
"""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image
from Xlib import X, display as xdisplay

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'e2e'))
import desktop  # noqa: E402

COLOUR = (220, 40, 200)
SCREEN = '1280x800'


def make_photo(path):
    """A 4000 x 3000 JPEG whose every pixel is near COLOUR, with noise a photo's entropy."""
    random.seed(7)
    noise = bytes(random.randrange(256) for _ in range(1 << 16))
    picture = Image.new('RGB', (4000, 3000), COLOUR)
    speckle = Image.frombytes('L', (256, 256), noise).resize((4000, 3000))
    picture = Image.blend(picture, Image.merge('RGB', (speckle,) * 3), 0.12)
    picture.save(path, quality=92)


def centre_matches(root, width, height):
    pixel = root.get_image(width // 2, height // 2, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
    blue, green, red = pixel[0], pixel[1], pixel[2]
    return all(abs(a - b) <= 45 for a, b in zip((red, green, blue), COLOUR))


def first_frame_seconds(command, env, seconds=60):
    connection = xdisplay.Display(env['DISPLAY'])
    root = connection.screen().root
    width, height = (int(v) for v in SCREEN.split('x'))
    if centre_matches(root, width, height):
        sys.exit('the screen shows the picture before the run')
    start = time.monotonic()
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        while not centre_matches(root, width, height):
            if time.monotonic() - start > seconds or program.poll() is not None:
                sys.exit('%s showed nothing (status %s)' % (command[0], program.poll()))
            time.sleep(0.003)
        return time.monotonic() - start
    finally:
        program.kill()
        program.wait()
        connection.close()
        time.sleep(0.3)  # the window goes before the next run looks


def main():
    viewer = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    with tempfile.TemporaryDirectory() as folder:
        photo = os.path.join(folder, 'photo.jpg')
        make_photo(photo)
        commands = {'viewer': [viewer, photo], 'feh': ['feh', photo],
                    'feh --scale-down': ['feh', '--scale-down', photo]}
        times = {name: [] for name in commands}
        with desktop.private_display(SCREEN) as env, desktop.window_manager(env):
            for _ in range(runs):  # in turns, so that a busy moment hits each alike
                for name, command in commands.items():
                    times[name].append(first_frame_seconds(command, env))
    medians = {name: statistics.median(values) for name, values in times.items()}
    for name, median in medians.items():
        print('%-17s first frame %.3f s (median of %d; %s)' % (
            name, median, runs, ', '.join('%.3f' % t for t in times[name])))
    for name in ('feh', 'feh --scale-down'):
        print('viewer / %-16s %.2fx' % (name, medians['viewer'] / medians[name]))


if __name__ == '__main__':
    main()

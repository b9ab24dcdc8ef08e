#!/usr/bin/env python3
"""The converter on a 3840 x 2160 Xvfb at the desktop's scale of 2 (GDK_SCALE=2).

    converter_scaled_e2e.py CONVERTER SHOT_DIR

The window is 1280 x 100, every frame pixel shown as a 2 x 2 block; a click on each button where
it is drawn does what that button does: "Chose File" opens the chooser, "Start" (nothing typed)
the failure box, "Exit" ends the converter with status 0.
"""
import os
import subprocess
import sys
import time

import desktop
from desktop import xdotool

SCALE = 2
# Frame points inside each button (converter_e2e.py's BUTTONS, moved into the caption).
BUTTONS = {'Chose File': (460, 16), 'Start': (460, 36), 'Exit': (510, 36)}


def click_scaled(env, window, caption):
    x, y = BUTTONS[caption]
    desktop.click(env, window, x * SCALE, y * SCALE)


def dialog_after(env, app, window, caption, shots):
    """Clicks the button and waits for a new window; closes it again with Escape."""
    before = set(xdotool(env, 'search', '--onlyvisible', '--name', '.').stdout.split())
    click_scaled(env, window, caption)
    deadline = time.monotonic() + 60
    while True:
        now = set(xdotool(env, 'search', '--onlyvisible', '--name', '.').stdout.split())
        new = now - before
        if new:
            break
        if time.monotonic() > deadline or app.poll() is not None:
            sys.exit('a click on "%s" at its scaled place opened nothing' % caption)
        time.sleep(0.1)
    dialog = new.pop()
    time.sleep(0.5)
    name = caption.replace(' ', '_').lower()
    desktop.save_screenshot(env, 'root', os.path.join(shots, 'converter_scaled_%s.png' % name))
    print('"%s" opened "%s"' % (caption, desktop.window_title_and_size(env, dialog)[0]))
    desktop.close_with_escape(env, dialog, 'dialog of "%s"' % caption)


def main():
    converter, shots = sys.argv[1], sys.argv[2]
    os.makedirs(shots, exist_ok=True)
    with desktop.private_display('3840x2160', GDK_SCALE=str(SCALE)) as env, \
            desktop.window_manager(env), \
            desktop.running([converter], env, cwd=shots, stderr=subprocess.PIPE, text=True) as app:
        window = desktop.wait_for_window(env, 'converter', app)
        desktop.expect_window(env, window, 'converter', (640 * SCALE, 50 * SCALE))
        time.sleep(0.5)
        shot = desktop.screenshot(env, window)
        shot.save(os.path.join(shots, 'converter_scaled.png'))
        pixels = shot.load()
        blocks = [(x, y) for y in range(0, 100, 2) for x in range(0, 1280, 2)
                  if len({pixels[x + i, y + j] for i in (0, 1) for j in (0, 1)}) != 1]
        if blocks:
            sys.exit('not 2 x 2 blocks at %s' % blocks[:5])
        print('every frame pixel is a 2 x 2 block')
        xdotool(env, 'windowactivate', '--sync', window)
        dialog_after(env, app, window, 'Chose File', shots)
        dialog_after(env, app, window, 'Start', shots)
        click_scaled(env, window, 'Exit')
        desktop.expect_exit(app, 'on a click on "Exit" at its scaled place')


if __name__ == '__main__':
    main()

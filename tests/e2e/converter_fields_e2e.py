#!/usr/bin/env python3
"""The converter's fields and boxes as a desktop user meets them, and as a hostile client
attacks them, in Xvfb with openbox; then the viewer under the same attacks.

    converter_fields_e2e.py CONVERTER VIEWER FONT.txt SHOT_DIR

Fields: 200 characters typed 1 ms apart arrive exactly; Ctrl+A then typing replaces the path; 10
Left taps 20 ms apart move the caret 10 places; Shift+Ctrl+Right selects, shown inverted. Boxes:
Return on the overwrite question keeps the old file's bytes; Escape in the chooser leaves both
fields; the third answer of "Large file" writes a picture shrunk to fit 640 x 480; a pasted line
of 20 MB makes a box no wider than the screen, in a time the script prints. Attacks: XDND
messages naming a window that does not exist, and a drag source that quits once it gave its
data, leave both programs running and the fields as they were. Shots in SHOT_DIR.
"""
import os
import subprocess
import sys
import tempfile
import time

from PIL import Image
from Xlib import X, display, protocol

import converter_e2e as base
import desktop

FIELD_TEXT_X = base.INPUT_FIELD[0] + 3
ALPHABET = 'abcdefghijklmnopqrstuvwxyz'
GHOST = 0x7ffff0  # no window has this id


def clipboard(env):
    return subprocess.run(['xclip', '-o', '-selection', 'clipboard'], env=env,
                          capture_output=True, timeout=60).stdout


def field_text(s, previous):
    """What the input field holds, copied by Ctrl+A, Ctrl+C once every key typed before has
    reached it (they are taken in order, one a frame)."""
    s.xdotool('key', 'ctrl+a', 'ctrl+c')
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        copied = clipboard(s.env)
        if copied != previous:
            return copied.decode()
        time.sleep(0.2)
    sys.exit('Ctrl+C in the field gave the clipboard nothing new')


def focus_field(s):
    s.activate(s.window)
    s.click(base.INPUT_FIELD[0] + 20, base.INPUT_FIELD[1] + 6)


def typing_at_machine_speed(s):
    typed = ''.join(ALPHABET[i * 7 % 26] if i % 9 else '/' for i in range(200))
    focus_field(s)
    desktop.xdotool(s.env, 'type', '--delay', 1, typed)
    got = field_text(s, b'')
    if got != typed:
        sys.exit('200 characters typed 1 ms apart arrived as %r' % got)
    print('200 characters typed 1 ms apart arrived exactly')
    # The field is all selected now: typing replaces it.
    path = '/tmp/' + ALPHABET
    desktop.xdotool(s.env, 'type', '--delay', 1, path)
    s.xdotool('key', '--delay', '20', *['Left'] * 10)
    s.xdotool('type', 'X')
    got = field_text(s, typed.encode())
    expected = '/tmp/' + ALPHABET[:16] + 'X' + ALPHABET[16:]
    if got != expected:
        sys.exit('Ctrl+A, typing and 10 Left taps gave %r, not %r' % (got, expected))
    print('Ctrl+A then typing replaced the path; 10 Left taps 20 ms apart moved 10 places')
    s.xdotool('key', 'End', 'Return')
    s.pointer_away()
    s.compare(s.expected_frame(expected, 'Res%s.bi' % expected[5:]), 'fields_typed',
              'the typed path and the output name that follows it')


def selection_shows_inverted(s):
    focus_field(s)
    s.xdotool('key', 'ctrl+a')
    s.xdotool('type', '--delay', '20', '/tmp/pics/sunset.png')
    s.xdotool('key', 'Home', 'shift+ctrl+Right', 'shift+ctrl+Right')
    s.pointer_away()
    expected = s.expected_frame('/tmp/pics/sunset.png', 'Ressunset.bi')
    x, y = FIELD_TEXT_X, base.INPUT_FIELD[1]
    # "/tmp/pics" selected, white on black; the caret after it lies in the black.
    expected.fill(x, y + 3, x + 8 * 9 - 1, y + 11, desktop.BLACK)
    expected.text(x, y + 4, '/tmp/pics', (255, 255, 255))
    s.compare(expected, 'selection', 'the selection "/tmp/pics", inverted')
    s.xdotool('key', 'Return')


def typed_path(s, path):
    focus_field(s)
    s.xdotool('key', 'ctrl+a')
    s.xdotool('type', '--delay', '5', path)
    s.xdotool('key', 'Return')


def return_keeps_the_file(s, rows):
    picture = os.path.join(s.work, 'keep.bmp')
    base.make_bitmap(picture, rows)
    typed_path(s, picture)
    s.answer(s.press_button('Start', 'OK'), '"Done!" box', 'Return')
    output = os.path.join(s.work, 'Reskeep.bi')
    before = (base.read(output), os.stat(output).st_ino, os.stat(output).st_mtime_ns)
    question = s.press_button('Start', 'Error')
    s.shoot_root('overwrite_question')
    s.answer(question, 'overwrite question', 'Return')
    s.no_window('OK', 'Return on the overwrite question went on converting')
    if (base.read(output), os.stat(output).st_ino, os.stat(output).st_mtime_ns) != before:
        sys.exit('Return on the overwrite question replaced the file')
    print('Return on the overwrite question kept the old file\'s bytes')
    return picture


def cancel_keeps_the_fields(s, picture):
    s.pointer_away()
    expected = s.expected_frame(picture, 'Reskeep.bi')
    s.compare(expected, 'before_chooser', 'the fields before the chooser')
    chooser = s.press_button('Chose File', base.CHOOSER_TITLE)
    desktop.close_with_escape(s.env, chooser, 'file chooser')
    s.activate(s.window)
    s.pointer_away()
    s.compare(expected, 'after_chooser', 'the fields unchanged by the cancelled chooser')


def fit_writes_a_small_file(s):
    big = os.path.join(s.work, 'photo.png')
    Image.new('RGB', (4000, 3000), (200, 120, 40)).save(big)
    typed_path(s, big)
    question = s.press_button('Start', 'Large file')
    s.shoot_root('large_file_question')
    s.xdotool('key', 'Tab', 'Return')  # from No, the default, to the third answer
    desktop.wait_until_closed(s.env, question, 'large-file question')
    s.answer(s.wait_window('OK'), '"Done!" box', 'Return')
    with open(os.path.join(s.work, 'Resphoto.bi'), 'rb') as f:
        head = [f.readline() for _ in range(3)]
    if head[1:] != [b'Data 640\r\n', b'Data 480\r\n']:
        sys.exit('the third answer wrote a picture of %r' % head)
    print('"Fit 640 x 480" wrote the photo of 4000 x 3000 as 640 x 480')


def long_paste(s):
    """20 MB on one line, pasted; "Start" then shows the load failure, the path shortened."""
    line = b'/tmp/' + b'x' * (20 << 20)
    with desktop.running(['xclip', '-quiet', '-selection', 'clipboard'], s.env,
                         stdin=subprocess.PIPE, stderr=subprocess.DEVNULL) as owner:
        owner.stdin.write(line)
        owner.stdin.close()
        deadline = time.monotonic() + 60
        while subprocess.run(['xclip', '-o', '-selection', 'clipboard'], env=s.env,
                             capture_output=True).stdout[:9] != line[:9]:
            if time.monotonic() > deadline:
                sys.exit('xclip did not take the clipboard')
            time.sleep(0.2)
        focus_field(s)
        s.xdotool('key', 'ctrl+a', 'ctrl+v', 'Return')
        s.pointer_away()
        s.compare(s.expected_frame('x' * 50, 'x' * 47 + '.bi'), 'pasted_20_mb',
                  'the tails of the pasted line and of the output name')
        started = time.monotonic()
        box = s.press_button('Start', 'Error')
        print('the box of a 20 MB path showed %.2f s after "Start"' % (time.monotonic() - started))
        s.shoot_root('long_path_box')
        _, size = desktop.window_title_and_size(s.env, box)
        if size[0] > 1024:
            sys.exit('the box of a long path is %d pixels wide' % size[0])
        s.answer(box, 'load-failure box', 'Return')


def send(d, target, name, *data):
    target.send_event(protocol.event.ClientMessage(
        window=target, client_type=d.intern_atom(name),
        data=(32, list(data) + [0] * (5 - len(data)))))
    d.flush()


def ghost_drag(env, window):
    """XdndEnter, XdndPosition and XdndDrop naming a window that does not exist."""
    d = display.Display(env['DISPLAY'])
    target = d.create_resource_object('window', int(window))
    send(d, target, 'XdndEnter', GHOST, 5 << 24, d.intern_atom('text/uri-list'))
    send(d, target, 'XdndPosition', GHOST, 0, (100 << 16) | 20, X.CurrentTime,
         d.intern_atom('XdndActionCopy'))
    send(d, target, 'XdndDrop', GHOST, 0, X.CurrentTime)
    d.sync()
    d.close()


def quitting_drag(env, window, uris):
    """A drag source that answers the request for its data and quits at once."""
    d = display.Display(env['DISPLAY'])
    atom = d.intern_atom
    target = d.create_resource_object('window', int(window))
    source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    source.set_selection_owner(atom('XdndSelection'), X.CurrentTime)
    send(d, target, 'XdndEnter', source.id, 5 << 24, atom('text/uri-list'))
    send(d, target, 'XdndPosition', source.id, 0, (100 << 16) | 20, X.CurrentTime,
         atom('XdndActionCopy'))
    deadline, dropped = time.monotonic() + 60, False
    while time.monotonic() < deadline:
        if not d.pending_events():
            time.sleep(0.01)
            continue
        e = d.next_event()
        if e.type == X.ClientMessage and e.client_type == atom('XdndStatus') and not dropped:
            send(d, target, 'XdndDrop', source.id, 0, X.CurrentTime)
            dropped = True
        elif e.type == X.SelectionRequest:
            e.requestor.change_property(e.property, atom('text/uri-list'), 8, uris.encode())
            e.requestor.send_event(protocol.event.SelectionNotify(
                time=e.time, requestor=e.requestor, selection=e.selection, target=e.target,
                property=e.property))
            d.close()
            return
    sys.exit('the drop target never asked for the data')


def attacks(env, window, program, name, still):
    """Each attack, then `still()` checks the program is running as before."""
    for what, attack in (
            ('XDND naming window 0x7ffff0', lambda: ghost_drag(env, window)),
            ('a source that quits after giving a URI with %00',
             lambda: quitting_drag(env, window, 'file:///tmp/a.bmp%00.png\r\n'))):
        attack()
        time.sleep(1)
        if program.poll() is not None:
            sys.exit('the %s ended (status %s) after %s%s'
                     % (name, program.returncode, what, desktop.errors_of(program)))
        still(what)
        print('the %s still runs after %s' % (name, what))


def main():
    converter, viewer, font_path, shots = sys.argv[1:5]
    os.makedirs(shots, exist_ok=True)
    with desktop.private_display(GSETTINGS_BACKEND='memory', LC_ALL='C.UTF-8') as env, \
            desktop.window_manager(env), \
            tempfile.TemporaryDirectory(prefix='fields', dir='/tmp') as work:
        s = base.Session(env, converter, desktop.load_font(font_path), shots, work)
        rows = [[(255, 0, 0), (0, 0, 255)], [(9, 99, 199), (255, 255, 255)]]
        with s.running() as app:
            s.start(app)
            typing_at_machine_speed(s)
            selection_shows_inverted(s)
            picture = return_keeps_the_file(s, rows)
            cancel_keeps_the_fields(s, picture)
            expected = s.expected_frame(picture, 'Reskeep.bi')
            attacks(env, s.window, app, 'converter',
                    lambda what: s.compare(expected, 'after_attack',
                                           'the fields unchanged by %s' % what))
            fit_writes_a_small_file(s)
            long_paste(s)
            s.activate(s.window)
            started = time.monotonic()
            s.click(base.BUTTONS['Exit'][0] + 10, base.BUTTONS['Exit'][1] + 8)
            desktop.expect_exit(app, 'on "Exit"')
            print('"Exit" ended it %.2f s after the click began' % (time.monotonic() - started))

        shown = os.path.join(work, 'shown.bmp')
        base.make_bitmap(shown, rows)
        with desktop.running([viewer, shown], env, stderr=subprocess.PIPE, text=True) as app:
            window = desktop.wait_for_window(env, 'shown.bmp.*', app)
            attacks(env, window, app, 'viewer', lambda what: None)
            desktop.xdotool(env, 'windowactivate', '--sync', window)
            desktop.xdotool(env, 'key', 'q')
            desktop.expect_exit(app, 'on q')
    print('PASS')


if __name__ == '__main__':
    main()

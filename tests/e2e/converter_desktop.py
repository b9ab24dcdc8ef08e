#!/usr/bin/env python3
"""Uses the converter on a desktop (Xvfb with openbox) as a laptop user would.

    converter_desktop.py CONVERTER FONT.txt SHOT_DIR

A tap (xdotool click, no hold) on "Start" with an empty path brings the load-failure box once; a
path with umlauts pasted from the clipboard with Ctrl+V shows in the font's glyphs and converts
with a tap on "Start"; the same path typed into the desktop's chooser fills "ResBäume Ü.bi" and
converts to that file; files dropped onto the window by an XDND source of this script fill both
fields from the first; the window manager's close (wmctrl -c, and Alt+F4 in a second run) ends
the converter with status 0. Screenshots are kept in SHOT_DIR.
"""
import os
import subprocess
import sys
import tempfile
import time

from Xlib import X, display, protocol

import converter_e2e as base
import desktop

NAME = 'Bäume Ü.bmp'
DROPPED = 'Grün Blatt.bmp'


def tap(s, x, y):
    """A click as a touchpad tap or xdotool gives it: pressed and released at once."""
    s.xdotool('mousemove', '--window', s.window, x, y)
    time.sleep(0.1)
    s.xdotool('click', '1')


def tap_button(s, caption, box_title):
    x, y = base.BUTTONS[caption]
    tap(s, x + 10, y + 8)
    return s.wait_window(box_title)


def include_file(label, rows):
    """The include file with a label beyond ASCII, kept as the output name's UTF-8 bytes."""
    return base.include_file('LABEL', rows).replace(b'LABEL:', label.encode() + b':', 1)


def expect_file(path, label, rows):
    if not os.path.exists(path) or base.read(path) != include_file(label, rows):
        sys.exit('%s is not the expected include file' % path)
    print('wrote %s byte for byte' % os.path.basename(path))


def tap_start_on_empty_path(s):
    box = tap_button(s, 'Start', 'Error')
    s.shoot_root('tap_load_failure')
    s.answer(box, 'load-failure box', 'Return')
    s.no_window('Error', 'one tap converted twice')
    print('a tap on "Start" with an empty path brings the load-failure box, once')


def paste_path(s, picture, rows):
    clipboard = subprocess.Popen(['xclip', '-quiet', '-selection', 'clipboard'], env=s.env,
                                 stdin=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        clipboard.stdin.write(picture.encode())
        clipboard.stdin.close()
        time.sleep(0.5)  # xclip owns the clipboard once it has read its input
        tap(s, base.INPUT_FIELD[0] + 20, base.INPUT_FIELD[1] + 6)
        s.xdotool('key', 'ctrl+v')
        s.xdotool('key', 'Return')  # ends the entry: no caret in the screenshot
        s.pointer_away()
        s.compare(s.expected_frame(picture, 'Unnamed.bi'), 'pasted_path',
                  'the pasted path in its glyphs (%s)' % picture)
    finally:
        clipboard.kill()
        clipboard.wait()
    s.answer(tap_button(s, 'Start', 'OK'), '"Done!" box', 'Return')
    expect_file(os.path.join(s.work, 'Unnamed.bi'), 'Unnamed_bi', rows)


def choose_typed_path(s, picture, rows):
    chooser = s.press_button('Chose File', base.CHOOSER_TITLE)
    s.xdotool('key', 'ctrl+l')
    time.sleep(0.3)
    # xdotool types a capital letter that the keyboard map lacks as the small one: Ü with Shift.
    before, after = picture.split('Ü')
    desktop.type_text(s.env, before)
    s.xdotool('key', 'shift+Udiaeresis')
    desktop.type_text(s.env, after)
    time.sleep(0.3)
    s.answer(chooser, 'file chooser', 'Return')
    s.pointer_away()
    s.compare(s.expected_frame(picture, 'ResBäume Ü.bi'), 'chosen_utf8',
              'the chosen path and "ResBäume Ü.bi"')
    s.answer(tap_button(s, 'Start', 'OK'), '"Done!" box', 'Return')
    expect_file(os.path.join(s.work, 'ResBäume Ü.bi'), 'ResBäume_Ü_bi', rows)


def drop_files(env, window, uris):
    """Drags `uris` from a window of our own onto `window` by the XDND protocol and drops them
    there; returns once the target has said it is finished."""
    d = display.Display(env['DISPLAY'])
    try:
        atom = d.intern_atom
        target = d.create_resource_object('window', int(window))
        aware = target.get_full_property(atom('XdndAware'), X.AnyPropertyType)
        if not aware:
            sys.exit('the converter window takes no drops (no XdndAware)')
        source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        source.set_selection_owner(atom('XdndSelection'), X.CurrentTime)
        uri_list = atom('text/uri-list')
        at = d.screen().root.translate_coords(target, 100, 20)

        def send(name, *data):
            words = list(data) + [0] * (5 - len(data))
            target.send_event(protocol.event.ClientMessage(window=target, client_type=atom(name),
                                                           data=(32, words)))
            d.flush()

        send('XdndEnter', source.id, min(5, aware.value[0]) << 24, uri_list)
        send('XdndPosition', source.id, 0, (at.x << 16) | at.y, X.CurrentTime,
             atom('XdndActionCopy'))
        deadline = time.monotonic() + 10
        dropped = False
        while time.monotonic() < deadline:
            if not d.pending_events():
                time.sleep(0.02)
                continue
            e = d.next_event()
            if e.type == X.ClientMessage and e.client_type == atom('XdndStatus'):
                if not e.data[1][1] & 1:
                    sys.exit('the converter window refused the drop')
                if not dropped:
                    send('XdndDrop', source.id, 0, X.CurrentTime)
                    dropped = True
            elif e.type == X.SelectionRequest:
                prop = e.property or e.target
                if e.target == uri_list:
                    e.requestor.change_property(prop, uri_list, 8, uris.encode())
                else:
                    prop = X.NONE
                e.requestor.send_event(protocol.event.SelectionNotify(
                    time=e.time, requestor=e.requestor, selection=e.selection, target=e.target,
                    property=prop))
                d.flush()
            elif e.type == X.ClientMessage and e.client_type == atom('XdndFinished'):
                return
        sys.exit('the drop did not finish')
    finally:
        d.close()


def drop_onto_window(s, rows):
    first = os.path.join(s.work, DROPPED)
    base.make_bitmap(first, rows)
    uri = 'file://' + first.replace('ü', '%C3%BC').replace(' ', '%20')
    drop_files(s.env, s.window, '%s\r\nfile://%s/other.bmp\r\n' % (uri, s.work))
    s.compare(s.expected_frame(first, 'ResGrün Blatt.bi'), 'dropped',
              'both fields filled from the first dropped file (%s)' % uri)


def close_by_window_manager(s, app):
    desktop.run(['wmctrl', '-c', 'converter'], s.env)
    desktop.expect_exit(app, 'on the window manager\'s close (wmctrl -c)')


def main():
    converter, font_path, shots = sys.argv[1:4]
    os.makedirs(shots, exist_ok=True)
    with desktop.private_display(GSETTINGS_BACKEND='memory', LC_ALL='C.UTF-8') as env, \
            desktop.window_manager(env), \
            tempfile.TemporaryDirectory(prefix='conv', dir='/tmp') as work:
        s = base.Session(env, converter, desktop.load_font(font_path), shots, work)
        picture = os.path.join(work, NAME)
        rows = [[(255, 0, 0), (0, 0, 255)], [(9, 99, 199), (255, 255, 255)]]
        base.make_bitmap(picture, rows)
        with s.running() as app:
            s.start(app)
            tap_start_on_empty_path(s)
            paste_path(s, picture, rows)
            choose_typed_path(s, picture, rows)
            drop_onto_window(s, [[(1, 2, 3)]])
            close_by_window_manager(s, app)
        with s.running() as app:
            s.start(app)
            s.activate(s.window)
            s.xdotool('key', 'alt+F4')
            desktop.expect_exit(app, 'on Alt+F4')
    print('PASS')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Uses the converter on a desktop (Xvfb with openbox) as a laptop user would.

    converter_desktop.py CONVERTER FONT.txt SHOT_DIR

Taps (clicks without a hold) on "Start": with an empty path, one load-failure box; with a path
with umlauts pasted by Ctrl+V (the first line of a 10 MB clipboard), or typed into the chooser, a
conversion. Files dropped by XDND fill both fields from the first; a dropped data: URI, a file URI
with %00 or of another host change nothing. wmctrl's close, and Alt+F4, end it with status 0.
Shots in SHOT_DIR.
"""
import os
import subprocess
import sys
import tempfile
import time

from Xlib import X, display, protocol

import converter_e2e as base
import desktop


def tap_start_on_empty_path(s):
    box = s.press_button('Start', 'Error', tap=True)
    s.shoot_root('tap_load_failure')
    s.answer(box, 'load-failure box', 'Return')
    s.no_window('Error', 'one tap converted twice')


def wait_for_clipboard(env, start):
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        shown = subprocess.run(['xclip', '-o', '-selection', 'clipboard'], env=env,
                               capture_output=True).stdout
        if shown.startswith(start):
            return
        time.sleep(0.2)
    sys.exit('xclip did not take the clipboard')


def paste_path(s, picture, rows):
    """The path is the first line of 10 MB, which reach us in pieces (INCR)."""
    with desktop.running(['xclip', '-quiet', '-selection', 'clipboard'], s.env,
                         stdin=subprocess.PIPE, stderr=subprocess.DEVNULL) as clipboard:
        clipboard.stdin.write(picture.encode() + b'\n' + b'0123456789abcde\n' * 655360)
        clipboard.stdin.close()
        wait_for_clipboard(s.env, picture.encode() + b'\n')
        s.xdotool('mousemove', '--window', s.window, base.INPUT_FIELD[0] + 20,
                  base.INPUT_FIELD[1] + 6, 'sleep', '0.1', 'click', '1')  # a tap
        s.xdotool('key', 'ctrl+v', 'Return')  # Return ends the entry: no caret in the shot
        s.pointer_away()
        # The output name follows the pasted path.
        output = 'Res%s.bi' % os.path.splitext(os.path.basename(picture))[0]
        s.compare(s.expected_frame(picture, output), 'pasted_path',
                  'the pasted path in its glyphs (%s), the output named after it' % picture)
    s.answer(s.press_button('Start', 'OK', tap=True), '"Done!" box', 'Return')
    base.expect_include(os.path.join(s.work, output), rows)
    os.remove(os.path.join(s.work, output))  # choosing the same picture next writes it afresh


def type_with_capital_umlaut(s, path):
    """xdotool types a capital letter the keyboard map lacks as the small one: Ü with Shift."""
    before, after = path.split('Ü')
    desktop.type_text(s.env, before)
    s.xdotool('key', 'shift+Udiaeresis')
    desktop.type_text(s.env, after)


def drop_files(env, window, uris):
    """Drags `uris` onto `window` by the XDND protocol; returns once the target has finished."""
    d = display.Display(env['DISPLAY'])
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
        target.send_event(protocol.event.ClientMessage(
            window=target, client_type=atom(name), data=(32, list(data) + [0] * (5 - len(data)))))
        d.flush()

    send('XdndEnter', source.id, min(5, aware.value[0]) << 24, uri_list)
    send('XdndPosition', source.id, 0, (at.x << 16) | at.y, X.CurrentTime, atom('XdndActionCopy'))
    deadline, dropped = time.monotonic() + 60, False
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
            prop = (e.property or e.target) if e.target == uri_list else X.NONE
            if prop:
                e.requestor.change_property(prop, uri_list, 8, uris.encode())
            e.requestor.send_event(protocol.event.SelectionNotify(
                time=e.time, requestor=e.requestor, selection=e.selection, target=e.target,
                property=prop))
            d.flush()
        elif e.type == X.ClientMessage and e.client_type == atom('XdndFinished'):
            return d.close()
    sys.exit('the drop did not finish')


def main():
    converter, font_path, shots = sys.argv[1:4]
    os.makedirs(shots, exist_ok=True)
    with desktop.private_display(GSETTINGS_BACKEND='memory', LC_ALL='C.UTF-8') as env, \
            desktop.window_manager(env), \
            tempfile.TemporaryDirectory(prefix='conv', dir='/tmp') as work:
        s = base.Session(env, converter, desktop.load_font(font_path), shots, work)
        picture = os.path.join(work, 'Bäume Ü.bmp')
        rows = [[(255, 0, 0), (0, 0, 255)], [(9, 99, 199), (255, 255, 255)]]
        base.make_bitmap(picture, rows)
        with s.running() as app:
            s.start(app)
            tap_start_on_empty_path(s)
            paste_path(s, picture, rows)
            base.choose_file(s, picture, rows, 'chosen_utf8',
                             lambda path: type_with_capital_umlaut(s, path), tap=True)
            dropped = os.path.join(work, 'Grün Blatt.bmp')
            base.make_bitmap(dropped, [[(1, 2, 3)]])
            uri = 'file://' + dropped.replace('ü', '%C3%BC').replace(' ', '%20')
            drop_files(env, s.window, '%s\r\nfile://%s/other.bmp\r\n' % (uri, work))
            s.compare(s.expected_frame(dropped, 'ResGrün Blatt.bi'), 'dropped',
                      'both fields filled from the first dropped file (%s)' % uri)
            base.make_bitmap(os.path.join(work, 'other.bmp'), [[(1, 2, 3)]])
            for name, other in (('data', 'data:image/png;base64,AAAA'),
                                ('nul', 'file://%s/other.bmp%%00.png' % work),
                                ('host', 'file://elsewhere.example%s/other.bmp' % work)):
                drop_files(env, s.window, other + '\r\n')
                s.compare(s.expected_frame(dropped, 'ResGrün Blatt.bi'), 'dropped_' + name,
                          'the fields unchanged by a drop of %s' % other)
            desktop.run(['wmctrl', '-c', 'converter'], env)
            desktop.expect_exit(app, 'on the window manager\'s close (wmctrl -c)')
        with s.running() as app:
            s.start(app)
            s.activate(s.window)
            s.xdotool('key', 'alt+F4')
            desktop.expect_exit(app, 'on Alt+F4')
    print('PASS')


if __name__ == '__main__':
    main()

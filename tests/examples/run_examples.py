#!/usr/bin/env python3
"""The sample programs of examples/ run by the real interpreters over include files bmp2bi wrote.

    run_examples.py BMP2BI SOURCE_DIR WORK_DIR

A 16 x 16 sprite with alpha and a 64 x 48 photo are written in every dialect and form the
interpreters read; each sample prints the picture's size and the Adler-32 checksum of its values,
which must be those of the picture (after --mask, or the colour reduction of --colours, as read
from the file). default.bas also draws the sprite in letters, which must match. A missing
interpreter fails the run with a line naming it. The README and bmp2bi's manual page must show
default.bas as it is.
"""
import os
import re
import shutil
import subprocess
import sys
import zlib

from PIL import Image

MASK = (255, 255, 0, 255)  # A, R, G, B


def make_pictures(folder):
    sprite = Image.new('RGBA', (16, 16), (0, 0, 0, 0))
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 < 40:
                sprite.putpixel((x, y), (230, 40 + 12 * x, 30 + 9 * y, 255))
            elif (x + y) % 4 == 0:
                sprite.putpixel((x, y), (20, 90, 200, 100 + 8 * x))  # half transparent
            elif x % 5 == 0:
                sprite.putpixel((x, y), (240, 250, 10, 0))  # invisible, with a colour
    photo = Image.new('RGB', (64, 48))
    photo.putdata([((x * 5 + y) % 256, (y * 7 + x * x) % 256, (x * y + 40) % 256)
                   for y in range(48) for x in range(64)])
    paths = {'sprite': os.path.join(folder, 'sprite.png'), 'photo': os.path.join(folder, 'photo.png')}
    sprite.save(paths['sprite'])
    photo.save(paths['photo'])
    return paths


def argb_pixels(path, mask_below=None):
    pixels = []
    for r, g, b, a in Image.open(path).convert('RGBA').getdata():
        pixels.append(MASK if mask_below is not None and a < mask_below else (a, r, g, b))
    return pixels


def palette_file_pixels(path):
    """The pixels of a palette file, read plainly: the values of its Data lines (a line number
    before the keyword dropped) are the size, the negated colour count, the colours (four values
    each) and one index a pixel."""
    values = []
    for line in open(path, encoding='ascii'):
        words = line.split(None, 1)
        if words and words[0].isdigit():
            words = words[1].split(None, 1)
        if len(words) == 2 and words[0].upper() == 'DATA':
            values += [int(v) for v in words[1].split(',')]
    width, height, count = values[0], values[1], -values[2]
    colours = [tuple(values[3 + 4 * i:7 + 4 * i]) for i in range(count)]
    indices = values[3 + 4 * count:]
    if len(indices) != width * height:
        sys.exit('%s: %d indices for %d x %d pixels' % (path, len(indices), width, height))
    return [colours[i] for i in indices]


def checksum(pixels):
    value = zlib.adler32(bytes(v for p in pixels for v in p))
    return value >> 16, value & 0xFFFF


def letters(pixels, width):
    """default.bas's drawing: a row of letters between bars for every row."""
    rows = []
    for start in range(0, len(pixels), width):
        row = ''
        for a, r, g, b in pixels[start:start + width]:
            if a < 128 or (r, g, b) == (255, 0, 255):
                row += ' '
            else:
                row += '.:-=+*#%@'[int((r * 3 + g * 6 + b) / 2551 * 9)]
        rows.append('|%s|' % row)
    return rows


# sample, interpreter, dialect, options, pictures
CASES = [
    ('default.bas', 'bwbasic', 'default', [], ('sprite', 'photo')),
    ('default.bas', 'bwbasic', 'default', ['--per-line', '13'], ('sprite', 'photo')),
    ('default.bas', 'bwbasic', 'default', ['--mask'], ('sprite',)),
    ('default.bas', 'bwbasic', 'default', ['--palette'], ('sprite',)),
    ('default.bas', 'bwbasic', 'default', ['--palette', '--colours', '256'], ('photo',)),
    ('packed.bas', 'bwbasic', 'default', ['--packed'], ('sprite', 'photo')),
    ('packed.bas', 'bwbasic', 'default', ['--packed', '--per-line', '21'], ('sprite', 'photo')),
    ('yabasic.yab', 'yabasic', 'yabasic', [], ('sprite', 'photo')),
    ('yabasic.yab', 'yabasic', 'yabasic', ['--per-line', '7', '--mask=200'], ('sprite', 'photo')),
    ('yabasic.yab', 'yabasic', 'yabasic', ['--palette'], ('sprite',)),
    ('yabasic.yab', 'yabasic', 'yabasic', ['--palette', '--colours', '100'], ('sprite', 'photo')),
    ('numbered.bas', 'bwbasic', 'numbered', [], ('sprite', 'photo')),
    ('numbered.bas', 'bwbasic', 'numbered', ['--per-line', '2'], ('sprite', 'photo')),
    ('numbered.bas', 'bwbasic', 'numbered', ['--palette'], ('sprite',)),
    ('numbered.bas', 'bwbasic', 'numbered', ['--packed'], ('sprite', 'photo')),
    ('numbered.bas', 'bwbasic', 'numbered', ['--palette', '--colours', '64'], ('photo',)),
]


def expected_pixels(picture, options, include_file):
    if '--colours' in options:
        return palette_file_pixels(include_file)
    mask = [o for o in options if o.startswith('--mask')]
    below = (int(mask[0].split('=')[1]) if '=' in mask[0] else 128) if mask else None
    return argb_pixels(picture, below)


def program_for(sample, examples, options, include_file, folder):
    """The program the interpreter runs: the sample, which MERGEs the include file itself, or
    the sample with the include file after it (yabasic, and the numbered listing)."""
    text = open(os.path.join(examples, sample), encoding='ascii').read()
    if sample == 'numbered.bas' and '--packed' in options:
        text = text.replace('100 P = 0', '100 P = 1')
    if sample in ('yabasic.yab', 'numbered.bas'):
        text += open(include_file, encoding='ascii').read()
    path = os.path.join(folder, 'program' + os.path.splitext(sample)[1])
    open(path, 'w', encoding='ascii').write(text)
    return path


def run_case(bmp2bi, examples, work, number, case, picture_name, picture):
    sample, interpreter, dialect, options, _ = case
    folder = os.path.join(work, 'case%02d_%s' % (number, picture_name))
    os.makedirs(folder, exist_ok=True)
    include_file = os.path.join(folder, 'Ressprite.bi')
    subprocess.run([bmp2bi, '-q', '-f', '-o', include_file, '--dialect', dialect] + options +
                   [picture], check=True, timeout=60)
    program = program_for(sample, examples, options, include_file, folder)
    done = subprocess.run([interpreter, program], cwd=folder, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=120)
    what = '%s %s %s over the %s' % (interpreter, sample, ' '.join(options) or '(plain)',
                                     picture_name)
    size = re.search(r'size\s*(\d+)\s*x\s*(\d+)', done.stdout)
    summed = re.search(r'checksum\s*(\d+)\s+(\d+)', done.stdout)
    if not size or not summed:
        sys.exit('%s printed no size and checksum:\n%s%s' % (what, done.stdout, done.stderr))
    image = Image.open(picture)
    pixels = expected_pixels(picture, options, include_file)
    got = (int(size[1]), int(size[2]), int(summed[1]), int(summed[2]))
    expected = image.size + checksum(pixels)
    if got != expected:
        sys.exit('%s: size %d x %d, checksum %d %d; the picture: %d x %d, %d %d' %
                 ((what,) + got + expected))
    if sample == 'default.bas' and picture_name == 'sprite':
        drawn = [line.rstrip() for line in done.stdout.splitlines() if line.startswith('|')]
        if drawn != letters(pixels, image.size[0]):
            sys.exit('%s drew\n%s\ninstead of\n%s' % (what, '\n'.join(drawn),
                                                       '\n'.join(letters(pixels, 16))))
    print('%s: %d x %d, checksum %d %d as the picture' % ((what,) + got))


def check_shown(source):
    """default.bas as the README and the manual page show it."""
    program = open(os.path.join(source, 'examples', 'default.bas'), encoding='ascii').read()
    readme = open(os.path.join(source, 'README.md'), encoding='utf-8').read()
    if '```basic\n' + program + '```' not in readme:
        sys.exit('README.md does not show examples/default.bas as it is')
    page = open(os.path.join(source, 'packaging', 'man', 'bmp2bi.1.in'), encoding='utf-8').read()
    shown = re.search(r'\n\.EX\n(MERGE|REM Reads.*?)\.EE\n', page, re.S)
    if not shown or shown[1].replace('\\e', '\\').replace('\\&', '') != program:
        sys.exit('the manual page bmp2bi.1 does not show examples/default.bas as it is')
    print('README.md and bmp2bi.1 show examples/default.bas')


def main():
    bmp2bi, source, work = sys.argv[1:4]
    examples = os.path.join(source, 'examples')
    check_shown(source)
    missing = [name for name in ('bwbasic', 'yabasic') if shutil.which(name) is None]
    if missing:
        sys.exit('missing interpreter: %s (make deps installs it)' % ', '.join(missing))
    os.makedirs(work, exist_ok=True)
    pictures = make_pictures(work)
    for number, case in enumerate(CASES):
        for name in case[4]:
            run_case(bmp2bi, examples, work, number, case, name, pictures[name])


if __name__ == '__main__':
    main()

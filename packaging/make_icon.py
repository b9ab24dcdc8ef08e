#!/usr/bin/python3
"""Draws the application icon of the converter and the viewer: a framed little picture whose
rows of pixels run on into rows of numbers, as the converter turns one into the other.

Every shape is a whole-pixel rectangle on a 48 x 48 grid, so the scalable SVG and the 48 x 48
PNG are the same drawing, pixel for pixel.

Usage: /usr/bin/python3 packaging/make_icon.py OUT.svg [OUT.png]   (the PNG needs Pillow)
"""
import sys

Size = 48
Frame = (180, 151, 71)  # the ochre of the sample picture's frame
FrameShadow = (120, 96, 38)
Card = (38, 50, 56)
Sky = (96, 160, 220)
Sun = (250, 210, 80)
Hill = (80, 160, 90)
Earth = (120, 86, 50)
Number = (222, 226, 230)

# The picture: 4 x 4 blocks of 5 x 5 pixels, one colour name per block, row by row.
Picture = ["SSUS",
           "SSSS",
           "HSSH",
           "EHHE"]
Colours = {"S": Sky, "U": Sun, "H": Hill, "E": Earth}
BlockSize = 5
PictureX, PictureY = 6, 11
# Each picture row goes on as a line of numbers: a chip of the row's first colour, then bars.
DataX = PictureX + len(Picture[0]) * BlockSize + 3
NumberBars = [(0, 3), (4, 4)]  # (offset after the chip, width)


def rectangles():
    """Yields (x, y, width, height, colour) in drawing order."""
    yield 2, 5, 44, 38, FrameShadow
    yield 2, 5, 43, 37, Frame
    yield 4, 7, 39, 33, Card
    for row, names in enumerate(Picture):
        y = PictureY + row * BlockSize
        for column, name in enumerate(names):
            yield PictureX + column * BlockSize, y, BlockSize, BlockSize, Colours[name]
        yield DataX, y + 1, 2, 3, Colours[names[0]]
        for offset, width in NumberBars:
            yield DataX + 3 + offset, y + 2, width, 1, Number
    # Below the picture the numbers run on, as the include file goes on row after row.
    below = PictureY + len(Picture) * BlockSize + 3
    yield PictureX, below, 20, 1, Number
    yield DataX, below, 10, 1, Number


def svg_text():
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
             'viewBox="0 0 %d %d" shape-rendering="crispEdges">' % (Size, Size, Size, Size)]
    for x, y, w, h, (r, g, b) in rectangles():
        lines.append('  <rect x="%d" y="%d" width="%d" height="%d" fill="#%02x%02x%02x"/>'
                     % (x, y, w, h, r, g, b))
    lines.append('</svg>')
    return '\n'.join(lines) + '\n'


def write_png(path):
    from PIL import Image, ImageDraw
    image = Image.new("RGBA", (Size, Size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    for x, y, w, h, colour in rectangles():
        draw.rectangle((x, y, x + w - 1, y + h - 1), fill=colour + (255,))
    image.save(path, optimize=True)


def main(args):
    if len(args) not in (1, 2):
        sys.exit(__doc__.strip().splitlines()[-1])
    with open(args[0], "w", encoding="ascii") as svg:
        svg.write(svg_text())
    if len(args) == 2:
        write_png(args[1])


if __name__ == "__main__":
    main(sys.argv[1:])

#!/usr/bin/python3
"""bmp2bi's size options against Pillow's resize with the same filter.

Usage: resize_vs_pillow.py BMP2BI WORK

Filtered sizes are compared with Pillow's BILINEAR (the triangle filter, widened when shrinking,
colours weighted by alpha, blocks averaged first when shrinking by 4 or more: reducing_gap=2).
Tolerance, per case: alpha and every colour weighted by alpha (value x alpha / 255) within 3 of
Pillow's, which rounds through 8-bit premultiplied values; within 6 where blocks are averaged
first, since Pillow aligns its blocks to the filter's reach and bmp2bi to the picture's corner.
The outermost rows and columns are left out: there Pillow renormalises the filter's weights where
stb_image_resize repeats the edge pixel. Tolerance 0: every pixel exactly, as for whole-number
enlargements without --smooth, which repeat every pixel.
"""
import os
import subprocess
import sys

from PIL import Image, ImageDraw

BILINEAR, NEAREST = Image.Resampling.BILINEAR, Image.Resampling.NEAREST


def photo():
    # Smooth gradients with a little texture, opaque, of odd sizes.
    red = Image.linear_gradient("L").resize((97, 61))
    return Image.merge("RGBA", (red, red.rotate(90).resize((97, 61)),
                                Image.effect_noise((97, 61), 20).convert("L"),
                                Image.new("L", (97, 61), 255)))


def sprite():
    # An opaque red disc and a half-transparent blue bar on fully transparent bright green: the
    # green must not bleed into the edges.
    image = Image.new("RGBA", (40, 28), (0, 255, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.ellipse((4, 3, 26, 25), fill=(220, 30, 30, 255))
    draw.rectangle((28, 0, 35, 27), fill=(20, 40, 250, 128))
    return image


def pixel_art():
    return Image.frombytes("RGBA", (8, 8), bytes((i * 37 + c * 91) % 256 for i in range(64)
                                                for c in range(4)))


# (picture, options, the expected picture, tolerance)
CASES = [
    ("photo", ["--fit", "40x40"], lambda p: p.resize((40, 25), BILINEAR, reducing_gap=2.0), 3),
    ("photo", ["--fit", "20x20"], lambda p: p.resize((20, 13), BILINEAR, reducing_gap=2.0), 6),
    ("photo", ["--fit", "200x200"], lambda p: p, 0),
    ("photo", ["--scale", "30%"], lambda p: p.resize((29, 18), BILINEAR, reducing_gap=2.0), 3),
    ("photo", ["--size", "200x100"], lambda p: p.resize((200, 100), BILINEAR), 3),
    ("photo", ["--crop", "50x40+20+10", "--fit", "25x25"],
     lambda p: p.crop((20, 10, 70, 50)).resize((25, 20), BILINEAR, reducing_gap=2.0), 3),
    ("photo", ["--crop", "5x3+92+58"], lambda p: p.crop((92, 58, 97, 61)), 0),
    ("sprite", ["--scale", "0.5"], lambda p: p.resize((20, 14), BILINEAR, reducing_gap=2.0), 3),
    ("sprite", ["--size", "57x31"], lambda p: p.resize((57, 31), BILINEAR), 3),
    # Tall enough that the filter runs in bands, with transparent pixels at their edges.
    ("sprite", ["--size", "30x200"], lambda p: p.resize((30, 200), BILINEAR), 3),
    ("sprite", ["--fit", "9x9"], lambda p: p.resize((9, 6), BILINEAR, reducing_gap=2.0), 6),
    ("pixels", ["--scale", "3"], lambda p: p.resize((24, 24), NEAREST), 0),
    ("pixels", ["--size", "16x24"], lambda p: p.resize((16, 24), NEAREST), 0),
    ("pixels", ["--scale", "3", "--smooth"], lambda p: p.resize((24, 24), BILINEAR), 3),
]


def read_include_file(path):
    with open(path, "rb") as f:
        lines = f.read().decode().split("\r\n")
    width, height = int(lines[1][5:]), int(lines[2][5:])
    pixels = [tuple(int(v) for v in line[5:].split(",")) for line in lines[3:-1]]
    image = Image.new("RGBA", (width, height))
    image.putdata([(r, g, b, a) for a, r, g, b in pixels])
    return image


def worst(ours, theirs):
    def weighted(image, x, y):
        pixel = image.getpixel((x, y))
        return [pixel[c] * pixel[3] / 255 for c in range(3)] + [pixel[3]]
    width, height = ours.size
    return max(abs(a - b) for y in range(1, height - 1) for x in range(1, width - 1)
               for a, b in zip(weighted(ours, x, y), weighted(theirs, x, y)))


def main():
    bmp2bi, work = sys.argv[1:3]
    os.makedirs(work, exist_ok=True)
    pictures = {"photo": photo(), "sprite": sprite(), "pixels": pixel_art()}
    for name, picture in pictures.items():
        picture.save(os.path.join(work, name + ".png"))
    failures = 0
    for name, options, expected, tolerance in CASES:
        subprocess.run([bmp2bi, "-q", "--force", *options, name + ".png"], cwd=work, check=True)
        ours = read_include_file(os.path.join(work, "Res" + name + ".bi"))
        theirs = expected(pictures[name])
        if ours.size != theirs.size:
            difference = f"size {ours.size}, expected {theirs.size}"
        elif tolerance == 0:
            difference = "" if list(ours.getdata()) == list(theirs.getdata()) else "pixels differ"
        else:
            deviation = worst(ours, theirs)
            difference = f"off by {deviation:.1f}" if deviation > tolerance else ""
        print(f"{name} {' '.join(options)}: {difference or 'ok'}")
        failures += bool(difference)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()

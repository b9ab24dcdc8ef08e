#!/usr/bin/python3
"""The size of the include file in every form, for a sprite sheet and a photo.

Usage: include_sizes.py BMP2BI [--work DIR]

Writes a 256 x 256 sprite sheet of 40 colours (sprites on a transparent ground) and a
1920 x 1080 photo-like picture (smooth light, sensor noise, JPEG-compressed, every channel value
occurring) in every form and dialect bmp2bi writes, and prints each file's bytes and bytes per
pixel, and each form's size against the plain form's. The photo's palette form is reduced to
256 colours; a numbered listing it does not fit into is shown as refused.
"""
import argparse
import os
import random
import subprocess
import tempfile

from PIL import Image, ImageDraw, ImageFilter

FORMS = [
    ("plain", []),
    ("plain, 13 a line", ["--per-line", "13"]),
    ("packed", ["--packed"]),
    ("packed, 21 a line", ["--packed", "--per-line", "21"]),
    ("palette", ["--palette"]),
    ("numbered plain", ["--dialect", "numbered"]),
    ("numbered packed", ["--dialect", "numbered", "--packed"]),
    ("numbered palette", ["--dialect", "numbered", "--palette"]),
    ("16 x 16 tiles, palette", ["--tiles", "16x16", "--palette"]),
]


def make_sheet(path):
    """16 x 16 sprites of 16 x 16 pixels: discs, boxes and bars in 39 colours, on transparency."""
    rng = random.Random(7)
    colours = [(rng.randrange(256), rng.randrange(256), rng.randrange(256), 255)
               for _ in range(39)]
    sheet = Image.new("RGBA", (256, 256), (0, 0, 0, 0))
    draw = ImageDraw.Draw(sheet)
    for tile in range(256):
        x, y = tile % 16 * 16, tile // 16 * 16
        body, edge, eye = rng.sample(colours, 3)
        draw.ellipse((x + 2, y + 2, x + 13, y + 13), fill=body, outline=edge)
        draw.rectangle((x + 5, y + 5, x + 6, y + 7), fill=eye)
        draw.rectangle((x + 9, y + 5, x + 10, y + 7), fill=eye)
        draw.line((x + 4, y + 11, x + 11, y + 11), fill=edge)
    sheet.save(path)


def make_photo(path, width, height):
    """Light falling off from a corner over hills, sensor noise, stored as a JPEG of quality 90."""
    sky = Image.linear_gradient("L").resize((width, height))
    hills = Image.radial_gradient("L").resize((width, height))
    noise = Image.effect_noise((width, height), 24)
    red = Image.blend(sky, noise, 0.25)
    green = Image.blend(hills, noise.transpose(Image.FLIP_LEFT_RIGHT), 0.25)
    blue = Image.blend(sky.transpose(Image.FLIP_TOP_BOTTOM), noise.transpose(Image.ROTATE_180),
                       0.3)
    photo = Image.merge("RGB", (red, green, blue)).filter(ImageFilter.GaussianBlur(0.6))
    jpeg = path + ".jpg"
    photo.save(jpeg, quality=90)
    Image.open(jpeg).save(path)


def size_of(bmp2bi, picture, options, work):
    out = os.path.join(work, "out.bi")
    done = subprocess.run([bmp2bi, "-q", "-f", "-o", out] + options + [picture],
                          capture_output=True, text=True)
    return os.path.getsize(out) if done.returncode == 0 else None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bmp2bi")
    parser.add_argument("--work", help="folder for the files (default: a new temporary one)")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="include-sizes-")
    os.makedirs(work, exist_ok=True)
    sheet, photo = os.path.join(work, "sheet.png"), os.path.join(work, "photo.png")
    make_sheet(sheet)
    make_photo(photo, 1920, 1080)
    pictures = [("256 x 256 sprite sheet", sheet, 256 * 256, []),
                ("1920 x 1080 photo", photo, 1920 * 1080, ["--colours", "256"])]
    print(f"{'form':<18}" + "".join(f"{name:>36}" for name, *_ in pictures))
    plain = {}
    for form, options in FORMS:
        row = f"{form:<18}"
        for name, path, pixels, reduce in pictures:
            extra = reduce if "--palette" in options else []
            if "--tiles" in options and pixels > 256 * 256:
                row += f"{'(a sheet only)':>36}"
                continue
            size = size_of(os.path.abspath(args.bmp2bi), path, options + extra, work)
            plain.setdefault(name, size)
            if size is None:
                row += f"{'refused (too many lines)':>36}"
            else:
                row += (f"{size:>14,} B {size / pixels:>6.2f} B/pixel "
                        f"{size / plain[name]:>5.2f}x")
        print(row)


if __name__ == "__main__":
    main()

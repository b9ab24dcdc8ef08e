#!/usr/bin/python3
"""Writes BMP files with Pillow and ImageMagick, each with the pixels Pillow decodes from it.

Usage: make_peer_bitmaps.py OUTDIR
For every case NAME it writes NAME.bmp and NAME.rgba (width x height x RGBA bytes, top row first),
and lists "NAME WIDTH HEIGHT TOLERANCE" in OUTDIR/cases.txt. The expected alpha follows the data
contract of the loader (file alpha only where the file can carry it), not Pillow's choice.
"""
import os
import random
import subprocess
import sys

from PIL import Image

CONVERT = "/usr/bin/convert"


def main(out):
    random.seed(7)
    w, h = 37, 23
    src = Image.new("RGB", (w, h))
    src.putdata([tuple(random.randrange(256) for _ in range(3)) for _ in range(w * h)])
    src_path = os.path.join(out, "src.png")
    src.save(src_path)
    palette12 = src.quantize(12)
    palette12_path = os.path.join(out, "p12.png")
    palette12.save(palette12_path)

    cases = []  # (name, tolerance, alpha or None for what Pillow decodes)

    def pillow(name, image, alpha=None):
        image.save(os.path.join(out, name + ".bmp"))
        cases.append((name, 0, alpha))

    def magick(name, source, args, form="BMP3", tolerance=0):
        target = f"{form}:" + os.path.join(out, name + ".bmp")
        subprocess.run([CONVERT, source, *args, target], check=True)
        cases.append((name, tolerance, None))

    pillow("pillow_rgb24", src)
    pillow("pillow_p8", palette12)
    pillow("pillow_mono1", src.convert("1"))
    with_alpha = src.copy()
    with_alpha.putalpha(100)
    pillow("pillow_bgra32", with_alpha, alpha=100)  # compression 0: the fourth byte is alpha
    magick("magick_core24", src_path, [], form="BMP2")  # the 12-byte header
    magick("magick_rle8", palette12_path, ["-type", "Palette", "-compress", "RLE"])
    magick("magick_pal4", palette12_path, ["-type", "Palette"])
    magick("magick_rgb565", src_path, ["-define", "bmp:subtype=RGB565"], form="BMP", tolerance=1)
    magick("magick_argb32", src_path, ["-alpha", "set", "-channel", "A", "-evaluate", "set",
                                       "50%"], form="BMP")

    with open(os.path.join(out, "cases.txt"), "w") as listing:
        for name, tolerance, alpha in cases:
            image = Image.open(os.path.join(out, name + ".bmp")).convert("RGBA")
            if alpha is not None:
                image.putalpha(alpha)
            with open(os.path.join(out, name + ".rgba"), "wb") as f:
                f.write(image.tobytes())
            listing.write(f"{name} {image.width} {image.height} {tolerance}\n")


if __name__ == "__main__":
    main(sys.argv[1])

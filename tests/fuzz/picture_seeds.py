#!/usr/bin/python3
"""Writes small PNG, JPEG and GIF files into OUTDIR, so that fuzzing starts from every decoder.

Usage: picture_seeds.py OUTDIR
"""
import subprocess
import sys

from PIL import Image


def main(out):
    rgb = Image.new("RGB", (13, 7))
    rgb.putdata([(i * 37 % 256, i * 91 % 256, i * 53 % 256) for i in range(13 * 7)])
    rgba = rgb.copy()
    rgba.putalpha(128)
    palette = rgb.quantize(6)
    rgb.save(f"{out}/rgb.png")
    rgba.save(f"{out}/rgba.png")
    palette.save(f"{out}/palette_trns.png", transparency=bytes([0, 99]))
    rgb.convert("L").save(f"{out}/grey_trns.png", transparency=40)
    rgb.convert("I").save(f"{out}/grey16.png")
    subprocess.run(["/usr/bin/convert", f"{out}/rgba.png", "-interlace", "PNG",
                    f"{out}/interlaced.png"], check=False)
    rgb.save(f"{out}/420.jpg")
    rgb.save(f"{out}/444.jpg", subsampling=0)
    rgb.save(f"{out}/progressive.jpg", progressive=True)
    rgb.convert("L").save(f"{out}/grey.jpg")
    palette.save(f"{out}/transparent.gif", transparency=2, interlace=True)
    palette.save(f"{out}/animated.gif", save_all=True, append_images=[palette.rotate(90)])


if __name__ == "__main__":
    main(sys.argv[1])

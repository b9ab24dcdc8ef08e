#!/usr/bin/python3
"""Whole-run timing of bmp2bi against its peers, on pictures of three sizes in three formats.

Usage: bmp2bi_vs_peers.py BMP2BI [--work DIR] [--runs N] [--formats bmp,png,jpg]

For each size and format (a 24-bit BMP, an RGB PNG, a JPEG) it times, from process start to the
written file:
  - bmp2bi writing the pixel-data include file;
  - ImageMagick's `convert in.bmp txt:out` (its pixel-list text), for BMPs of the two smaller
    sizes only, since it takes minutes on the largest;
  - a plain Pillow script writing the same include file as bmp2bi (checked byte for byte);
  - dd writing as many bytes as bmp2bi's output, the floor for writing that much;
and prints the times and the ratios. Each time is the best of several runs (one for the slow
peers); outputs are removed before every run so that each run creates its file afresh.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image

SIZES = [(485, 348), (1920, 1080), (4000, 3000)]
MAGICK_MAX_PIXELS = 1920 * 1080
CONVERT = "/usr/bin/convert"
PYTHON = "/usr/bin/python3"

# The plain way to write the include file with Pillow: one formatted line per pixel.
PILLOW_SCRIPT = r'''
import sys
from PIL import Image
source, target, label = sys.argv[1:4]
image = Image.open(source).convert("RGBA")
width, height = image.size
with open(target, "w", newline="") as out:
    out.write(f"{label}:\r\nData {width}\r\nData {height}\r\n")
    for r, g, b, a in image.getdata():
        out.write(f"Data {a}, {r}, {g},{b}\r\n")
'''


def best_time(command, output, runs, work):
    best = float("inf")
    for _ in range(runs):
        if output and os.path.exists(output):
            os.remove(output)
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, cwd=work)
        best = min(best, time.perf_counter() - start)
    return best


def make_picture(path, width, height):
    # Smooth gradients with noise: every channel value occurs, as in a photograph.
    noise = Image.effect_noise((width, height), 64).convert("L")
    red = Image.linear_gradient("L").resize((width, height))
    green = red.rotate(90, expand=False)
    Image.merge("RGB", (red, green, noise)).save(path, **({"quality": 90}
                                                         if path.endswith(".jpg") else {}))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bmp2bi")
    parser.add_argument("--work", help="folder for the files (default: a new temporary one)")
    parser.add_argument("--runs", type=int, default=5, help="runs of the fast commands")
    parser.add_argument("--formats", default="bmp,png,jpg", help="picture formats to time")
    args = parser.parse_args()
    bmp2bi = os.path.abspath(args.bmp2bi)
    work = args.work or tempfile.mkdtemp(prefix="bmp2bi-bench-")
    os.makedirs(work, exist_ok=True)
    script = os.path.join(work, "pillow_include_file.py")
    with open(script, "w") as f:
        f.write(PILLOW_SCRIPT)

    print(f"{'size':>11} {'form':>4} {'bytes out':>11} {'bmp2bi':>9} {'dd':>9} {'Pillow':>9} "
          f"{'ImageMagick':>11}   {'bmp2bi/dd':>9} {'Pillow/bmp2bi':>13} {'IM/bmp2bi':>9}")
    for (width, height), form in ((s, f) for s in SIZES for f in args.formats.split(",")):
        name = f"in{width}x{height}"
        bmp = os.path.join(work, f"{name}.{form}")
        make_picture(bmp, width, height)
        ours = os.path.join(work, name + ".bi")
        label = name + "_bi"
        # Run in the folder with plain names, so that the label is the file name alone.
        t_ours = best_time([bmp2bi, "-q", "-o", name + ".bi", f"{name}.{form}"], ours, args.runs,
                           work)
        size = os.path.getsize(ours)
        reference = ours + ".kept"
        shutil.copyfile(ours, reference)

        dd_out = os.path.join(work, name + ".dd")
        t_dd = best_time(["dd", "if=/dev/zero", f"of={dd_out}", "bs=1M", f"count={size}",
                          "iflag=count_bytes", "status=none"], dd_out, args.runs, work)

        pillow_out = os.path.join(work, name + ".pillow.bi")
        t_pillow = best_time([PYTHON, script, bmp, pillow_out, label], pillow_out, 1, work)
        with open(reference, "rb") as a, open(pillow_out, "rb") as b:
            if a.read() != b.read():
                sys.exit(f"the Pillow script's file differs from bmp2bi's for {name}")

        t_magick = None
        if width * height <= MAGICK_MAX_PIXELS and form == "bmp":
            magick_out = os.path.join(work, name + ".txt")
            t_magick = best_time([CONVERT, bmp, "txt:" + magick_out], magick_out, 1, work)

        magick = f"{t_magick * 1000:9.0f}ms" if t_magick else f"{'-':>11}"
        magick_ratio = f"{t_magick / t_ours:8.0f}x" if t_magick else f"{'-':>9}"
        print(f"{width:>5}x{height:<5} {form:>4} {size:>11} {t_ours * 1000:7.1f}ms {t_dd * 1000:7.1f}ms "
              f"{t_pillow * 1000:7.0f}ms "
              f"{magick}   {t_ours / t_dd:8.2f}x {t_pillow / t_ours:12.0f}x {magick_ratio}")
        for path in (ours, reference, dd_out, pillow_out, bmp):
            os.remove(path)
        if t_magick:
            os.remove(magick_out)
    if not args.work:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""bmp2bi's batches, --fit and --packed against each other and against Pillow scripts, in one run.

Usage: bmp2bi_batch_vs_pillow.py BMP2BI [--work DIR] [--photos N] [--runs N]

Prints, each time the best of --runs runs (the Pillow scripts run once):
  - a batch of N 1920 x 1080 JPEG photos (default 200) with -j 2 against -j 1 (goal: 1.7 times
    as fast on 2 cores) and against a Pillow script converting them in a loop;
  - --fit 640x480 on a 4000 x 3000 JPEG against a Pillow script doing the same with thumbnail()
    (goal: 5 times as fast);
  - --packed against the plain form on one 1920 x 1080 photo: bytes and time.
"""
import argparse
import glob
import os
import shutil
import subprocess
import tempfile
import time

from PIL import Image

PYTHON = "/usr/bin/python3"

# The plain Pillow way: one formatted line per pixel, after an optional thumbnail().
PILLOW_SCRIPT = r'''
import os, sys
from PIL import Image
fit, out_dir, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
for source in sources:
    image = Image.open(source)
    if fit != "-":
        image.thumbnail(tuple(int(side) for side in fit.split("x")))
    image = image.convert("RGBA")
    name = "Res" + os.path.splitext(os.path.basename(source))[0]
    with open(os.path.join(out_dir, name + ".bi"), "w", newline="") as out:
        out.write(f"{name}_bi:\r\nData {image.width}\r\nData {image.height}\r\n")
        for r, g, b, a in image.getdata():
            out.write(f"Data {a}, {r}, {g},{b}\r\n")
'''


def make_photo(path, width, height, seed):
    # Smooth gradients with fine texture, as a photograph decodes.
    red = Image.linear_gradient("L").resize((width, height))
    green = Image.radial_gradient("L").resize((width, height))
    blue = Image.effect_noise((width // 8, height // 8), 40 + seed % 20).resize((width, height))
    Image.merge("RGB", (red, green, blue.convert("L"))).save(path, quality=90)


def best_time(command, runs, out_dir):
    best = float("inf")
    for _ in range(runs):
        shutil.rmtree(out_dir, ignore_errors=True)
        os.makedirs(out_dir)
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bmp2bi")
    parser.add_argument("--work", help="folder for the files (default: a new temporary one)")
    parser.add_argument("--photos", type=int, default=200)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    bmp2bi = os.path.abspath(args.bmp2bi)
    work = args.work or tempfile.mkdtemp(prefix="bmp2bi-batch-")
    photos, out = os.path.join(work, "photos"), os.path.join(work, "out")
    os.makedirs(photos, exist_ok=True)
    script = os.path.join(work, "pillow_include_files.py")
    with open(script, "w") as f:
        f.write(PILLOW_SCRIPT)
    for i in range(args.photos):
        make_photo(os.path.join(photos, f"photo{i:03}.jpg"), 1920, 1080, i)
    batch = sorted(glob.glob(os.path.join(photos, "*.jpg")))

    ours = {jobs: best_time([bmp2bi, "-q", "-f", "-j", str(jobs), "--output-dir", out, *batch],
                            args.runs, out) for jobs in (1, 2)}
    pillow = best_time([PYTHON, script, "-", out, *batch], 1, out)
    print(f"batch of {len(batch)} 1920x1080 JPEG: -j 1 {ours[1]:.2f} s, -j 2 {ours[2]:.2f} s, "
          f"Pillow {pillow:.2f} s; -j 2 is {ours[1] / ours[2]:.2f}x -j 1 (goal 1.7x) and "
          f"{pillow / ours[2]:.1f}x Pillow")

    large = os.path.join(work, "large.jpg")
    make_photo(large, 4000, 3000, 7)
    fit = best_time([bmp2bi, "-q", "-f", "--fit", "640x480", "--output-dir", out, large],
                    args.runs, out)
    pillow_fit = best_time([PYTHON, script, "640x480", out, large], 1, out)
    print(f"--fit 640x480 of a 4000x3000 JPEG: bmp2bi {fit * 1000:.0f} ms, Pillow "
          f"{pillow_fit * 1000:.0f} ms: {pillow_fit / fit:.1f}x (goal 5x)")

    sizes, times = {}, {}
    for form in ("--quiet", "--packed"):
        times[form] = best_time([bmp2bi, "-q", "-f", form, "--output-dir", out, batch[0]],
                                args.runs, out)
        sizes[form] = os.path.getsize(glob.glob(os.path.join(out, "*.bi"))[0])
    print(f"one 1920x1080 photo: plain {sizes['--quiet']} bytes in {times['--quiet'] * 1000:.0f} "
          f"ms, packed {sizes['--packed']} bytes in {times['--packed'] * 1000:.0f} ms: "
          f"{sizes['--packed'] / sizes['--quiet']:.2f} of the size, "
          f"{times['--packed'] / times['--quiet']:.2f} of the time")
    if not args.work:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

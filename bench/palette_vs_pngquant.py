#!/usr/bin/python3
"""bmp2bi --palette --colours 256 against pngquant on the same 4000 x 3000 photo, in one run.

Usage: palette_vs_pngquant.py BMP2BI [--work DIR] [--runs N]

Both read the same PNG (a photo-like picture of every channel value, made as include_sizes.py
makes its photo), reduce it to 256 colours without dithering (pngquant --nofs; both use
libimagequant at its default speed) and write their result: bmp2bi the include file of the
palette form, pngquant a PNG. Each time is the best of N rounds (the commands take turns), from
process start to the written file; the ratio bmp2bi / pngquant is printed with them, and plain
bmp2bi for scale. After the reduction the work differs: bmp2bi writes about 56 MB of text,
pngquant compresses a PNG (zlib at its best compression), which takes most of its time.
"""
import argparse
import os
import subprocess
import tempfile
import time

from include_sizes import make_photo


def best_times(commands, runs):
    """The best time of each command over `runs` rounds, the commands taking turns within a round
    so that a busy machine slows them alike."""
    best = {name: float("inf") for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            start = time.perf_counter()
            subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
            best[name] = min(best[name], time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bmp2bi")
    parser.add_argument("--work", help="folder for the files (default: a new temporary one)")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="palette-bench-")
    os.makedirs(work, exist_ok=True)
    photo = os.path.join(work, "photo.png")
    make_photo(photo, 4000, 3000)
    bmp2bi = os.path.abspath(args.bmp2bi)
    out_bi, out_png = os.path.join(work, "out.bi"), os.path.join(work, "out.png")
    times = best_times({
        "bmp2bi --palette --colours 256":
            [bmp2bi, "-q", "-f", "--palette", "--colours", "256", "-o", out_bi, photo],
        "pngquant --nofs 256": ["pngquant", "--force", "--nofs", "--output", out_png, "256", photo],
        "bmp2bi (plain form)": [bmp2bi, "-q", "-f", "-o", out_bi, photo],
    }, args.runs)
    for name, seconds in times.items():
        print(f"{name:<32} {seconds:7.3f} s")
    ratio = times["bmp2bi --palette --colours 256"] / times["pngquant --nofs 256"]
    print(f"bmp2bi --palette --colours 256 / pngquant: {ratio:.2f}")


if __name__ == "__main__":
    main()

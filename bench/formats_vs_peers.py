#!/usr/bin/python3
"""bmp2bi on a 4000 x 3000 WebP and HEIC picture against the decoders' own libraries and Pillow.

Usage: formats_vs_peers.py BMP2BI FORMAT_DECODE [--work DIR] [--runs N]

For each picture (a photo-like 4000 x 3000 RGB picture, written by cwebp -q 85 and heif-enc
-q 85) it prints, in one run:
  - decode to 0xAARRGGBB in memory, best of N in one process: the picture library's Load against
    the format's library called directly (libwebp's WebPDecodeBGRAInto, libheif's decode to
    interleaved RGBA) — the loader's own cost, goal <= 1.15x;
  - the whole bmp2bi run writing the include file, the format library's decode plus dd writing as
    many bytes (the floor of decoding and writing that much), and the Pillow script of
    bmp2bi_vs_peers.py writing the same file (WebP only: Debian's Pillow reads no HEIC) — goal
    Pillow/bmp2bi >= 10x;
  - bmp2bi's peak memory (/usr/bin/time -v) against 1.5 x the picture's pixel bytes + 10 MB.
"""
import argparse
import os
import re
import shutil
import subprocess
import tempfile

from PIL import Image

from bmp2bi_vs_peers import PILLOW_SCRIPT, best_time  # the same Pillow peer and timing

WIDTH, HEIGHT = 4000, 3000
PYTHON = "/usr/bin/python3"


def peak_kb(command, work):
    result = subprocess.run(["/usr/bin/time", "-v", *command], check=True, cwd=work,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", result.stderr)[1])


def make_pictures(work):
    noise = Image.effect_noise((WIDTH, HEIGHT), 40).convert("L")
    red = Image.linear_gradient("L").resize((WIDTH, HEIGHT))
    green = red.rotate(90, expand=False)
    png = os.path.join(work, "photo.png")
    Image.merge("RGB", (red, green, noise)).save(png, compress_level=1)
    subprocess.run(["cwebp", "-quiet", "-q", "85", png, "-o", os.path.join(work, "photo.webp")],
                   check=True)
    subprocess.run(["heif-enc", "-q", "85", png, "-o", os.path.join(work, "photo.heic")],
                   check=True, stdout=subprocess.DEVNULL)
    os.remove(png)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bmp2bi")
    parser.add_argument("format_decode")
    parser.add_argument("--work", help="folder for the files (default: a new temporary one)")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    bmp2bi, decode = os.path.abspath(args.bmp2bi), os.path.abspath(args.format_decode)
    work = args.work or tempfile.mkdtemp(prefix="formats-bench-")
    os.makedirs(work, exist_ok=True)
    script = os.path.join(work, "pillow_include_file.py")
    with open(script, "w") as f:
        f.write(PILLOW_SCRIPT)
    make_pictures(work)
    limit_mb = 1.5 * WIDTH * HEIGHT * 4 / 2**20 + 10
    print(f"{WIDTH} x {HEIGHT}; times are the best of {args.runs} (Pillow: 1)")
    print(f"{'file':>10} {'Load':>8} {'library':>8} {'ratio':>6}   {'bmp2bi':>8} "
          f"{'lib+dd':>8} {'ratio':>6} {'Pillow':>8} {'Pillow/bmp2bi':>13}   {'peak MB':>8} "
          f"{'goal MB':>8}")
    for name in ("photo.webp", "photo.heic"):
        run = lambda mode: float(subprocess.run([decode, mode, name, str(args.runs)], check=True,
                                                cwd=work, capture_output=True, text=True).stdout)
        t_load, t_library = run("loader") / 1000, run("library") / 1000
        out = os.path.join(work, "photo.bi")
        command = [bmp2bi, "-q", "-f", "-o", "photo.bi", name]
        t_ours = best_time(command, out, args.runs, work)
        size = os.path.getsize(out)
        dd_out = os.path.join(work, "dd.out")
        t_dd = best_time(["dd", "if=/dev/zero", f"of={dd_out}", "bs=1M", f"count={size}",
                          "iflag=count_bytes", "status=none"], dd_out, args.runs, work)
        peak = peak_kb(command, work) / 1024
        pillow = "-"
        ratio = "-"
        if name.endswith(".webp"):
            pillow_out = os.path.join(work, "pillow.bi")
            t_pillow = best_time([PYTHON, script, name, pillow_out, "photo_bi"], pillow_out, 1,
                                 work)
            with open(out, "rb") as a, open(pillow_out, "rb") as b:
                same = a.read() == b.read()
            pillow = f"{t_pillow * 1000:6.0f}ms"
            ratio = f"{t_pillow / t_ours:12.0f}x" + ("" if same else " (files differ!)")
            os.remove(pillow_out)
        print(f"{name:>10} {t_load * 1000:6.0f}ms {t_library * 1000:6.0f}ms "
              f"{t_load / t_library:5.2f}x   {t_ours * 1000:6.0f}ms "
              f"{(t_library + t_dd) * 1000:6.0f}ms {t_ours / (t_library + t_dd):5.2f}x "
              f"{pillow:>8} {ratio:>13}   {peak:8.0f} {limit_mb:8.0f}")
        os.remove(out)
        os.remove(dd_out)
    if not args.work:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Whole bmp2bi runs against the system's floor: /bin/true for a tiny sprite, dd writing the same
bytes for 4000 x 3000 pictures. Each bmp2bi given is measured in the same run, turns alternating,
best of N, with its peak memory.

    /usr/bin/python3 bench/bmp2bi_vs_system.py NAME=BMP2BI [NAME=BMP2BI ...]
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

from PIL import Image

ROUNDS = 7


def make_pictures(folder):
    sprite = Image.new("RGBA", (32, 32))
    sprite.putdata([(x * 8, y * 8, 128, 255) for y in range(32) for x in range(32)])
    sprite.save(os.path.join(folder, "sprite.bmp"))
    grey = Image.effect_mandelbrot((4000, 3000), (-2.2, -1.2, 1.0, 1.2), 100)
    big = Image.merge("RGB", (grey, grey.transpose(Image.FLIP_LEFT_RIGHT), grey.rotate(180)))
    for ext in ("bmp", "png", "jpg"):
        big.save(os.path.join(folder, "big." + ext))
    return ["sprite.bmp", "big.bmp", "big.png", "big.jpg"]


def run(command):
    """Seconds and peak resident megabytes of one run of `command` (a child of its own)."""
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execv(command[0], command)
    _, status, usage = os.wait4(pid, 0)
    seconds = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(command)}")
    return seconds, usage.ru_maxrss / 1024


def main():
    tools = dict(arg.split("=", 1) for arg in sys.argv[1:])
    if not tools:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as folder:
        pictures = make_pictures(folder)
        out = os.path.join(folder, "out.bi")
        for picture in pictures:
            path = os.path.join(folder, picture)
            first = next(iter(tools.values()))
            subprocess.run([first, "-q", "--force", "-o", out, path], check=True)
            floor = (["/bin/true"] if picture.startswith("sprite") else
                     ["/bin/dd", "if=" + out, "of=" + out + ".copy", "bs=1M", "status=none"])
            commands = {"floor": floor}
            commands.update({name: [tool, "-q", "--force", "-o", out, path]
                             for name, tool in tools.items()})
            best = {name: (float("inf"), 0.0) for name in commands}
            for _ in range(ROUNDS):
                for name, command in commands.items():
                    seconds, megabytes = run(command)
                    best[name] = (min(best[name][0], seconds), max(best[name][1], megabytes))
            floor_seconds = best["floor"][0]
            print(f"{picture} ({os.path.getsize(out) / 1e6:.1f} MB of include file); "
                  f"floor {' '.join(floor[:1])}: {floor_seconds * 1000:.1f} ms")
            for name in tools:
                seconds, megabytes = best[name]
                print(f"  {name:>10}: {seconds * 1000:8.1f} ms  {seconds / floor_seconds:5.2f}x "
                      f"the floor  peak {megabytes:7.1f} MB")


if __name__ == "__main__":
    main()

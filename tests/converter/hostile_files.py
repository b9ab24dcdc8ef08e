#!/usr/bin/python3
"""bmp2bi over hostile files, each a process of its own (the two large WebPs together under -j 2):
prints a table of status, peak memory, processor time and message, and fails when a file is
refused over 200 MB or 2 s of processor time, or converted over its picture's bytes x 1.5 + 64 MB
(x 2 for a lossless WebP, whose library keeps a buffer of the picture's size).

Usage: hostile_files.py BMP2BI FOLDER [--sanitized]
With --sanitized (a build under the address and undefined-behaviour sanitizers), only that no
sanitizer reports anything is checked.
"""
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "picture"))
import hostile_pictures  # noqa: E402

MB = 1 << 20
WEBP_PIXELS = 10000 * 10000


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data)))


def coded(folder, name, *options):
    """A small picture written by heif-enc, for its coded image."""
    source = os.path.join(folder, "source.png")
    rows = b"".join(b"\0" + bytes((x * 4 + y) & 255 for x in range(64 * 3)) for y in range(48))
    with open(source, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 48, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
    path = os.path.join(folder, name)
    subprocess.run(["heif-enc", *options, source, "-o", path], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return open(path, "rb").read()


def run(command, folder):
    """Status, peak bytes, processor seconds, wall seconds and first error line of one process,
    measured by /usr/bin/time (a child of this interpreter would count its memory too)."""
    started = time.monotonic()
    usage = os.path.join(folder, ".usage")
    with open(os.path.join(folder, ".err"), "wb") as err:
        status = subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", usage, *command],
                                cwd=folder, stdout=subprocess.DEVNULL, stderr=err).returncode
    peak, user, system = open(usage).read().split()[-3:]
    text = open(os.path.join(folder, ".err"), "rb").read().decode(errors="replace")
    lines = text.replace(folder + "/files/", "").splitlines()
    if "runtime error" in text or "Sanitizer" in text:
        lines.insert(0, "SANITIZER REPORT: " + text[-300:])
    return (status, int(peak) * 1024, float(user) + float(system), time.monotonic() - started,
            lines[0] if lines else "")


def main(bmp2bi, folder, *options):
    sanitized = "--sanitized" in options
    missing = [tool for tool in ("heif-enc", "/usr/bin/time") if not shutil.which(tool)]
    if missing:
        print("missing", ", ".join(missing), "(make deps installs them)")
        return 1
    folder, bmp2bi = os.path.abspath(folder), os.path.abspath(bmp2bi)
    shutil.rmtree(folder, ignore_errors=True)
    files = os.path.join(folder, "files")
    out = os.path.join(folder, "out")
    os.makedirs(files)
    os.makedirs(out)
    made = hostile_pictures.write_hostile(files, coded(folder, "c.heic", "-q", "50"),
                                          coded(folder, "c.avif", "-A", "-q", "50"))
    webps = sorted(name for name in made if name.endswith("10000.webp"))
    # 2 GB of text each, written through links to devices that take anything
    for name, device in zip(webps, ["/dev/null", "/dev/zero"]):
        os.symlink(device, os.path.join(out, "Res" + name.rsplit(".", 1)[0] + ".bi"))
    runs = [([bmp2bi, "-q", "-f", "-o", "/dev/null", os.path.join(files, name)], [name])
            for name in sorted(made) if name not in webps]
    runs.append(([bmp2bi, "-q", "-f", "-j", "2", "--output-dir", out] +
                 [os.path.join(files, name) for name in webps], webps))
    failures = []
    print(f"{'file':22} {'status':>6} {'peak MB':>8} {'CPU s':>6} {'wall s':>6}  message")
    for command, names in runs:
        status, peak, cpu, wall, message = run(command, folder)
        label = " + ".join(names) + (" (-j 2)" if len(names) > 1 else "")
        print(f"{label:22} {status:>6} {peak / MB:>8.0f} {cpu:>6.2f} {wall:>6.2f}  {message}")
        sys.stdout.flush()
        if message.startswith("SANITIZER"):
            failures.append(f"{label}: {message}")
        if sanitized:
            continue
        if status != 0:
            if peak > 200 * MB or cpu > 2:
                failures.append(f"{label}: refused at {peak / MB:.0f} MB, {cpu:.2f} s")
            continue
        allowed = sum(4 * WEBP_PIXELS * (2 if "lossless" in n or "animated" in n else 1.5)
                      for n in names) + 64 * MB * len(names)
        if peak > allowed:
            failures.append(f"{label}: converted at {peak / MB:.0f} MB, over {allowed / MB:.0f}")
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

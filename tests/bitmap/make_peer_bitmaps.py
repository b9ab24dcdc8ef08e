#!/usr/bin/python3
"""Writes picture files with Pillow, ImageMagick and by hand, each with the pixels it must give.

Usage: make_peer_bitmaps.py OUTDIR [--pictures-only]
Lists "FILE WIDTH HEIGHT TOLERANCE" in OUTDIR/cases.txt and writes FILE.rgba (RGBA bytes, top row
first); TOLERANCE -1: the file must fail to load. Pixels are Pillow's decode of 8-bit files, else
the loader's rules from the values written (alpha, 16-bit and low-depth PNG, a GIF on a screen).
"""
import os
import random
import struct
import subprocess
import sys
import zlib

from PIL import Image

CONVERT = "/usr/bin/convert"


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_bytes(w, h, depth, colour_type, rows, extra=b""):
    header = struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def pack(samples, depth):
    """A PNG row: samples most significant bits first, or big-endian 16-bit values."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    bits = "".join(format(s, "0%db" % depth) for s in samples) + "0" * 7
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits) - 7, 8))


def main(out):
    random.seed(7)
    w, h = 37, 23
    path = lambda name: os.path.join(out, name)
    src = Image.new("RGB", (w, h))
    src.putdata([tuple(random.randrange(256) for _ in range(3)) for _ in range(w * h)])
    src.save(path("src.png"))
    palette12 = src.quantize(12)
    palette12.save(path("p12.png"))
    with_alpha = src.copy()
    with_alpha.putalpha(100)
    cases = []  # (file, tolerance, expected RGBA bytes; None: Pillow's decode)

    def pillow(name, image, expected=None, **options):
        image.save(path(name), **options)
        cases.append((name, 0, expected))

    def magick(name, source, args, form="", tolerance=0):
        subprocess.run([CONVERT, path(source), *args, f"{form}:{path(name)}" if form else
                        path(name)], check=True)
        cases.append((name, tolerance, b"" if tolerance < 0 else None))

    def written(name, data, expected):
        open(path(name), "wb").write(data)
        cases.append((name, -1 if expected is None else 0, expected or b""))

    # BMP
    pillow("pillow_rgb24.bmp", src)
    pillow("pillow_p8.bmp", palette12)
    pillow("pillow_mono1.bmp", src.convert("1"))
    pillow("pillow_bgra32.bmp", with_alpha, with_alpha.tobytes())  # the fourth byte is alpha
    magick("magick_core24.bmp", "src.png", [], form="BMP2")  # the 12-byte header
    magick("magick_rle8.bmp", "p12.png", ["-type", "Palette", "-compress", "RLE"], "BMP3")
    magick("magick_pal4.bmp", "p12.png", ["-type", "Palette"], "BMP3")
    magick("magick_rgb565.bmp", "src.png", ["-define", "bmp:subtype=RGB565"], "BMP", tolerance=1)
    magick("magick_argb32.bmp", "src.png",
           ["-alpha", "set", "-channel", "A", "-evaluate", "set", "50%"], "BMP")

    # PNG, 8-bit: every colour type and transparency form; interlaced by ImageMagick
    grey = src.convert("L")
    for name, image, options in [
            ("rgb8", src, {}), ("rgba8", with_alpha, {}), ("l8", grey, {}),
            ("la8", src.convert("LA"), {}), ("p8", palette12, {}),
            ("p8_trns", palette12, {"transparency": bytes([0, 77, 200])}),
            ("l8_trns", grey, {"transparency": grey.getpixel((3, 2))}),
            ("rgb8_trns", src, {"transparency": src.getpixel((5, 6))})]:
        pillow(name + ".png", image, **options)
    magick("interlaced_rgb.png", "src.png", ["-interlace", "PNG", "-define", "png:format=png24"])
    magick("interlaced_rgba.png", "rgba8.png", ["-interlace", "PNG"])
    # PNG of other depths, written here
    for depth in (1, 2, 4, 16):
        samples = [[random.randrange(1 << depth) for _ in range(w)] for _ in range(h)]
        key = samples[1][2]
        scale = lambda v: v >> 8 if depth == 16 else v * 255 // ((1 << depth) - 1)
        written(f"grey{depth}_trns.png",
                png_bytes(w, h, depth, 0, [pack(r, depth) for r in samples],
                          chunk(b"tRNS", struct.pack(">H", key))),
                b"".join(bytes([scale(v)] * 3 + [0 if v == key else 255])
                         for row in samples for v in row))
    wide = [[random.randrange(65536) for _ in range(4 * w)] for _ in range(h)]
    wide[2][4:8] = [wide[2][0] ^ 1, wide[2][1], wide[2][2], 0]  # the key's high bytes, not its own
    written("rgba16.png", png_bytes(w, h, 16, 6, [pack(r, 16) for r in wide]),
            bytes(v >> 8 for row in wide for v in row))
    rgb = [[row[i:i + 3] for i in range(0, len(row), 4)] for row in wide]
    key = struct.pack(">HHH", *rgb[2][0])
    written("rgb16_trns.png",
            png_bytes(w, h, 16, 2, [pack(sum(r, []), 16) for r in rgb], chunk(b"tRNS", key)),
            b"".join(bytes([c >> 8 for c in p] + [0 if struct.pack(">HHH", *p) == key else 255])
                     for row in rgb for p in row))
    colours = [[random.randrange(256) for _ in range(3)] for _ in range(16)]
    alphas = [0, 90, 255, 13]  # shorter than the palette: the rest are opaque
    indices = [[random.randrange(16) for _ in range(w)] for _ in range(h)]
    written("p4_trns.png", png_bytes(w, h, 4, 3, [pack(r, 4) for r in indices],
                                     chunk(b"PLTE", bytes(sum(colours, []))) +
                                     chunk(b"tRNS", bytes(alphas))),
            b"".join(bytes(colours[i] + [alphas[i] if i < 4 else 255])
                     for row in indices for i in row))

    # JPEG: subsamplings, progressive, greyscale, restart markers
    for name, options in [("444", {"subsampling": 0}), ("422", {"subsampling": 1}),
                          ("420", {"subsampling": 2}), ("progressive", {"progressive": True})]:
        pillow(name + ".jpg", src, quality=90, **options)
    pillow("grey.jpg", grey)
    magick("restarts.jpg", "src.png", ["-define", "jpeg:restart-interval=1"])

    # GIF: transparency, interlace, animation, a first image inside a larger screen
    pillow("plain.gif", palette12, interlace=False)
    pillow("interlaced.gif", palette12, interlace=True)
    pillow("transparent.gif", palette12, transparency=4)
    pillow("animated.gif", palette12, save_all=True, append_images=[palette12.rotate(180)])
    small = palette12.crop((0, 0, 20, 10))
    small.save(path("small.gif"))
    gif = bytearray(open(path("small.gif"), "rb").read())
    gif[6:10] = struct.pack("<HH", w, h)
    at = gif.index(b"\x2c", 13 + 3 * (2 << (gif[10] & 7)))  # the image descriptor
    gif[at + 1:at + 5] = struct.pack("<HH", 5, 4)
    placed = [bytes([0xFF, 0, 0xFF, 0xFF])] * (w * h)  # the fill of a new image
    for i, colour in enumerate(small.convert("RGBA").getdata()):
        placed[(4 + i // 20) * w + 5 + i % 20] = bytes(colour)
    written("offset.gif", bytes(gif), b"".join(placed))

    # Damaged files of every format
    png = open(path("rgb8.png"), "rb").read()
    idat = png.index(b"IDAT")
    crc_at = idat + 4 + struct.unpack(">I", png[idat - 4:idat])[0]
    written("bad_crc.png", png[:crc_at] + bytes([png[crc_at] ^ 1]) + png[crc_at + 1:], None)
    written("cut.png", png[:idat + 200], None)
    written("no_end.png", png[:-12], None)
    # Text that inflates to 8 MB and a 5 MB profile: passed over, the pixels decide.
    grey_rows = [bytes((x * 7 + y) % 256 for x in range(w)) for y in range(h)]
    written("text_bomb.png", png_bytes(w, h, 8, 0, grey_rows, chunk(
        b"zTXt", b"Comment\0\0" + zlib.compress(b"\0" * (8 << 20), 9)) + chunk(
        b"iCCP", b"p\0\0" + bytes(5 << 20))),
        b"".join(bytes((v, v, v, 255)) for row in grey_rows for v in row))
    written("too_large.png", png_bytes(30000, 30000, 8, 0, [b"\0" * 30000]), None)
    jpeg = open(path("420.jpg"), "rb").read()
    written("cut.jpg", jpeg[:len(jpeg) * 2 // 3], None)
    magick("cmyk.jpg", "src.png", ["-colorspace", "CMYK"])  # Adobe's inverted CMYK
    plain = open(path("plain.gif"), "rb").read()
    written("cut.gif", plain[:len(plain) // 2], None)
    gif[at + 1:at + 5] = struct.pack("<HH", 30, 4)
    written("outside.gif", bytes(gif), None)

    if "--pictures-only" in sys.argv:  # the fuzz target's seeds
        return
    with open(path("cases.txt"), "w") as listing:
        for name, tolerance, expected in cases:
            if expected is None:
                expected = Image.open(path(name)).convert("RGBA").tobytes()
            open(path(name + ".rgba"), "wb").write(expected)
            size = (w, h) if tolerance >= 0 else (4, 4)
            listing.write(f"{name} {size[0]} {size[1]} {tolerance}\n")


if __name__ == "__main__":
    main(sys.argv[1])

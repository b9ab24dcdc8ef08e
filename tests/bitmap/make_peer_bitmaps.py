#!/usr/bin/python3
"""Writes picture files with Pillow, ImageMagick and by hand, each with the pixels it must give.

Usage: make_peer_bitmaps.py OUTDIR
For every case FILE it lists "FILE WIDTH HEIGHT TOLERANCE" in OUTDIR/cases.txt and writes
FILE.rgba (width x height x RGBA bytes, top row first); TOLERANCE -1 marks a file that must fail
to load. The expected pixels are Pillow's decode of 8-bit files; for the forms Pillow reduces in
its own way (alpha of files that carry none, 16-bit and low-depth PNG, GIF frames on a larger
screen) they are worked out here from the values written, by the loader's rules.
"""
import os
import random
import struct
import subprocess
import sys
import zlib

from PIL import Image

CONVERT = "/usr/bin/convert"
MASK = bytes([0xFF, 0x00, 0xFF, 0xFF])  # the fill of a new image, red first


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_bytes(w, h, depth, colour_type, rows, extra=b""):
    header = struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def pack(samples, depth):
    """One PNG row of samples, most significant bits first, or big-endian 16-bit values."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    bits = "".join(format(s, "0%db" % depth) for s in samples)
    bits += "0" * (-len(bits) % 8)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))


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
    path = lambda name: os.path.join(out, name)
    cases = []  # (file, size, tolerance, expected RGBA bytes; None: Pillow's decode)

    def pillow(name, image, **options):
        image.save(path(name), **options)
        cases.append((name, image.size, 0, None))

    def magick(name, source, args, form="", tolerance=0):
        target = f"{form}:{path(name)}" if form else path(name)
        subprocess.run([CONVERT, source, *args, target], check=True)
        cases.append((name, (w, h), tolerance, None))

    def written(name, data, size, expected):
        open(path(name), "wb").write(data)
        cases.append((name, size, 0, expected))

    def failing(name, data):
        open(path(name), "wb").write(data)
        cases.append((name, (4, 4), -1, b""))

    # BMP
    with_alpha = src.copy()
    with_alpha.putalpha(100)
    pillow("pillow_rgb24.bmp", src)
    pillow("pillow_p8.bmp", palette12)
    pillow("pillow_mono1.bmp", src.convert("1"))
    with_alpha.save(path("pillow_bgra32.bmp"))  # compression 0: the fourth byte is alpha
    cases.append(("pillow_bgra32.bmp", (w, h), 0, with_alpha.tobytes()))
    magick("magick_core24.bmp", src_path, [], form="BMP2")  # the 12-byte header
    magick("magick_rle8.bmp", palette12_path, ["-type", "Palette", "-compress", "RLE"], "BMP3")
    magick("magick_pal4.bmp", palette12_path, ["-type", "Palette"], "BMP3")
    magick("magick_rgb565.bmp", src_path, ["-define", "bmp:subtype=RGB565"], "BMP", tolerance=1)
    magick("magick_argb32.bmp", src_path, ["-alpha", "set", "-channel", "A", "-evaluate", "set",
                                           "50%"], "BMP")

    # PNG, 8-bit, every colour type and transparency form; interlaced by ImageMagick
    pillow("rgb8.png", src)
    pillow("rgba8.png", with_alpha)
    pillow("l8.png", src.convert("L"))
    pillow("la8.png", src.convert("LA"))
    pillow("p8.png", palette12)
    pillow("p8_trns.png", palette12, transparency=bytes([0, 77, 200]))
    pillow("l8_trns.png", src.convert("L"), transparency=src.convert("L").getpixel((3, 2)))
    pillow("rgb8_trns.png", src, transparency=src.getpixel((5, 6)))
    magick("interlaced_rgb.png", src_path, ["-interlace", "PNG", "-define", "png:format=png24"])
    magick("interlaced_rgba.png", path("rgba8.png"), ["-interlace", "PNG"])
    # PNG of other depths, written here: the expected values follow from the samples
    for depth in (1, 2, 4, 16):
        grey = [[random.randrange(1 << depth) for _ in range(w)] for _ in range(h)]
        key = grey[1][2]
        trns = chunk(b"tRNS", struct.pack(">H", key))
        scale = lambda v: v >> 8 if depth == 16 else v * 255 // ((1 << depth) - 1)
        expected = b"".join(bytes([scale(v)] * 3 + [0 if v == key else 255])
                            for row in grey for v in row)
        written("grey%d_trns.png" % depth, png_bytes(w, h, depth, 0, [pack(r, depth) for r in grey],
                                                     trns), (w, h), expected)
    wide = [[random.randrange(65536) for _ in range(4 * w)] for _ in range(h)]
    wide[2][4:8] = [wide[2][0] ^ 1, wide[2][1], wide[2][2], 0]  # the key's high bytes, not its own
    high = [v >> 8 for row in wide for v in row]
    written("rgba16.png", png_bytes(w, h, 16, 6, [pack(r, 16) for r in wide]), (w, h), bytes(high))
    rgb = [[v for i, v in enumerate(row) if i % 4 != 3] for row in wide]
    key = struct.pack(">HHH", *rgb[2][0:3])
    expected = b"".join(bytes([r >> 8, g >> 8, b >> 8, 0 if struct.pack(">HHH", r, g, b) == key
                               else 255]) for row in rgb for r, g, b in zip(*[iter(row)] * 3))
    written("rgb16_trns.png", png_bytes(w, h, 16, 2, [pack(r, 16) for r in rgb], chunk(b"tRNS", key)),
            (w, h), expected)
    colours = [tuple(random.randrange(256) for _ in range(3)) for _ in range(16)]
    alphas = [0, 90, 255, 13]  # shorter than the palette: the rest are opaque
    indices = [[random.randrange(16) for _ in range(w)] for _ in range(h)]
    extra = chunk(b"PLTE", bytes(c for rgb in colours for c in rgb)) + chunk(b"tRNS", bytes(alphas))
    expected = b"".join(bytes(colours[i]) + bytes([alphas[i] if i < 4 else 255])
                        for row in indices for i in row)
    written("p4_trns.png", png_bytes(w, h, 4, 3, [pack(r, 4) for r in indices], extra), (w, h),
            expected)

    # JPEG: subsamplings, progressive, greyscale, restart markers
    pillow("444.jpg", src, quality=90, subsampling=0)
    pillow("422.jpg", src, quality=90, subsampling=1)
    pillow("420.jpg", src, quality=90, subsampling=2)
    pillow("progressive.jpg", src, quality=90, progressive=True)
    pillow("grey.jpg", src.convert("L"))
    magick("restarts.jpg", src_path, ["-define", "jpeg:restart-interval=1"])

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
    fill = [MASK] * (w * h)
    for i, colour in enumerate(small.convert("RGBA").getdata()):
        fill[(4 + i // 20) * w + 5 + i % 20] = bytes(colour)
    written("offset.gif", bytes(gif), (w, h), b"".join(fill))

    # Damaged files of every format
    png = open(path("rgb8.png"), "rb").read()
    idat = png.index(b"IDAT")
    crc_at = idat + 4 + struct.unpack(">I", png[idat - 4:idat])[0]
    failing("bad_crc.png", png[:crc_at] + bytes([png[crc_at] ^ 1]) + png[crc_at + 1:])
    failing("cut.png", png[:idat + 200])
    failing("no_end.png", png[:-12])
    bomb = chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"\0" * (8 << 20), 9))
    failing("text_bomb.png", png_bytes(1, 1, 8, 0, [b"\0"], bomb))
    failing("too_large.png", png_bytes(30000, 30000, 8, 0, [b"\0" * 30000]))
    jpeg = open(path("420.jpg"), "rb").read()
    failing("cut.jpg", jpeg[:len(jpeg) * 2 // 3])
    subprocess.run([CONVERT, src_path, "-colorspace", "CMYK", path("cmyk.jpg")], check=True)
    cases.append(("cmyk.jpg", (4, 4), -1, b""))
    plain = open(path("plain.gif"), "rb").read()
    failing("cut.gif", plain[:len(plain) // 2])
    gif[at + 1:at + 5] = struct.pack("<HH", 30, 4)
    failing("outside.gif", bytes(gif))

    with open(path("cases.txt"), "w") as listing:
        for name, (width, height), tolerance, expected in cases:
            if expected is None:
                expected = Image.open(path(name)).convert("RGBA").tobytes()
            open(path(name + ".rgba"), "wb").write(expected)
            listing.write(f"{name} {width} {height} {tolerance}\n")


if __name__ == "__main__":
    main(sys.argv[1])

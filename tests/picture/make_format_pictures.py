#!/usr/bin/python3
"""Writes WebP, TIFF, HEIC, AVIF, JPEG and PNG files with the tools that make them, with the pixels
each must give.

Usage: make_format_pictures.py OUTDIR [--pictures-only]
Lists cases in OUTDIR/cases.txt, one a line, tab-separated: FILE WIDTH HEIGHT TOLERANCE OPTION
FORMAT-OR-REASON, and writes FILE.rgba (RGBA bytes, top row first). TOLERANCE -1: the load must
fail with a reason containing the last field; else it is the format the probe names. OPTION "keep":
loaded with orientations not applied. Expected pixels come from an independent decode: Pillow's,
or the writing tool's own (dwebp, heif-convert), the orientation applied by Pillow's transposes.
Writes OUTDIR/interlaced/cases.txt too: every size from 1 x 1 to 9 x 9 of every PNG colour type
and depth, interlaced, written here, with Pillow's decode.
"""
import os
import random
import struct
import subprocess
import sys
import zlib

from PIL import Image

import heif_boxes as hb
import hostile_pictures as hostile

CONVERT = "/usr/bin/convert"
# EXIF orientation -> the transpose that makes the stored picture upright (as ImageOps uses).
UPRIGHT = {2: Image.Transpose.FLIP_LEFT_RIGHT, 3: Image.Transpose.ROTATE_180,
           4: Image.Transpose.FLIP_TOP_BOTTOM, 5: Image.Transpose.TRANSPOSE,
           6: Image.Transpose.ROTATE_270, 7: Image.Transpose.TRANSVERSE,
           8: Image.Transpose.ROTATE_90}
# ... and the one that stores an upright picture so: its inverse.
STORED = {2: UPRIGHT[2], 3: UPRIGHT[3], 4: UPRIGHT[4], 5: UPRIGHT[5],
          6: Image.Transpose.ROTATE_90, 7: UPRIGHT[7], 8: Image.Transpose.ROTATE_270}


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def exif_with(orientation, damage=False):
    exif = Image.Exif()
    exif[0x0112] = orientation
    data = exif.tobytes()  # "Exif\0\0" and a little-endian TIFF structure
    return data[:12] if damage else data


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


# Adam7: first column, first row, column step, row step of each pass.
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def pack(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    bits = "".join(format(s, "0%db" % depth) for s in samples) + "0" * 7
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits) - 7, 8))


def interlaced_png(w, h, depth, colour_type, pixels, palette=b""):
    """pixels[y][x]: a tuple of samples. Each pass's rows, filter byte 0, empty passes left out."""
    raw = b""
    for x0, y0, dx, dy in ADAM7:
        if x0 >= w or y0 >= h:
            continue
        for y in range(y0, h, dy):
            raw += b"\0" + pack([s for x in range(x0, w, dx) for s in pixels[y][x]], depth)
    header = struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 1)
    extra = chunk(b"PLTE", palette) if palette else b""
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def write_interlaced(out):
    os.makedirs(out, exist_ok=True)
    kinds = [(0, d) for d in (1, 2, 4, 8, 16)] + [(2, 8), (2, 16), (3, 1), (3, 2), (3, 4), (3, 8),
                                                  (4, 8), (4, 16), (6, 8), (6, 16)]
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
    palette = bytes(random.randrange(256) for _ in range(3 * 256))
    with open(os.path.join(out, "cases.txt"), "w") as listing:
        for colour_type, depth in kinds:
            for w in range(1, 10):
                for h in range(1, 10):
                    top = (1 << depth) - 1
                    pixels = [[tuple(random.randint(0, top) for _ in range(channels[colour_type]))
                               for _ in range(w)] for _ in range(h)]
                    name = f"c{colour_type}_d{depth}_{w}x{h}.png"
                    path = os.path.join(out, name)
                    open(path, "wb").write(interlaced_png(w, h, depth, colour_type, pixels,
                                                          palette[:3 << depth]
                                                          if colour_type == 3 else b""))
                    image = Image.open(path)
                    if image.mode == "I":  # 16-bit grey: Pillow keeps the values, the loader
                        grey = bytes(v >> 8 for v in image.getdata())  # their high byte
                        rgba = b"".join(bytes([g, g, g, 255]) for g in grey)
                    else:
                        rgba = image.convert("RGBA").tobytes()
                    open(path + ".rgba", "wb").write(rgba)
                    listing.write(f"{name}\t{w}\t{h}\t0\t-\tPNG\n")


def write_composed_heif(out, case, refused):
    """HEIF files composed around heif-enc's coded images: crops (in the picture or reaching past
    it, in fractions), turns and mirrors in either order, grids, 'mif1' as the main brand;
    expected: libheif's own heif-convert. Hostile ones refused in their own numbers."""
    path = lambda name: os.path.join(out, name)
    heic = hb.coded_image(open(path("lossy.heic"), "rb").read())
    avif = hb.coded_image(open(path("lossy.avif"), "rb").read())
    fraction = hb.box(b"clap", struct.pack(">IIIIiIiI", 41, 2, 31, 2, 1, 2, -1, 3))
    composed = [
        ("clap.avif", hb.compose(avif, transforms=[hb.clap(21, 15, 3, -2)])),
        ("clap_past_edges.avif", hb.compose(avif, transforms=[hb.clap(30, 20, 12, -9)])),
        ("clap_fraction.avif", hb.compose(avif, transforms=[fraction])),
        ("clap_irot.heic", hb.compose(heic, transforms=[hb.clap(21, 15, -5, 4), hb.irot(1)])),
        ("irot_clap_imir.avif", hb.compose(avif, transforms=[hb.irot(3), hb.clap(15, 21, 2, 2),
                                                             hb.imir(1)])),
        ("imir.avif", hb.compose(avif, transforms=[hb.imir(0)])),
        ("grid.heic", hb.compose(heic, grid=(2, 2, 2 * heic.width - 3, 2 * heic.height - 5))),
        ("grid_clap.heic", hb.compose(heic, grid=(1, 2, 2 * heic.width, heic.height),
                                      transforms=[hb.clap(40, 20, -9, 1)])),
        ("mif1.heic", hb.compose(heic, brands=(b"mif1", [b"mif1", b"heic"]))),
        ("mif1.avif", hb.compose(avif, brands=(b"mif1", [b"mif1", b"avif", b"miaf"]))),
    ]
    for name, data in composed:
        open(path(name), "wb").write(data)
        run("heif-convert", path(name), path(name + ".ref.png"))
        case(name, "AVIF" if name.endswith(".avif") else "HEIC",
             Image.open(path(name + ".ref.png")).convert("RGBA"))
    made = hostile.write_hostile(out, open(path("lossy.heic"), "rb").read(),
                                 open(path("lossy.avif"), "rb").read())
    compact = hb.box(b"ftyp", b"mif3\0\0\0\0mif3avif") + hb.box(b"mini", bytes(40))
    open(path("compact.avif"), "wb").write(compact)
    made["compact.avif"] = "a HEIF file of the compact form"
    for name, reason in [("compact.avif", "a HEIF file of brand 'mif3' without a whole 'meta' box"),
                         ("grid20000.heic", "grid of 1 x 1 tiles of"),
                         ("tiles10000.heic", "a grid of 10000 tiles, more than the 1024"),
                         ("clap_zero.avif", "a crop (clap) with a denominator of 0"),
                         ("unci.heic", "coded as 'unci'")]:
        assert name in made
        refused(name, None, reason)


def main(out):
    random.seed(11)
    os.makedirs(out, exist_ok=True)
    path = lambda name: os.path.join(out, name)
    w, h = 37, 23
    noise = Image.new("RGB", (w, h))
    noise.putdata([tuple(random.randrange(256) for _ in range(3)) for _ in range(w * h)])
    # A smooth picture for the lossy coders, with a marked corner so that every turn shows.
    smooth = Image.new("RGB", (w, h))
    smooth.putdata([(x * 255 // w, y * 255 // h, 128 + (x - y) * 2) for y in range(h)
                    for x in range(w)])
    smooth.paste((255, 255, 255), (0, 0, 6, 4))
    alpha = noise.copy()
    alpha.putalpha(Image.linear_gradient("L").resize((w, h)))
    noise.save(path("noise.png"))
    smooth.save(path("smooth.png"))
    alpha.save(path("alpha.png"))
    cases = []  # (file, tolerance, option, format or reason, expected RGBA bytes or an Image)

    def case(name, fmt, expected, tolerance=0, option="-"):
        cases.append((name, tolerance, option, fmt, expected))

    def refused(name, data, reason):
        if data is not None:
            open(path(name), "wb").write(data)
        cases.append((name, -1, "-", reason, b""))

    def pillow_decode(name):
        return Image.open(path(name)).convert("RGBA")

    # WebP: Pillow and libwebp's own cwebp; expected: Pillow's decode (libwebp's) or dwebp's
    alpha.save(path("lossless_alpha.webp"), lossless=True)
    case("lossless_alpha.webp", "WebP", alpha)
    smooth.save(path("pillow_lossy.webp"), quality=80)
    case("pillow_lossy.webp", "WebP", pillow_decode("pillow_lossy.webp"))
    run("cwebp", "-quiet", "-q", "70", path("alpha.png"), "-o", path("cwebp_lossy_alpha.webp"))
    run("dwebp", "-quiet", path("cwebp_lossy_alpha.webp"), "-pam", "-o", path("dwebp.pam"))
    pam = open(path("dwebp.pam"), "rb").read()
    case("cwebp_lossy_alpha.webp", "WebP",
         Image.frombytes("RGBA", (w, h), pam[pam.index(b"ENDHDR\n") + 7:]))
    run("cwebp", "-quiet", "-lossless", path("noise.png"), "-o", path("cwebp_lossless.webp"))
    case("cwebp_lossless.webp", "WebP", noise)
    run(CONVERT, path("smooth.png"), "-quality", "90", path("magick.webp"))
    case("magick.webp", "WebP", pillow_decode("magick.webp"))
    noise.save(path("animated.webp"), save_all=True, lossless=True,
               append_images=[noise.rotate(180)], duration=100)
    case("animated.webp", "WebP", noise)
    webp = open(path("cwebp_lossless.webp"), "rb").read()
    refused("cut.webp", webp[:len(webp) // 2], "cut short")
    broken = bytearray(webp)
    for i in range(40, len(broken) - 8, 7):
        broken[i] ^= 0x5A
    refused("damaged.webp", bytes(broken), "damaged")

    # TIFF: Pillow, ImageMagick and libtiff's tiffcp; expected: Pillow's decode
    for name, image, options in [
            ("rgb", noise, {}), ("rgba", alpha, {}), ("grey", noise.convert("L"), {}),
            ("bilevel", noise.convert("1"), {}), ("palette", noise.quantize(40), {}),
            ("cmyk", noise.convert("CMYK"), {}), ("lzw", alpha, {"compression": "tiff_lzw"}),
            ("deflate", noise, {"compression": "tiff_adobe_deflate"}),
            ("packbits", noise.convert("L"), {"compression": "packbits"}),
            ("fax4", noise.convert("1"), {"compression": "group4"})]:
        image.save(path(f"pillow_{name}.tif"), **options)
        case(f"pillow_{name}.tif", "TIFF", pillow_decode(f"pillow_{name}.tif"),
             1 if name == "cmyk" else 0)
    run("tiffcp", "-t", "-w", "16", "-l", "16", path("pillow_rgba.tif"), path("tiled.tif"))
    case("tiled.tif", "TIFF", alpha)
    run("tiffcp", "-p", "separate", path("pillow_rgb.tif"), path("planar.tif"))
    case("planar.tif", "TIFF", noise)
    run("tiffcp", "-8", "-c", "zip", path("pillow_rgb.tif"), path("bigtiff.tif"))
    case("bigtiff.tif", "TIFF", noise)
    run("tiffcp", "-c", "jpeg:90", path("pillow_rgb.tif"), path("jpeg.tif"))
    case("jpeg.tif", "TIFF", pillow_decode("jpeg.tif"), 2)
    run("tiffcp", path("pillow_rgb.tif"), path("pillow_grey.tif"), path("pages.tif"))
    case("pages.tif", "TIFF", noise)
    run(CONVERT, path("noise.png"), "-depth", "16", path("magick16.tif"))
    case("magick16.tif", "TIFF", noise, 1)  # libtiff's (v + 128) / 257 of v = 257 x c: c
    run(CONVERT, path("noise.png"), "-colorspace", "Gray", "-depth", "4", path("magick_grey4.tif"))
    case("magick_grey4.tif", "TIFF", pillow_decode("magick_grey4.tif"))
    run(CONVERT, path("alpha.png"), "-define", "tiff:alpha=associated", path("associated.tif"))
    case("associated.tif", "TIFF", pillow_decode("associated.tif"), 1)
    # Premultiplied 16-bit colours made straight before they are reduced, and CMYK keeping its
    # alpha; expected: the source (transparent pixels black, as premultiplied ones are)
    run(CONVERT, path("alpha.png"), "-depth", "16", "-define", "tiff:alpha=associated",
        path("associated16.tif"))
    cleared = Image.new("RGBA", alpha.size)
    cleared.putdata([p if p[3] else (0, 0, 0, 0) for p in alpha.getdata()])
    case("associated16.tif", "TIFF", cleared, 1)
    for depth in (8, 16):
        run(CONVERT, path("alpha.png"), "-colorspace", "CMYK", "-depth", str(depth),
            path(f"cmyk_alpha{depth}.tif"))
        case(f"cmyk_alpha{depth}.tif", "TIFF", alpha, 1)
    # Tiles of more bytes than they need, as tiffcp writes them
    for name in ("rgb", "palette", "grey"):
        run("tiffcp", "-t", "-w", "16", "-l", "16", path(f"pillow_{name}.tif"),
            path(f"tiled_{name}.tif"))
        case(f"tiled_{name}.tif", "TIFF", pillow_decode(f"pillow_{name}.tif"))
    # Orientations out of range are ignored
    for value in (0, 9, 65535):
        noise.save(path(f"orientation{value}.tif"), tiffinfo={0x0112: value})
        case(f"orientation{value}.tif", "TIFF", noise)
    tif = open(path("pillow_rgb.tif"), "rb").read()
    refused("cut.tif", tif[:len(tif) // 2], "cut short or damaged inside its pixel data")
    refused("no_directory.tif", tif[:8] + b"\xff\xff\xff\x7f" + tif[12:],
            "a damaged TIFF header")

    # HEIC and AVIF: libheif's heif-enc; expected: libheif's own heif-convert
    def heif(name, source, *options, tolerance=0):
        run("heif-enc", *options, path(source), "-o", path(name))
        run("heif-convert", path(name), path(name + ".ref.png"))
        case(name, "AVIF" if name.endswith(".avif") else "HEIC",
             Image.open(path(name + ".ref.png")).convert("RGBA"), tolerance)

    heif("lossy.heic", "smooth.png", "-q", "80")
    heif("alpha.heic", "alpha.png", "-q", "90")
    heif("lossy.avif", "smooth.png", "-q", "80")
    heif("alpha.avif", "alpha.png", "-q", "90")
    # 10-bit: heif-convert writes 16-bit PNG samples (v << 6), whose high byte Pillow keeps
    run(CONVERT, path("smooth.png"), "-depth", "16", path("smooth16.png"))
    heif("ten_bits.avif", "smooth16.png", "-b", "10", "-q", "90")
    heif("ten_bits.heic", "smooth16.png", "-b", "10", "-q", "90")
    # HEIF's own transforms, put in place of the optional pixi property: turns of 90, 180, 270
    plain = bytearray(open(path("lossy.heic"), "rb").read())
    at = plain.index(b"pixi")
    size = struct.unpack(">I", plain[at - 4:at])[0]
    for angle in (1, 2, 3):
        name = f"irot{angle * 90}.heic"
        turned = bytearray(plain)
        turned[at:at + size - 4] = b"irot" + bytes([angle]) + bytes(size - 9)
        open(path(name), "wb").write(turned)
        run("heif-convert", path(name), path(name + ".ref.png"))
        expected = smooth.rotate(90 * angle, expand=True)
        reference = Image.open(path(name + ".ref.png")).convert("RGBA")
        assert reference.size == expected.size
        case(name, "HEIC", reference)
        case(name + ".stored", "HEIC", pillow_decode("lossy.heic.ref.png"), 0, "keep")
        os.link(path(name), path(name + ".stored"))
    heic = open(path("lossy.heic"), "rb").read()
    refused("cut.heic", heic[:len(heic) * 2 // 3], "")
    refused("cut_header.heic", heic[:300], "a damaged HEIF file")
    write_composed_heif(out, case, refused)

    # The eight orientations of one picture: every file gives the same upright pixels
    for orientation in range(1, 9):
        stored = noise.transpose(STORED[orientation]) if orientation > 1 else noise
        tag = exif_with(orientation)
        stored.save(path(f"orientation{orientation}.png"), exif=tag)
        case(f"orientation{orientation}.png", "PNG", noise)
        stored.save(path(f"orientation{orientation}.webp"), exif=tag, lossless=True)
        case(f"orientation{orientation}.webp", "WebP", noise)
        stored.save(path(f"orientation{orientation}.tif"), tiffinfo={0x0112: orientation})
        case(f"orientation{orientation}.tif", "TIFF", noise)
        # JPEG: lossy, so the stored picture's own decode, turned upright by Pillow
        smooth_stored = smooth.transpose(STORED[orientation]) if orientation > 1 else smooth
        smooth_stored.save(path(f"orientation{orientation}.jpg"), exif=tag, quality=95)
        decoded = pillow_decode(f"orientation{orientation}.jpg")
        upright = decoded.transpose(UPRIGHT[orientation]) if orientation > 1 else decoded
        case(f"orientation{orientation}.jpg", "JPEG", upright)
        # As stored, with --keep-orientation
        os.link(path(f"orientation{orientation}.jpg"), path(f"stored{orientation}.jpg"))
        case(f"stored{orientation}.jpg", "JPEG", decoded, 0, "keep")
        os.link(path(f"orientation{orientation}.webp"), path(f"stored{orientation}.webp"))
        case(f"stored{orientation}.webp", "WebP", stored, 0, "keep")
    # Orientation tags that are absurd or damaged are ignored (pixels: the file's without one,
    # which Pillow opens where it does not open some of these)
    noise.save(path("no_exif.jpg"), quality=95)
    for name, tag in [("orientation0", exif_with(0)), ("orientation9", exif_with(9)),
                      ("orientation_cut", exif_with(6, damage=True)),
                      ("orientation_junk", b"Exif\0\0" + bytes(random.randrange(256)
                                                               for _ in range(60)))]:
        noise.save(path(name + ".jpg"), exif=tag, quality=95)
        case(name + ".jpg", "JPEG", pillow_decode("no_exif.jpg"))
        noise.save(path(name + ".png"), exif=tag)
        case(name + ".png", "PNG", noise)

    # JPEG: CMYK by Pillow and ImageMagick (Adobe's inverted form), YCCK by hand (tjcompress)
    noise.convert("CMYK").save(path("pillow_cmyk.jpg"), quality=95)
    case("pillow_cmyk.jpg", "JPEG", pillow_decode("pillow_cmyk.jpg"))
    run(CONVERT, path("smooth.png"), "-colorspace", "CMYK", "-quality", "90",
        path("magick_cmyk.jpg"))
    case("magick_cmyk.jpg", "JPEG", pillow_decode("magick_cmyk.jpg"))
    if len(sys.argv) > 3:  # the YCCK writer, built with the tests
        open(path("cmyk.raw"), "wb").write(noise.convert("CMYK").tobytes())
        run(sys.argv[3], path("cmyk.raw"), str(w), str(h), path("ycck.jpg"))
        case("ycck.jpg", "JPEG", pillow_decode("ycck.jpg"))
    jpeg = bytearray(open(path("orientation1.jpg"), "rb").read())
    frame = jpeg.index(b"\xff\xc0")
    twelve = bytearray(jpeg)
    twelve[frame + 4] = 12
    refused("twelve_bits.jpg", bytes(twelve), "a 12-bit JPEG")
    lossless = bytearray(jpeg)
    lossless[frame + 1] = 0xC3
    refused("lossless.jpg", bytes(lossless), "a lossless JPEG")

    # Files that cannot hold their pixels, or name what is not read
    for name, reason in [("strip1k_rgba16.tif", "holds 1024 bytes, too few for the 800000000"),
                         ("empty_strips.tif", "its strip 2 of 100 holds no data")]:
        refused(name, None, reason)
    png = open(path("orientation1.png"), "rb").read()
    refused("idat_length.png", hostile.png_chunk_length(png, 0x7FFFFFFF),
            "declares 2147483647 bytes, more than the")
    noise.quantize(16).save(path("indexed.gif"))
    refused("lzw11.gif", hostile.gif_code_size(open(path("indexed.gif"), "rb").read(), 11),
            "an LZW code size of 11")
    # An animation whose first frame lies inside its canvas; expected: libwebp's animation
    # decoder through Pillow
    part = alpha.crop((0, 0, 8, 6))
    part.save(path("part.webp"), lossless=True, exact=True)
    noise.save(path("whole.webp"), lossless=True)
    run("webpmux", "-frame", path("part.webp"), "+50+4+2+0+b", "-frame", path("whole.webp"),
        "+50+0+0", "-o", path("animated_part.webp"))
    case("animated_part.webp", "WebP", pillow_decode("animated_part.webp"))

    # Formats not read, named
    refused("drawing.svg", b'<svg xmlns="http://www.w3.org/2000/svg"/>', "an SVG drawing")
    refused("layers.psd", b"8BPS\0\1" + bytes(40), "a PSD file")
    refused("picture.jxl", b"\xff\x0a\xfa\x7f" + bytes(20), "a JPEG XL picture")

    if "--pictures-only" in sys.argv:  # the fuzz targets' seeds
        return
    write_interlaced(path("interlaced"))
    with open(path("cases.txt"), "w") as listing:
        for name, tolerance, option, fmt, expected in cases:
            if isinstance(expected, Image.Image):
                expected = expected.convert("RGBA")
                size, expected = expected.size, expected.tobytes()
            else:
                size = (0, 0)
            open(path(name + ".rgba"), "wb").write(expected)
            listing.write(f"{name}\t{size[0]}\t{size[1]}\t{tolerance}\t{option}\t{fmt}\n")


if __name__ == "__main__":
    main(sys.argv[1])

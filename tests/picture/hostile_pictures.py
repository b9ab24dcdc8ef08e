"""Small files made to cost a decoder far more than their bytes, or to mislead it, for the format
table, the hostile runs and the fuzzers' seeds.

    files = write_hostile(folder, heic, avif)   # heic, avif: bytes heif-enc wrote
    # -> {name: what it is}
"""
import os
import struct
import zlib

from heif_boxes import box, coded_image, compose, full_box


def tiff(width, height, bits, samples, photometric, strips, rows_per_strip=None, extra=None,
         compression=8):
    """A little-endian TIFF of one image; strips: the bytes of each (None: offset 0, no bytes)."""
    data, offsets, counts = b"", [], []
    for strip in strips:
        offsets.append(0 if strip is None else 8 + len(data))
        counts.append(0 if strip is None else len(strip))
        data += strip or b""
    data += b"\0" * (len(data) & 1)
    tags = {256: (4, [width]), 257: (4, [height]), 258: (3, [bits] * samples),
            259: (3, [compression]), 262: (3, [photometric]), 273: (4, offsets),
            277: (3, [samples]), 278: (4, [rows_per_strip or height]), 279: (4, counts),
            284: (3, [1])}
    if extra:
        tags[338] = (3, extra)
    directory_at = 8 + len(data)
    values_at = directory_at + 2 + 12 * len(tags) + 4
    entries, values = b"", b""
    for tag, (kind, numbers) in sorted(tags.items()):
        raw = struct.pack("<%d%s" % (len(numbers), "H" if kind == 3 else "I"), *numbers)
        if len(raw) > 4:
            field = struct.pack("<I", values_at + len(values))
            values += raw + b"\0" * (len(raw) & 1)
        else:
            field = raw.ljust(4, b"\0")
        entries += struct.pack("<HHI", tag, kind, len(numbers)) + field
    return (b"II*\0" + struct.pack("<I", directory_at) + data + struct.pack("<H", len(tags)) +
            entries + b"\0\0\0\0" + values)


def deflated_zeros(count, keep):
    """The first `keep` bytes of count zero bytes deflated."""
    packer = zlib.compressobj(9)
    out = b""
    while len(out) < keep and count > 0:
        step = min(count, 1 << 24)
        out += packer.compress(bytes(step))
        count -= step
    return (out + packer.flush())[:keep]


def webp_lossless_solid(width, height):
    """A lossless WebP of one colour whose size fields say width x height: 0 bits a pixel."""
    # As cwebp -lossless -z 9 writes a 16 x 16 picture of (10, 200, 30).
    stream = bytes.fromhex("2f0fc003002872" "15ead1ff00")
    header = (width - 1) | (height - 1) << 14 | (int.from_bytes(stream[1:5], "little") &
                                                  ~((1 << 28) - 1))
    stream = stream[:1] + header.to_bytes(4, "little") + stream[5:]
    body = b"WEBP" + b"VP8L" + struct.pack("<I", len(stream)) + stream
    return b"RIFF" + struct.pack("<I", len(body)) + body


def webp_animation(frame, width, height, frames=2):
    """An animation of `frames` copies of a still WebP's VP8L chunk on a width x height canvas."""
    chunk = frame[12:]
    anmf = b"".join(box_le(b"ANMF", bytes(6) + (width - 1).to_bytes(3, "little") +
                           (height - 1).to_bytes(3, "little") + (100).to_bytes(3, "little") +
                           b"\0" + chunk) for _ in range(frames))
    vp8x = box_le(b"VP8X", bytes([0x12, 0, 0, 0]) + (width - 1).to_bytes(3, "little") +
                  (height - 1).to_bytes(3, "little"))
    anim = box_le(b"ANIM", bytes(4) + b"\0\0")
    body = b"WEBP" + vp8x + anim + anmf
    return b"RIFF" + struct.pack("<I", len(body)) + body


def box_le(kind, payload):
    return kind + struct.pack("<I", len(payload)) + payload + b"\0" * (len(payload) & 1)


def png_chunk_length(png, length):
    """The PNG with its first IDAT chunk's length field set to `length`."""
    at = png.index(b"IDAT") - 4
    return png[:at] + struct.pack(">I", length) + png[at + 4:]


def gif_code_size(gif, size):
    """The GIF with its first image's LZW minimum code size set to `size`."""
    gif = bytearray(gif)
    at = gif.index(b",", 13)
    flags = gif[at + 9]
    gif[at + 10 + (3 * (2 << (flags & 7)) if flags & 0x80 else 0)] = size
    return bytes(gif)


def write_hostile(out, heic, avif):
    """Writes the hostile files into `out`; gives {name: what it is}."""
    h, a = coded_image(heic), coded_image(avif)
    files = {}

    def write(name, data, what):
        open(os.path.join(out, name), "wb").write(data)
        files[name] = what

    for side in (9000, 20000, 40000, 65535):
        write(f"grid{side}.heic", compose(h, grid=(1, 1, side, side), grid_ispe=(128, 128)),
              f"HEIF grid {side} x {side}, ispe 128 x 128")
    write("tiles10000.heic", compose(h, grid=(100, 100, 100 * h.width, 100 * h.height)),
          "HEIF grid of 10,000 tiles")
    clap = box(b"clap", struct.pack(">IIIIiIiI", 0x7FFFFFFF, 1, 0x7FFFFFFF, 1, 0, 1, 0, 1))
    write("clap_huge.avif", compose(a, transforms=[clap]), "AVIF crop of 2^31 - 1")
    zero = box(b"clap", struct.pack(">IIIIiIiI", 1, 0, 1, 0, 0, 1, 0, 1))
    write("clap_zero.avif", compose(a, transforms=[zero]), "AVIF crop with denominators 0")
    write("unci.heic", compose(h, primary_kind=b"unci"), "HEIF of an uncompressed ('unci') item")
    write("strip1k_rgba16.tif", tiff(10000, 10000, 16, 4, 2,
                                     [deflated_zeros(10000 * 10000 * 8, 1024)], extra=[2]),
          "TIFF 10000 x 10000 16-bit RGBA, one 1 KB deflate strip")
    write("strip1k_grey8.tif", tiff(10000, 10000, 8, 1, 1,
                                    [deflated_zeros(10000 * 10000, 1024)]),
          "TIFF 10000 x 10000 8-bit grey, one 1 KB deflate strip")
    row = zlib.compress(bytes(64 * 3), 9)
    write("empty_strips.tif", tiff(64, 100, 8, 3, 2, [row] + [None] * 99, rows_per_strip=1),
          "TIFF whose strips 2 to 100 hold no data")
    lossless = webp_lossless_solid(10000, 10000)
    write("lossless10000.webp", lossless, "WebP 10000 x 10000 lossless")
    write("animated10000.webp", webp_animation(lossless, 10000, 10000),
          "WebP 10000 x 10000 animation")
    return files

"""HEIF files composed box by box, for the tests: the coded image of a file that heif-enc wrote,
put behind other headers (grids of any size and tile count, crops, turns, mirrors, brands).

    coded = coded_image(open("plain.heic", "rb").read())
    open("grid.heic", "wb").write(compose(coded, grid=(2, 2, 100, 100)))
"""
import struct


def box(kind, payload):
    return struct.pack(">I", 8 + len(payload)) + kind + payload


def full_box(kind, version, flags, payload):
    return box(kind, bytes([version]) + flags.to_bytes(3, "big") + payload)


def children(data, start, end):
    """(kind, payload start, box end) of each box in data[start:end]."""
    while start + 8 <= end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        header = 8
        if size == 1:
            size, header = struct.unpack(">Q", data[start + 8:start + 16])[0], 16
        yield kind, start + header, start + size
        start += size


def find(data, path, start=0, end=None):
    """The payload span of the first box along path (meta's version and flags skipped)."""
    end = len(data) if end is None else end
    for kind, at, stop in children(data, start, end):
        if kind == path[0]:
            at += 4 if kind == b"meta" else 0
            return (at, stop) if len(path) == 1 else find(data, path[1:], at, stop)
    raise KeyError(path)


class Coded:
    """One coded image: its decoder configuration box, size, and data."""

    def __init__(self, kind, config, width, height, data):
        self.kind, self.config, self.width, self.height, self.data = (kind, config, width, height,
                                                                      data)


def coded_image(data):
    """The first coded (hvc1 or av01) item of a file heif-enc wrote, with one extent."""
    at, stop = find(data, [b"meta", b"iprp", b"ipco"])
    properties = [data[a - 8:e] for _, a, e in children(data, at, stop)]
    at, stop = find(data, [b"meta", b"iinf"])
    entry_at = at + 6
    kinds = {}
    for _, a, e in children(data, entry_at, stop):
        item, _, kind = struct.unpack(">HH4s", data[a + 4:a + 12])
        kinds[item] = kind
    item = next(i for i, k in kinds.items() if k in (b"hvc1", b"av01"))
    at, stop = find(data, [b"meta", b"iprp", b"ipma"])
    count = struct.unpack(">I", data[at + 4:at + 8])[0]
    pos, associated = at + 8, {}
    for _ in range(count):
        item_id, n = struct.unpack(">HB", data[pos:pos + 3])
        associated[item_id] = [data[pos + 3 + i] & 0x7F for i in range(n)]
        pos += 3 + n
    own = [properties[i - 1] for i in associated[item]]
    config = next(p for p in own if p[4:8] in (b"hvcC", b"av1C"))
    ispe = next(p for p in own if p[4:8] == b"ispe")
    width, height = struct.unpack(">II", ispe[12:20])
    at, stop = find(data, [b"meta", b"iloc"])
    version = data[at]
    offset_size, length_size = data[at + 4] >> 4, data[at + 4] & 15
    base_size = data[at + 5] >> 4
    assert offset_size == 4 and length_size == 4 and base_size in (0, 4), "an iloc form"
    count = struct.unpack(">H", data[at + 6:at + 8])[0]
    pos = at + 8
    for _ in range(count):
        item_id = struct.unpack(">H", data[pos:pos + 2])[0]
        pos += 2 + (2 if version == 1 else 0) + 2
        base = struct.unpack(">I", data[pos:pos + 4])[0] if base_size else 0
        pos += base_size
        extents = struct.unpack(">H", data[pos:pos + 2])[0]
        offset, length = struct.unpack(">II", data[pos + 2:pos + 10])
        pos += 2 + 8 * extents
        if item_id == item:
            return Coded(kinds[item], config, width, height,
                         data[base + offset:base + offset + length])
    raise KeyError("no extent")


def ispe(width, height):
    return full_box(b"ispe", 0, 0, struct.pack(">II", width, height))


def clap(width, height, x_offset=0, y_offset=0):
    """A crop of width x height, its centre moved by the offsets (whole pixels)."""
    return box(b"clap", struct.pack(">IIIIiIiI", width, 1, height, 1, x_offset, 1, y_offset, 1))


def irot(quarters):
    return box(b"irot", bytes([quarters & 3]))


def imir(axis):
    return box(b"imir", bytes([axis & 1]))


def compose(coded, grid=None, transforms=(), brands=None, tiles=None, grid_ispe=None,
            primary_kind=None):
    """A file whose primary image is coded itself, or a grid of rows x columns tiles of it making
    an output of width x height (grid=(rows, columns, width, height)); tiles: how many tile items
    (rows x columns by default), all the same coded data. transforms: clap, irot, imir boxes of
    the primary item, in order. brands: (major, [compatible...])."""
    major, compatible = brands or ((b"avif" if coded.kind == b"av01" else b"heic"),
                                   [b"mif1", b"miaf"])
    ftyp = box(b"ftyp", major + b"\0\0\0\0" + major + b"".join(compatible))
    properties = [coded.config, ispe(coded.width, coded.height)] + list(transforms)
    items, associations, references, idat = [], [], b"", b""
    if grid:
        rows, columns, width, height = grid
        count = rows * columns if tiles is None else tiles
        wide = width > 0xFFFF or height > 0xFFFF
        grid_data = bytes([0, 1 if wide else 0, rows - 1, columns - 1]) + struct.pack(
            ">II" if wide else ">HH", width, height)
        properties.append(ispe(*(grid_ispe or (width, height))))
        items.append((1, primary_kind or b"grid", ("idat", 0, len(grid_data))))
        idat = grid_data
        associations.append((1, [len(properties)] + [3 + i for i in range(len(transforms))]))
        tile_ids = list(range(2, 2 + count))
        for tile in tile_ids:
            items.append((tile, coded.kind, ("mdat", 0, len(coded.data))))
            associations.append((tile, [1, 2]))
        refs = struct.pack(">HH", 1, len(tile_ids)) + b"".join(struct.pack(">H", t)
                                                                for t in tile_ids)
        references = full_box(b"iref", 0, 0, box(b"dimg", refs))
    else:
        items.append((1, primary_kind or coded.kind, ("mdat", 0, len(coded.data))))
        associations.append((1, [1, 2] + [3 + i for i in range(len(transforms))]))

    def meta(mdat_start):
        hdlr = full_box(b"hdlr", 0, 0, b"\0\0\0\0pict" + bytes(12) + b"\0")
        pitm = full_box(b"pitm", 0, 0, struct.pack(">H", 1))
        # Tiles are hidden: no image of their own.
        infe = b"".join(full_box(b"infe", 2, 0 if i == 1 else 1, struct.pack(">HH", i, 0) + kind +
                                 b"\0") for i, kind, _ in items)
        iinf = full_box(b"iinf", 0, 0, struct.pack(">H", len(items)) + infe)
        locations = b""
        for i, _, (where, offset, length) in items:
            method = 1 if where == "idat" else 0
            offset += mdat_start if where == "mdat" else 0
            locations += struct.pack(">HHHHII", i, method, 0, 1, offset, length)
        iloc = full_box(b"iloc", 1, 0, bytes([0x44, 0x00]) + struct.pack(">H", len(items)) +
                        locations)
        ipco = box(b"ipco", b"".join(properties))
        entries = b""
        for i, indices in associations:
            # The decoder configuration and the transforms are essential.
            marked = [p | (0x80 if p != 2 and p <= len(properties) and
                           properties[p - 1][4:8] not in (b"ispe",) else 0) for p in indices]
            entries += struct.pack(">HB", i, len(marked)) + bytes(marked)
        ipma = full_box(b"ipma", 0, 0, struct.pack(">I", len(associations)) + entries)
        iprp = box(b"iprp", ipco + ipma)
        extra = box(b"idat", idat) if idat else b""
        return full_box(b"meta", 0, 0, hdlr + pitm + iloc + iinf + iprp + references + extra)

    length = len(meta(0))
    mdat_start = len(ftyp) + length + 8
    return ftyp + meta(mdat_start) + box(b"mdat", coded.data)

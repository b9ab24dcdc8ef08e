#include "picture/tiff_strips.h"

#include <algorithm>

#include "base/checked_math.h"
#include "picture/tiff_library.h"

namespace picture {

namespace {

// How many bytes of pixels one byte of the compression can give at most, and its name; 0 where no
// bound is known (the file is then decoded as it comes, within libtiff's own limits).
struct Packing {
    int64_t ratio;
    const char* name;
};

Packing PackingOf(uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return {1, "uncompressed"};
        case COMPRESSION_LZW:  // a 9-bit code gives at most a 4096-byte string
            return {3641, "LZW"};
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
            return {1032, "Deflate"};
        case COMPRESSION_PACKBITS:  // two bytes repeat one 128 times
            return {64, "PackBits"};
        case COMPRESSION_JPEG:  // each block of 64 samples takes two codes of a bit at least
            return {256, "JPEG"};
        case COMPRESSION_ZSTD:  // a block of 128 KB repeating one byte takes 4
            return {32768, "Zstandard"};
        default:
            return {0, ""};
    }
}

bool IsFax(uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

// The fewest bytes a strip of `rows` rows decoding to `bytes` can be stored in.
int64_t FewestBytes(uint16_t compression, int64_t bytes, int64_t rows) {
    if (IsFax(compression)) return (rows + 7) / 8;  // a row takes a bit at least
    const Packing packing = PackingOf(compression);
    return packing.ratio > 0 ? bytes / packing.ratio : 0;
}

std::string TooFew(const char* kind, uint32_t index, uint32_t count, uint64_t held, int64_t bytes,
                   uint16_t compression) {
    const Packing packing = PackingOf(compression);
    std::string why = IsFax(compression)   ? "a fax row takes a bit at least"
                      : packing.ratio == 1 ? "it is uncompressed"
                                           : std::string(packing.name) + " packs at most " +
                                                 std::to_string(packing.ratio) + " bytes into one";
    return std::string("its ") + kind + " " + std::to_string(index + 1) + " of " +
           std::to_string(count) + " holds " + std::to_string(held) + " bytes, too few for the " +
           std::to_string(bytes) + " it must give (" + why + ")";
}

}  // namespace

StripCheck CheckStrips(TIFF* tiff) {
    StripCheck check;
    const bool tiled = Tiff().TIFFIsTiled(tiff) != 0;
    const char* kind = tiled ? "tile" : "strip";
    const uint32_t count = tiled ? Tiff().TIFFNumberOfTiles(tiff) : Tiff().TIFFNumberOfStrips(tiff);
    uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG, samples = 1;
    uint32_t height = 0, rowsPerStrip = 0, tileLength = 0;
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    Tiff().TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (tiled) Tiff().TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileLength);
    check.rawTiles = tiled && compression == COMPRESSION_NONE;
    // Old-style JPEG files may keep their data elsewhere (JPEGInterchangeFormat), their strips'
    // byte counts anything: libtiff reads them its own way.
    const bool checked = compression != COMPRESSION_OJPEG;
    if (count == 0) {
        check.problem = std::string("no ") + kind + "s";
        return check;
    }
    const int64_t planes = planar == PLANARCONFIG_SEPARATE ? std::max<int64_t>(samples, 1) : 1;
    const int64_t perPlane = std::max<int64_t>(count / planes, 1);
    const int64_t stripRows = std::clamp<int64_t>(rowsPerStrip, 1, std::max<uint32_t>(height, 1));
    for (uint32_t i = 0; i < count; ++i) {
        int64_t rows = tileLength, bytes = 0;
        if (tiled) {
            bytes = static_cast<int64_t>(Tiff().TIFFTileSize64(tiff));
        } else {
            const int64_t first = (i % perPlane) * stripRows;
            rows = std::clamp<int64_t>(int64_t{height} - first, 1, stripRows);
            bytes =
                static_cast<int64_t>(Tiff().TIFFVStripSize64(tiff, static_cast<uint32_t>(rows)));
        }
        check.largestBytes = std::max(check.largestBytes, SaturatingProduct(bytes, planes));
        const uint64_t held = Tiff().TIFFGetStrileByteCount(tiff, i);
        if (!checked) continue;
        if (held == 0) {
            check.problem = std::string("its ") + kind + " " + std::to_string(i + 1) + " of " +
                            std::to_string(count) + " holds no data";
            return check;
        }
        if (held < static_cast<uint64_t>(FewestBytes(compression, bytes, rows))) {
            check.problem = TooFew(kind, i, count, held, bytes, compression);
            return check;
        }
    }
    return check;
}

}  // namespace picture

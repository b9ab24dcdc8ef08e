#include "picture/tiff_samples.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "base/checked_math.h"
#include "picture/formats.h"
#include "picture/tiff_library.h"

namespace picture {

namespace {

// The layout of the first image's samples.
struct Layout {
    int64_t width = 0, height = 0;
    int colours = 0;  // 1 grey, 3 RGB, 4 CMYK; the alpha follows them
    int samples = 0;  // per pixel
    int bytes = 1;    // per sample
    bool separate = false;
    bool associated = false;
    bool cmyk = false;
    bool tiled = false;
    int64_t blockWidth = 0, blockHeight = 0;  // of a tile, or the image's width and a strip's rows
};

std::optional<Layout> LayoutOf(TIFF* tiff) {
    uint16_t bits = 0, samples = 0, photometric = 0, format = SAMPLEFORMAT_UINT;
    uint16_t planar = PLANARCONFIG_CONTIG, inks = INKSET_CMYK, extraCount = 0;
    uint16_t* extra = nullptr;
    uint32_t width = 0, height = 0;
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inks);
    Tiff().TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    Tiff().TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    if (!Tiff().TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) ||
        !Tiff().TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) || extraCount < 1 ||
        (bits != 8 && bits != 16) || format != SAMPLEFORMAT_UINT)
        return std::nullopt;
    Layout l;
    l.cmyk = photometric == PHOTOMETRIC_SEPARATED && inks == INKSET_CMYK;
    l.colours = l.cmyk                                  ? 4
                : photometric == PHOTOMETRIC_RGB        ? 3
                : photometric == PHOTOMETRIC_MINISBLACK ? 1
                                                        : 0;
    l.associated = extra[0] == EXTRASAMPLE_ASSOCALPHA;
    if (l.colours == 0 || samples != l.colours + extraCount) return std::nullopt;
    l.width = width, l.height = height, l.samples = samples, l.bytes = bits / 8;
    l.separate = planar == PLANARCONFIG_SEPARATE;
    l.tiled = Tiff().TIFFIsTiled(tiff) != 0;
    uint32_t across = width, down = 0;
    if (l.tiled) {
        Tiff().TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &across);
        Tiff().TIFFGetField(tiff, TIFFTAG_TILELENGTH, &down);
    } else {
        Tiff().TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &down);
    }
    l.blockWidth = across;
    l.blockHeight = std::clamp<int64_t>(down, 1, std::max<int64_t>(height, 1));
    if (l.blockWidth < 1) return std::nullopt;
    return l;
}

uint32_t Sample(const uint8_t* p, int bytes) {
    if (bytes == 1) return *p;
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// One pixel's samples (colours, then alpha) as 0xAARRGGBB.
uint32_t Colour(const Layout& l, const uint8_t* pixel) {
    const uint32_t top = l.bytes == 1 ? 255 : 65535;
    uint32_t v[5] = {};
    for (int i = 0; i <= l.colours; ++i) v[i] = Sample(pixel + i * l.bytes, l.bytes);
    const uint32_t alpha = v[l.colours];
    if (l.associated && alpha != 0 && alpha != top)
        for (int i = 0; i < l.colours; ++i) v[i] = std::min(v[i] * top / alpha, top);
    if (l.bytes == 2)
        for (uint32_t& s : v) s = (s + 128) / 257;
    const uint32_t a = v[l.colours] << 24;
    if (l.colours == 1) return a | v[0] << 16 | v[0] << 8 | v[0];
    if (l.colours == 3) return a | v[0] << 16 | v[1] << 8 | v[2];
    const uint32_t k = 255 - v[3];
    return a | (255 - v[0]) * k / 255 << 16 | (255 - v[1]) * k / 255 << 8 | (255 - v[2]) * k / 255;
}

// Rows [top, top + rows) of every plane, read into `band` (pixels interleaved).
bool ReadBand(TIFF* tiff, const Layout& l, int64_t top, std::vector<uint8_t>& block,
              std::vector<uint8_t>& band) {
    const int64_t planes = l.separate ? l.samples : 1, blockSamples = l.separate ? 1 : l.samples;
    const int64_t pixelBytes = int64_t{l.samples} * l.bytes;
    for (int64_t left = 0; left < l.width; left += l.blockWidth)
        for (int64_t plane = 0; plane < planes; ++plane) {
            const auto x = static_cast<uint32_t>(left), y = static_cast<uint32_t>(top);
            const auto p = static_cast<uint16_t>(plane);
            const tmsize_t got =
                l.tiled
                    ? Tiff().TIFFReadEncodedTile(tiff, Tiff().TIFFComputeTile(tiff, x, y, 0, p),
                                                 block.data(), static_cast<tmsize_t>(block.size()))
                    : Tiff().TIFFReadEncodedStrip(tiff, Tiff().TIFFComputeStrip(tiff, y, p),
                                                  block.data(),
                                                  static_cast<tmsize_t>(block.size()));
            if (got < 0) return false;
            const int64_t columns = std::min(l.blockWidth, l.width - left);
            const int64_t rows = std::min(l.blockHeight, l.height - top);
            const int64_t sampleBytes = blockSamples * l.bytes;
            if (got < ((rows - 1) * l.blockWidth + columns) * sampleBytes) return false;
            for (int64_t r = 0; r < rows; ++r)
                for (int64_t c = 0; c < columns; ++c)
                    std::memcpy(
                        band.data() + (r * l.width + left + c) * pixelBytes + plane * l.bytes,
                        block.data() + (r * l.blockWidth + c) * sampleBytes,
                        static_cast<size_t>(sampleBytes));
        }
    return true;
}

}  // namespace

bool ReadsOwnSamples(TIFF* tiff) {
    const std::optional<Layout> l = LayoutOf(tiff);
    return l && (l->cmyk || (l->associated && l->bytes == 2));
}

DecodeResult DecodeOwnSamples(TIFF* tiff, const PixelView& whole) {
    const std::optional<Layout> l = LayoutOf(tiff);
    if (!l) return Refusal(std::string(CutShortOrUnsupportedText));
    const int64_t pixelBytes = int64_t{l->samples} * l->bytes;
    const auto blockBytes = static_cast<int64_t>(
        l->tiled ? Tiff().TIFFTileSize64(tiff)
                 : Tiff().TIFFVStripSize64(tiff, static_cast<uint32_t>(l->blockHeight)));
    // A block is never much larger than the picture's samples: a tile 16 MB beyond them at most.
    if (blockBytes > SaturatingSum(PixelBytes(l->width, l->height, pixelBytes), 16 << 20))
        return Refusal("a " + std::string(l->tiled ? "tile" : "strip") + " of " +
                       std::to_string(blockBytes) + " bytes, larger than its picture");
    std::vector<uint8_t> block(static_cast<size_t>(blockBytes));
    std::vector<uint8_t> band(static_cast<size_t>(l->blockHeight * l->width * pixelBytes));
    for (int64_t top = 0; top < l->height; top += l->blockHeight) {
        if (!ReadBand(tiff, *l, top, block, band))
            return Refusal("cut short or damaged inside its pixel data", top > 0);
        for (int64_t y = top; y < std::min(top + l->blockHeight, l->height); ++y) {
            uint32_t* row = whole.Row(y);
            const uint8_t* from = band.data() + (y - top) * l->width * pixelBytes;
            for (int64_t x = 0; x < l->width; ++x) row[x] = Colour(*l, from + x * pixelBytes);
        }
    }
    DecodeResult done;
    done.wrote = true;
    return done;
}

}  // namespace picture

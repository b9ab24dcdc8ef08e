#include "converter/resample.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>

#include "base/on_every_core.h"

// The resampler's implementation lives in this unit only. It is third-party code, compiled
// without the warnings the project's own code is held to.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop

namespace {

// A pixel's bytes in memory are B, G, R, A.
constexpr int AlphaByte = 3;
// Shrinking by twice this or more first averages blocks (Pillow's reducing_gap).
constexpr int64_t ReducingGap = 2;

// The sums over one block of source pixels: colours weighted by alpha, and plain ones for a
// block that is wholly transparent.
struct BlockSums {
    uint64_t alpha = 0;
    uint64_t weighted[3] = {};
    uint64_t plain[3] = {};
    uint64_t count = 0;

    void Add(uint32_t pixel) {
        const uint32_t a = pixel >> 24;
        alpha += a;
        for (int c = 0; c < 3; ++c) {
            const uint32_t value = (pixel >> (8 * c)) & 0xFF;
            weighted[c] += uint64_t{value} * a;
            plain[c] += value;
        }
        ++count;
    }
    uint32_t Average() const {
        uint32_t pixel = static_cast<uint32_t>((alpha + count / 2) / count) << 24;
        for (int c = 0; c < 3; ++c) {
            const uint64_t value =
                alpha > 0 ? (weighted[c] + alpha / 2) / alpha : (plain[c] + count / 2) / count;
            pixel |= static_cast<uint32_t>(value) << (8 * c);
        }
        return pixel;
    }
};

int64_t CeilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

// Each factorX x factorY block of `source` averaged into one pixel, alpha-weighted; the blocks at
// the right and bottom edges average the pixels they have.
picture::Pixels AverageBlocks(const picture::PixelView& source, int64_t factorX, int64_t factorY) {
    const int64_t width = CeilDiv(source.width, factorX);
    picture::Pixels reduced = picture::Pixels::Allocate(width, CeilDiv(source.height, factorY));
    if (!reduced) return reduced;
    std::vector<BlockSums> sums(static_cast<size_t>(width));
    for (int64_t y = 0; y < reduced.Height(); ++y) {
        std::fill(sums.begin(), sums.end(), BlockSums{});
        const int64_t lastRow = std::min(source.height, (y + 1) * factorY);
        for (int64_t sourceY = y * factorY; sourceY < lastRow; ++sourceY) {
            const uint32_t* row = source.Row(sourceY);
            for (int64_t x = 0, block = 0; x < source.width; ++block) {
                for (const int64_t end = std::min(source.width, x + factorX); x < end; ++x)
                    sums[block].Add(row[x]);
            }
        }
        uint32_t* out = reduced.Row(y);
        for (int64_t x = 0; x < width; ++x) out[x] = sums[x].Average();
    }
    return reduced;
}

bool FitsResampler(int64_t width, int64_t height) {
    return width <= INT_MAX && height <= INT_MAX && width * 4 <= INT_MAX;
}

// The filter runs in bands of output rows, on every core. The bands depend on the height alone,
// so the result does not depend on how many cores a machine has; each band sets its filters up
// afresh, so there are few of them.
constexpr int MostBands = 4;
constexpr int FewestBandRows = 64;

bool IsOpaque(const picture::PixelView& source) {
    for (int64_t y = 0; y < source.height; ++y) {
        const uint32_t* row = source.Row(y);
        if (!std::all_of(row, row + source.width, [](uint32_t p) { return p >> 24 == 0xFF; }))
            return false;
    }
    return true;
}

// The filter over the part of `source` from (0, 0) to (s1, t1) in fractions of its size.
picture::Pixels Filter(const picture::PixelView& source, int64_t width, int64_t height, float s1,
                       float t1) {
    if (!FitsResampler(source.width, source.height) || !FitsResampler(width, height) ||
        source.pitch > INT_MAX)
        return {};
    picture::Pixels out = picture::Pixels::Allocate(width, height);
    if (!out) return out;
    const auto w = static_cast<int>(width), h = static_cast<int>(height);
    // The scales the resampler derives from a region, so that every band maps as the whole would.
    const float xScale = static_cast<float>(w) / static_cast<float>(source.width) / s1;
    const float yScale = static_cast<float>(h) / static_cast<float>(source.height) / t1;
    // Opaque colours need no weighting by alpha: they are as good as premultiplied.
    const int flags = IsOpaque(source) ? STBIR_FLAG_ALPHA_PREMULTIPLIED : 0;
    const int bands = std::clamp((h + FewestBandRows - 1) / FewestBandRows, 1, MostBands);
    const int bandRows = (h + bands - 1) / bands;
    const auto filterBand = [&](int first) {
        const int rows = std::min(bandRows, h - first);
        return stbir_resize_subpixel(
            source.pixels, static_cast<int>(source.width), static_cast<int>(source.height),
            static_cast<int>(source.pitch), out.Row(first), w, rows, static_cast<int>(out.Pitch()),
            STBIR_TYPE_UINT8, 4, AlphaByte, flags, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP,
            STBIR_FILTER_TRIANGLE, STBIR_FILTER_TRIANGLE, STBIR_COLORSPACE_LINEAR, nullptr, xScale,
            yScale, 0, static_cast<float>(first));
    };
    std::atomic<int> nextBand{0};
    std::atomic<bool> failed{false};
    const auto filterBands = [&] {
        for (int band = nextBand++; band < bands; band = nextBand++)
            if (!filterBand(band * bandRows)) failed = true;
    };
    RunOnThreads(std::min<int64_t>(bands, CoreCount()), filterBands);
    if (failed) return {};
    return out;
}

}  // namespace

picture::Pixels ResampleFiltered(const picture::PixelView& source, int64_t width, int64_t height) {
    const int64_t factorX = std::max<int64_t>(1, source.width / width / ReducingGap);
    const int64_t factorY = std::max<int64_t>(1, source.height / height / ReducingGap);
    if (factorX == 1 && factorY == 1) return Filter(source, width, height, 1, 1);
    const picture::Pixels reduced = AverageBlocks(source, factorX, factorY);
    if (!reduced) return {};
    // The last blocks may be partial: the filter reads the reduced picture up to where the
    // source ends in it.
    const double s1 = static_cast<double>(source.width) / factorX / reduced.Width();
    const double t1 = static_cast<double>(source.height) / factorY / reduced.Height();
    return Filter(reduced.View(), width, height, static_cast<float>(s1), static_cast<float>(t1));
}

picture::Pixels EnlargeByRepeating(const picture::PixelView& source, int64_t factorX,
                                   int64_t factorY) {
    picture::Pixels out =
        picture::Pixels::Allocate(source.width * factorX, source.height * factorY);
    if (!out) return out;
    for (int64_t y = 0; y < out.Height(); ++y) {
        const uint32_t* in = source.Row(y / factorY);
        uint32_t* row = out.Row(y);
        for (int64_t x = 0; x < source.width; ++x) std::fill_n(row + x * factorX, factorX, in[x]);
    }
    return out;
}

picture::PixelView PartOf(const picture::PixelView& source, int64_t x, int64_t y, int64_t width,
                          int64_t height) {
    picture::PixelView part = source;
    part.pixels = source.pixels + y * source.pitch + x * source.bytesPerPixel;
    part.width = width;
    part.height = height;
    return part;
}

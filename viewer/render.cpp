#include "viewer/render.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/on_every_core.h"

namespace {

constexpr double Tolerance = 1e-9;

// The level a zoom below 1 reads from, and the zoom left to apply to it (in (0.5, 1]).
struct LevelZoom {
    size_t level = 0;
    double zoom = 1;
};

LevelZoom LevelFor(const Pyramid& pyramid, double zoom) {
    if (zoom >= 1 - Tolerance)
        return {pyramid.pending, zoom * std::exp2(static_cast<double>(pyramid.pending))};
    const auto wanted = static_cast<size_t>(std::floor(-std::log2(zoom) + Tolerance));
    const size_t level = std::max(std::min(wanted, pyramid.levels.size() - 1), pyramid.pending);
    return {level, zoom * std::exp2(static_cast<double>(level))};
}

// The window's rows and columns the picture covers.
struct Span {
    int64_t first = 0;
    int64_t end = 0;  // one past the last
};

Span Covered(int64_t position, int64_t shown, int64_t window) {
    return {std::clamp<int64_t>(position, 0, window),
            std::clamp<int64_t>(position + shown, 0, window)};
}

uint32_t* RowOf(const WindowPixels& window, int64_t y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(window.pixels) +
                                       y * window.pitch);
}

void FillGreyAround(const WindowPixels& window, Span columns, Span rows) {
    for (int64_t y = 0; y < window.height; ++y) {
        uint32_t* row = RowOf(window, y);
        if (y < rows.first || y >= rows.end) {
            std::fill(row, row + window.width, PanelGrey);
            continue;
        }
        std::fill(row, row + columns.first, PanelGrey);
        std::fill(row + columns.end, row + window.width, PanelGrey);
    }
}

// Window pixel `at` (relative to the picture's corner) at `zoom` >= 1 repeats this level pixel.
int64_t NearestIndex(int64_t at, double zoom, int64_t size) {
    return std::min(static_cast<int64_t>(std::floor(at / zoom)), size - 1);
}

// Opaque levels are drawn as the screen's images show them; see-through ones, premultiplied, as
// they are, to go over the checkerboard.
template <bool SeeThrough>
uint32_t AsRead(uint32_t pixel) {
    return SeeThrough ? pixel : Opaque(pixel);
}

template <bool SeeThrough>
void RenderNearest(const picture::Pixels& level, double zoom, const View& view, Span columns,
                   Span rows, const WindowPixels& window) {
    std::vector<int64_t> sourceColumn(static_cast<size_t>(columns.end - columns.first));
    for (int64_t x = columns.first; x < columns.end; ++x)
        sourceColumn[x - columns.first] = NearestIndex(x - view.left, zoom, level.Width());
    int64_t previous = -1;
    for (int64_t y = rows.first; y < rows.end; ++y) {
        uint32_t* out = RowOf(window, y) + columns.first;
        const int64_t source = NearestIndex(y - view.top, zoom, level.Height());
        if (source == previous) {
            std::memcpy(out, RowOf(window, y - 1) + columns.first, sourceColumn.size() * 4);
            continue;
        }
        const uint32_t* in = level.Row(source);
        for (size_t i = 0; i < sourceColumn.size(); ++i)
            out[i] = AsRead<SeeThrough>(in[sourceColumn[i]]);
        previous = source;
    }
}

// The pixels a window pixel covers along one axis at a zoom in (0.5, 1): at most three, with
// weights in 256ths by the length each lies under it.
struct Taps {
    int64_t first = 0;
    std::array<uint32_t, 3> weight{};
};

Taps TapsOf(int64_t at, double zoom, int64_t size) {
    const double from = at / zoom;
    const double to = (at + 1) / zoom;
    Taps taps;
    taps.first = static_cast<int64_t>(std::floor(from));
    uint32_t given = 0;
    for (int k = 0; k < 3; ++k) {
        const double cell = static_cast<double>(taps.first + k);
        const double overlap = std::max(0.0, std::min(to, cell + 1) - std::max(from, cell));
        taps.weight[k] = static_cast<uint32_t>(std::lround(overlap * zoom * 256));
        given += taps.weight[k];
    }
    taps.weight[0] += 256 - given;  // the rounding's rest, so that the weights make 256
    taps.first = std::min(taps.first, size - 1);
    return taps;
}

// Channels spread over 16-bit lanes (A, R, G, B from the top), so weighted sums of 256ths cannot
// run from one lane into the next.
uint64_t Spread(uint32_t p) {
    const uint64_t v = p;
    return ((v & 0xFF000000) << 24) | ((v & 0x00FF0000) << 16) | ((v & 0x0000FF00) << 8) |
           (v & 0xFF);
}

// The weighted sum of three spread pixels, rounded, still spread.
uint64_t Mixed(uint64_t a, uint64_t b, uint64_t c, const Taps& taps) {
    const uint64_t sum =
        a * taps.weight[0] + b * taps.weight[1] + c * taps.weight[2] + 0x0080008000800080ull;
    return (sum >> 8) & 0x00FF00FF00FF00FFull;
}

uint32_t Packed(uint64_t v) {
    return static_cast<uint32_t>((v >> 24 & 0xFF000000) | (v >> 16 & 0xFF0000) | (v >> 8 & 0xFF00) |
                                 (v & 0xFF));
}

template <bool SeeThrough>
void RenderAveraged(const picture::Pixels& level, double zoom, const View& view, Span columns,
                    Span rows, const WindowPixels& window) {
    const auto spread = [](uint32_t p) { return Spread(AsRead<SeeThrough>(p)); };
    std::vector<Taps> columnTaps;
    for (int64_t x = columns.first; x < columns.end; ++x)
        columnTaps.push_back(TapsOf(x - view.left, zoom, level.Width()));
    const int64_t firstColumn = columnTaps.front().first;
    const int64_t lastColumn = std::min(columnTaps.back().first + 2, level.Width() - 1);
    // One row of column averages, spread, with room for the taps that reach past the level's
    // edge.
    std::vector<uint64_t> blended(static_cast<size_t>(lastColumn - firstColumn + 3));
    const auto clampRow = [&](int64_t y) { return level.Row(std::min(y, level.Height() - 1)); };
    for (int64_t y = rows.first; y < rows.end; ++y) {
        const Taps t = TapsOf(y - view.top, zoom, level.Height());
        const uint32_t* r0 = clampRow(t.first);
        const uint32_t* r1 = clampRow(t.first + 1);
        const uint32_t* r2 = clampRow(t.first + 2);
        for (int64_t x = firstColumn; x <= lastColumn; ++x)
            blended[x - firstColumn] = Mixed(spread(r0[x]), spread(r1[x]), spread(r2[x]), t);
        std::fill(blended.begin() + (lastColumn - firstColumn + 1), blended.end(),
                  blended[lastColumn - firstColumn]);
        uint32_t* out = RowOf(window, y) + columns.first;
        for (size_t i = 0; i < columnTaps.size(); ++i) {
            const uint64_t* in = blended.data() + (columnTaps[i].first - firstColumn);
            const uint32_t mean = Packed(Mixed(in[0], in[1], in[2], columnTaps[i]));
            out[i] = SeeThrough ? mean : Averaged(mean);
        }
    }
}

// Averaging costs some nanoseconds a window pixel: a large frame is drawn in bands, one a core,
// so that a picture shows fitted soon after it is read.
template <bool SeeThrough>
void RenderAveragedOnEveryCore(const picture::Pixels& level, double zoom, const View& view,
                               Span columns, Span rows, const WindowPixels& window) {
    constexpr int64_t SmallestBand = 64;
    const int64_t bands =
        std::clamp<int64_t>((rows.end - rows.first) / SmallestBand, 1, CoreCount());
    const int64_t rowsPerBand = (rows.end - rows.first + bands - 1) / bands;
    std::atomic<int64_t> nextBand{0};
    RunOnThreads(bands, [&] {
        for (int64_t band = nextBand++; band < bands; band = nextBand++) {
            const int64_t first = rows.first + band * rowsPerBand;
            const Span part{first, std::min(first + rowsPerBand, rows.end)};
            RenderAveraged<SeeThrough>(level, zoom, view, columns, part, window);
        }
    });
}

template <bool SeeThrough>
void RenderLevels(const std::vector<picture::Pixels>& levels, const LevelZoom& at, const View& view,
                  Span columns, Span rows, const WindowPixels& window) {
    const picture::Pixels& level = levels[at.level];
    if (at.zoom >= 1 - Tolerance)
        RenderNearest<SeeThrough>(level, at.zoom, view, columns, rows, window);
    else
        RenderAveragedOnEveryCore<SeeThrough>(level, at.zoom, view, columns, rows, window);
}

// A premultiplied pixel over a grey: the grey shows by what the pixel lets through.
uint32_t Over(uint32_t pixel, uint32_t grey) {
    const uint32_t through = 255 - (pixel >> 24);
    const uint32_t g = grey & 0xFF;
    const auto channel = [&](int shift) {
        return std::min<uint32_t>(255, ((pixel >> shift) & 0xFF) + (g * through + 127) / 255)
               << shift;
    };
    return Averaged(channel(16) | channel(8) | channel(0));
}

// Squares of checkSize from the picture's corner, the light one first.
void OverChecks(const View& view, Span columns, Span rows, int32_t checkSize,
                const WindowPixels& window) {
    const int64_t size = std::max(checkSize, 1);
    for (int64_t y = rows.first; y < rows.end; ++y) {
        uint32_t* row = RowOf(window, y);
        const int64_t checkRow = (y - view.top) / size;
        for (int64_t x = columns.first; x < columns.end; ++x) {
            const bool dark = ((x - view.left) / size + checkRow) % 2 != 0;
            row[x] = Over(row[x], dark ? CheckDark : CheckLight);
        }
    }
}

}  // namespace

void Render(const Pyramid& pyramid, const View& view, const WindowPixels& window,
            Transparency transparency) {
    const Extent shown = Shown(pyramid.Size(), view.zoom);
    const Span columns = Covered(view.left, shown.width, window.width);
    const Span rows = Covered(view.top, shown.height, window.height);
    FillGreyAround(window, columns, rows);
    if (columns.first == columns.end || rows.first == rows.end) return;
    const LevelZoom at = LevelFor(pyramid, view.zoom);
    if (!transparency.shown || pyramid.seeThrough.size() != pyramid.levels.size()) {
        RenderLevels<false>(pyramid.levels, at, view, columns, rows, window);
        return;
    }
    RenderLevels<true>(pyramid.seeThrough, at, view, columns, rows, window);
    OverChecks(view, columns, rows, transparency.checkSize, window);
}

#include "viewer/pyramid.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double Tolerance = 1e-9;

uint32_t AverageOfFour(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    constexpr uint32_t Lanes = 0x00FF00FF;
    const uint32_t rb = (a & Lanes) + (b & Lanes) + (c & Lanes) + (d & Lanes);
    const uint32_t ag =
        ((a >> 8) & Lanes) + ((b >> 8) & Lanes) + ((c >> 8) & Lanes) + ((d >> 8) & Lanes);
    return (((rb + 0x00020002) >> 2) & Lanes) | ((((ag + 0x00020002) >> 2) & Lanes) << 8);
}

// Each pixel the average of a 2 x 2 block; the last row and column of an odd size stand in for
// the one missing beyond them. Opaque levels average the pixels as shown; see-through ones,
// premultiplied, average all four channels as they are.
template <bool SeeThrough>
picture::Pixels Halved(const picture::Pixels& from) {
    const int64_t w = (from.Width() + 1) / 2;
    const int64_t h = (from.Height() + 1) / 2;
    picture::Pixels half = picture::Pixels::Allocate(w, h);
    if (!half) return half;
    const int64_t lastX = from.Width() - 1;
    const auto in = [](uint32_t p) { return SeeThrough ? p : Opaque(p); };
    for (int64_t y = 0; y < h; ++y) {
        const uint32_t* top = from.Row(2 * y);
        const uint32_t* bottom = from.Row(std::min(2 * y + 1, from.Height() - 1));
        uint32_t* out = half.Row(y);
        for (int64_t x = 0; x < w; ++x) {
            const int64_t right = std::min(2 * x + 1, lastX);
            const uint32_t mean =
                AverageOfFour(in(top[2 * x]), in(top[right]), in(bottom[2 * x]), in(bottom[right]));
            out[x] = SeeThrough ? mean : Averaged(mean);
        }
    }
    return half;
}

bool Translucent(const picture::Pixels& picture) {
    for (int64_t y = 0; y < picture.Height(); ++y) {
        const uint32_t* row = picture.Row(y);
        for (int64_t x = 0; x < picture.Width(); ++x)
            if (row[x] < 0xFF000000u || (row[x] & 0x00FFFFFF) == 0x00FF00FF) return true;
    }
    return false;
}

// A pixel as it lies over whatever is behind it: its colour times its alpha; the mask colour
// lets everything through.
uint32_t Premultiplied(uint32_t pixel) {
    if ((pixel & 0x00FFFFFF) == 0x00FF00FF) return 0;
    const uint32_t alpha = pixel >> 24;
    const auto channel = [&](int shift) {
        return (((pixel >> shift) & 0xFF) * alpha + 127) / 255 << shift;
    };
    return (alpha << 24) | channel(16) | channel(8) | channel(0);
}

// The level a read of the picture at `read` size stands for (0 for the picture itself), or
// nullopt when it is no level of it.
std::optional<size_t> LevelOfRead(Extent picture, Extent read) {
    for (size_t level = 0; level <= 3; ++level) {
        const int64_t reduction = int64_t{1} << level;
        if ((picture.width + reduction - 1) / reduction == read.width &&
            (picture.height + reduction - 1) / reduction == read.height)
            return level;
    }
    return std::nullopt;
}

// Halvings of the last level while they are shown at `smallestZoom` or larger, so that the
// smallest view reads a level at a zoom in (0.5, 1].
template <bool SeeThrough>
bool AddHalvings(std::vector<picture::Pixels>& levels, double smallestZoom) {
    for (;;) {
        const picture::Pixels& last = levels.back();
        const double halvingZoom = std::exp2(-static_cast<double>(levels.size()));
        if (halvingZoom < smallestZoom - Tolerance || (last.Width() == 1 && last.Height() == 1))
            return true;
        picture::Pixels half = Halved<SeeThrough>(last);
        if (!half) return false;
        levels.push_back(std::move(half));
    }
}

}  // namespace

Pyramid BuildPyramid(picture::Pixels picture, double smallestZoom, Extent size) {
    const Extent read{picture.Width(), picture.Height()};
    if (size.width == 0 && size.height == 0) size = read;
    const std::optional<size_t> level = LevelOfRead(size, read);
    if (!level || !picture) return {};
    Pyramid pyramid;
    pyramid.size = size;
    pyramid.pending = *level;
    pyramid.translucent = Translucent(picture);
    pyramid.levels.resize(*level);
    pyramid.levels.push_back(std::move(picture));
    if (!AddHalvings<false>(pyramid.levels, smallestZoom)) return {};
    return pyramid;
}

bool CompletePyramid(Pyramid& pyramid, picture::Pixels picture) {
    if (picture.Width() != pyramid.size.width || picture.Height() != pyramid.size.height)
        return false;
    std::vector<picture::Pixels> larger;
    const bool translucent = Translucent(picture);
    larger.push_back(std::move(picture));
    for (size_t level = 1; level < pyramid.pending; ++level) {
        picture::Pixels half = Halved<false>(larger.back());
        if (!half) return false;
        larger.push_back(std::move(half));
    }
    std::move(larger.begin(), larger.end(), pyramid.levels.begin());
    pyramid.pending = 0;
    pyramid.translucent = pyramid.translucent || translucent;
    pyramid.seeThrough.clear();  // made again from the picture itself
    return true;
}

bool ExtendPyramid(Pyramid& pyramid, double smallestZoom) {
    const size_t before = pyramid.levels.size();
    if (!AddHalvings<false>(pyramid.levels, smallestZoom)) {
        pyramid.levels.resize(before);
        return false;
    }
    if (pyramid.levels.size() != before) pyramid.seeThrough.clear();
    return true;
}

bool PrepareSeeThrough(Pyramid& pyramid) {
    if (!pyramid.translucent || !pyramid.seeThrough.empty()) return true;
    const picture::Pixels& from = pyramid.levels[pyramid.pending];
    picture::Pixels first = picture::Pixels::Allocate(from.Width(), from.Height());
    if (!first) return false;
    for (int64_t y = 0; y < from.Height(); ++y) {
        const uint32_t* in = from.Row(y);
        uint32_t* out = first.Row(y);
        for (int64_t x = 0; x < from.Width(); ++x) out[x] = Premultiplied(in[x]);
    }
    std::vector<picture::Pixels> levels(pyramid.pending);
    levels.push_back(std::move(first));
    const double smallest = std::exp2(-static_cast<double>(pyramid.levels.size() - 1));
    if (!AddHalvings<true>(levels, smallest)) return false;
    pyramid.seeThrough = std::move(levels);
    return true;
}

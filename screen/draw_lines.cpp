// Lines, boxes and single pixels.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

enum : int { OutLeft = 1, OutRight = 2, OutTop = 4, OutBottom = 8 };

int RegionCode(const Surface& s, double x, double y) {
    int code = 0;
    if (x < 0) code |= OutLeft;
    if (x >= s.width) code |= OutRight;
    if (y < 0) code |= OutTop;
    if (y >= s.height) code |= OutBottom;
    return code;
}

// Moves end points onto the violated edges along the line; false when nothing remains. The ends
// are whole numbers held in doubles, so ends far beyond any int clip on their own slope, and
// nearer ones exactly as in integers.
bool ClipSegment(const Surface& s, double& x1, double& y1, double& x2, double& y2) {
    const double right = s.width - 1;
    const double bottom = s.height - 1;
    // Each round settles one edge of one end; rounding far away must not keep them moving.
    constexpr int MaxRounds = 16;
    for (int round = 0; round < MaxRounds; ++round) {
        const int c1 = RegionCode(s, x1, y1);
        const int c2 = RegionCode(s, x2, y2);
        if (!(c1 | c2)) return true;
        if (c1 & c2) return false;
        const int code = c1 ? c1 : c2;
        const double dx = x2 - x1;
        const double dy = y2 - y1;
        double x = 0;
        double y = 0;
        if (code & OutTop) {
            y = 0;
            x = x1 + std::trunc(dx * (y - y1) / dy);
        } else if (code & OutBottom) {
            y = bottom;
            x = x1 + std::trunc(dx * (y - y1) / dy);
        } else if (code & OutLeft) {
            x = 0;
            y = y1 + std::trunc(dy * (x - x1) / dx);
        } else {
            x = right;
            y = y1 + std::trunc(dy * (x - x1) / dx);
        }
        if (code == c1) {
            x1 = x;
            y1 = y;
        } else {
            x2 = x;
            y2 = y;
        }
    }
    return false;
}

bool StyleAllows(uint32_t style, int64_t k) {
    return (style >> (15 - (k & 15))) & 1;
}

// The rows a drawing touched, for marking them dirty: top > bottom when none.
struct Rows {
    int32_t top = 1;
    int32_t bottom = 0;
};

Rows DrawSegment(const Surface& s, double wx1, double wy1, double wx2, double wy2, uint32_t colour,
                 uint32_t style) {
    if (!ClipSegment(s, wx1, wy1, wx2, wy2)) return {};
    const auto x1 = static_cast<int64_t>(wx1);
    const auto y1 = static_cast<int64_t>(wy1);
    const auto x2 = static_cast<int64_t>(wx2);
    const auto y2 = static_cast<int64_t>(wy2);
    style &= 0xFFFF;
    const bool solid = style == 0xFFFF;
    const Rows rows{static_cast<int32_t>(std::min(y1, y2)), static_cast<int32_t>(std::max(y1, y2))};
    if (y1 == y2 && solid) {
        StoreSpan(s, static_cast<int32_t>(y1), static_cast<int32_t>(std::min(x1, x2)),
                  static_cast<int32_t>(std::max(x1, x2)), colour);
        return rows;
    }
    if (x1 == x2) {
        const int64_t top = std::min(y1, y2);
        for (int64_t y = top; y <= std::max(y1, y2); ++y) {
            if (solid || StyleAllows(style, y - top))
                StorePixel(s, static_cast<int32_t>(x1), static_cast<int32_t>(y), colour);
        }
        return rows;
    }
    // Bresenham along the major axis (x when both deltas are equal).
    const int64_t dx = std::llabs(x2 - x1);
    const int64_t dy = std::llabs(y2 - y1);
    const int64_t sx = x2 > x1 ? 1 : -1;
    const int64_t sy = y2 > y1 ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int64_t dMajor = xMajor ? dx : dy;
    const int64_t dMinor = xMajor ? dy : dx;
    int64_t error = 2 * dMinor - dMajor;
    int64_t x = x1;
    int64_t y = y1;
    for (int64_t k = 0; k <= dMajor; ++k) {
        if (solid || StyleAllows(style, k))
            StorePixel(s, static_cast<int32_t>(x), static_cast<int32_t>(y), colour);
        if (error >= 0) {
            if (xMajor)
                y += sy;
            else
                x += sx;
            error -= 2 * dMajor;
        }
        if (xMajor)
            x += sx;
        else
            y += sy;
        error += 2 * dMinor;
    }
    return rows;
}

Rows DrawBox(const Surface& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
             bool filled) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x2 < 0 || y2 < 0 || x1 >= s.width || y1 >= s.height) return {};
    const int32_t left = std::max(x1, 0);
    const int32_t right = std::min(x2, s.width - 1);
    const int32_t top = std::max(y1, 0);
    const int32_t bottom = std::min(y2, s.height - 1);
    if (filled) {
        for (int32_t y = top; y <= bottom; ++y) StoreSpan(s, y, left, right, colour);
        return {top, bottom};
    }
    if (y1 == top) StoreSpan(s, top, left, right, colour);
    if (y2 == bottom) StoreSpan(s, bottom, left, right, colour);
    for (int32_t y = top; y <= bottom; ++y) {
        if (x1 == left) StorePixel(s, left, y, colour);
        if (x2 == right) StorePixel(s, right, y, colour);
    }
    // Only the edges on the target touch rows: an outline around it touches none.
    if (x1 == left || x2 == right) return {top, bottom};
    if (y1 != top && y2 != bottom) return {};
    return {y1 == top ? top : bottom, y2 == bottom ? bottom : top};
}

}  // namespace

void ResolvePoint(uint32_t flags, float& x, float& y) {
    DrawContext& ctx = CurrentContext();
    const uint32_t mode = flags & CoordModeBits;
    if (mode == FirstRelativeToLast || mode == BothRelative || mode == PointRelativeToLast) {
        x += ctx.lastX;
        y += ctx.lastY;
    }
    ctx.lastX = x;
    ctx.lastY = y;
}

}  // namespace screen_internal

using namespace screen_internal;

void DrawLine(ImageBuffer* target, float x1, float y1, float x2, float y2, uint32_t colour,
              LineShape shape, uint32_t style, uint32_t flags) {
    if (!ScreenIsOpen()) return;
    colour = ChooseColour(colour, flags);
    DrawContext& ctx = CurrentContext();
    const uint32_t mode = flags & CoordModeBits;
    if (mode == FirstRelativeToLast || mode == BothRelative) {
        x1 += ctx.lastX;
        y1 += ctx.lastY;
    }
    if (mode == SecondRelative || mode == BothRelative) {
        x2 += x1;
        y2 += y1;
    }
    ctx.lastX = x2;
    ctx.lastY = y2;
    // An end or corner that is not a number is nowhere, and so is the line or box.
    if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2)) return;

    ScopedScreenLock lock;
    const Surface s = ResolveTarget(target);
    if (!s.pixels) return;
    Rows rows;
    if (shape == LineShape::Segment)
        rows = DrawSegment(s, ToWidePixel(x1), ToWidePixel(y1), ToWidePixel(x2), ToWidePixel(y2),
                           colour, style);
    else
        rows = DrawBox(s, ToPixel(x1), ToPixel(y1), ToPixel(x2), ToPixel(y2), colour,
                       shape == LineShape::FilledBox);
    if (s.isScreen) lock.MarkDirty(rows.top, rows.bottom);
}

void SetPixel(ImageBuffer* target, float x, float y, uint32_t colour, uint32_t flags,
              int32_t usePreset) {
    if (!ScreenIsOpen()) return;
    colour = ChooseColour(colour, flags, usePreset != 0);
    ResolvePoint(flags, x, y);
    if (std::isnan(x) || std::isnan(y)) return;
    ScopedScreenLock lock;
    const Surface s = ResolveTarget(target);
    const int32_t px = ToPixel(x);
    const int32_t py = ToPixel(y);
    if (!s.pixels || !Inside(s, px, py)) return;
    StorePixel(s, px, py, colour);
    if (s.isScreen) lock.MarkDirty(py, py);
}

uint32_t GetPixel(const ImageBuffer* target, float x, float y) {
    if (!ScreenIsOpen()) return 0xFFFFFFFF;
    ScopedScreenLock lock;
    const Surface s = ResolveTarget(const_cast<ImageBuffer*>(target));
    const int32_t px = ToPixel(x);
    const int32_t py = ToPixel(y);
    if (!s.pixels || !Inside(s, px, py)) return 0xFFFFFFFF;
    const uint8_t* p =
        s.pixels + static_cast<int64_t>(py) * s.pitch + static_cast<int64_t>(px) * s.bytesPerPixel;
    switch (s.bytesPerPixel) {
        case 4:
            return *reinterpret_cast<const uint32_t*>(p);
        case 2:
            return *reinterpret_cast<const uint16_t*>(p);
        default:
            return *p;
    }
}

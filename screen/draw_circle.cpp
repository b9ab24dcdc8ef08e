// Ellipses: full ones as horizontal spans by an integer midpoint walk, arcs point by point.
#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

// Writes the spans of one ellipse: filled rows once each, outlines just their two end points.
class SpanWriter {
public:
    SpanWriter(const Surface& s, uint32_t colour, bool filled)
        : s_(s), colour_(colour), filled_(filled), written_(filled ? s.height : 0, 0) {}

    void Span(int64_t y, int64_t x0, int64_t x1) {
        if (y < 0 || y >= s_.height) return;
        const auto row = static_cast<int32_t>(y);
        if (!filled_) {
            Plot(x0, row);
            Plot(x1, row);
            return;
        }
        if (written_[row]) return;
        written_[row] = 1;
        const int64_t left = std::max<int64_t>(x0, 0);
        const int64_t right = std::min<int64_t>(x1, s_.width - 1);
        if (left <= right)
            StoreSpan(s_, row, static_cast<int32_t>(left), static_cast<int32_t>(right), colour_);
    }

private:
    void Plot(int64_t x, int32_t row) {
        if (x >= 0 && x < s_.width) StorePixel(s_, static_cast<int32_t>(x), row, colour_);
    }

    const Surface& s_;
    uint32_t colour_;
    bool filled_;
    std::vector<uint8_t> written_;
};

void FullEllipse(SpanWriter& out, float cx, int64_t cy, float rx, float ry) {
    int64_t x0 = static_cast<int64_t>(cx - rx);
    int64_t x1 = static_cast<int64_t>(cx + rx);
    int64_t yDown = cy;
    int64_t yUp = cy;
    out.Span(cy, x0, x1);
    if (ry == 0.0f) return;
    const auto a2 = static_cast<int64_t>(rx * rx);
    const auto b2 = static_cast<int64_t>(ry * ry);
    auto n = static_cast<int64_t>(rx);
    if (n <= 0) return;
    auto e = static_cast<int64_t>(static_cast<double>(rx) * static_cast<double>(b2));
    int64_t d = 2 * e;
    int64_t g = 0;
    do {
        const bool wasPositive = e > 0;
        if (wasPositive) {
            ++yDown;
            --yUp;
            g += 2 * a2;
            e -= g;
        }
        if (e <= 0 || !wasPositive) {
            --n;
            ++x0;
            --x1;
            d -= 2 * b2;
            e += d;
        }
        out.Span(yDown, x0, x1);
        out.Span(yUp, x0, x1);
    } while (n > 0);
}

// Arcs go counter-clockwise from start to end (radians; the sign is ignored).
void Arc(const Surface& s, float cx, float cy, float rx, float ry, float start, float end,
         uint32_t colour) {
    constexpr double TwoPi = 2.0 * std::numbers::pi;
    const double a0 = std::fabs(start);
    double a1 = std::fabs(end);
    if (a1 < a0) a1 += TwoPi;
    const double step = 0.5 / std::max<double>({rx, ry, 1.0});
    for (double a = a0; a <= a1 + step / 2; a += step) {
        const int32_t x = ToPixel(static_cast<float>(cx + rx * std::cos(a)));
        const int32_t y = ToPixel(static_cast<float>(cy - ry * std::sin(a)));
        if (Inside(s, x, y)) StorePixel(s, x, y, colour);
    }
}

}  // namespace

}  // namespace screen_internal

using namespace screen_internal;

namespace {
constexpr float MaxRadius = 1 << 20;
}

void DrawCircle(ImageBuffer* target, float cx, float cy, float radius, uint32_t colour,
                float aspect, float start, float end, int32_t fill, uint32_t flags) {
    if (!ScreenIsOpen()) return;
    colour = ChooseColour(colour, flags);
    ResolvePoint(flags, cx, cy);
    if (!(radius > 0.0f)) return;
    // The walk takes one step per pixel of radius; beyond this the ellipse covers any screen.
    radius = std::min(radius, MaxRadius);
    if (aspect <= 0.0f) aspect = 1.0f;  // the screen's pixel aspect ratio
    const float rx = aspect > 1.0f ? radius / aspect : radius;
    const float ry = aspect > 1.0f ? radius : radius * aspect;

    ScopedScreenLock lock;
    const Surface s = ResolveTarget(target);
    if (!s.pixels) return;
    const bool full =
        start == 0.0f && std::bit_cast<uint32_t>(end) == std::bit_cast<uint32_t>(FullCircle);
    if (full) {
        SpanWriter out(s, colour, fill != 0);
        FullEllipse(out, cx, ToPixel(cy), rx, ry);
    } else {
        Arc(s, cx, cy, rx, ry, start, end, colour);
    }
    if (s.isScreen) lock.MarkDirty(ToPixel(cy - ry), ToPixel(cy + ry));
}

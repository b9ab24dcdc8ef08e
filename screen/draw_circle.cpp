// Ellipses: full ones as horizontal spans of an integer midpoint walk, arcs point by point.
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

// The walk's running sums outgrow 64 bits beyond a radius of about 2^21.
using Wide = __int128;

// The rows a drawing wrote, for marking them dirty: top > bottom when none.
struct WrittenRows {
    int32_t top = std::numeric_limits<int32_t>::max();
    int32_t bottom = std::numeric_limits<int32_t>::min();
    void Add(int32_t row) {
        top = std::min(top, row);
        bottom = std::max(bottom, row);
    }
};

// The columns the walk visits on one row, as steps inwards from the centre row's ends.
struct Columns {
    int64_t first = 0;
    int64_t last = 0;
};

// The integer midpoint walk of a full ellipse. It starts on the centre row with the half-width
// n = trunc(rx) and goes outwards row by row (k) while narrowing column by column (j). Its error
// term after k rows and j columns is
//     e(k, j) = E0 (2j + 1) - B2 j (j + 1) - A2 k (k + 1),
// which falls as k grows and never falls as j grows up to n. So the walk leaves row k from the
// first column m(k) where e > 0, and enters row k + 1 at m(k), or at m(k) + 1 when
// e(k + 1, m(k)) <= 0. Each row can therefore be found on its own, and only the target's rows
// are, whatever the radius.
class EllipseWalk {
public:
    EllipseWalk(float rx, float ry)
        : a2_(static_cast<int64_t>(rx * rx)),
          b2_(static_cast<int64_t>(ry * ry)),
          n_(static_cast<int64_t>(rx)),
          e0_(static_cast<Wide>(static_cast<double>(rx) * static_cast<double>(b2_))),
          steps_(ry != 0.0f && n_ > 0) {}

    // The columns visited on row k (k rows from the centre), or none if the walk never gets there.
    std::optional<Columns> Row(int64_t k) const {
        if (!steps_) return k == 0 ? std::optional<Columns>(Columns{}) : std::nullopt;
        if (k == 0) return Columns{0, FirstPositive(0)};
        const int64_t leave = FirstPositive(k - 1);
        if (leave >= n_) return std::nullopt;
        const int64_t enter = Error(k, leave) > 0 ? leave : leave + 1;
        return Columns{enter, FirstPositive(k)};
    }

private:
    Wide Error(int64_t k, int64_t j) const {
        return e0_ * (2 * j + 1) - Wide{b2_} * j * (j + 1) - Wide{a2_} * k * (k + 1);
    }
    // m(k), or n when no column before n has e > 0 (the walk ends on row k).
    int64_t FirstPositive(int64_t k) const {
        int64_t low = 0;
        int64_t high = n_;
        while (low < high) {
            const int64_t middle = low + (high - low) / 2;
            if (Error(k, middle) > 0)
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    }

    int64_t a2_;
    int64_t b2_;
    int64_t n_;
    Wide e0_;
    bool steps_;
};

// Fills x0..x1 of row y, clipped to the surface's columns; false when none of it is inside.
bool StoreClipped(const Surface& s, int64_t y, int64_t x0, int64_t x1, uint32_t colour) {
    const int64_t left = std::max<int64_t>(x0, 0);
    const int64_t right = std::min<int64_t>(x1, s.width - 1);
    if (left > right) return false;
    StoreSpan(s, static_cast<int32_t>(y), static_cast<int32_t>(left), static_cast<int32_t>(right),
              colour);
    return true;
}

// The farthest row from the centre that the walk can reach: truncating A2 stretches it past ry,
// never beyond 1.5 ry + 1 rows.
int64_t WalkReach(float ry) {
    return static_cast<int64_t>(2.0 * ry) + 2;
}

// A filled row is the span where the walk enters it; an outline row is the two runs of columns
// that the walk steps through on it, one at each end.
WrittenRows FullEllipse(const Surface& s, float cx, int64_t cy, float rx, float ry, uint32_t colour,
                        bool filled) {
    const EllipseWalk walk(rx, ry);
    const auto x0 = static_cast<int64_t>(cx - rx);
    const auto x1 = static_cast<int64_t>(cx + rx);
    const int64_t top = std::max<int64_t>(cy - WalkReach(ry), 0);
    const int64_t bottom = std::min<int64_t>(cy + WalkReach(ry), s.height - 1);
    WrittenRows rows;
    for (int64_t y = top; y <= bottom; ++y) {
        const std::optional<Columns> c = walk.Row(std::llabs(y - cy));
        if (!c) continue;
        bool wrote = false;
        if (filled) {
            wrote = StoreClipped(s, y, x0 + c->first, x1 - c->first, colour);
        } else {
            wrote = StoreClipped(s, y, x0 + c->first, x0 + c->last, colour);
            wrote = StoreClipped(s, y, x1 - c->last, x1 - c->first, colour) || wrote;
        }
        if (wrote) rows.Add(static_cast<int32_t>(y));
    }
    return rows;
}

// Arcs go counter-clockwise from start to end (radians; the sign is ignored).
WrittenRows Arc(const Surface& s, float cx, float cy, float rx, float ry, float start, float end,
                uint32_t colour) {
    constexpr double TwoPi = 2.0 * std::numbers::pi;
    const double a0 = std::fabs(start);
    double a1 = std::fabs(end);
    if (a1 < a0) a1 += TwoPi;
    const double step = 0.5 / std::max<double>({rx, ry, 1.0});
    WrittenRows rows;
    for (double a = a0; a <= a1 + step / 2; a += step) {
        const int32_t x = ToPixel(static_cast<float>(cx + rx * std::cos(a)));
        const int32_t y = ToPixel(static_cast<float>(cy - ry * std::sin(a)));
        if (!Inside(s, x, y)) continue;
        StorePixel(s, x, y, colour);
        rows.Add(y);
    }
    return rows;
}

}  // namespace

}  // namespace screen_internal

using namespace screen_internal;

namespace {
// Full ellipses are cut down to the reach of every other coordinate: floats that far out are 128
// pixels apart, so no centre could put a bigger one's edge on the target to the pixel.
constexpr float MaxRadius = 1 << 30;
// Arcs take one point per half pixel of their length.
constexpr float MaxArcRadius = 1 << 20;
}  // namespace

void DrawCircle(ImageBuffer* target, float cx, float cy, float radius, uint32_t colour,
                float aspect, float start, float end, int32_t fill, uint32_t flags) {
    if (!ScreenIsOpen()) return;
    colour = ChooseColour(colour, flags);
    ResolvePoint(flags, cx, cy);
    if (!(radius > 0.0f) || std::isnan(cx) || std::isnan(cy)) return;
    const bool full =
        start == 0.0f && std::bit_cast<uint32_t>(end) == std::bit_cast<uint32_t>(FullCircle);
    radius = std::min(radius, full ? MaxRadius : MaxArcRadius);
    if (!(aspect > 0.0f)) aspect = 1.0f;  // the screen's pixel aspect ratio
    const float rx = aspect > 1.0f ? radius / aspect : radius;
    const float ry = aspect > 1.0f ? radius : radius * aspect;

    ScopedScreenLock lock;
    const Surface s = ResolveTarget(target);
    if (!s.pixels) return;
    // An ellipse that cannot reach the target draws nothing; what remains fits in integers.
    const double row = ToWidePixel(cy);
    if (!(cx + rx > -1.0f && cx - rx < static_cast<float>(s.width))) return;
    if (std::fabs(row - std::clamp(row, 0.0, s.height - 1.0)) > WalkReach(ry)) return;
    const WrittenRows rows =
        full ? FullEllipse(s, cx, static_cast<int64_t>(row), rx, ry, colour, fill != 0)
             : Arc(s, cx, cy, rx, ry, start, end, colour);
    if (s.isScreen) lock.MarkDirty(rows.top, rows.bottom);
}

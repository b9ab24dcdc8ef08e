// Ellipses: full ones as horizontal spans of an integer midpoint walk, arcs point by point.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <compare>
#include <limits>
#include <numbers>
#include <optional>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

// A signed integer wide enough for the walk of any float radius: its running sums grow as the
// fourth power of the radius, to about 2^516 near the largest float. Two's complement in 64-bit
// limbs, lowest first; products skip the zero limbs, so small radii stay cheap.
class WideInt {
public:
    WideInt(int64_t value = 0) {  // converts implicitly, as built-in integers do
        limbs_.fill(value < 0 ? ~uint64_t{0} : 0);
        limbs_[0] = static_cast<uint64_t>(value);
    }
    // A whole number held in a double, exactly.
    static WideInt FromWhole(double value);

    friend WideInt operator+(const WideInt& a, const WideInt& b);
    friend WideInt operator-(const WideInt& a, const WideInt& b) { return a + b.Negated(); }
    friend WideInt operator*(const WideInt& a, const WideInt& b);
    friend std::strong_ordering operator<=>(const WideInt& a, const WideInt& b);
    friend bool operator==(const WideInt& a, const WideInt& b) = default;
    friend WideInt Abs(const WideInt& v) { return v.IsNegative() ? v.Negated() : v; }
    // Halves a non-negative value, rounding down.
    friend WideInt Half(const WideInt& v);
    // The value of one known to fit.
    explicit operator int32_t() const { return static_cast<int32_t>(limbs_[0]); }

private:
    static constexpr int Limbs = 9;
    bool IsNegative() const { return limbs_[Limbs - 1] >> 63; }
    WideInt Negated() const;
    int UsedLimbs() const;
    std::array<uint64_t, Limbs> limbs_{};
};

WideInt WideInt::FromWhole(double value) {
    if (std::fabs(value) < 0x1p62) return WideInt(static_cast<int64_t>(value));
    constexpr int Digits = std::numeric_limits<double>::digits;
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    WideInt result(static_cast<int64_t>(std::ldexp(fraction, Digits)));
    for (int shift = exponent - Digits; shift > 0; --shift) result = result + result;
    return result;
}

WideInt operator+(const WideInt& a, const WideInt& b) {
    WideInt sum;
    unsigned __int128 carry = 0;
    for (int i = 0; i < WideInt::Limbs; ++i) {
        carry += static_cast<unsigned __int128>(a.limbs_[i]) + b.limbs_[i];
        sum.limbs_[i] = static_cast<uint64_t>(carry);
        carry >>= 64;
    }
    return sum;
}

WideInt operator*(const WideInt& a, const WideInt& b) {
    const WideInt x = Abs(a);
    const WideInt y = Abs(b);
    const int xUsed = x.UsedLimbs();
    const int yUsed = y.UsedLimbs();
    WideInt product;
    for (int i = 0; i < xUsed; ++i) {
        unsigned __int128 carry = 0;
        for (int j = 0; i + j < WideInt::Limbs && (j < yUsed || carry != 0); ++j) {
            carry +=
                static_cast<unsigned __int128>(x.limbs_[i]) * y.limbs_[j] + product.limbs_[i + j];
            product.limbs_[i + j] = static_cast<uint64_t>(carry);
            carry >>= 64;
        }
    }
    return a.IsNegative() != b.IsNegative() ? product.Negated() : product;
}

std::strong_ordering operator<=>(const WideInt& a, const WideInt& b) {
    if (a.IsNegative() != b.IsNegative())
        return a.IsNegative() ? std::strong_ordering::less : std::strong_ordering::greater;
    for (int i = WideInt::Limbs - 1; i >= 0; --i) {
        if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] <=> b.limbs_[i];
    }
    return std::strong_ordering::equal;
}

WideInt Half(const WideInt& v) {
    WideInt half;
    for (int i = 0; i < WideInt::Limbs; ++i) {
        const uint64_t above = i + 1 < WideInt::Limbs ? v.limbs_[i + 1] : 0;
        half.limbs_[i] = (v.limbs_[i] >> 1) | (above << 63);
    }
    return half;
}

WideInt WideInt::Negated() const {
    WideInt inverted;
    for (int i = 0; i < Limbs; ++i) inverted.limbs_[i] = ~limbs_[i];
    return inverted + 1;
}

int WideInt::UsedLimbs() const {
    int used = Limbs;
    while (used > 0 && limbs_[used - 1] == 0) --used;
    return used;
}

// A sum or product of floats as float arithmetic rounds it, but without its overflow, so that
// the edges and squares of radii near the largest float stay finite. Rounding the exact double
// result once more gives the same as rounding once: double has over twice float's digits.
double RoundAsFloat(double value) {
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    return std::ldexp(static_cast<double>(static_cast<float>(fraction)), exponent);
}

// The walk's whole numbers: 128 bits hold its sums up to a radius of 2^30 (they reach about
// 2^122 there), faster than WideInt, which takes the radii beyond.
using NarrowInt = __int128;
constexpr float MaxNarrowRadius = 0x1p30f;

NarrowInt Abs(NarrowInt v) {
    return v < 0 ? -v : v;
}
NarrowInt Half(NarrowInt v) {
    return v / 2;
}

template <class Int>
Int WholePart(double value);
template <>
NarrowInt WholePart(double value) {
    return static_cast<NarrowInt>(value);
}
template <>
WideInt WholePart(double value) {
    return WideInt::FromWhole(std::trunc(value));
}

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
template <class Int>
struct Columns {
    Int first = 0;
    Int last = 0;
};

// The integer midpoint walk of a full ellipse. It starts on the centre row with the half-width
// n = trunc(rx) and goes outwards row by row (k) while narrowing column by column (j). Its error
// term after k rows and j columns is
//     e(k, j) = E0 (2j + 1) - B2 j (j + 1) - A2 k (k + 1),
// which falls as k grows and never falls as j grows up to n. So the walk leaves row k from the
// first column m(k) where e > 0, and enters row k + 1 at m(k), or at m(k) + 1 when
// e(k + 1, m(k)) <= 0. Each row can therefore be found on its own, and only the target's rows
// are, whatever the radius.
template <class Int>
class EllipseWalk {
public:
    EllipseWalk(float rx, float ry) : EllipseWalk(rx, ry, std::trunc(Square(ry))) {}

    // The columns visited on row k (k rows from the centre), or none if the walk never gets there.
    std::optional<Columns<Int>> Row(const Int& k) const {
        if (!steps_) return k == 0 ? std::optional<Columns<Int>>(Columns<Int>{}) : std::nullopt;
        if (k == 0) return Columns<Int>{0, FirstPositive(0)};
        const Int leave = FirstPositive(k - 1);
        if (leave >= n_) return std::nullopt;
        const Int enter = Error(RowTerm(k), leave) > 0 ? leave : leave + 1;
        return Columns<Int>{enter, FirstPositive(k)};
    }

private:
    // b2 is whole with at most float's digits, so its product with rx is exact in a double.
    EllipseWalk(float rx, float ry, double b2)
        : a2_(WholePart<Int>(Square(rx))),
          b2_(WholePart<Int>(b2)),
          n_(WholePart<Int>(rx)),
          e0_(WholePart<Int>(static_cast<double>(rx) * b2)),
          steps_(ry != 0.0f && n_ > 0) {}
    // A float's square as float arithmetic rounds it, without its overflow.
    static double Square(float value) { return RoundAsFloat(static_cast<double>(value) * value); }

    // The part of e(k, j) that depends on k alone: A2 k (k + 1).
    Int RowTerm(const Int& k) const { return a2_ * k * (k + 1); }
    Int Error(const Int& rowTerm, const Int& j) const {
        return e0_ * (j + j + 1) - b2_ * j * (j + 1) - rowTerm;
    }
    // m(k), or n when no column before n has e > 0 (the walk ends on row k).
    Int FirstPositive(const Int& k) const {
        const Int rowTerm = RowTerm(k);
        Int low = 0;
        Int high = n_;
        while (low < high) {
            const Int middle = low + Half(high - low);
            if (Error(rowTerm, middle) > 0)
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    }

    Int a2_;
    Int b2_;
    Int n_;
    Int e0_;
    bool steps_;
};

// Fills x0..x1 of row y, clipped to the surface's columns; false when none of it is inside.
template <class Int>
bool StoreClipped(const Surface& s, int32_t y, const Int& x0, const Int& x1, uint32_t colour) {
    const Int left = std::max(x0, Int(0));
    const Int right = std::min(x1, Int(s.width - 1));
    if (left > right) return false;
    StoreSpan(s, y, static_cast<int32_t>(left), static_cast<int32_t>(right), colour);
    return true;
}

// The farthest row from the centre that the walk can reach: truncating A2 stretches it past ry,
// never beyond 1.5 ry + 1 rows.
double WalkReach(float ry) {
    return std::trunc(2.0 * ry) + 2;
}

// A filled row is the span where the walk enters it; an outline row is the two runs of columns
// that the walk steps through on it, one at each end. The centre row cy is whole.
template <class Int>
WrittenRows FullEllipse(const Surface& s, float cx, double cy, float rx, float ry, uint32_t colour,
                        bool filled) {
    const EllipseWalk<Int> walk(rx, ry);
    const Int x0 = WholePart<Int>(RoundAsFloat(static_cast<double>(cx) - rx));
    const Int x1 = WholePart<Int>(RoundAsFloat(static_cast<double>(cx) + rx));
    const Int centreRow = WholePart<Int>(cy);
    const double lastRow = s.height - 1.0;
    const auto top = static_cast<int32_t>(std::clamp(cy - WalkReach(ry), 0.0, lastRow));
    const auto bottom = static_cast<int32_t>(std::clamp(cy + WalkReach(ry), 0.0, lastRow));
    WrittenRows rows;
    for (int32_t y = top; y <= bottom; ++y) {
        const std::optional<Columns<Int>> c = walk.Row(Abs(Int(y) - centreRow));
        if (!c) continue;
        bool wrote = false;
        if (filled) {
            wrote = StoreClipped(s, y, x0 + c->first, x1 - c->first, colour);
        } else {
            wrote = StoreClipped(s, y, x0 + c->first, x0 + c->last, colour);
            wrote = StoreClipped(s, y, x1 - c->last, x1 - c->first, colour) || wrote;
        }
        if (wrote) rows.Add(y);
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
    // An infinite radius counts as the largest float.
    radius = std::min(radius, full ? std::numeric_limits<float>::max() : MaxArcRadius);
    if (!(aspect > 0.0f)) aspect = 1.0f;  // the screen's pixel aspect ratio
    const float rx = aspect > 1.0f ? radius / aspect : radius;
    const float ry = aspect > 1.0f ? radius : radius * aspect;

    ScopedScreenLock lock;
    const Surface s = ResolveTarget(target);
    if (!s.pixels) return;
    // An ellipse that cannot reach the target draws nothing.
    const double row = ToWidePixel(cy);
    if (!(cx + rx > -1.0f && cx - rx < static_cast<float>(s.width))) return;
    if (std::fabs(row - std::clamp(row, 0.0, s.height - 1.0)) > WalkReach(ry)) return;
    const bool filled = fill != 0;
    const WrittenRows rows = !full ? Arc(s, cx, cy, rx, ry, start, end, colour)
                             : radius <= MaxNarrowRadius
                                 ? FullEllipse<NarrowInt>(s, cx, row, rx, ry, colour, filled)
                                 : FullEllipse<WideInt>(s, cx, row, rx, ry, colour, filled);
    if (s.isScreen) lock.MarkDirty(rows.top, rows.bottom);
}

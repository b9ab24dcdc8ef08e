#include "converter/shaping.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "base/checked_math.h"
#include "converter/resample.h"

namespace {

// A whole number of digits only at the start of `text`, moving past it; nullopt above INT_MAX.
std::optional<int64_t> TakeNumber(std::string_view& text) {
    int64_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || text.front() == '-' || value > INT_MAX) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

std::optional<Dimensions> TakeDimensions(std::string_view& text) {
    const auto width = TakeNumber(text);
    if (!width || !TakeChar(text, 'x')) return std::nullopt;
    const auto height = TakeNumber(text);
    if (!height || *width < 1 || *height < 1) return std::nullopt;
    return Dimensions{*width, *height};
}

// Sides beyond this are over any pixel limit anyway; the cap keeps them exact and in range, so
// that a message can give the size a scale asked for.
constexpr double LargestSide = double{int64_t{1} << 53};

int64_t ScaledSide(int64_t side, double factor) {
    return static_cast<int64_t>(std::clamp(std::round(side * factor), 1.0, LargestSide));
}

Dimensions Fitted(Dimensions source, Dimensions box) {
    if (source.width <= box.width && source.height <= box.height) return source;
    // The side that limits the shrink gets the box's side exactly.
    if (double(box.width) / source.width <= double(box.height) / source.height)
        return {box.width, ScaledSide(source.height, double(box.width) / source.width)};
    return {ScaledSide(source.width, double(box.height) / source.height), box.height};
}

std::string Text(Dimensions size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

bool IsWholeEnlargement(Dimensions from, Dimensions to) {
    return to.width % from.width == 0 && to.height % from.height == 0;
}

}  // namespace

std::optional<Dimensions> ParseDimensions(std::string_view text) {
    const auto size = TakeDimensions(text);
    return size && text.empty() ? size : std::nullopt;
}

std::optional<Crop> ParseCrop(std::string_view text) {
    const auto size = TakeDimensions(text);
    if (!size) return std::nullopt;
    if (text.empty()) return Crop{*size, 0, 0};
    if (!TakeChar(text, '+')) return std::nullopt;
    const auto x = TakeNumber(text);
    if (!x || !TakeChar(text, '+')) return std::nullopt;
    const auto y = TakeNumber(text);
    if (!y || !text.empty()) return std::nullopt;
    return Crop{*size, *x, *y};
}

std::optional<double> ParseScale(std::string_view text) {
    const bool percent = !text.empty() && text.back() == '%';
    if (percent) text.remove_suffix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value <= 0)
        return std::nullopt;
    return percent ? value / 100 : value;
}

ShapedSize PlanShape(const Shaping& shaping, Dimensions source) {
    if (const std::optional<Crop>& crop = shaping.crop) {
        if (crop->x + crop->size.width > source.width ||
            crop->y + crop->size.height > source.height)
            return {{},
                    "the crop " + Text(crop->size) + " at " + std::to_string(crop->x) + ", " +
                        std::to_string(crop->y) + " does not lie inside the " + Text(source) +
                        " picture"};
        source = crop->size;
    }
    switch (shaping.resize) {
        case Resize::Keep:
            return {source, {}};
        case Resize::Fit:
            return {Fitted(source, shaping.box), {}};
        case Resize::Scale:
            return {{ScaledSide(source.width, shaping.factor),
                     ScaledSide(source.height, shaping.factor)},
                    {}};
        case Resize::Exact:
            return {shaping.box, {}};
    }
    return {source, {}};
}

ShapedPicture FitInside(ShapedPicture shaped, Dimensions box) {
    const Dimensions from{shaped.view.width, shaped.view.height};
    const Dimensions size = Fitted(from, box);
    if (size == from) return shaped;
    picture::Pixels fitted = ResampleFiltered(shaped.view, size.width, size.height);
    if (!fitted) return {{}, {}, "not enough memory to bring it to " + Text(size)};
    const picture::PixelView view = fitted.View();
    return {std::move(fitted), view, {}};
}

ShapedPicture ApplyShaping(picture::Pixels picture, const Shaping& shaping, Dimensions full) {
    const ShapedSize plan = PlanShape(shaping, full);
    if (!plan.problem.empty()) return {{}, {}, plan.problem};
    const Dimensions size = plan.size;
    if (SaturatingProduct(size.width, size.height) > picture::PixelLimit())
        return {{},
                {},
                "brought to " + Text(size) + " it would have more pixels than the limit of " +
                    std::to_string(picture::PixelLimit()) + " (bmp2bi --max-pixels raises it)"};
    if (SaturatingProduct(size.width, size.height, 4) > picture::MaxPictureBytes)
        return {{}, {}, "brought to " + Text(size) + " it would be too large for a picture"};
    picture::PixelView view = picture.View();
    if (const std::optional<Crop>& crop = shaping.crop)
        view = PartOf(view, crop->x, crop->y, crop->size.width, crop->size.height);
    const Dimensions from{view.width, view.height};
    if (size == from) return {std::move(picture), view, {}};
    picture::Pixels resized =
        !shaping.smooth && IsWholeEnlargement(from, size)
            ? EnlargeByRepeating(view, size.width / from.width, size.height / from.height)
            : ResampleFiltered(view, size.width, size.height);
    if (!resized) return {{}, {}, "not enough memory to bring it to " + Text(size)};
    const picture::PixelView resizedView = resized.View();
    return {std::move(resized), resizedView, {}};
}

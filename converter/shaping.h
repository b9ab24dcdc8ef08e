// What the size options do to a decoded picture before it is written: an optional crop, then
// one of fit, scale or exact size. The pixel limit applies to the result, checked before any
// pixel of it is allocated.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "picture/picture.h"

struct Dimensions {
    int64_t width = 0;
    int64_t height = 0;
    bool operator==(const Dimensions&) const = default;
};

struct Crop {
    Dimensions size;
    int64_t x = 0;
    int64_t y = 0;
};

enum class Resize {
    Keep,
    Fit,    // shrink to fit inside `box`, keeping the aspect ratio; never enlarge
    Scale,  // both sides times `factor`
    Exact   // exactly `box`
};

struct Shaping {
    std::optional<Crop> crop;  // before the resize
    Resize resize = Resize::Keep;
    Dimensions box;
    double factor = 1;
    // Whole-number enlargements are filtered too, instead of repeating every pixel.
    bool smooth = false;
};

// The options' values as typed, or nullopt when malformed. Sides are whole numbers from 1 to
// 2^31 - 1, offsets from 0: "WxH"; "WxH+X+Y" (just "WxH" is at 0, 0); "P%" or a factor "F", above
// 0 either way ("50%" and "0.5" are the same).
std::optional<Dimensions> ParseDimensions(std::string_view text);
std::optional<Crop> ParseCrop(std::string_view text);
std::optional<double> ParseScale(std::string_view text);

struct ShapedSize {
    Dimensions size;
    std::string problem;  // a crop that does not lie inside the picture
};

// The size a picture of `source` has after the shaping; sides never below 1.
ShapedSize PlanShape(const Shaping& shaping, Dimensions source);

struct ShapedPicture {
    picture::Pixels pixels;  // owns what `view` shows
    picture::PixelView view;
    std::string problem;  // when `view` is empty: why
};

// `picture` through the shaping, sized as the shaping makes a picture of `full` pixels (the
// picture's own size, of which `picture` may be a reduced decode). A picture the shaping leaves as
// it is, or only crops, keeps its pixels.
ShapedPicture ApplyShaping(picture::Pixels picture, const Shaping& shaping, Dimensions full);
// `shaped` shrunk further, if need be, to fit inside `box` as Resize::Fit shrinks.
ShapedPicture FitInside(ShapedPicture shaped, Dimensions box);

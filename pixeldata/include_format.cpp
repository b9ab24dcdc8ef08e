#include "pixeldata/include_format.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, Dialect>, 3> Names{{
    {"default", Dialect::Default},
    {"yabasic", Dialect::Yabasic},
    {"numbered", Dialect::Numbered},
}};

// The widths a Data line is made of, at their largest.
struct LineWidths {
    int32_t prefix;     // "Data " or "65529 DATA "
    int32_t item;       // one pixel, colour or index
    int32_t separator;  // between two items
};

LineWidths WidthsOf(Dialect dialect, int32_t item) {
    if (dialect == Dialect::Numbered) return {11, item, 1};
    return {5, item, 2};
}

// "255, 255, 255,255" or "255,255,255,255"; "&HAARRGGBB".
int32_t ColourWidth(const IncludeFormat& format) {
    if (format.form == PixelForm::Packed && !format.palette) return 10;
    return format.dialect == Dialect::Numbered ? 15 : 17;
}

int32_t MostItems(const LineWidths& w) {
    return (LongestBasicLine - w.prefix + w.separator) / (w.item + w.separator);
}

constexpr int32_t IndexWidth = 3;

}  // namespace

std::optional<Dialect> DialectNamed(std::string_view name) {
    for (const auto& [text, dialect] : Names)
        if (text == name) return dialect;
    return std::nullopt;
}

std::string_view NameOf(Dialect dialect) {
    for (const auto& [text, value] : Names)
        if (value == dialect) return text;
    return {};
}

int32_t MostPerLine(const IncludeFormat& format) {
    const int32_t item = format.palette ? IndexWidth : ColourWidth(format);
    return MostItems(WidthsOf(format.dialect, item));
}

int32_t PerLine(const IncludeFormat& format) {
    if (format.perLine > 0) return format.perLine;
    if (format.palette || format.dialect == Dialect::Numbered) return MostPerLine(format);
    return 1;
}

int32_t ColoursPerLine(const IncludeFormat& format) {
    if (format.dialect != Dialect::Numbered) return 1;
    return MostItems(WidthsOf(format.dialect, ColourWidth(format)));
}

std::string DialectLabel(Dialect dialect, std::string_view label) {
    std::string result(label);
    if (dialect != Dialect::Yabasic) return result;
    for (char& c : result) {
        const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !digit) c = '_';
    }
    return result;
}

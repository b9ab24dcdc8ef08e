// How an include file is written: the BASIC it is for (its dialect), how a colour is written,
// whether the colours come once as a palette, and how many pixels a Data line holds.
//
// - Default: a label line "NAME:", then "Data" lines with ", " between values; what bwbasic and
//   BASICs of its kind read.
// - Yabasic: the label line is "label NAME", and a label holds only letters, digits and "_";
//   yabasic has no "&H" numbers, so no packed form.
// - Numbered: a classic listing: every line numbered, a "REM" line naming the picture and its
//   size where the label would be, then "DATA" lines with "," between values, numbered from
//   `firstLine` by `lineStep` (the first REM line takes the number before `firstLine`).
//
// In every dialect the pixels are unpacked (A, R, G, B: four values a pixel) or packed
// (&HAARRGGBB: one value); in the palette form the colours come once, unpacked, after the size
// and their count, negated (so that a program tells the form by its sign), followed by one index
// a pixel. Lines that hold several pixels never grow beyond LongestBasicLine characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class Dialect { Default, Yabasic, Numbered };
enum class PixelForm { Unpacked, Packed };

struct IncludeFormat {
    Dialect dialect = Dialect::Default;
    PixelForm form = PixelForm::Unpacked;  // of the pixels; the palette form has none packed
    bool palette = false;
    int32_t perLine = 0;       // pixels (indices in the palette form) a Data line; 0: the default
    int32_t firstLine = 1000;  // the numbered dialect's first Data line number, at least 1
    int32_t lineStep = 10;     // and the step between two lines
};

// The longest line (without its line end) that bwbasic and the classic BASICs read whole.
inline constexpr int32_t LongestBasicLine = 255;
// The highest line number classic BASICs take.
inline constexpr int32_t HighestLineNumber = 65529;

std::optional<Dialect> DialectNamed(std::string_view name);
std::string_view NameOf(Dialect dialect);

// The most pixels (indices, in the palette form) one Data line can hold without growing beyond
// LongestBasicLine characters, whatever their values.
int32_t MostPerLine(const IncludeFormat& format);
// Pixels (indices) a Data line holds: `perLine` if set, else one pixel a line in the default
// and yabasic dialects (the form the conversion has always written), and as many as fit in the
// numbered dialect and for the palette's indices.
int32_t PerLine(const IncludeFormat& format);
// The palette's colours a Data line holds: one, or as many as fit in the numbered dialect.
int32_t ColoursPerLine(const IncludeFormat& format);

// The label as the dialect's BASIC takes it: yabasic's labels hold only letters, digits and
// "_", so anything else becomes "_" there; the other dialects keep `label`.
std::string DialectLabel(Dialect dialect, std::string_view label);

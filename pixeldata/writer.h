// The pixel-data include file: the label line, the width and height lines, then one line per
// pixel, row by row from the top, every line ended by CR LF: "Data A, R, G,B" in the unpacked
// form, "Data &HAARRGGBB" (eight upper-case hexadecimal digits) in the packed one. A reader tells
// them apart by the first value after the size: "&H" and exactly eight hexadecimal digits there
// mark the packed form, which the unpacked form never writes.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "picture/picture.h"

using ByteSink = std::function<bool(std::string_view bytes)>;
enum class PixelForm { Unpacked, Packed };

using ProgressReport = std::function<void(int64_t done, int64_t total)>;

// The longest line a pixel can take: "Data 255, 255, 255,255" and CR LF.
inline constexpr int32_t IncludeFileLongestLine = 24;

// The exact size of the file WriteIncludeFile writes.
int64_t IncludeFileBytes(std::string_view label, const picture::PixelView& picture);

// Writes the file for `picture` (0xAARRGGBB pixels) through `sink` in large blocks, reporting the
// pixels written after each block if `progress` is set. False as soon as the sink refuses a block.
bool WriteIncludeFile(std::string_view label, const picture::PixelView& picture,
                      const ByteSink& sink, const ProgressReport& progress = {},
                      PixelForm form = PixelForm::Unpacked);

// The pixel-data include file. In its default form: the label line, the width and height lines,
// then one line per pixel, row by row from the top, every line ended by CR LF: "Data A, R, G,B"
// in the unpacked form, "Data &HAARRGGBB" (eight upper-case hexadecimal digits) in the packed
// one. A reader tells them apart by the first value after the size: "&H" and exactly eight
// hexadecimal digits there mark the packed form, which the unpacked form never writes.
//
// A file may hold several pictures (the tiles of a sprite sheet), each with its own label and
// size lines, and be written for another BASIC, with several pixels a line or with a palette
// (include_format.h).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "picture/picture.h"
#include "pixeldata/block_output.h"
#include "pixeldata/include_format.h"

using ProgressReport = std::function<void(int64_t done, int64_t total)>;

// One picture of an include file.
struct IncludeSection {
    std::string label;  // as made from a name; the dialect makes it its own
    // The picture's size, and its 0xAARRGGBB pixels unless it is written with a palette.
    picture::PixelView pixels;
    // The palette form: the colours, and one index a pixel, row by row.
    std::span<const uint32_t> colours;
    std::span<const uint8_t> indices;
};

// Writes the file through `sink` in large blocks, reporting the pixels written after each block
// if `progress` is set. False as soon as the sink refuses a block.
bool WriteIncludeFile(std::span<const IncludeSection> sections, const ByteSink& sink,
                      const ProgressReport& progress = {}, const IncludeFormat& format = {});
// The file of one picture.
bool WriteIncludeFile(std::string_view label, const picture::PixelView& picture,
                      const ByteSink& sink, const ProgressReport& progress = {},
                      const IncludeFormat& format = {});

// The exact size of the file WriteIncludeFile writes.
int64_t IncludeFileBytes(std::span<const IncludeSection> sections,
                         const IncludeFormat& format = {});
int64_t IncludeFileBytes(std::string_view label, const picture::PixelView& picture,
                         const IncludeFormat& format = {});

// The lines of the file; in the numbered dialect, those numbered from the first line number on
// (the first REM line comes before it).
int64_t IncludeFileLines(std::span<const IncludeSection> sections, const IncludeFormat& format);

// Empty unless the format is numbered and the file needs line numbers above
// HighestLineNumber; then why, in a sentence.
std::string NumberingProblem(std::span<const IncludeSection> sections, const IncludeFormat& format);

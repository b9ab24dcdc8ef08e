// What every format unit gives the dispatcher (formats.cpp): how its files begin, the one reader
// of its header for the probe, and its decoder. Internal to the picture library.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "picture/input_file.h"
#include "picture/picture.h"

namespace picture {

struct Format {
    bool (*recognises)(std::span<const uint8_t> head);
    // nullopt when the header shows the file is no such picture after all.
    std::optional<ProbeResult> (*probe)(const InputFile& file);
    // Called only for a file whose probe found no problem and that is within the pixel limit.
    DecodeResult (*decode)(const InputFile& file, const PixelView& dest);
    // Optional: the same at 1/denominator (2, 4 or 8) of each side, rounded up, for little work.
    DecodeResult (*decodeReduced)(const InputFile& file, const PixelView& dest,
                                  int64_t denominator);
    // Optional, for a format whose library decodes only into memory of its own: the whole upright
    // picture, in that memory where it can be adopted, so that a load holds one copy, not two.
    DecodeResult (*decodeOwnMemory)(const InputFile& file, Pixels& pixels);
};

// The format of an open file, or nullptr.
const Format* FormatOfFile(const InputFile& file);

// Decode at 1/denominator of each side, for a format that has decodeReduced.
DecodeResult DecodeReduced(const InputFile& file, const PixelView& dest, int64_t denominator);
// The same for a file whose probe, as `format`, has found no problem and is within the pixel
// limit: the load, which has probed the file already.
DecodeResult DecodeProbed(const InputFile& file, const Format& format, const PixelView& dest,
                          int64_t denominator);

// The formats read, one unit each, in the order the dispatcher tries them.
extern const Format BmpFormat;
extern const Format PngFormat;
extern const Format JpegFormat;
extern const Format GifFormat;
extern const Format WebPFormat;
extern const Format TiffFormat;
extern const Format HeifFormat;

// Why a decode refused a file, when nothing more precise is known.
inline constexpr std::string_view CutShortOrUnsupportedText =
    "cut short or damaged, or a kind of picture that is not supported";

inline DecodeResult Refusal(std::string problem, bool wrote = false) {
    DecodeResult result;
    result.status = DecodeStatus::Refused;
    result.problem = std::move(problem);
    result.wrote = wrote;
    return result;
}

inline DecodeResult UnusableDestination() {
    DecodeResult result;
    result.status = DecodeStatus::UnusableDestination;
    result.problem = "a destination of this pixel size cannot take these pixels";
    return result;
}

std::string SizeText(int64_t width, int64_t height);
// Whether a picture of that size has more pixels than PixelLimit().
bool OverPixelLimit(int64_t width, int64_t height);
// The bytes of `bytesPerPixel` for each of width x height pixels, saturated.
int64_t PixelBytes(int64_t width, int64_t height, int64_t bytesPerPixel = 4);
std::string OverLimitText(int64_t width, int64_t height);

}  // namespace picture

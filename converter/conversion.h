// Turning one picture file (any format the picture library reads) into a pixel-data include
// file: a label line, then "Data" lines with the width, the height and the alpha, red, green and
// blue values of every pixel (or one packed value per pixel), row by row, each line ended by CR LF;
// or any other form and dialect of include_format.h.
// No screen and no desktop: the converter's window and the batch tool stand on this alike.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "converter/include_content.h"
#include "converter/shaping.h"
#include "picture/picture.h"
#include "pixeldata/label.h"
#include "pixeldata/writer.h"

// The picture of a file, decoded whole through the picture library, or why not; over the pixel
// limit, the reason says how bmp2bi lifts it.
picture::LoadedPicture LoadPicture(const picture::OpenedPicture& opened,
                                   const picture::LoadOptions& options = {});
picture::LoadedPicture LoadPicture(const std::string& path,
                                   const picture::LoadOptions& options = {});

enum class ConversionStatus {
    Done,
    LoadFailed,        // or could not be brought to the shaping's size
    Unfit,             // does not go into the chosen form (colours, numbered lines)
    Declined,          // the output existed; replacing it was not allowed
    DeclinedAppeared,  // the output appeared while converting; replacing it was not allowed
    DeclinedLarge,     // the include file would be large; writing it was not allowed
    OpenFailed,
    WriteFailed
};

struct ConversionResult {
    ConversionStatus status = ConversionStatus::Done;
    std::string problem;  // for every status but Done and the declines
    int64_t bytes = 0;    // of the include file written (Done)
    Dimensions size{};    // of the picture written (Done)
};

// Include files above this size are worth a question before they are written.
inline constexpr int64_t LargeIncludeFileBytes = 100'000'000;

// What becomes of a large include file: written as it is, not at all, or of the picture shrunk to
// fit LargeFileFit (as bmp2bi --fit does it), which gives a small one.
enum class LargeFileAnswer { Write, Decline, Fit };
inline constexpr Dimensions LargeFileFit{640, 480};

struct ConversionJob {
    std::string inputPath;
    std::string outputPath;
    std::string label;
    // Optional: `inputPath` opened and probed already, loaded instead of opening it again.
    const picture::OpenedPicture* opened = nullptr;
    // Asked only when the output exists, after the whole picture is loaded: true overwrites.
    // Without that Yes, an output that appears while converting is not replaced unasked: this is
    // asked then, with the written data kept aside until the answer.
    std::function<bool()> allowOverwrite;
    // Optional: pixels written so far, of all.
    std::function<void(int64_t done, int64_t total)> progress;
    // Optional: asked, once the picture is loaded, when its include file would be larger than
    // LargeIncludeFileBytes.
    std::function<LargeFileAnswer(int64_t bytes, int64_t width, int64_t height)> allowLarge;
    // Optional: called once the include file is whole in place, before the picture's memory is
    // given back.
    std::function<void()> written;
};

// What bmp2bi's options change; the converter's window uses none of it.
struct ConversionOptions {
    Shaping shaping;
    PixelTreatment treatment;
    IncludeFormat format;
    // Written to the standard output as it is (a file there is neither asked about nor replaced
    // atomically); the job's `outputPath` only names it in messages.
    bool toStandardOutput = false;
};

// Loads, shapes and treats the picture, asks about a large include file and an existing output,
// and writes the include file so that it appears whole or not at all (pipes, terminals and
// devices are written in place).
ConversionResult RunConversion(const ConversionJob& job, const ConversionOptions& options = {});

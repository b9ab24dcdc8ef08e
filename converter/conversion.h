// Turning one picture file (BMP, PNG, JPEG or GIF) into a pixel-data include file: a label line,
// then "Data" lines with the width, the height and the alpha, red, green and blue values of every
// pixel, row by row, each line ended by CR LF.
//
// Needs an open screen (pictures are images); the converter's window or, for the batch tool and
// tests, the headless back end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "converter/dialogs.h"
#include "screen/screen.h"

struct ImageDeleter {
    void operator()(ImageBuffer* image) const { DestroyImage(image); }
};
using ImageHandle = std::unique_ptr<ImageBuffer, ImageDeleter>;

struct LoadedPicture {
    ImageHandle image;    // none when no complete picture could be made
    std::string problem;  // why not, in a few words for a console user
};

// A 4-byte image of the bitmap's size holding its completely decoded pixels, read through one
// open file. Pictures the header already rules out, or of more pixels than PixelLimit(), are
// refused before anything is allocated for them.
LoadedPicture LoadPicture(const std::string& path);

// The include file's label: the output name without blanks around it, with every character
// from the blank to "/" (codes 32 to 47), and the line breaks CR and LF, replaced by "_".
std::string MakeLabel(std::string_view outputName);

// The output name the converter derives from an input path: "Res", the file name less its
// extension (from its last dot on), ".bi": flower.bmp gives Resflower.bi, photo.jpeg
// Resphoto.bi, a name without a dot is kept whole. "/" and "\" separate folders.
std::string DeriveOutputName(std::string_view inputPath);

enum class ConversionStatus {
    Done,
    LoadFailed,
    Declined,          // the output existed; replacing it was not allowed
    DeclinedAppeared,  // the output appeared while converting; replacing it was not allowed
    OpenFailed,
    WriteFailed
};

struct ConversionResult {
    ConversionStatus status = ConversionStatus::Done;
    std::string problem;  // for every status but Done and the two declines
};

struct ConversionJob {
    std::string inputPath;
    std::string outputPath;
    std::string label;
    // Asked only when the output exists, after the whole picture is loaded: true overwrites.
    // Without that Yes, an output that appears while converting is not replaced unasked: this is
    // asked then, with the written data kept aside until the answer.
    std::function<bool()> allowOverwrite;
    // Optional: pixels written so far, of all.
    std::function<void(int64_t done, int64_t total)> progress;
};

// Loads the picture, asks about an existing output, and writes the include file so that it
// appears whole or not at all.
ConversionResult RunConversion(const ConversionJob& job);

// A message box that no desktop could show.
struct UnshownBox {
    std::string caption;
    std::string text;
};

struct ConversionOutcome {
    ConversionResult result;
    // In the order they were due; the program tells the user of them in its own way. A question
    // that could not be asked counts as answered No.
    std::vector<UnshownBox> unshownBoxes;
};

// The converter's "Start": converts `inputPath` to `outputName` (both the fields' texts) and
// tells the user the outcome in the desktop's message boxes.
ConversionOutcome ConvertPicture(const std::string& inputPath, const std::string& outputName,
                                 const Dialogs& dialogs);

// The message boxes of the conversion, exactly as the user sees them: kept letter for letter,
// misspellings included.
inline constexpr std::string_view LoadFailedText =
    "Something went wrong while loading File.\r\nMaybe the filename wasnt correct.";
inline constexpr std::string_view OverwriteQuestionText = "This file allready exists! Overwrite?";
inline constexpr std::string_view OpenFailedText = "Error! Could not open output file!";
inline constexpr std::string_view WriteFailedText = "Error! Could not write output file!";
inline constexpr std::string_view DoneText = "Done!";
inline constexpr std::string_view ErrorCaption = "Error";
inline constexpr std::string_view DoneCaption = "OK";

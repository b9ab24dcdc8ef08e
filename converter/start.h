// The converter's "Start": the conversion of the two fields' texts, told to the user in the
// desktop's message boxes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "converter/conversion.h"
#include "desktop/dialogs.h"

// A message box that no desktop could show.
struct UnshownBox {
    std::string caption;
    std::string text;
    std::string detail;
};

struct ConversionOutcome {
    ConversionResult result;
    // In the order they were due; the program tells the user of them in its own way. A question
    // that could not be asked counts as answered No.
    std::vector<UnshownBox> unshownBoxes;
};

// Converts `inputPath` to `outputName` and tells the user the outcome in message boxes: each box
// keeps its text, and its detail says what the user needs (the reason a picture was refused,
// the system's error and the path, the file written and its size), a long path shortened in its
// middle. An existing output is replaced only after a Yes, No being the default. An include file
// larger than LargeIncludeFileBytes is written after a Yes, or of the picture shrunk to fit
// 640 x 480 after the third answer; No is the default.
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
inline constexpr std::string_view LargeFileCaption = "Large file";
// The large-file question's third answer (0xD7 is the times sign).
inline constexpr std::string_view FitAnswer = "Fit 640 \xD7 480";

// A file size as people read it: "812 bytes", "46.2 MB", "1.1 GB" (powers of 1000).
std::string SizeInWords(int64_t bytes);

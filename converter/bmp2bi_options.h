// bmp2bi's command line: the options, what each asks for, the help text. Parsing checks every
// value and the options' combinations; the files themselves are looked at only when converting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "converter/include_content.h"
#include "converter/shaping.h"
#include "pixeldata/include_format.h"

struct Bmp2biOptions {
    std::vector<std::string> inputs;
    std::optional<std::string> output;
    std::optional<std::string> outputDir;
    std::optional<std::string> label;  // as given, for a single input
    std::optional<int64_t> maxPixels;
    Shaping shaping;
    PixelTreatment treatment;
    IncludeFormat format;
    std::optional<int> jobs;
    bool numbering = false;  // --first-line or --step given
    bool force = false;
    bool keepOrientation = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// A command line that asks for nothing sensible; `message` says why, without the program's name.
struct UsageError {
    std::string message;
};

// The options of the arguments after the program's name, in their order; throws UsageError.
Bmp2biOptions ParseArguments(const std::vector<std::string>& args);

// The help text, with the most jobs and the default pixel limit filled in.
std::string UsageText();

// Reading a pixel-data include file into the viewer's embedded value stream form.
//
// The file is made of lines ending in LF or CR LF. Each line is one of: blank; a label (a name
// without blanks, then ":"); or a "Data" line (the word in any letter case, then a blank and
// values separated by commas). Every Data line becomes one group of the stream, each value its
// text without the blanks around it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct IncludeFileStream {
    std::string bytes;  // the value stream, as value_stream.h lays it out
    uint64_t valueCount = 0;
    uint64_t groupCount = 0;
};

struct IncludeFileError {
    uint64_t line = 0;  // 1-based
    std::string found;  // the offending line, shortened and with unprintable bytes escaped
};

// What a line must be, for error messages.
inline constexpr std::string_view ExpectedLine =
    "expected a label (a name followed by \":\"), a \"Data\" line or a blank line";

// Fills `stream` from the file's text; false, with `error` filled, at the first line that is
// none of the three kinds.
bool ReadIncludeFile(std::string_view text, IncludeFileStream& stream, IncludeFileError& error);

// Empty when the stream holds exactly the 2 + 4 x width x height values that its width and
// height call for; otherwise a sentence giving both counts.
std::string ValueCountMismatch(const IncludeFileStream& stream);

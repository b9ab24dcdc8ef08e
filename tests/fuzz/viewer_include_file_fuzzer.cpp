// Arbitrary bytes as a pixel-data include file: the reader either refuses a line that exists, or
// gives a stream whose values and groups are exactly the counts it reports.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/include_file.h"
#include "viewer/value_stream.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IncludeFileStream stream;
    IncludeFileError error;
    if (!ReadIncludeFile(text, stream, error)) {
        const auto lines = static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        Check(error.line >= 1 && error.line <= lines);
        return 0;
    }
    const std::string_view bytes = stream.bytes;
    const auto groups = static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), GroupEnd));
    const auto separators =
        static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), ValueSeparator));
    Check(stream.groupCount == groups && stream.valueCount == groups + separators);
    Check(bytes.empty() || bytes.back() == GroupEnd);
    ValueCountMismatch(stream);
    return 0;
}

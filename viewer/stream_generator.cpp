// Build-time tool: turns a pixel-data include file into the viewer's embedded value stream.
//
//   viewer_stream_generator INPUT.bi OUTPUT
//
// A malformed line stops the build with the file, the line and what was expected there, and so
// does a size of more pixels than any picture is allowed. A size below 1 (no picture) and a value
// count that does not fit the size are only warnings: the viewer reads missing values as 0; so is
// a file that is empty or ends inside a line, the marks of one cut short. The output is written
// beside its final name and renamed over it once complete, so a failed run never leaves a
// partial stream behind for the next build to pick up.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "base/printable.h"
#include "pixeldata/reader.h"
#include "pixeldata/value_stream.h"

namespace {

// Empty on success, else why the stream could not be written.
std::string WriteWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string reason = std::strerror(errno);
            std::remove(temporary.c_str());
            return reason;
        }
    }
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (!failure) return {};
    std::remove(temporary.c_str());
    return failure.message();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        SayLine(stderr, "usage: viewer_stream_generator INPUT.bi OUTPUT");
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];

    IncludeFileStream stream;
    const IncludeFileRead read = ReadIncludeFileStream(input, stream);
    if (read.status == IncludeFileStatus::CannotRead) {
        SayLine(stderr, input + ": error: cannot read the file: " + read.problem);
        return 1;
    }
    if (read.status == IncludeFileStatus::Malformed) {
        SayLine(stderr, input + ':' + std::to_string(read.error.line) +
                            ": error: " + std::string(read.error.expected) + ", found \"" +
                            read.error.found + "\"");
        return 1;
    }
    if (read.truncation) SayLine(stderr, input + ": warning: " + *read.truncation);
    ValueStream values = MakeValueStream(stream.bytes);
    const int32_t width = ReadInt(values);
    const int32_t height = ReadInt(values);
    const SizeCheck size = CheckDeclaredSize(width, height);
    if (size.verdict == DeclaredSize::TooManyPixels) {
        SayLine(stderr, input + ": error: " + size.problem);
        return 1;
    }
    if (size.verdict == DeclaredSize::NoPixels)
        SayLine(stderr, input + ": warning: " + size.problem + "; the viewer will show none");
    if (const std::string mismatch = ValueCountMismatch(stream); !mismatch.empty())
        SayLine(stderr, input + ": warning: " + mismatch);
    if (const std::string failure = WriteWholeFile(output, stream.bytes); !failure.empty()) {
        SayLine(stderr, output + ": error: cannot write the value stream: " + failure);
        return 1;
    }
    return 0;
}

// Build-time tool: turns a pixel-data include file into the viewer's embedded value stream.
//
//   viewer_stream_generator INPUT.bi OUTPUT
//
// A malformed line stops the build with the file, the line and what was expected there, and so
// does a size of more pixels than any picture is allowed. A size below 1 (no picture) and a value
// count that does not fit the size are only warnings: the viewer reads missing values as 0; so is
// a file that is empty or ends inside a line, the marks of one cut short, and a file of several
// pictures (the tiles of a sprite sheet), of which the viewer shows the first. Every form and
// dialect the conversion writes is read; the stream holds the unpacked form's values. The output is
// written beside its final name and renamed over it once complete, so a failed run never leaves a
// partial stream behind for the next build to pick up.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

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
        std::cerr << "usage: viewer_stream_generator INPUT.bi OUTPUT\n";
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];

    IncludeFileStream stream;
    const IncludeFileRead read = ReadIncludeFileStream(input, stream);
    if (read.status == IncludeFileStatus::CannotRead) {
        std::cerr << input << ": error: cannot read the file: " << read.problem << '\n';
        return 1;
    }
    if (read.status == IncludeFileStatus::Malformed) {
        std::cerr << input << ':' << read.error.line << ": error: " << read.error.expected
                  << ", found \"" << read.error.found << "\"\n";
        return 1;
    }
    if (read.truncation) std::cerr << input << ": warning: " << *read.truncation << '\n';
    ValueStream values = MakeValueStream(stream.bytes);
    const int32_t width = ReadInt(values);
    const int32_t height = ReadInt(values);
    const SizeCheck size = CheckDeclaredSize(width, height);
    if (size.verdict == DeclaredSize::TooManyPixels) {
        std::cerr << input << ": error: " << size.problem << '\n';
        return 1;
    }
    if (size.verdict == DeclaredSize::NoPixels)
        std::cerr << input << ": warning: " << size.problem << "; the viewer will show none\n";
    if (const std::string mismatch = ValueCountMismatch(stream); !mismatch.empty())
        std::cerr << input << ": warning: " << mismatch << '\n';
    if (stream.pictures > 1)
        std::cerr << input << ": warning: the file holds " << stream.pictures
                  << " pictures; the viewer shows the first\n";
    if (const std::string failure = WriteWholeFile(output, stream.bytes); !failure.empty()) {
        std::cerr << output << ": error: cannot write the value stream: " << failure << '\n';
        return 1;
    }
    return 0;
}

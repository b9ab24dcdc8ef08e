// Build-time tool: turns a pixel-data include file into the viewer's embedded value stream.
//
//   viewer_stream_generator INPUT.bi OUTPUT
//
// A malformed line stops the build with the file, the line and what was expected there. A value
// count that does not fit the picture's size is only a warning: the viewer reads missing values
// as 0. The output is written beside its final name and renamed over it once complete, so a
// failed run never leaves a partial stream behind for the next build to pick up.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "viewer/include_file.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream contents;
    contents << in.rdbuf();
    text = std::move(contents).str();
    return !in.bad();
}

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

    std::string text;
    if (!ReadWholeFile(input, text)) {
        std::cerr << input << ": error: cannot read the file: " << std::strerror(errno) << '\n';
        return 1;
    }
    IncludeFileStream stream;
    IncludeFileError error;
    if (!ReadIncludeFile(text, stream, error)) {
        std::cerr << input << ':' << error.line << ": error: " << ExpectedLine << ", found \""
                  << error.found << "\"\n";
        return 1;
    }
    if (const std::string mismatch = ValueCountMismatch(stream); !mismatch.empty()) {
        std::cerr << input << ": warning: " << mismatch << '\n';
    }
    if (const std::string failure = WriteWholeFile(output, stream.bytes); !failure.empty()) {
        std::cerr << output << ": error: cannot write the value stream: " << failure << '\n';
        return 1;
    }
    return 0;
}

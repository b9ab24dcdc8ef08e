// Build-time tool: turns a pixel-data include file into the viewer's embedded value stream.
//
//   viewer_stream_generator INPUT.bi OUTPUT
//
// A malformed line stops the build with the file, the line and what was expected there. A value
// count that does not fit the picture's size is only a warning: the viewer reads missing values
// as 0; so is a file that is empty or ends inside a line, the marks of one cut short. The output is
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

#include "viewer/include_file.h"

namespace {

// Empty on success, else why the file could not be read. A folder opens but cannot be read: it
// must not pass for an empty file.
std::string ReadWholeFile(const std::string& path, std::string& text) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) return std::strerror(errno);
    char block[1 << 16];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file.get())) > 0;) text.append(block, n);
    return std::ferror(file.get()) ? std::strerror(errno) : std::string();
}

// The converter ends every line with CR LF, the last one too: a file that is empty or stops
// inside a line was most likely cut short, though its values may still look complete.
std::string TruncationHint(std::string_view text) {
    if (text.empty()) return "the file is empty";
    if (text.back() != '\n') return "the last line has no line end; the file may be cut short";
    return {};
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
    if (const std::string failure = ReadWholeFile(input, text); !failure.empty()) {
        std::cerr << input << ": error: cannot read the file: " << failure << '\n';
        return 1;
    }
    IncludeFileStream stream;
    IncludeFileError error;
    if (!ReadIncludeFile(text, stream, error)) {
        std::cerr << input << ':' << error.line << ": error: " << ExpectedLine << ", found \""
                  << error.found << "\"\n";
        return 1;
    }
    if (const std::string hint = TruncationHint(text); !hint.empty()) {
        std::cerr << input << ": warning: " << hint << '\n';
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

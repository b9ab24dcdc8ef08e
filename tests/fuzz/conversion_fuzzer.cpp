// Arbitrary bytes as the converter's input file, through the whole conversion: the probe, the
// picture loading and the include-file writer into memory. A picture is made only at the size
// its header declares and within the pixel limit, every refusal says why, and the text written
// holds exactly the lines of the picture it was made from.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "converter/conversion.h"
#include "converter/include_file.h"
#include "screen/bitmap.h"
#include "screen/headless.h"

namespace {

// Small pictures reach every decoding path; the limit keeps each run short.
constexpr int64_t FuzzPixelLimit = 1 << 16;

void Check(bool condition) {
    if (!condition) std::abort();
}

// The input as a file: an in-memory one, reached by name through /proc.
struct MemoryFile {
    int fd = memfd_create("conversion", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);
};

void CheckIncludeFile(const ImageBuffer& picture, int32_t width, int32_t height) {
    std::string text;
    Check(WriteIncludeFile("fuzz", picture, [&text](std::string_view bytes) {
        text.append(bytes);
        return true;
    }));
    const std::string head =
        "fuzz:\r\nData " + std::to_string(width) + "\r\nData " + std::to_string(height) + "\r\n";
    Check(text.compare(0, head.size(), head) == 0);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    Check(lines == 3 + int64_t{width} * height && text.back() == '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MemoryFile input = [] {
        headless::UseHeadlessBackend();
        Check(OpenScreen(40, 30, 32) == ScreenResult::Ok);
        SetPixelLimit(FuzzPixelLimit);
        return MemoryFile{};
    }();
    Check(input.fd >= 0 && ftruncate(input.fd, 0) == 0);
    Check(pwrite(input.fd, data, size, 0) == static_cast<ssize_t>(size));

    const LoadedPicture picture = LoadPicture(input.path);
    Check(picture.image == nullptr ? !picture.problem.empty() : picture.problem.empty());
    if (!picture.image) return 0;
    int32_t width = 0, height = 0;
    GetImageInfo(picture.image.get(), &width, &height, nullptr, nullptr, nullptr, nullptr);
    const BitmapSize declared = ProbeBitmapSize(input.path);
    Check(width == declared.width && height == declared.height);
    Check(int64_t{width} * height <= FuzzPixelLimit);
    CheckIncludeFile(*picture.image, width, height);
    return 0;
}

// Arbitrary bytes through the converter's loading and include-file writer: a picture only at its
// declared size within the pixel limit, a reason for each refusal, exactly the picture's lines.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as an in-memory file, reached by name through /proc.
    static const int fd = [] {
        headless::UseHeadlessBackend();
        Check(OpenScreen(40, 30, 32) == ScreenResult::Ok);
        SetPixelLimit(FuzzPixelLimit);
        return memfd_create("conversion", 0);
    }();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    Check(fd >= 0 && ftruncate(fd, 0) == 0);
    Check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

    const LoadedPicture picture = LoadPicture(path);
    Check(picture.image == nullptr ? !picture.problem.empty() : picture.problem.empty());
    if (!picture.image) return 0;
    int32_t width = 0, height = 0;
    GetImageInfo(picture.image.get(), &width, &height, nullptr, nullptr, nullptr, nullptr);
    const BitmapSize declared = ProbeBitmapSize(path);
    Check(width == declared.width && height == declared.height);
    Check(int64_t{width} * height <= FuzzPixelLimit);
    std::string text;
    Check(WriteIncludeFile("fuzz", *picture.image, [&text](std::string_view bytes) {
        text.append(bytes);
        return true;
    }));
    Check(text.starts_with("fuzz:\r\nData " + std::to_string(width) + "\r\nData " +
                           std::to_string(height) + "\r\n"));
    Check(std::count(text.begin(), text.end(), '\n') == 3 + int64_t{width} * height);
    Check(text.ends_with('\n'));
    return 0;
}

// Arbitrary bytes through the picture library's loading and the include-file writer: a picture
// only at its declared size within the pixel limit, a reason for each refusal, exactly the
// picture's lines.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "picture/picture.h"
#include "pixeldata/writer.h"

namespace {

// Small pictures reach every decoding path; the limit keeps each run short.
constexpr int64_t FuzzPixelLimit = 1 << 16;

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = (picture::SetPixelLimit(FuzzPixelLimit), true);
    Check(limited);
    const std::span<const uint8_t> bytes(data, size);
    const picture::LoadedPicture picture = picture::LoadMemory(bytes);
    Check(!picture.pixels ? !picture.problem.empty() : picture.problem.empty());
    if (!picture.pixels) return 0;
    const int64_t width = picture.pixels.Width(), height = picture.pixels.Height();
    const picture::ProbeResult declared = picture::ProbeMemory(bytes);
    Check(declared.recognised && width == declared.width && height == declared.height);
    Check(width * height <= FuzzPixelLimit);
    std::string text;
    Check(WriteIncludeFile("fuzz", picture.pixels.View(), [&text](std::string_view chunk) {
        text.append(chunk);
        return true;
    }));
    Check(text.starts_with("fuzz:\r\nData " + std::to_string(width) + "\r\nData " +
                           std::to_string(height) + "\r\n"));
    Check(std::count(text.begin(), text.end(), '\n') == 3 + width * height);
    Check(text.ends_with('\n'));
    return 0;
}

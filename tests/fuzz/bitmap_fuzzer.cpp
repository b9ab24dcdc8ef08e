// Arbitrary bytes as a picture file for LoadBitmap, into images of each pixel size and onto the
// screen. Beyond the sanitizers' own checks: every image must still describe memory that lies
// inside its block, so that drawing it afterwards stays safe.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "screen/bitmap.h"
#include "screen/window/headless.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The input as a file: an in-memory one, reached by name through /proc.
const std::string& InputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("bitmap", 0);
        Check(fd >= 0);
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void WriteInput(const uint8_t* data, size_t size) {
    const int fd = std::stoi(InputPath().substr(sizeof("/proc/self/fd/") - 1));
    Check(ftruncate(fd, 0) == 0);
    Check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
}

// Reads every byte the image's header claims, so that a header promising more than the block
// holds shows up as an overflow.
uint32_t TouchAll(const ImageBuffer* image, int64_t blockBytes) {
    int64_t size = 0;
    if (GetImageInfo(image, nullptr, nullptr, nullptr, nullptr, nullptr, &size) != ScreenResult::Ok)
        return 0;
    Check(size <= blockBytes);
    const auto* bytes = reinterpret_cast<const uint8_t*>(image);
    uint32_t sum = 0;
    for (int64_t i = 0; i < size; ++i) sum += bytes[i];
    return sum;
}

void LoadInto(int32_t w, int32_t h, int32_t depth) {
    ImageBuffer* image = CreateImage(w, h, 0, depth, DefaultColourFlag);
    Check(image != nullptr);
    int64_t blockBytes = 0;
    GetImageInfo(image, nullptr, nullptr, nullptr, nullptr, nullptr, &blockBytes);
    const ScreenResult result = LoadBitmap(InputPath(), image);
    Check(result != ScreenResult::FileNotFound);
    volatile uint32_t sum = TouchAll(image, blockBytes);
    (void)sum;
    DestroyImage(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool screenOpen = [] {
        headless::UseHeadlessBackend();
        return OpenScreen(40, 30, 32) == ScreenResult::Ok;
    }();
    Check(screenOpen);
    WriteInput(data, size);
    LoadInto(37, 23, 32);
    LoadInto(3, 70, 16);
    LoadInto(9, 2, 8);
    uint32_t palette[256];
    Check(LoadBitmap(InputPath(), nullptr, palette) != ScreenResult::FileNotFound);
    return 0;
}

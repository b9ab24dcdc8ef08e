// The body of the fuzz targets of the decoders: bytes of the target's format through the probe, the
// whole load and decodes into smaller views of 4 and 2 bytes a pixel, orientations applied and not.
// Inputs the probe does not take as the target's format are passed over, so that each target
// explores its own decoder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "picture/input_file.h"
#include "picture/picture.h"

namespace format_fuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

inline void DecodeInto(const picture::InputFile& file, int64_t w, int64_t h, int32_t bytes) {
    std::vector<uint8_t> pixels(static_cast<size_t>((w + 1) * h * bytes));
    picture::Decode(file, {pixels.data(), w, h, (w + 1) * bytes, bytes});
}

inline int FuzzOne(const uint8_t* data, size_t size,
                   std::initializer_list<std::string_view> formats) {
    static const bool limited = [] {
        picture::SetPixelLimit(4'000'000);  // no time spent on huge pictures
        return true;
    }();
    Check(limited);
    const std::span<const uint8_t> bytes(data, size);
    const picture::ProbeResult probe = picture::ProbeMemory(bytes);
    bool ours = false;
    for (std::string_view f : formats) ours = ours || probe.format == f;
    if (!ours) return 0;
    for (bool orient : {true, false}) {
        picture::SetApplyOrientation(orient);
        const picture::LoadedPicture loaded = picture::LoadMemory(bytes);
        if (loaded.failure == picture::LoadFailure::None) {
            Check(loaded.pixels.Width() >= 1 && loaded.pixels.Height() >= 1);
            // Every pixel readable: a short block shows up under the address sanitizer.
            volatile uint32_t sum = 0;
            for (int64_t y = 0; y < loaded.pixels.Height(); ++y)
                sum = sum + loaded.pixels.Row(y)[loaded.pixels.Width() - 1];
        }
        const picture::InputFile file(bytes);
        DecodeInto(file, 7, 5, 4);
        DecodeInto(file, 3, 11, 2);
    }
    picture::SetApplyOrientation(true);
    return 0;
}

}  // namespace format_fuzz

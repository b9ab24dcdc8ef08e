// Sets the process's pixel limit for one test and puts the default back when the test ends.
#pragma once

#include <cstdint>

#include "screen/bitmap.h"

class ScopedPixelLimit {
public:
    explicit ScopedPixelLimit(int64_t pixels) { SetPixelLimit(pixels); }
    ~ScopedPixelLimit() { SetPixelLimit(DefaultPixelLimit); }
    ScopedPixelLimit(const ScopedPixelLimit&) = delete;
    ScopedPixelLimit& operator=(const ScopedPixelLimit&) = delete;
};

// A headless screen for each test, and small helpers to read it and images back.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "picture/picture.h"
#include "screen/screen.h"
#include "screen/window/headless.h"

// Every pixel of `image`, row by row, read back through GetPixel; none of no image.
inline std::vector<uint32_t> ImagePixels(const ImageBuffer* image) {
    int32_t w = 0, h = 0;
    GetImageInfo(image, &w, &h, nullptr, nullptr, nullptr, nullptr);
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) out.push_back(GetPixel(image, x, y));
    return out;
}

// Every pixel of decoded pixels, row by row; none of none.
inline std::vector<uint32_t> ImagePixels(const picture::Pixels& pixels) {
    std::vector<uint32_t> out;
    for (int64_t y = 0; y < pixels.Height(); ++y)
        out.insert(out.end(), pixels.Row(y), pixels.Row(y) + pixels.Width());
    return out;
}

// One small headless screen for a whole suite whose tests need a screen only to exist.
class HeadlessSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        headless::UseHeadlessBackend();
        ASSERT_EQ(OpenScreen(64, 48, 32), ScreenResult::Ok);
    }
    static void TearDownTestSuite() { CloseScreen(); }
};

class HeadlessScreen : public ::testing::Test {
protected:
    void Open(int32_t width, int32_t height) {
        headless::UseHeadlessBackend();
        ASSERT_EQ(OpenScreen(width, height, 32), ScreenResult::Ok);
        width_ = width;
        height_ = height;
    }
    void SetUp() override { Open(640, 480); }
    void TearDown() override { CloseScreen(); }

    // Every pixel of the screen, read back through GetPixel.
    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> out;
        out.reserve(static_cast<size_t>(width_) * height_);
        for (int32_t y = 0; y < height_; ++y)
            for (int32_t x = 0; x < width_; ++x) out.push_back(GetPixel(nullptr, x, y));
        return out;
    }
    // The set pixels of one row within [x0, x1], as x positions.
    std::vector<int32_t> SetInRow(int32_t y, uint32_t colour, int32_t x0 = 0,
                                  int32_t x1 = -1) const {
        if (x1 < 0) x1 = width_ - 1;
        std::vector<int32_t> xs;
        for (int32_t x = x0; x <= x1; ++x)
            if (GetPixel(nullptr, x, y) == colour) xs.push_back(x);
        return xs;
    }
    size_t Count(uint32_t colour) const {
        size_t n = 0;
        for (uint32_t p : Pixels()) n += p == colour;
        return n;
    }

    int32_t width_ = 0;
    int32_t height_ = 0;
};

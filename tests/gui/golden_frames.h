// Expected frames for the widget suites, made of golden pictures checked in under
// tests/gui/golden/ and of pixels written by hand. The mechanism is described at the top of
// widget_test_support.h.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace widget_test {

inline constexpr int32_t ScreenWidth = 640;
inline constexpr int32_t ScreenHeight = 160;
// Unlike any widget colour, so that every painted pixel shows.
inline constexpr uint32_t Background = 0x00123456;

// A golden picture: nullopt where the widget paints nothing and the frame below shows.
struct Golden {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<std::optional<uint32_t>> Pixels;  // row by row; empty for a size-only file
};

// Reads tests/gui/golden/<name>.txt; nullopt (and a test failure saying why) if it is missing or
// malformed.
std::optional<Golden> ReadGolden(const std::string& name);

// A frame as the window should show it: the test background, goldens placed on it and pixels
// written by hand, each over what came before.
class ExpectedFrame {
public:
    // Where a golden or a hand-written pixel lies on the frame.
    struct Region {
        std::string Golden;  // empty for hand-written pixels
        int32_t X;
        int32_t Y;
        int32_t Width;
        int32_t Height;
    };

    ExpectedFrame(int32_t width = ScreenWidth, int32_t height = ScreenHeight,
                  uint32_t fill = Background);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint32_t At(int32_t x, int32_t y) const { return pixels_[y * width_ + x]; }
    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    const std::vector<Region>& Regions() const { return regions_; }

    // The golden `name` with its top-left pixel at (x, y).
    void Place(int32_t x, int32_t y, const std::string& name);
    // One pixel, by hand.
    void Set(int32_t x, int32_t y, uint32_t colour);
    // A rectangle by its inclusive corners, by hand: an erased box, a caret.
    void Fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);

private:
    void Put(int32_t x, int32_t y, uint32_t colour);

    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;
    std::vector<Region> regions_;
};

// Compares the frame the window presented last with `expected`, naming the first differing
// pixels and writing both frames into the build for inspection. With PIXELTOOLS_WRITE_GOLDENS
// set, first rewrites the goldens of `expected` that nothing else overlaps from what is shown.
::testing::AssertionResult ShowsFrame(const ExpectedFrame& expected);

}  // namespace widget_test

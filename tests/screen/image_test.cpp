// Image buffers: their memory layout, creation limits and PutImage's colour-keyed Blend.
#include <cstring>
#include <random>

#include "tests/support/headless_screen.h"

namespace {

uint32_t* Row(ImageBuffer* image, int32_t y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(image) + 32 + y * image->pitch);
}

// A 4-byte image whose pixels are given row by row.
ImageBuffer* MakeImage(int32_t w, int32_t h, const std::vector<uint32_t>& pixels) {
    ImageBuffer* image = CreateImage(w, h, 0, 32, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) Row(image, y)[x] = pixels[y * w + x];
    return image;
}

}  // namespace

using Images = HeadlessScreen;

TEST_F(Images, HeaderLayoutAlignmentAndMaskFill) {
    ImageBuffer* image = CreateImage(3, 2, 0, 0, 0x80000000);
    ASSERT_NE(image, nullptr);
    int32_t words[5];
    std::memcpy(words, image, sizeof(words));
    EXPECT_EQ(words[0], 7);
    EXPECT_EQ(words[1], 4);
    EXPECT_EQ(words[2], 3);
    EXPECT_EQ(words[3], 2);
    EXPECT_EQ(words[4], 16);
    uint64_t reserved;
    std::memcpy(&reserved, reinterpret_cast<uint8_t*>(image) + 24, 8);
    EXPECT_EQ(reserved, 0u);
    int32_t w, h, bpp, pitch;
    uint8_t* pixels;
    int64_t size;
    EXPECT_EQ(GetImageInfo(image, &w, &h, &bpp, &pitch, &pixels, &size), ScreenResult::Ok);
    EXPECT_EQ(size, 64);
    EXPECT_EQ(pixels, reinterpret_cast<uint8_t*>(image) + 32);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pixels) % 16, 0u);
    // Every pixel, the row padding included, holds the mask colour.
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Row(image, y)[x], MaskColour);
    DestroyImage(image);
}

TEST_F(Images, CreationLimits) {
    ImageBuffer* wide = CreateImage(17, 1, 0, 32, 0);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->pitch, 80);
    DestroyImage(wide);
    EXPECT_EQ(CreateImage(0, 5, 0, 0, 0), nullptr);
    EXPECT_EQ(CreateImage(5, -1, 0, 0, 0), nullptr);
    EXPECT_EQ(CreateImage(5, 5, 0, 24, 0), nullptr);  // 3 bytes per pixel is not an image kind
    // Sizes whose bytes would overflow or exceed what an image may hold give none, not a crash.
    EXPECT_EQ(CreateImage(0x7FFFFFFF, 0x7FFFFFFF, 0, 0, 0), nullptr);
    EXPECT_EQ(CreateImage(100000, 100000, 0, 0, 0), nullptr);
    EXPECT_EQ(CreateImage(0x7FFFFFFF, 1, 0, 0, 0), nullptr);
    CloseScreen();
    EXPECT_EQ(CreateImage(4, 4, 0, 0, 0), nullptr);  // no screen
}

TEST_F(Images, FillColoursPerPixelSize) {
    ImageBuffer* faceFill = CreateImage(2, 2, 0xFF0000, 32, 0);
    EXPECT_EQ(Row(faceFill, 1)[1], 0x00FF0000u);  // alpha byte kept as given
    DestroyImage(faceFill);
    ImageBuffer* narrow = CreateImage(2, 1, 0xFF8040, 16, 0);
    ASSERT_EQ(narrow->bytesPerPixel, 2);
    uint16_t pixel;
    std::memcpy(&pixel, reinterpret_cast<uint8_t*>(narrow) + 32, 2);
    EXPECT_EQ(pixel, (0x1F << 11) | (0x20 << 5) | 0x08);
    DestroyImage(narrow);
    ImageBuffer* narrowMask = CreateImage(2, 1, 0, 16, 0x80000000);
    std::memcpy(&pixel, reinterpret_cast<uint8_t*>(narrowMask) + 32, 2);
    EXPECT_EQ(pixel, 0xF81F);
    DestroyImage(narrowMask);
}

TEST_F(Images, InfoOfNothingAndOfALegacyHeader) {
    int32_t w = 0, h = 0, bpp = 0, pitch = 0;
    uint8_t* pixels = reinterpret_cast<uint8_t*>(1);
    int64_t size = 0;
    EXPECT_EQ(GetImageInfo(nullptr, &w, &h, &bpp, &pitch, &pixels, &size),
              ScreenResult::IllegalCall);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(bpp, -1);
    EXPECT_EQ(pitch, -1);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(size, -1);
    const uint32_t zero[8] = {};
    EXPECT_EQ(GetImageInfo(zero, &w, nullptr, nullptr, nullptr, nullptr, nullptr),
              ScreenResult::IllegalCall);

    // Legacy: 3 x 2 pixels of 4 bytes, rows unpadded right after the 4-byte header.
    alignas(4) uint8_t legacy[4 + 3 * 2 * 4] = {};
    const uint16_t first = (3 << 3) | 4;
    const uint16_t second = 2;
    std::memcpy(legacy, &first, 2);
    std::memcpy(legacy + 2, &second, 2);
    const uint32_t red = 0x00FF0000;
    std::memcpy(legacy + 4 + 5 * 4, &red, 4);  // pixel (2, 1)
    EXPECT_EQ(GetImageInfo(legacy, &w, &h, &bpp, &pitch, &pixels, &size), ScreenResult::Ok);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(pitch, 12);
    EXPECT_EQ(size, 4 + 24);
    EXPECT_EQ(PutImage(nullptr, 10, 10, legacy), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(nullptr, 12, 11), red);
    EXPECT_EQ(GetPixel(nullptr, 10, 10), 0u);
}

TEST_F(Images, BlendSkipsTheMaskColourWhateverItsAlpha) {
    ImageBuffer* masked = CreateImage(4, 4, 0, 0, 0x80000000);
    EXPECT_EQ(PutImage(nullptr, 0, 0, masked), ScreenResult::Ok);
    EXPECT_EQ(Count(0xFF000000), 640u * 480u);
    ImageBuffer* sprite = MakeImage(3, 1, {0x00FF00FF, 0xFFFF00FE, 0x12FF00FF});
    PutImage(nullptr, 0, 0, sprite);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), 0xFF000000u);
    EXPECT_EQ(GetPixel(nullptr, 1, 0), 0xFFFF00FEu);  // blue 0xFE is no mask
    EXPECT_EQ(GetPixel(nullptr, 2, 0), 0xFF000000u);
    DestroyImage(masked);
    DestroyImage(sprite);
}

TEST_F(Images, AlphaFullCopiesVerbatimAndZeroDrawsNothing) {
    SetColors(0, 0xFFFFFFFF);
    ClearScreen();
    ImageBuffer* image = MakeImage(2, 1, {0x00000000, 0x7F102030});
    PutImage(nullptr, 5, 5, image, ArgDefault, ArgDefault, ArgDefault, ArgDefault, 0,
             PutMode::Blend, 0);
    EXPECT_EQ(GetPixel(nullptr, 5, 5), 0xFFFFFFFFu);
    PutImage(nullptr, 5, 5, image, ArgDefault, ArgDefault, ArgDefault, ArgDefault, 0,
             PutMode::Blend, 0x1FF);  // only the low 8 bits count: 255
    EXPECT_EQ(GetPixel(nullptr, 5, 5), 0x00000000u);
    EXPECT_EQ(GetPixel(nullptr, 6, 5), 0x7F102030u);
    DestroyImage(image);
}

TEST_F(Images, PartialAlphaMixesBothLanes) {
    SetColors(0, 0x00000000);
    ClearScreen();
    ImageBuffer* white = MakeImage(1, 1, {0xFFFFFFFF});
    PutImage(nullptr, 0, 0, white, ArgDefault, ArgDefault, ArgDefault, ArgDefault, 0,
             PutMode::Blend, 127);
    // (255 * 128) >> 8 = 127 in every channel, alpha included.
    EXPECT_EQ(GetPixel(nullptr, 0, 0), 0x7F7F7F7Fu);
    DestroyImage(white);
}

TEST_F(Images, PlacementIsClipped) {
    std::vector<uint32_t> pixels(16);
    for (uint32_t i = 0; i < 16; ++i) pixels[i] = 0x00010000 * i + 1;
    ImageBuffer* image = MakeImage(4, 4, pixels);
    PutImage(nullptr, -2, -2, image);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), pixels[2 * 4 + 2]);
    EXPECT_EQ(GetPixel(nullptr, 1, 1), pixels[3 * 4 + 3]);
    EXPECT_EQ(GetPixel(nullptr, 2, 0), 0xFF000000u);
    EXPECT_EQ(GetPixel(nullptr, 0, 2), 0xFF000000u);
    SetColors(0, 0xFF000000);
    ClearScreen();
    PutImage(nullptr, 640, 0, image);
    PutImage(nullptr, 0, 480, image);
    PutImage(nullptr, 638, 478, image);
    EXPECT_EQ(Count(0xFF000000), 640u * 480u - 4u);
    EXPECT_EQ(GetPixel(nullptr, 639, 479), pixels[5]);
    // A source rectangle, corners in any order, clamped into the source.
    ClearScreen();
    PutImage(nullptr, 0, 0, image, 3, 2, 2, 99);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), pixels[2 * 4 + 2]);
    EXPECT_EQ(GetPixel(nullptr, 1, 1), pixels[3 * 4 + 3]);
    EXPECT_EQ(Count(0xFF000000), 640u * 480u - 4u);
    DestroyImage(image);
}

TEST_F(Images, IllegalSourcesAndTargets) {
    EXPECT_EQ(PutImage(nullptr, 0, 0, nullptr), ScreenResult::IllegalCall);
    ImageBuffer* narrow = CreateImage(2, 2, 0, 16, 0);
    EXPECT_EQ(PutImage(nullptr, 0, 0, narrow), ScreenResult::IllegalCall);
    ImageBuffer* target = CreateImage(3, 3, 0x00FFFFFF, 32, 0);
    ImageBuffer* dot = MakeImage(1, 1, {0x00ABCDEF});
    EXPECT_EQ(PutImage(target, 2, 2, dot), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(target, 2, 2), 0x00ABCDEFu);
    EXPECT_EQ(GetPixel(target, 1, 1), 0x00FFFFFFu);
    CloseScreen();
    EXPECT_EQ(PutImage(nullptr, 0, 0, dot), ScreenResult::IllegalCall);
    DestroyImage(narrow);
    DestroyImage(target);
    DestroyImage(dot);
}

// Every width (vector body and tail) against the rule: copy unless the low 24 bits are the key.
TEST_F(Images, FastBlendMatchesThePerPixelRule) {
    std::mt19937 random(7);
    for (int32_t width = 1; width <= 19; ++width) {
        std::vector<uint32_t> src(width);
        std::vector<uint32_t> dst(width);
        for (int32_t i = 0; i < width; ++i) {
            src[i] = random() % 2 ? (random() & 0xFF000000) | 0x00FF00FF : random();
            dst[i] = random();
        }
        ImageBuffer* source = MakeImage(width, 1, src);
        ImageBuffer* target = MakeImage(width, 1, dst);
        PutImage(target, 0, 0, source);
        for (int32_t i = 0; i < width; ++i) {
            const uint32_t expected = (src[i] & 0xFFFFFF) == 0xFF00FF ? dst[i] : src[i];
            EXPECT_EQ(GetPixel(target, i, 0), expected) << width << ":" << i;
        }
        DestroyImage(source);
        DestroyImage(target);
    }
}

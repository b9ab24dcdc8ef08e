// LoadBitmap against BMP files written byte by byte. Expected pixels are worked out here from the
// values put into each file, never taken from the loader.
#include "screen/bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "tests/bitmap/bmp_builder.h"
#include "tests/support/headless_screen.h"
#include "tests/support/pixel_limit.h"
#include "tests/support/png_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using Image = ImageHandle;

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
constexpr uint32_t Opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

class LoadBitmapTest : public HeadlessSuite {
protected:
    static Image MakeImage(int32_t w, int32_t h, int32_t depth = 0) {
        return Image(CreateImage(w, h, 0, depth, DefaultColourFlag));
    }
    ScreenResult Load(const bmp::Bitmap& b, ImageBuffer* image, uint32_t* palette = nullptr) {
        return LoadBitmap(dir.Write("file.bmp", bmp::Encode(b)), image, palette);
    }
    // Loads `b` into an image of the bitmap's own size and returns its pixels.
    std::vector<uint32_t> Decode(const bmp::Bitmap& b, ScreenResult expected = ScreenResult::Ok) {
        Image image = MakeImage(b.width, std::abs(b.height));
        EXPECT_EQ(Load(b, image.get()), expected);
        return ImagePixels(image.get());
    }

    TempDir dir;
};

using Pixels = std::vector<uint32_t>;
constexpr uint32_t Fill = MaskColour;

// The 3 x 2 picture of the examples: top row red, green, blue; bottom row white, black, grey.
const std::vector<std::vector<uint32_t>> ExampleRows = {{0xFF0000, 0x00FF00, 0x0000FF},
                                                        {0xFFFFFF, 0x000000, 0x808080}};
const Pixels OpaqueExampleRows = {Opaque(0xFF0000), Opaque(0x00FF00), Opaque(0x0000FF),
                                  Opaque(0xFFFFFF), Opaque(0x000000), Opaque(0x808080)};

bmp::Bitmap TrueColour(int bitCount, uint32_t infoSize = 40) {
    return {.infoSize = infoSize,
            .width = 3,
            .height = 2,
            .bitCount = static_cast<uint16_t>(bitCount),
            .pixels = bmp::StoreRows(ExampleRows, bitCount)};
}

TEST_F(LoadBitmapTest, TwentyFourBitRowsArePaddedAndStoredBottomUp) {
    bmp::Bitmap b = TrueColour(24);
    ASSERT_EQ(b.pixels.size(), 24u);  // 9 bytes of pixels padded to 12, twice
    EXPECT_EQ(Decode(b), OpaqueExampleRows);
}

TEST_F(LoadBitmapTest, EveryHeaderSizeReadsTheSamePicture) {
    for (uint32_t infoSize : {12u, 16u, 20u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        SCOPED_TRACE(infoSize);
        EXPECT_EQ(Decode(TrueColour(24, infoSize)), OpaqueExampleRows);
    }
}

TEST_F(LoadBitmapTest, OnlyTheOverlapWithTheDestinationIsWritten) {
    const bmp::Bitmap b = TrueColour(24);
    Image small = MakeImage(2, 1);
    EXPECT_EQ(Load(b, small.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(small.get()), (Pixels{Opaque(0xFF0000), Opaque(0x00FF00)}));

    Image large = MakeImage(4, 3);
    EXPECT_EQ(Load(b, large.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(large.get()),
              (Pixels{Opaque(0xFF0000), Opaque(0x00FF00), Opaque(0x0000FF), Fill,  //
                      Opaque(0xFFFFFF), Opaque(0x000000), Opaque(0x808080), Fill,  //
                      Fill, Fill, Fill, Fill}));
}

TEST_F(LoadBitmapTest, NegativeHeightMeansTopDownRows) {
    for (uint32_t compression : {0u, 3u}) {
        bmp::Bitmap b = TrueColour(32);
        b.height = -2;
        b.compression = compression;
        if (compression == 3) b.masks = {0xFF0000, 0xFF00, 0xFF};
        b.pixels = bmp::StoreRows(ExampleRows, 32, /*topDown=*/true);
        Pixels expected = OpaqueExampleRows;
        for (uint32_t& p : expected) p &= 0x00FFFFFF;  // stored fourth bytes are 0
        EXPECT_EQ(Decode(b), expected);
    }
}

TEST_F(LoadBitmapTest, PaletteBitmapsOfEveryDepthAndEntrySize) {
    // Index rows for a 13-pixel-wide picture (so every depth has a partly used byte and padding).
    const std::vector<std::vector<uint32_t>> indices = {{0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1},
                                                        {1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 1, 0}};
    for (uint32_t infoSize : {12u, 40u}) {
        for (int bits : {1, 4, 8}) {
            SCOPED_TRACE(testing::Message() << bits << "-bit, header " << infoSize);
            bmp::Bitmap b{.infoSize = infoSize,
                          .width = 13,
                          .height = 2,
                          .bitCount = static_cast<uint16_t>(bits),
                          .palette = std::vector<uint32_t>(size_t{1} << bits),
                          .pixels = bmp::StoreRows(indices, bits)};
            b.palette[0] = 0x102030;
            b.palette[1] = 0xC0B0A0;
            Pixels expected;
            for (const auto& row : indices)
                for (uint32_t i : row) expected.push_back(Opaque(i ? 0xC0B0A0 : 0x102030));
            EXPECT_EQ(Decode(b), expected);
        }
    }
}

TEST_F(LoadBitmapTest, HighIndicesUseTheirOwnEntries) {
    bmp::Bitmap b{.width = 3,
                  .bitCount = 4,
                  .palette = std::vector<uint32_t>(16),
                  .pixels = bmp::StoreRows({{15, 9, 6}}, 4)};
    b.palette[15] = 0x0000FF;
    b.palette[9] = 0x00FF00;
    b.palette[6] = 0xFF0000;
    EXPECT_EQ(Decode(b), (Pixels{Opaque(0x0000FF), Opaque(0x00FF00), Opaque(0xFF0000)}));
}

TEST_F(LoadBitmapTest, ShortPaletteStillReadsFullTableFromAfterTheHeader) {
    // Colours used 2: the pixels follow two entries, yet 256 are read from offset 54; indices 0
    // and 1 must find their entries, and the pixels come from the data offset.
    const bmp::Bitmap b{.width = 4,
                        .bitCount = 8,
                        .coloursUsed = 2,
                        .palette = {0xABCDEF, 0x123456},
                        .pixels = bmp::StoreRows({{1, 0, 0, 1}}, 8)};
    EXPECT_EQ(Decode(b),
              (Pixels{Opaque(0x123456), Opaque(0xABCDEF), Opaque(0xABCDEF), Opaque(0x123456)}));
}

TEST_F(LoadBitmapTest, PaletteGoesToTheScreenAndTheCaller) {
    const bmp::Bitmap b{
        .bitCount = 1, .palette = {0x112233, 0x445566}, .pixels = bmp::StoreRows({{1}}, 1)};
    Image image = MakeImage(1, 1);
    std::vector<uint32_t> palette(256, 0xDEADBEEF);
    ASSERT_EQ(Load(b, image.get(), palette.data()), ScreenResult::Ok);
    EXPECT_EQ(palette[0], 0x332211u);  // 0x00BBGGRR
    EXPECT_EQ(palette[1], 0x665544u);
    EXPECT_NE(palette[2], 0xDEADBEEFu);  // the whole screen palette was handed over
}

TEST_F(LoadBitmapTest, SixteenBitPlainIsFiveFiveFive) {
    // White; pure red, green and blue; the 5-bit value 16 in every channel (16 << 3 | 16 >> 2).
    const bmp::Bitmap b{.width = 5,
                        .bitCount = 16,
                        .pixels = bmp::StoreRows({{0x7FFF, 0x7C00, 0x03E0, 0x001F, 0x4210}}, 16)};
    EXPECT_EQ(Decode(b), (Pixels{0xFFFFFFFF, Opaque(0xFF0000), Opaque(0x00FF00), Opaque(0x0000FF),
                                 Argb(255, 132, 132, 132)}));
}

TEST_F(LoadBitmapTest, SixteenBitFieldsWidenSixBitGreen) {
    // Green 1 of 63 -> 4 | 0; green 33 -> 132 | 2; red 1 of 31 -> 8 | 0.
    const bmp::Bitmap b{.width = 3,
                        .bitCount = 16,
                        .compression = 3,
                        .masks = {0xF800, 0x07E0, 0x001F},
                        .pixels = bmp::StoreRows({{1 << 5, 33 << 5, 1 << 11}}, 16)};
    EXPECT_EQ(Decode(b), (Pixels{Argb(255, 0, 4, 0), Argb(255, 0, 134, 0), Argb(255, 8, 0, 0)}));
}

TEST_F(LoadBitmapTest, TenAndTwoBitChannels) {
    // Ten bits keep their top eight; two bits of alpha shift up (1 -> 64, 3 -> 192).
    const uint32_t p0 = (1u << 30) | (0x3FFu << 20) | (0x200u << 10) | 0x003;
    const uint32_t p1 = (3u << 30) | (0x0FFu << 20) | (0x001u << 10) | 0x3FC;
    const bmp::Bitmap b{.infoSize = 108,
                        .width = 2,
                        .bitCount = 32,
                        .compression = 3,
                        .masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
                        .pixels = bmp::StoreRows({{p0, p1}}, 32)};
    EXPECT_EQ(Decode(b), (Pixels{Argb(64, 255, 128, 0), Argb(192, 63, 0, 255)}));
}

TEST_F(LoadBitmapTest, ThirtyTwoBitAlphaRules) {
    const std::vector<std::vector<uint32_t>> rows = {{0x00112233, 0x80445566}};
    const Pixels fileAlpha = {0x00112233, 0x80445566};
    const Pixels noAlpha = {0x00112233, 0x00445566};

    // Compression 0: the fourth byte is the alpha.
    const bmp::Bitmap plain{.width = 2, .bitCount = 32, .pixels = bmp::StoreRows(rows, 32)};
    EXPECT_EQ(Decode(plain), fileAlpha);

    bmp::Bitmap shortFields = plain;  // bit fields after a 40-byte header: no alpha at all
    shortFields.compression = 3;
    shortFields.masks = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_EQ(Decode(shortFields), noAlpha);

    for (uint32_t infoSize : {108u, 124u}) {
        bmp::Bitmap longFields = shortFields;
        longFields.infoSize = infoSize;
        longFields.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
        EXPECT_EQ(Decode(longFields), fileAlpha);
        longFields.masks[3] = 0;
        EXPECT_EQ(Decode(longFields), noAlpha);
    }
}

TEST_F(LoadBitmapTest, MediumHeadersKeepTheirMasksInside) {
    // The 52- and 56-byte headers hold their masks at the 40-byte header's end, not after it.
    const bmp::Bitmap b{
        .infoSize = 56,
        .bitCount = 32,
        .compression = 3,
        .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},  // red, blue swapped
        .pixels = bmp::StoreRows({{0x7F112233}}, 32)};
    EXPECT_EQ(Decode(b), (Pixels{0x00332211}));  // short of the long form: alpha 0
}

// Rows of every width around whole bytes and the fast paths' blocks: palette indices, or for 24
// bits colours of their own.
TEST_F(LoadBitmapTest, RowsOfEveryWidthAroundWholeBytesAndBlocks) {
    for (int bits : {1, 4, 8, 24}) {
        for (int32_t width : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 33}) {
            SCOPED_TRACE(testing::Message() << bits << "-bit, width " << width);
            bmp::Bitmap b{.width = width, .bitCount = static_cast<uint16_t>(bits)};
            if (bits < 24) b.palette.resize(size_t{1} << bits);
            for (size_t i = 0; i < b.palette.size(); ++i) b.palette[i] = 0x010203 * (i + 1);
            std::vector<uint32_t> row;
            Pixels expected;
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t c = 0x010203u * static_cast<uint32_t>(x + 1) ^ 0x00A05010u;
                row.push_back(bits == 24 ? c : (x * 5 + 3) % b.palette.size());
                expected.push_back(Opaque(bits == 24 ? c : b.palette[row.back()]));
            }
            b.pixels = bmp::StoreRows({row}, bits);
            EXPECT_EQ(Decode(b), expected);
        }
    }
}

TEST_F(LoadBitmapTest, ZeroDataOffsetMeansRightAfterPaletteOrMasks) {
    std::vector<uint8_t> bytes = bmp::Encode({.width = 2,
                                              .bitCount = 1,
                                              .palette = {0x000000, 0xFFFFFF},
                                              .pixels = bmp::StoreRows({{1, 0}}, 1),
                                              .dataOffset = 0});
    Image image = MakeImage(2, 1);
    ASSERT_EQ(LoadBitmap(dir.Write("a.bmp", bytes), image.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(image.get()), (Pixels{0xFFFFFFFF, 0xFF000000}));

    bytes = bmp::Encode({.bitCount = 16,
                         .compression = 3,
                         .masks = {0xF800, 0x07E0, 0x001F},
                         .pixels = bmp::StoreRows({{0xF800}}, 16)});
    Image one = MakeImage(1, 1);
    ASSERT_EQ(LoadBitmap(dir.Write("b.bmp", bytes), one.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(one.get()), (Pixels{Opaque(0xFF0000)}));
}

// ---------------------------------------------------------------------------------------------
// Run-length coded files

using bmp::RunLength;
constexpr uint32_t Grey(uint32_t i) {
    return Opaque(0x010101 * i);
}

TEST_F(LoadBitmapTest, RunLength8RunsAbsoluteRunsAndEndOfLine) {
    // Bottom row: a run of 3 x index 7, then an absolute run of 3 (odd: one pad byte); end of
    // line. Top row: a run of 2 x 9 and nothing else before the end of the bitmap.
    const bmp::Bitmap b = RunLength(8, 6, 2,
                                    {3, 7, 0, 3, 1, 2, 3, 0,  // run, absolute 1 2 3 + pad
                                     0, 0,                    // end of line
                                     2, 9, 0, 1});            // run, end of bitmap
    EXPECT_EQ(Decode(b), (Pixels{Grey(9), Grey(9), Fill, Fill, Fill, Fill,  //
                                 Grey(7), Grey(7), Grey(7), Grey(1), Grey(2), Grey(3)}));
}

TEST_F(LoadBitmapTest, RunLength8DeltaSkipsPixelsThatKeepTheFill) {
    // Delta right 2 and up 1 from (1, bottom row), then one pixel; the top row is passed over.
    const bmp::Bitmap b = RunLength(8, 4, 3, {1, 5, 0, 2, 2, 1, 1, 6, 0, 0, 0, 1});
    EXPECT_EQ(Decode(b), (Pixels{Fill, Fill, Fill, Fill,     //
                                 Fill, Fill, Fill, Grey(6),  //
                                 Grey(5), Fill, Fill, Fill}));
}

TEST_F(LoadBitmapTest, RunLength8RunsAreCutAtTheImageEdges) {
    // A 200-pixel run in a 3-wide row, an absolute run past the edge, a delta above the top.
    const bmp::Bitmap b = RunLength(8, 3, 2, {200, 4, 0, 0, 0, 4, 8, 8, 8, 8, 0, 2, 0, 9});
    EXPECT_EQ(Decode(b), (Pixels{Grey(8), Grey(8), Grey(8), Grey(4), Grey(4), Grey(4)}));
}

TEST_F(LoadBitmapTest, RunLength4AlternatesNibbles) {
    // Run of 5 from 0x12 gives 1 2 1 2 1; absolute run of 3 nibbles (2 bytes, even, no pad).
    const bmp::Bitmap b = RunLength(4, 8, 1, {5, 0x12, 0, 3, 0xAB, 0xC0, 0, 1});
    EXPECT_EQ(Decode(b),
              (Pixels{Grey(1), Grey(2), Grey(1), Grey(2), Grey(1), Grey(10), Grey(11), Grey(12)}));
}

TEST_F(LoadBitmapTest, RunLength4AbsolutePaddingAndDelta) {
    // Absolute run of 5 nibbles = 3 bytes + 1 pad byte; then end of line; delta (1, 0); a run.
    const bmp::Bitmap b =
        RunLength(4, 5, 2, {0, 5, 0x34, 0x56, 0x70, 0xEE, 0, 0, 0, 2, 1, 0, 2, 0xFF, 0, 1});
    EXPECT_EQ(Decode(b), (Pixels{Fill, Grey(15), Grey(15), Fill, Fill,  //
                                 Grey(3), Grey(4), Grey(5), Grey(6), Grey(7)}));
}

TEST_F(LoadBitmapTest, RunLengthStreamCutShortKeepsWhatWasDecoded) {
    for (const std::vector<uint8_t>& stream :
         {std::vector<uint8_t>{2, 3}, std::vector<uint8_t>{2, 3, 0},
          std::vector<uint8_t>{2, 3, 0, 4, 1}, std::vector<uint8_t>{2, 3, 0, 2, 1},
          std::vector<uint8_t>{2, 3, 0, 1}}) {  // the end of the bitmap below the top row
        const Pixels pixels = Decode(RunLength(8, 4, 2, stream), ScreenResult::FileIO);
        EXPECT_EQ(pixels[4], Grey(3));
        EXPECT_EQ(pixels[0], Fill);
    }
}

TEST_F(LoadBitmapTest, RunLengthEndingAtTheTopNeedsNoEndMarker) {
    const bmp::Bitmap b = RunLength(8, 1, 2, {1, 1, 0, 0, 1, 2, 0, 0});
    EXPECT_EQ(Decode(b), (Pixels{Grey(2), Grey(1)}));
}

TEST_F(LoadBitmapTest, RunLengthIntoASmallerImage) {
    const bmp::Bitmap b = RunLength(8, 4, 3, {4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 1});
    Image image = MakeImage(2, 2);
    ASSERT_EQ(Load(b, image.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(image.get()), (Pixels{Grey(3), Grey(3), Grey(2), Grey(2)}));
}

// ---------------------------------------------------------------------------------------------
// Damaged and hostile files

TEST_F(LoadBitmapTest, FileCutShortInsideThePixels) {
    std::vector<uint8_t> bytes = bmp::Encode(TrueColour(24));
    // The first stored row (the bottom one) is whole; the top row is gone.
    bytes.resize(bytes.size() - 12);
    Image image = MakeImage(3, 2);
    EXPECT_EQ(LoadBitmap(dir.Write("cut.bmp", bytes), image.get()), ScreenResult::FileIO);
    EXPECT_EQ(ImagePixels(image.get()),
              (Pixels{Fill, Fill, Fill, Opaque(0xFFFFFF), Opaque(0x000000), Opaque(0x808080)}));
}

TEST_F(LoadBitmapTest, MissingPaddingOfTheLastRowIsNoLoss) {
    std::vector<uint8_t> bytes = bmp::Encode(TrueColour(24));
    bytes.resize(bytes.size() - 3);
    Image image = MakeImage(3, 2);
    EXPECT_EQ(LoadBitmap(dir.Write("pad.bmp", bytes), image.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(image.get()), OpaqueExampleRows);
}

TEST_F(LoadBitmapTest, RowsOutsideASmallDestinationStillCountForCompleteness) {
    std::vector<uint8_t> bytes = bmp::Encode(TrueColour(24));
    bytes.resize(bytes.size() - 12);  // the top row, which the 3 x 1 image shows, is missing
    Image image = MakeImage(3, 1);
    EXPECT_EQ(LoadBitmap(dir.Write("cut.bmp", bytes), image.get()), ScreenResult::FileIO);
    EXPECT_EQ(ImagePixels(image.get()), (Pixels{Fill, Fill, Fill}));
}

TEST_F(LoadBitmapTest, NotABitmap) {
    Image image = MakeImage(2, 2);
    EXPECT_EQ(LoadBitmap(dir / "missing.bmp", image.get()), ScreenResult::FileNotFound);
    EXPECT_EQ(LoadBitmap(dir.Write("x.bmp", {'X', 'M', 0, 0}), image.get()), ScreenResult::FileIO);
    EXPECT_EQ(LoadBitmap(dir.Write("empty.bmp", {}), image.get()), ScreenResult::FileIO);
    EXPECT_EQ(LoadBitmap(dir.Write("b.bmp", {'B'}), image.get()), ScreenResult::FileIO);
    std::vector<uint8_t> wrongSignature = bmp::Encode(TrueColour(24));
    wrongSignature[1] = 'A';
    EXPECT_EQ(LoadBitmap(dir.Write("ba.bmp", wrongSignature), image.get()), ScreenResult::FileIO);
    EXPECT_EQ(LoadBitmap(dir.Path(), image.get()), ScreenResult::FileIO);  // a folder
    EXPECT_EQ(LoadBitmap(std::string("a\0b", 3), image.get()), ScreenResult::FileNotFound);
    EXPECT_EQ(ImagePixels(image.get()), Pixels(4, Fill));
}

TEST_F(LoadBitmapTest, PathsAreUsedAsGivenWhateverTheirLength) {
    // Folders nested past 259 bytes of path, "/" as the separator throughout.
    std::string folder = dir.Path();
    while (folder.size() < 300) {
        folder += "/" + std::string(40, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::string path = folder + "/picture.bmp";
    bmp::WriteFile(path, bmp::Encode(TrueColour(24)));
    Image image = MakeImage(3, 2);
    EXPECT_EQ(LoadBitmap(path, image.get()), ScreenResult::Ok);
    EXPECT_EQ(ImagePixels(image.get()), OpaqueExampleRows);
}

// A 3-pixel-wide palette bitmap of `bits` with a `compression` of any kind, its data all zero.
bmp::Bitmap Coded(int bits, uint32_t compression, int32_t height = 2) {
    bmp::Bitmap b = RunLength(bits, 3, height, std::vector<uint8_t>(8, 0));
    b.compression = compression;
    return b;
}

TEST_F(LoadBitmapTest, RefusedHeadersLeaveTheImageAlone) {
    const std::pair<const char*, void (*)(bmp::Bitmap&)> cases[] = {
        {"width 0", [](bmp::Bitmap& b) { b.width = 0; }},
        {"negative width", [](bmp::Bitmap& b) { b.width = -3; }},
        {"height 0", [](bmp::Bitmap& b) { b.height = 0; }},
        {"two planes", [](bmp::Bitmap& b) { b.planes = 2; }},
        {"compression 4", [](bmp::Bitmap& b) { b.compression = 4; }},
        {"33 bits", [](bmp::Bitmap& b) { b.bitCount = 33; }},
        {"2 bits", [](bmp::Bitmap& b) { b.bitCount = 2; }},
        {"0 bits", [](bmp::Bitmap& b) { b.bitCount = 0; }},
        {"header 13", [](bmp::Bitmap& b) { b.infoSize = 13; }},
        {"header 8", [](bmp::Bitmap& b) { b.infoSize = 8; }},
        {"top-down run-length", [](bmp::Bitmap& b) { b = Coded(8, 1, -2); }},
        {"run-length 8 at 24 bits", [](bmp::Bitmap& b) { b.compression = 1; }},
        {"run-length 4 at 8 bits", [](bmp::Bitmap& b) { b = Coded(8, 2); }},
        {"height -2^31", [](bmp::Bitmap& b) { b.height = INT32_MIN; }},
        // Another system's Huffman-coded 1-bit form; bit fields where no pixel has them, rows whole
        {"bit fields at 1 bit", [](bmp::Bitmap& b) { b = Coded(1, 3); }},
        {"bit fields at 4 bits", [](bmp::Bitmap& b) { b = Coded(4, 3); }},
        {"bit fields at 8 bits", [](bmp::Bitmap& b) { b = Coded(8, 3); }},
    };
    for (const auto& [what, change] : cases) {
        bmp::Bitmap b = TrueColour(24);
        change(b);
        Image image = MakeImage(3, 2);
        EXPECT_EQ(Load(b, image.get()), ScreenResult::FileIO) << what;
        EXPECT_EQ(ImagePixels(image.get()), Pixels(6, Fill)) << what;
    }
}

TEST_F(LoadBitmapTest, HeaderCutShort) {
    const std::vector<uint8_t> whole = bmp::Encode(TrueColour(32, 108));
    for (size_t length : {2u, 13u, 17u, 25u, 40u, 60u}) {
        std::vector<uint8_t> bytes(whole.begin(), whole.begin() + length);
        Image image = MakeImage(3, 2);
        EXPECT_EQ(LoadBitmap(dir.Write("short.bmp", bytes), image.get()), ScreenResult::FileIO)
            << length;
    }
}

TEST_F(LoadBitmapTest, HugeDeclaredSizesAreReadOnlyAsFarAsTheFileGoes) {
    // One row of a 1 x 200,000,000 picture.
    bmp::Bitmap b{.height = 200'000'000, .pixels = {0x30, 0x20, 0x10, 0}};
    Image image = MakeImage(1, 1);
    EXPECT_EQ(Load(b, image.get()), ScreenResult::FileIO);
    EXPECT_EQ(ImagePixels(image.get()), Pixels{Fill});  // row 0 is the last row, far beyond the end

    b = {.width = INT32_MAX, .height = -INT32_MAX, .bitCount = 32, .pixels = {1, 2, 3, 4}};
    EXPECT_EQ(Load(b, image.get()), ScreenResult::FileIO);
    EXPECT_EQ(ImagePixels(image.get()), Pixels{Fill});  // a row counts only when all of it is there
}

TEST_F(LoadBitmapTest, PicturesAboveThePixelLimitAreNotRead) {
    const bmp::Bitmap b = TrueColour(24);
    for (const int64_t limit : {5, 6}) {
        const ScopedPixelLimit pixels(limit);
        Image image = MakeImage(3, 2);
        EXPECT_EQ(Load(b, image.get()), limit < 6 ? ScreenResult::FileIO : ScreenResult::Ok);
        EXPECT_EQ(ImagePixels(image.get()), limit < 6 ? Pixels(6, Fill) : OpaqueExampleRows);
    }
}

TEST_F(LoadBitmapTest, HostileOffsetsAndHeaderSizes) {
    std::vector<uint8_t> bytes = bmp::Encode(TrueColour(24));
    bmp::Put32(bytes, 10, 0xFFFFFFF0);
    Image image = MakeImage(3, 2);
    EXPECT_EQ(LoadBitmap(dir.Write("offset.bmp", bytes), image.get()), ScreenResult::FileIO);

    std::vector<uint8_t> huge =
        bmp::Encode({.bitCount = 8, .palette = std::vector<uint32_t>(256), .pixels = {0, 0, 0, 0}});
    bmp::Put32(huge, 14, 0xFFFFFFFF);  // palette would start 4 GiB in
    EXPECT_EQ(LoadBitmap(dir.Write("hdr.bmp", huge), image.get()), ScreenResult::FileIO);
    EXPECT_EQ(ImagePixels(image.get()), Pixels(6, Fill));
}

// ---------------------------------------------------------------------------------------------
// Destinations

TEST_F(LoadBitmapTest, OntoTheScreen) {
    ASSERT_EQ(LoadBitmap(dir.Write("s.bmp", bmp::Encode(TrueColour(24))), nullptr),
              ScreenResult::Ok);
    EXPECT_EQ(GetPixel(nullptr, 2, 0), Opaque(0x0000FF));
    EXPECT_EQ(GetPixel(nullptr, 0, 1), Opaque(0xFFFFFF));
    headless::Sync();
    EXPECT_EQ(headless::PresentedFrame()[64 + 2], Opaque(0x808080));
}

TEST_F(LoadBitmapTest, NarrowDestinations) {
    Image wide = MakeImage(3, 2, 16);
    ASSERT_EQ(Load(TrueColour(24), wide.get()), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(wide.get(), 0, 0), 0xF800u);
    EXPECT_EQ(GetPixel(wide.get(), 1, 0), 0x07E0u);
    EXPECT_EQ(GetPixel(wide.get(), 2, 1), 0x8410u);

    bmp::Bitmap indexed = RunLength(8, 2, 1, {1, 200, 1, 7, 0, 1});
    Image bytes = MakeImage(2, 1, 8);
    ASSERT_EQ(Load(indexed, bytes.get()), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(bytes.get(), 0, 0), 200u);
    EXPECT_EQ(GetPixel(bytes.get(), 1, 0), 7u);
    EXPECT_EQ(Load(TrueColour(24), bytes.get()), ScreenResult::IllegalCall);
}

TEST_F(LoadBitmapTest, RawImageFileReplacesTheImage) {
    Image source = MakeImage(2, 2);
    SetPixel(source.get(), 1, 1, 0x12345678);
    int64_t size = 0;
    GetImageInfo(source.get(), nullptr, nullptr, nullptr, nullptr, nullptr, &size);
    const auto* block = reinterpret_cast<const uint8_t*>(source.get());

    std::vector<uint8_t> fe = {0xFE, 0, 0, 0, 0};
    bmp::Put32(fe, 1, static_cast<uint32_t>(size));
    fe.insert(fe.end(), block, block + size);
    Image target = MakeImage(2, 2);
    ASSERT_EQ(LoadBitmap(dir.Write("raw.fe", fe), target.get()), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(target.get(), 1, 1), 0x12345678u);

    std::vector<uint8_t> fd = {0xFD, 9, 9, 9, 9, 0, 0};
    bmp::Put16(fd, 5, static_cast<uint32_t>(size));
    fd.insert(fd.end(), block, block + size);
    Image other = MakeImage(4, 4);  // a bigger block takes the smaller image
    ASSERT_EQ(LoadBitmap(dir.Write("raw.fd", fd), other.get()), ScreenResult::Ok);
    int32_t w = 0, h = 0;
    GetImageInfo(other.get(), &w, &h, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(GetPixel(other.get(), 1, 1), 0x12345678u);
}

TEST_F(LoadBitmapTest, RawImageFileNeverOverrunsTheBlock) {
    Image big = MakeImage(8, 8);
    int64_t size = 0;
    GetImageInfo(big.get(), nullptr, nullptr, nullptr, nullptr, nullptr, &size);
    const auto* block = reinterpret_cast<const uint8_t*>(big.get());
    std::vector<uint8_t> raw = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF};  // length 4 GiB
    raw.insert(raw.end(), block, block + size);
    raw.resize(raw.size() + 4096, 0xAB);  // more bytes than any block here holds

    Image small = MakeImage(2, 2);  // its header cannot take an 8 x 8 picture
    EXPECT_EQ(LoadBitmap(dir.Write("big.raw", raw), small.get()), ScreenResult::FileIO);
    EXPECT_EQ(ImagePixels(small.get()), Pixels(4, Fill));

    Image same = MakeImage(8, 8);  // fits: copied up to the block's end and no further
    SetPixel(big.get(), 7, 7, 0x01020304);
    raw.resize(5);
    raw.insert(raw.end(), block, block + size);
    raw.resize(raw.size() + 4096, 0xAB);
    EXPECT_EQ(LoadBitmap(dir.Write("same.raw", raw), same.get()), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(same.get(), 7, 7), 0x01020304u);

    EXPECT_EQ(LoadBitmap(dir.Write("nolen.raw", {0xFE, 1}), same.get()), ScreenResult::FileIO);
    EXPECT_EQ(LoadBitmap(dir.Write("garbage.raw", {0xFE, 8, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}),
                         same.get()),
              ScreenResult::FileIO);
}

TEST_F(LoadBitmapTest, RawFrameDumpWithPaletteOntoTheScreen) {
    std::vector<uint8_t> raw = {0xFE, 8, 0, 0, 0};
    const uint8_t pixels[8] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    raw.insert(raw.end(), pixels, pixels + 8);
    raw.insert(raw.end(), {63, 1, 0, 2, 3, 4});  // two palette entries of 6-bit components
    std::vector<uint32_t> palette(256, 0);
    ASSERT_EQ(LoadBitmap(dir.Write("frame.raw", raw), nullptr, palette.data()), ScreenResult::Ok);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), 0x40302010u);
    EXPECT_EQ(GetPixel(nullptr, 1, 0), 0x80706050u);
    EXPECT_EQ(palette[0], 0x0004FCu);
    EXPECT_EQ(palette[1], 0x100C08u);
}

TEST(LoadBitmapWithoutScreen, IsAnIllegalCall) {
    CloseScreen();
    TempDir dir;
    const std::string path = dir.Write("a.bmp", bmp::Encode(bmp::Bitmap{}));
    EXPECT_EQ(LoadBitmap(path, nullptr), ScreenResult::IllegalCall);
    EXPECT_EQ(LoadBitmap(dir / "missing", nullptr), ScreenResult::IllegalCall);
}

// Decoding into an image leaves the screen lock free: the window thread, which takes it every
// 10 ms to present and to answer the desktop, is never held up by a long decode.
TEST_F(LoadBitmapTest, DecodingIntoAnImageLeavesTheScreenLockFree) {
    constexpr uint32_t W = 3000, H = 2000;
    std::vector<uint32_t> pixels(size_t{W} * H);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u);
    const std::string path = dir / "large.png";
    ASSERT_TRUE(WritePng(path, W, H, pixels));
    Image image = MakeImage(W, H);
    std::thread loader([&] { EXPECT_EQ(LoadBitmap(path, image.get()), ScreenResult::Ok); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well into the decode
    LockScreen();
    // The last row comes last: still the image's fill while the decode goes on.
    const bool lockedDuringDecode = GetPixel(image.get(), W - 1, H - 1) == MaskColour;
    UnlockScreen();
    loader.join();
    EXPECT_TRUE(lockedDuringDecode);
    EXPECT_EQ(GetPixel(image.get(), W - 1, H - 1), pixels.back());
}

}  // namespace

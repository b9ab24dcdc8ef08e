#include "viewer/build_image.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/headless_screen.h"

namespace {

using Image = ImageHandle;

class BuildImageTest : public HeadlessScreen {
protected:
    Image Build(const std::string& bytes) {
        bytes_ = bytes;
        stream_ = MakeValueStream(bytes_);
        return Image(BuildImage(stream_));
    }

    std::string bytes_;
    ValueStream stream_;
};

TEST_F(BuildImageTest, SetsEveryPixelFromItsFourValuesRowByRow) {
    const Image image = Build(
        "3\n2\n"
        "255,180,151,71\n0,1,2,3\n255,255,0,255\n"
        "0,255,0,255\n&H80,&HFF,&H7F,&H01\n255,0,0,0\n");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->bytesPerPixel, 4);
    EXPECT_EQ(ImagePixels(image.get()),
              (std::vector<uint32_t>{0xFFB49747, 0x00010203, 0xFFFF00FF, 0x00FF00FF, 0x80FF7F01,
                                     0xFF000000}));
}

TEST_F(BuildImageTest, MissingValuesReadAsZero) {
    const Image shortStream = Build("2\n2\n255,1,2,3\n255,9\n");
    ASSERT_NE(shortStream, nullptr);
    EXPECT_EQ(ImagePixels(shortStream.get()),
              (std::vector<uint32_t>{0xFF010203, 0xFF090000, 0, 0}));

    const Image sizeOnly = Build("2\n3\n");
    ASSERT_NE(sizeOnly, nullptr);
    EXPECT_EQ(ImagePixels(sizeOnly.get()), std::vector<uint32_t>(6, 0));
}

TEST_F(BuildImageTest, NoImageReadsNothingAfterTheSize) {
    for (const std::string size : {"0\n7\n", "7\n0\n", "5\n-3\n", "&H7FFFFFFF\n&H7FFFFFFF\n"}) {
        const Image image = Build(size + "42\n1,2,3,4\n");
        EXPECT_EQ(image, nullptr) << size;
        EXPECT_EQ(ReadInt(stream_), 42) << size;
    }
}

TEST_F(BuildImageTest, ReadsExactlyThePictureSValues) {
    const Image image = Build("1\n1\n1,2,3,4\n5\n");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(ReadInt(stream_), 5);
}

TEST_F(BuildImageTest, OtherDepthsStoreWhatSetPixelStores) {
    ASSERT_EQ(OpenScreen(64, 48, 16), ScreenResult::Ok);
    const Image image = Build("2\n1\n255,255,0,0\n0,18,52,86\n");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bytesPerPixel, 2);
    const Image expected(CreateImage(2, 1, 0, 0, 0));
    SetPixel(expected.get(), 0, 0, 0xFFFF0000);
    SetPixel(expected.get(), 1, 0, 0x00123456);
    EXPECT_EQ(ImagePixels(image.get()), ImagePixels(expected.get()));
}

// What the viewer then shows: mask-coloured pixels leave the screen alone, whatever their alpha;
// every other pixel, alpha 0 included, is copied unchanged.
TEST_F(BuildImageTest, BlendedPictureSkipsOnlyMaskColouredPixels) {
    const Image image = Build("4\n1\n255,255,0,255\n0,255,0,255\n0,10,20,30\n255,255,0,254\n");
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(PutImage(nullptr, 0, 0, image.get(), ArgDefault, ArgDefault, ArgDefault, ArgDefault,
                       0, PutMode::Blend, 255),
              ScreenResult::Ok);
    headless::Sync();
    const std::vector<uint32_t> frame = headless::PresentedFrame();
    ASSERT_EQ(frame.size(), 640u * 480u);
    EXPECT_EQ(frame[0], 0xFF000000);
    EXPECT_EQ(frame[1], 0xFF000000);
    EXPECT_EQ(frame[2], 0x000A141E);
    EXPECT_EQ(frame[3], 0xFFFF00FE);
    EXPECT_EQ(frame[4], 0xFF000000);
    EXPECT_EQ(frame[640], 0xFF000000);
}

}  // namespace

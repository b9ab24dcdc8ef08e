// LoadBitmap against picture files by Pillow, ImageMagick and by hand, with pixels the script
// gives, also into a smaller 2-byte image (5-6-5) and through the probe; damaged files must fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "screen/bitmap.h"
#include "screen/window/headless.h"
#include "tests/support/required_tools.h"
#include "tests/support/temp_dir.h"

namespace {

uint16_t To565(uint32_t c) {
    return static_cast<uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
}

int Distance(uint32_t a, uint32_t b, int shift) {
    return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

TEST(PeerBitmaps, DecodeLikePillow) {
    const std::string missing = MissingTools({DebianPython, "/usr/bin/convert"}, {"PIL"});
    ASSERT_TRUE(missing.empty()) << missing;
    TempDir dir;
    const std::string command = std::string("/usr/bin/python3 ") + PEER_SCRIPT + " " + dir.Path();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    headless::UseHeadlessBackend();
    ASSERT_EQ(OpenScreen(64, 48, 32), ScreenResult::Ok);
    std::ifstream cases(dir / "cases.txt");
    std::string name;
    int32_t w = 0, h = 0, tolerance = 0;
    int count = 0;
    using Image = ImageHandle;
    while (cases >> name >> w >> h >> tolerance) {
        SCOPED_TRACE(name);
        ++count;
        const std::string path = dir / name;
        Image image(CreateImage(w, h, 0, 0, DefaultColourFlag));
        if (tolerance < 0) {
            EXPECT_EQ(LoadBitmap(path, image.get()), ScreenResult::FileIO);
            continue;
        }
        ASSERT_EQ(LoadBitmap(path, image.get()), ScreenResult::Ok);
        EXPECT_EQ(ProbeBitmapSize(path).width, w);
        EXPECT_EQ(ProbeBitmapSize(path).height, h);
        Image narrow(CreateImage(w / 2, h - 2, 0, 16, DefaultColourFlag));
        EXPECT_EQ(LoadBitmap(path, narrow.get()), ScreenResult::Ok);
        if (name.find(".bmp") == std::string::npos) {
            Image indices(CreateImage(w, h, 0, 8, 0));
            EXPECT_EQ(LoadBitmap(path, indices.get()), ScreenResult::IllegalCall);
        }
        const std::string rgba = ReadText(path + ".rgba");
        ASSERT_EQ(rgba.size(), size_t(w) * h * 4);
        int mismatches = 0;
        for (int32_t i = 0; i < w * h; ++i) {
            const auto* p = reinterpret_cast<const uint8_t*>(rgba.data()) + i * 4;
            const uint32_t expected = (uint32_t{p[3]} << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
            const uint32_t actual = GetPixel(image.get(), i % w, i / w);
            if (tolerance == 0 && i % w < w / 2 && i / w < h - 2 &&
                GetPixel(narrow.get(), i % w, i / w) != To565(expected) && mismatches++ < 3)
                ADD_FAILURE() << "2-byte pixel " << i % w << "," << i / w;
            const bool close = Distance(expected, actual, 24) == 0 &&
                               Distance(expected, actual, 16) <= tolerance &&
                               Distance(expected, actual, 8) <= tolerance &&
                               Distance(expected, actual, 0) <= tolerance;
            if (!close && mismatches++ < 3)
                ADD_FAILURE() << "pixel " << i % w << "," << i / w << std::hex << ": expected "
                              << expected << ", got " << actual;
        }
    }
    EXPECT_EQ(count, 46);
    CloseScreen();
}

}  // namespace

// LoadBitmap against files written by Pillow and ImageMagick, with the pixels Pillow's own decoder
// reads from them: an independent decoder as the reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "screen/bitmap.h"
#include "screen/headless.h"
#include "tests/support/temp_dir.h"

namespace {

struct ImageDeleter {
    void operator()(ImageBuffer* image) const { DestroyImage(image); }
};

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Distance(uint32_t a, uint32_t b, int shift) {
    return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

TEST(PeerBitmaps, DecodeLikePillow) {
    if (std::system("test -x /usr/bin/python3 && test -x /usr/bin/convert && "
                    "/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "needs /usr/bin/python3 with Pillow and /usr/bin/convert";
    TempDir dir;
    const std::string command = std::string("/usr/bin/python3 ") + PEER_SCRIPT + " " + dir.Path();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    headless::UseHeadlessBackend();
    ASSERT_EQ(OpenScreen(64, 48, 32), ScreenResult::Ok);
    std::ifstream cases(dir / "cases.txt");
    std::string name;
    int32_t w = 0, h = 0, tolerance = 0;
    int count = 0;
    while (cases >> name >> w >> h >> tolerance) {
        SCOPED_TRACE(name);
        ++count;
        std::unique_ptr<ImageBuffer, ImageDeleter> image(
            CreateImage(w, h, 0, 0, DefaultColourFlag));
        ASSERT_EQ(LoadBitmap(dir / (name + ".bmp"), image.get()), ScreenResult::Ok);
        const std::vector<uint8_t> rgba = ReadAll(dir / (name + ".rgba"));
        ASSERT_EQ(rgba.size(), size_t(w) * h * 4);
        int mismatches = 0;
        for (int32_t i = 0; i < w * h; ++i) {
            const uint8_t* p = rgba.data() + i * 4;
            const uint32_t expected = (uint32_t{p[3]} << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
            const uint32_t actual = GetPixel(image.get(), i % w, i / w);
            const bool close = Distance(expected, actual, 24) == 0 &&
                               Distance(expected, actual, 16) <= tolerance &&
                               Distance(expected, actual, 8) <= tolerance &&
                               Distance(expected, actual, 0) <= tolerance;
            if (!close && mismatches++ < 3)
                ADD_FAILURE() << "pixel " << i % w << "," << i / w << std::hex << ": expected "
                              << expected << ", got " << actual;
        }
    }
    EXPECT_EQ(count, 9);
    CloseScreen();
}

}  // namespace

// ProbeBitmapSize: a picture header's width and height; (0, 0) for anything else or unreadable.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "screen/bitmap.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ProbeTest, ProbeReadsTheHeaderFields) {
    TempDir dir;
    std::vector<uint8_t> bytes = bmp::Encode({.width = 1234, .height = -56});
    bytes.resize(26);                                             // the headers up to the height
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 20);  // cut inside the width
    cut[18] = 0x34;
    cut[19] = 0x12;
    std::vector<uint8_t> x = cut, raw = bmp::Encode({}), ba = bmp::Encode({});
    x[0] = 'X';
    raw[0] = 0xFE;
    ba[1] = 'A';
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    const std::tuple<std::string, int32_t, int32_t> cases[] = {
        {dir.Write("a.bmp", bytes), 1234, 56},   // stored top-down: the picture's rows all the same
        {dir.Write("cut.bmp", cut), 0x1234, 0},  // the bytes present, zeros above
        {dir.Write("core.bmp", bmp::Encode({.infoSize = 12, .width = 300, .height = 2})), 300, 2},
        // Header fields of a BMP behind these: only the first bytes and the kind of file count.
        // clang-format off
        {dir.Write("x.bmp", x), 0, 0}, {dir.Write("raw.bmp", raw), 0, 0},
        {dir.Write("ba.bmp", ba), 0, 0}, {dir.Write("empty.bmp", {}), 0, 0},
        {dir / "missing.bmp", 0, 0}, {"", 0, 0}, {dir / "pipe.bmp", 0, 0}, {dir.Path(), 0, 0},
        {std::string("a\0b.bmp", 7), 0, 0},
        // clang-format on
    };
    for (const auto& [path, width, height] : cases) {
        const BitmapSize size = ProbeBitmapSize(path);
        EXPECT_EQ(std::pair(size.width, size.height), std::pair(width, height)) << path;
    }
}

}  // namespace

// ProbeBitmapSize: the width and height fields of a picture file's header, and (0, 0) for every
// file that is no picture or can't be read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "screen/bitmap.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace {

class ProbeTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(ProbeTest, ProbeReadsTheHeaderFields) {
    std::vector<uint8_t> bytes(26, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    bmp::Put32(bytes, 14, 40);
    bmp::Put32(bytes, 18, 1234);
    bmp::Put32(bytes, 22, static_cast<uint32_t>(-56));
    const BitmapSize size = ProbeBitmapSize(dir.Write("a.bmp", bytes));
    EXPECT_EQ(size.width, 1234);
    EXPECT_EQ(size.height, 56);  // stored top-down: the picture's rows all the same

    bytes.resize(20);  // cut inside the width: the bytes present, zeros above
    bytes[18] = 0x34;
    bytes[19] = 0x12;
    const BitmapSize cut = ProbeBitmapSize(dir.Write("cut.bmp", bytes));
    EXPECT_EQ(cut.width, 0x1234);
    EXPECT_EQ(cut.height, 0);

    bytes[0] = 'X';
    EXPECT_EQ(ProbeBitmapSize(dir.Write("x.bmp", bytes)).width, 0);
    EXPECT_EQ(ProbeBitmapSize(dir / "missing.bmp").width, 0);
    EXPECT_EQ(ProbeBitmapSize("").height, 0);
}

TEST_F(ProbeTest, ProbeGivesCoreHeadersTheirOwnSize) {
    bmp::Bitmap core;
    core.infoSize = 12;
    core.width = 300;
    core.height = 2;
    const BitmapSize size = ProbeBitmapSize(dir.Write("core.bmp", bmp::Encode(core)));
    EXPECT_EQ(size.width, 300);
    EXPECT_EQ(size.height, 2);
}

TEST_F(ProbeTest, FilesThatAreNoBitmapGiveNoSize) {
    // Header fields of a BMP behind each: only the first bytes and the kind of file count.
    std::vector<uint8_t> raw = bmp::Encode(bmp::Bitmap{});
    raw[0] = 0xFE;
    std::vector<uint8_t> bm = bmp::Encode(bmp::Bitmap{});
    bm[1] = 'A';
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    for (const std::string& path :
         {dir.Write("raw.bmp", raw), dir.Write("ba.bmp", bm), dir.Write("empty.bmp", {}),
          dir / "pipe.bmp", dir.Path(), std::string("a\0b.bmp", 7)}) {
        const BitmapSize size = ProbeBitmapSize(path);
        EXPECT_EQ(size.width, 0) << path;
        EXPECT_EQ(size.height, 0) << path;
    }
}

}  // namespace

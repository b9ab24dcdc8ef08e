// The picture library against files written by the formats' own tools (Pillow, ImageMagick,
// cwebp, tiffcp, heif-enc), with the pixels of an independent decode: every format's variants,
// the eight orientations of one picture, CMYK, damaged and cut files, and the interlaced PNGs of
// every size up to 9 x 9. Each file is also decoded into a smaller view, and from memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "picture/input_file.h"
#include "picture/picture.h"
#include "tests/support/required_tools.h"
#include "tests/support/temp_dir.h"

namespace {

struct Case {
    std::string name;
    int64_t width = 0;
    int64_t height = 0;
    int tolerance = 0;  // -1: refused
    bool keep = false;  // orientations not applied
    std::string formatOrReason;
};

std::vector<Case> ReadCases(const std::string& listing) {
    std::vector<Case> cases;
    std::ifstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Case c;
        std::string width, height, tolerance, option;
        std::getline(fields, c.name, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, tolerance, '\t');
        std::getline(fields, option, '\t');
        std::getline(fields, c.formatOrReason);
        c.width = std::stoll(width);
        c.height = std::stoll(height);
        c.tolerance = std::stoi(tolerance);
        c.keep = option == "keep";
        cases.push_back(c);
    }
    return cases;
}

int Distance(uint32_t a, uint32_t b, int shift) {
    return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

// One file: loaded whole against the expected pixels, probed, decoded into a smaller view and
// loaded from memory with the same pixels.
void Check(const std::string& dir, const Case& c) {
    SCOPED_TRACE(c.name);
    picture::SetApplyOrientation(!c.keep);
    const std::string path = dir + "/" + c.name;
    const picture::LoadedPicture loaded = picture::Load(path);
    const std::string bytes = ReadText(path);
    const picture::LoadedPicture fromMemory =
        picture::LoadMemory({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    if (c.tolerance < 0) {
        EXPECT_NE(loaded.failure, picture::LoadFailure::None);
        EXPECT_NE(loaded.problem.find(c.formatOrReason), std::string::npos) << loaded.problem;
        EXPECT_EQ(fromMemory.problem, loaded.problem);
        picture::SetApplyOrientation(true);
        return;
    }
    ASSERT_EQ(loaded.failure, picture::LoadFailure::None) << loaded.problem;
    EXPECT_EQ(loaded.format, c.formatOrReason);
    const picture::ProbeResult probe = picture::Probe(path);
    EXPECT_EQ(probe.width, c.width);
    EXPECT_EQ(probe.height, c.height);
    ASSERT_EQ(loaded.pixels.Width(), c.width);
    ASSERT_EQ(loaded.pixels.Height(), c.height);
    const std::string rgba = ReadText(path + ".rgba");
    ASSERT_EQ(rgba.size(), size_t(c.width * c.height * 4));
    int mismatches = 0;
    for (int64_t i = 0; i < c.width * c.height; ++i) {
        const auto* p = reinterpret_cast<const uint8_t*>(rgba.data()) + i * 4;
        const uint32_t expected = (uint32_t{p[3]} << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
        const uint32_t actual = loaded.pixels.Row(i / c.width)[i % c.width];
        bool close = true;
        for (int shift : {0, 8, 16, 24})
            close = close && Distance(expected, actual, shift) <= c.tolerance;
        if (!close && mismatches++ < 3)
            ADD_FAILURE() << "pixel " << i % c.width << "," << i / c.width << std::hex
                          << ": expected " << expected << ", got " << actual;
    }
    // Into a view of fewer columns and rows, 4 bytes a pixel, rows further apart.
    const int64_t w = (c.width + 1) / 2, h = std::max<int64_t>(c.height - 2, 1);
    std::vector<uint32_t> small(size_t(w + 3) * h, 0x12345678);
    const picture::InputFile file(path);
    const picture::DecodeResult decoded =
        picture::Decode(file, {reinterpret_cast<uint8_t*>(small.data()), w, h, (w + 3) * 4, 4});
    EXPECT_EQ(decoded.status, picture::DecodeStatus::Decoded) << decoded.problem;
    for (int64_t y = 0; y < h && decoded.status == picture::DecodeStatus::Decoded; ++y)
        for (int64_t x = 0; x < w + 3; ++x) {
            const uint32_t want = x < w ? loaded.pixels.Row(y)[x] : 0x12345678;
            if (small[y * (w + 3) + x] != want && mismatches++ < 3)
                ADD_FAILURE() << "small view pixel " << x << "," << y;
        }
    ASSERT_EQ(fromMemory.failure, picture::LoadFailure::None) << fromMemory.problem;
    for (int64_t y = 0; y < c.height; ++y)
        if (std::memcmp(fromMemory.pixels.Row(y), loaded.pixels.Row(y), c.width * 4) != 0 &&
            mismatches++ < 3)
            ADD_FAILURE() << "from memory: row " << y;
    picture::SetApplyOrientation(true);
}

class FormatPictures : public testing::Test {
protected:
    static void SetUpTestSuite() {
        missing_ = MissingTools({DebianPython, "/usr/bin/convert", "cwebp", "dwebp", "webpmux",
                                 "tiffcp", "heif-enc", "heif-convert"},
                                {"PIL"});
        if (!missing_.empty()) return;
        dir_ = new TempDir;
        const std::string command = std::string("/usr/bin/python3 ") + FORMAT_SCRIPT + " " +
                                    dir_->Path() + " --all " + YCCK_WRITER;
        made_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(missing_.empty()) << missing_;
        ASSERT_TRUE(made_) << "the script failed";
    }
    static std::string missing_;
    static TempDir* dir_;
    static bool made_;
};

std::string FormatPictures::missing_;
TempDir* FormatPictures::dir_ = nullptr;
bool FormatPictures::made_ = false;

TEST_F(FormatPictures, DecodeLikeTheirTools) {
    const std::vector<Case> cases = ReadCases(dir_->Path() + "/cases.txt");
    EXPECT_EQ(cases.size(), 135u);
    for (const Case& c : cases) Check(dir_->Path(), c);
}

TEST_F(FormatPictures, SmallInterlacedPngsOfEverySizeAndColourType) {
    const std::vector<Case> cases = ReadCases(dir_->Path() + "/interlaced/cases.txt");
    EXPECT_EQ(cases.size(), 9u * 9u * 15u);
    for (const Case& c : cases) Check(dir_->Path() + "/interlaced", c);
}

}  // namespace

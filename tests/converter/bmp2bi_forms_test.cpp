// bmp2bi's forms, dialects and pixel options against include files written by hand, and the
// warnings and refusals that come with them.
#include <set>
#include <string>
#include <vector>

#include "tests/converter/bmp2bi_run.h"
#include "tests/support/png_writer.h"
#include "viewer/picture_file.h"

namespace {

// A 3 x 2 picture of five colours: opaque, fully and half transparent, one colour twice.
const std::vector<uint32_t> Pixels{0xFF102030, 0x00FFFFFF, 0x80FF0000,
                                   0x7F010203, 0xFF102030, 0xFFFFFFFF};

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

const std::string Size = "Data 3\r\nData 2\r\n";
const std::string Plain =
    Lines({"Data 255, 16, 32,48", "Data 0, 255, 255,255", "Data 128, 255, 0,0", "Data 127, 1, 2,3",
           "Data 255, 16, 32,48", "Data 255, 255, 255,255"});
const std::string Palette =
    Lines({"Data -5", "Data 255, 16, 32,48", "Data 0, 255, 255,255", "Data 128, 255, 0,0",
           "Data 127, 1, 2,3", "Data 255, 255, 255,255", "Data 0, 1, 2, 3, 0, 4"});

struct FormCase {
    std::vector<std::string> options;
    std::string expected;
};

TEST_F(Bmp2biTest, FormsAndDialectsAsWrittenByHand) {
    ASSERT_TRUE(WritePng(dir / "pic.png", 3, 2, Pixels));
    const FormCase cases[] = {
        {{}, "Respic_bi:\r\n" + Size + Plain},
        {{"--per-line", "2"},
         "Respic_bi:\r\n" + Size +
             Lines({"Data 255, 16, 32,48, 0, 255, 255,255", "Data 128, 255, 0,0, 127, 1, 2,3",
                    "Data 255, 16, 32,48, 255, 255, 255,255"})},
        {{"--packed", "--per-line=4"},
         "Respic_bi:\r\n" + Size +
             Lines({"Data &HFF102030, &H00FFFFFF, &H80FF0000, &H7F010203",
                    "Data &HFF102030, &HFFFFFFFF"})},
        {{"--palette"}, "Respic_bi:\r\n" + Size + Palette},
        // As many colours as asked for, or fewer: nothing to reduce.
        {{"--palette", "--colours", "5"}, "Respic_bi:\r\n" + Size + Palette},
        {{"--palette", "--per-line", "4"},
         "Respic_bi:\r\n" + Size + Palette.substr(0, Palette.rfind("Data 0")) +
             Lines({"Data 0, 1, 2, 3", "Data 0, 4"})},
        // Alpha below 128 (the half-transparent 0x80 stays) or below 129.
        {{"--mask"},
         "Respic_bi:\r\n" + Size +
             Lines({"Data 255, 16, 32,48", "Data 255, 255, 0,255", "Data 128, 255, 0,0",
                    "Data 255, 255, 0,255", "Data 255, 16, 32,48", "Data 255, 255, 255,255"})},
        {{"--mask", "129", "--per-line", "3"},
         "Respic_bi:\r\n" + Size +
             Lines({"Data 255, 16, 32,48, 255, 255, 0,255, 255, 255, 0,255",
                    "Data 255, 255, 0,255, 255, 16, 32,48, 255, 255, 255,255"})},
        // Tiles in reading order; the one at the right edge is narrower.
        {{"--tiles", "2x2"},
         Lines({"Respic_bi_0:", "Data 2", "Data 2", "Data 255, 16, 32,48", "Data 0, 255, 255,255",
                "Data 127, 1, 2,3", "Data 255, 16, 32,48", "Respic_bi_1:", "Data 1", "Data 2",
                "Data 128, 255, 0,0", "Data 255, 255, 255,255"})},
        // Each tile has the palette of its own colours.
        {{"--tiles", "3x1", "--palette", "--mask"},
         Lines({"Respic_bi_0:", "Data 3", "Data 1", "Data -3", "Data 255, 16, 32,48",
                "Data 255, 255, 0,255", "Data 128, 255, 0,0", "Data 0, 1, 2",
                "Respic_bi_1:", "Data 3", "Data 1", "Data -3", "Data 255, 255, 0,255",
                "Data 255, 16, 32,48", "Data 255, 255, 255,255", "Data 0, 1, 2"})},
        {{"--dialect", "yabasic"}, "label Respic_bi\r\n" + Size + Plain},
        {{"--dialect=numbered", "--first-line", "100", "--step=5"},
         Lines({"99 REM Respic_bi 3 x 2", "100 DATA 3,2",
                "105 DATA 255,16,32,48,0,255,255,255,128,255,0,0,127,1,2,3,255,16,32,48,255,255,"
                "255,255"})},
        {{"--dialect", "numbered", "--palette", "--per-line", "4", "--tiles", "2x1"},
         Lines({"999 REM Respic_bi_0 2 x 1",
                "1000 DATA 2,1",
                "1010 DATA -2",
                "1020 DATA 255,16,32,48,0,255,255,255",
                "1030 DATA 0,1",
                "1040 REM Respic_bi_1 1 x 1",
                "1050 DATA 1,1",
                "1060 DATA -1",
                "1070 DATA 128,255,0,0",
                "1080 DATA 0",
                "1090 REM Respic_bi_2 2 x 1",
                "1100 DATA 2,1",
                "1110 DATA -2",
                "1120 DATA 127,1,2,3,255,16,32,48",
                "1130 DATA 0,1",
                "1140 REM Respic_bi_3 1 x 1",
                "1150 DATA 1,1",
                "1160 DATA -1",
                "1170 DATA 255,255,255,255",
                "1180 DATA 0"})},
        {{"--label", "hero"}, "hero:\r\n" + Size + Plain},
        {{"--label", "my hero-1", "--dialect", "yabasic"}, "label my_hero_1\r\n" + Size + Plain},
    };
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> args{"-q", "-f", "-o", "Respic.bi"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("pic.png");
        const Outcome o = Run(args);
        const std::string what = testing::PrintToString(options);
        ASSERT_EQ(o.status, 0) << what << ": " << o.err;
        EXPECT_EQ(ReadText(dir / "Respic.bi"), expected) << what;
    }
}

// The colours of a picture of many are reduced to at most as many as asked, the mask colour
// among them where it was; the viewer reads the file.
TEST_F(Bmp2biTest, ColoursReducedKeepTheMask) {
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 32 * 32; ++i)
        many.push_back(i % 7 == 0 ? 0x00000000u : 0xFF000000u | (i * 2654435761u >> 8));
    ASSERT_TRUE(WritePng(dir / "many.png", 32, 32, many));
    const Outcome refused = Run({"--palette", "many.png"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "bmp2bi: many.png: the picture has 878 colours, more than the palette form's 256; "
              "--colours N reduces them\n");
    for (const char* dither : {"--colours=8", "--dither"}) {
        const Outcome o = Run({"-f", "--palette", "--colours", "8", "--mask", dither, "many.png"});
        ASSERT_EQ(o.status, 0) << o.err;
        const PictureFile file = ReadPictureFile(dir / "Resmany.bi");
        ASSERT_EQ(file.status, PictureFileStatus::Ok) << file.problem;
        EXPECT_TRUE(file.warnings.empty());
        std::set<uint32_t> colours;
        for (size_t i = 0; i < many.size(); ++i) {
            const uint32_t pixel = file.pixels.Row(static_cast<int64_t>(i / 32))[i % 32];
            EXPECT_EQ(pixel == 0xFFFF00FF, i % 7 == 0) << dither << " " << i;
            colours.insert(pixel);
        }
        EXPECT_LE(colours.size(), 8u) << dither;
        EXPECT_GE(colours.size(), 5u) << dither;
    }
}

// A numbered listing that needs too many lines, and a slip that would make a tile a pixel.
TEST_F(Bmp2biTest, PicturesTheFormCannotHoldAreRefused) {
    // 160000 pixels, 15 a line: 10668 lines.
    dir.Write(
        "big.bmp",
        bmp::Encode({.width = 400, .height = 400, .pixels = std::vector<uint8_t>(480000, 7)}));
    const Outcome refused = Run({"--dialect", "numbered", "big.bmp"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "bmp2bi: big.bmp: a numbered listing of it takes 10668 lines; from line 1000 in "
              "steps of 10 the last would be 107670, above 65529; --step, --first-line, "
              "--per-line or --fit make room\n");
    EXPECT_EQ(Files(), 1);
    const Outcome tiny = Run({"--tiles", "1x1", "big.bmp"});
    EXPECT_EQ(tiny.status, 1);
    EXPECT_EQ(tiny.err,
              "bmp2bi: big.bmp: --tiles 1x1 cuts the picture into 160000 tiles, more than "
              "65536\n");
    EXPECT_EQ(Files(), 1);
    EXPECT_EQ(Run({"-q", "--dialect", "numbered", "--step", "6", "big.bmp"}).status, 0);
}

// A warning before a file of more than 100 MB is written, naming its size and --fit; -q drops it.
TEST_F(Bmp2biTest, LargeFilesAreWarnedOfBeforeTheyAreWritten) {
    // A phone's photo, black: "Data 255, 0, 0,0" a pixel.
    dir.Write("phone.bmp", bmp::Encode({.width = 4032,
                                        .height = 3024,
                                        .pixels = std::vector<uint8_t>(4032 * 3024 * 3)}));
    const Outcome warned = Run({"-o", "/dev/null", "phone.bmp"});
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.err,
              "bmp2bi: phone.bmp: warning: the include file takes 219 MB for 4032 x 3024 "
              "pixels; --fit WxH makes it smaller\n");
    EXPECT_EQ(Run({"-q", "-o", "/dev/null", "phone.bmp"}).err, "");
    EXPECT_EQ(Run({"--palette", "-o", "/dev/null", "phone.bmp"}).err, "");  // 37 MB
}

TEST_F(Bmp2biTest, TwoOutputsWithOneLabelAreWarnedOf) {
    Input("a b.bmp", 1);
    Input("a_b.bmp", 2);
    Input("a-b.bmp", 3);
    const Outcome o = Run({"a b.bmp", "a_b.bmp", "a-b.bmp"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err,
              "bmp2bi: warning: a b.bmp and a_b.bmp both get the label Resa_b_bi, which one "
              "program cannot include twice\n"
              "bmp2bi: warning: a b.bmp and a-b.bmp both get the label Resa_b_bi, which one "
              "program cannot include twice\n");
    EXPECT_EQ(Run({"-f", "-q", "a b.bmp", "a_b.bmp"}).err, "");
    // Numbered listings have no labels to clash.
    EXPECT_EQ(Run({"-f", "--dialect", "numbered", "a b.bmp", "a_b.bmp"}).err, "");
}

}  // namespace

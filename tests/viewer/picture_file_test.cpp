#include "viewer/picture_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "pixeldata/reader.h"
#include "tests/bitmap/bmp_builder.h"
#include "tests/support/headless_screen.h"
#include "tests/support/temp_dir.h"
#include "viewer/build_image.h"

namespace {

// What, the text; the generator's stream, or the malformed line's number.
const std::tuple<const char*, std::string, std::string, uint64_t> IncludeCases[] = {
    {"as the conversion writes it",
     "Unnamed_bi:\r\nData 2\r\nData 1\r\nData 255, 255, 0,0\r\nData 255, 0, 0,255\r\n",
     "2\n1\n255,255,0,0\n255,0,0,255\n", 0},
    {"LF line ends, every value form",
     "p:\nData 2\ndata &h1\nData &HFF, &O17, &b101,&17\n"
     "DATA -1, +7, 4294967296,42949675529\n",
     "2\n&h1\n&HFF,&O17,&b101,&17\n-1,+7,4294967296,42949675529\n", 0},
    {"blanks, TABs, empty and odd values", "Data 1\r\nData 1\r\nData\t 12ab ,\t,  0 , 300 \r\n",
     "1\n1\n12ab,,0,300\n", 0},
    {"long digit runs", "Data 1\nData 1\nData 123456789, 0000000001,12345678,000000255\n",
     "1\n1\n123456789,0000000001,12345678,000000255\n", 0},
    {"labels with a TAB, empty, with \\ and high bytes",
     "a\tb_bi:\r\n:\r\nC:\\out\\\xE9_bi:\r\nData 1\r\nData 1\r\nData 1,2,3,4\r\n",
     "1\n1\n1,2,3,4\n", 0},
    {"a label beginning with Data and a TAB", "Data\tx_bi:\r\nData 1\r\nData 1\r\nData 9,8,7,6\r\n",
     "1\n1\n9,8,7,6\n", 0},
    {"a label cut by line feeds in the name",
     "a\n\nData\nb\rc_bi:\r\nData 1\r\nData 1\r\nData 1,2,3,4\r\n", "1\n1\n1,2,3,4\n", 0},
    {"pixel lines out of step with the rows",
     "Data 2\r\nData 2\r\nData 7\r\nData 1, 2, 3,4\r\nData 5, 6, 7,8\r\nData 9, 10, 11,12\r\n"
     "Data 13, 14, 15\r\n",
     "2\n2\n7\n1,2,3,4\n5,6,7,8\n9,10,11,12\n13,14,15\n", 0},
    {"lines that nearly are one pixel",
     "Data 2\nData 3\nData 1,2,3,4,5\nData 6,7,8\nData 9,  10, 11,12\nData 13 14, 15,16\n"
     "Data 17, 18, 19,4294967552\nData 1, 2, 3,4\r\r\n",
     "2\n3\n1,2,3,4,5\n6,7,8\n9,10,11,12\n13 14,15,16\n17,18,19,4294967552\n1,2,3,4\r\n", 0},
    {"an empty last value",
     "Data 2\r\nData 1\r\nData 9,\r\nData 1, 2, 3,4\r\nthe_end_of_it_all:\r\n",
     "2\n1\n9,\n1,2,3,4\n", 0},
    {"a label run into a Data line", "abc\r\nData 1\r\n", "", 1},
    {"a label run into a line with a blank", "Data 1\r\nabc\r\nx y:\r\n", "", 2},
    {"a label left open at the end", "Data 1\r\nData 1\r\nabc\r\ndef", "", 3},
};

class PictureFileTest : public HeadlessScreen {};

// The viewer's reader and the stream generator agree on every file: same values, same groups,
// the same picture as BuildImage makes from the stream, the same malformed line.
TEST_F(PictureFileTest, IncludeTextsReadAsTheEmbeddedStreamReadsThem) {
    for (const auto& [what, text, expected, errorLine] : IncludeCases) {
        IncludeFileStream stream;
        IncludeFileError error;
        const bool read = ReadIncludeFile(text, stream, error);
        const PictureFile picture = ReadIncludePicture(text);
        EXPECT_EQ(read ? 0 : error.line, errorLine) << what;
        if (errorLine != 0) {
            EXPECT_EQ(picture.problem.rfind("malformed line " + std::to_string(errorLine), 0), 0u)
                << what << ": " << picture.problem;
            continue;
        }
        EXPECT_EQ(stream.bytes, expected) << what;
        ValueStream values = MakeValueStream(stream.bytes);
        const ImageHandle built(BuildImage(values));
        ASSERT_EQ(picture.status, PictureFileStatus::Ok) << what << ": " << picture.problem;
        EXPECT_EQ(ImagePixels(picture.pixels), ImagePixels(built.get())) << what;
        EXPECT_EQ(picture.warnings.empty(),
                  ValueCountMismatch(stream).empty() && text.back() == '\n')
            << what;
    }
}

// A 24-bit BMP of 2 x 2 pixels stored top-down (a negative height): blue, green / red, white.
const std::vector<uint8_t> TopDownBmp =
    bmp::Encode({.width = 2,
                 .height = -2,
                 .pixels = bmp::StoreRows({{0x0000FF, 0x00FF00}, {0xFF0000, 0xFFFFFF}}, 24, true)});

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST_F(PictureFileTest, FilesAreRecognisedByTheirContent) {
    const TempDir dir;
    using enum PictureFileStatus;
    const std::tuple<const char*, std::vector<uint8_t>, PictureFileStatus, const char*> cases[] = {
        {"empty.bi", {}, NotAPicture, "the file is empty"},
        {"text.bi", Bytes("Hello world\nData 1\n"), NotAPicture,
         "not an include file or a picture"},
        {"binary.png", Bytes({"\x89PNG\r\n\x1A\n\0\0\0\x0D", 12}), Undecodable,
         "cannot be decoded: a damaged PNG header"},
        {"photo.jxl", Bytes({"\xFF\x0A\xFA\x7F", 4}), NotAPicture,
         "not an include file or a picture: a JPEG XL picture, which this program does not read"},
        {"include.bmp", Bytes("\r\n  pic:\r\nData 1\r\nData 1\r\nData 255, 1, 2,3\r\n"), Ok, ""},
        {"bitmap.bi", TopDownBmp, Ok, ""},
        {"cut.bmp", {TopDownBmp.begin(), TopDownBmp.end() - 9}, Undecodable, "cannot be decoded"},
        {"huge.bi", Bytes("Data 23000\r\nData 23000\r\nData 255, 0, 0,0\r\n"), TooLarge,
         "width 23000 and height 23000 make 529000000 pixels, more than the limit of 100000000"},
        {"giant.bi", Bytes("Data 2000000000\r\nData 2000000000\r\n"), TooLarge,
         "width 2000000000 and height 2000000000 make 4000000000000000000 pixels"},
        {"negative.bi", Bytes("Data -5\r\nData 3\r\n"), NoPicture,
         "width -5 and height 3 make no picture"},
        {"wrapped.bi", Bytes("Data 3037000500\r\nData 3037000500\r\n"), NoPicture,
         "width 3037000500 (the 32-bit -1257966796) and height 3037000500 (the 32-bit "
         "-1257966796) make no picture"},
        {"malformed.bi", Bytes("pic:\r\nData 1\r\nPrint 1\r\n"), Malformed,
         "malformed line 3: expected a label"},
    };
    for (const auto& [name, bytes, status, problem] : cases) {
        const PictureFile file = ReadPictureFile(dir.Write(name, bytes));
        EXPECT_EQ(file.status, status) << name << ": " << file.problem;
        EXPECT_EQ(file.problem.rfind(problem, 0), 0u) << name << ": " << file.problem;
        EXPECT_EQ(static_cast<bool>(file.pixels), status == Ok) << name;
    }
    std::vector<uint32_t> rgb = ImagePixels(ReadPictureFile(dir / "bitmap.bi").pixels);
    for (uint32_t& pixel : rgb) pixel &= 0xFFFFFF;
    EXPECT_EQ(rgb, (std::vector<uint32_t>{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF}));
    EXPECT_EQ(ReadPictureFile(dir / "missing.bi").problem, "no such file");
    EXPECT_EQ(ReadPictureFile(dir.Path()).problem, "is a folder, not a picture");
}

// A file read in blocks, with long lines across the blocks' ends and line ends of both kinds,
// gives what its text gives read whole.
TEST_F(PictureFileTest, LargeFilesReadInBlocksAsWhole) {
    std::string text = "big_bi:\r\nData 300\r\nData 300\r\nData 1";
    for (int i = 0; i < 100 * 300 * 4; ++i)
        text += (i % 3000 == 2999 ? "\nData " : ", ") + std::to_string(i % 251);
    for (int i = 0; i < 200 * 300; ++i)
        text += (i % 2 ? "\r\nData 255, " : "\nData 9, ") + std::to_string(i % 253) + ", 8,5";
    const TempDir dir;
    const PictureFile file = ReadPictureFile(dir.Write("big.bi", Bytes(text)));
    ASSERT_EQ(file.status, PictureFileStatus::Ok) << file.problem;
    EXPECT_EQ(ImagePixels(file.pixels), ImagePixels(ReadIncludePicture(text).pixels));
    EXPECT_EQ(file.warnings.size(), 2u);  // one value too many, no last line end
}

}  // namespace

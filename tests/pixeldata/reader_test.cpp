#include "pixeldata/reader.h"

#include <gtest/gtest.h>

#include <string>

#include "pixeldata/value_stream.h"

namespace {

IncludeFileStream Read(std::string_view text) {
    IncludeFileStream stream;
    IncludeFileError error;
    EXPECT_TRUE(ReadIncludeFile(text, stream, error))
        << "line " << error.line << ": " << error.found;
    return stream;
}

IncludeFileError ErrorOf(std::string_view text) {
    IncludeFileStream stream;
    IncludeFileError error;
    EXPECT_FALSE(ReadIncludeFile(text, stream, error));
    return error;
}

TEST(ReadIncludeFile, TurnsEachDataLineIntoOneGroup) {
    const IncludeFileStream stream =
        Read("Unnamed_bi:\r\nData 2\r\nData 1\r\nData 255, 255, 0,0\r\nData 255, 0, 0,255\r\n");
    EXPECT_EQ(stream.bytes, "2\n1\n255,255,0,0\n255,0,0,255\n");
    EXPECT_EQ(stream.valueCount, 10u);
    EXPECT_EQ(stream.groupCount, 4u);
    EXPECT_EQ(ValueCountMismatch(stream), "");
}

TEST(ReadIncludeFile, KeepsTextsAsWrittenWithoutSurroundingBlanks) {
    const IncludeFileStream stream = Read("Data  &HFF ,12ab,  -1 ,, 1 2\nDATA\ndata 9,");
    EXPECT_EQ(stream.bytes, "&HFF,12ab,-1,,1 2\n\n9,\n");
    EXPECT_EQ(stream.valueCount, 8u);
    EXPECT_EQ(stream.groupCount, 3u);
}

TEST(ReadIncludeFile, SkipsLabelsAndBlankLinesAnywhere) {
    const IncludeFileStream stream =
        Read("\r\n  first:\r\n\tdAtA 1\r\n   \r\nC:\\out\\a_bi:\r\nData1:\nData 2\n\n");
    EXPECT_EQ(stream.bytes, "1\n2\n");
    EXPECT_EQ(stream.groupCount, 2u);
}

TEST(ReadIncludeFile, StopsAtTheFirstLineOfNoKnownKind) {
    IncludeFileError error = ErrorOf("pic:\r\nData 1\r\nPrint 1\r\nnonsense\r\n");
    EXPECT_EQ(error.line, 3u);
    EXPECT_EQ(error.found, "Print 1");

    EXPECT_EQ(ErrorOf("Data1,2\n").found, "Data1,2");
    EXPECT_EQ(ErrorOf("Datum 1\n").found, "Datum 1");
    EXPECT_EQ(ErrorOf("two words:\n").found, "two words:");
    // Shown printable and shortened, never inside a character.
    EXPECT_EQ(ErrorOf(std::string_view("\x01\xFF\0x\t\x1b[31m", 10)).found,
              "\\x01\\xff\\x00x\\t\\x1b[31m");
    EXPECT_EQ(ErrorOf(std::string(100, 'x')).found, std::string(60, 'x') + "...");
    EXPECT_EQ(ErrorOf(std::string(59, 'x') + "\xC3\xA9 y").found, std::string(59, 'x') + "...");
    EXPECT_EQ(ErrorOf(std::string(58, 'x') + "\xC3\xA9 y").found,
              std::string(58, 'x') + "\xC3\xA9...");
}

// Every kind of line, on either way through the reader, up to the limit and just above it.
TEST(ReadIncludeFile, RefusesLinesLongerThanTheLimit) {
    const size_t limit = MaxLineBytes;
    const std::string values = "Data 1" + std::string(limit - 6, ',');
    const std::string label = std::string(limit - 1, 'x') + ":";
    const std::pair<std::string, uint64_t> cases[] = {
        // text, line refused (0: none)
        {"Data 1\n" + values + "\n", 0},       {"Data 1\n" + values + ",\n", 2},
        {"Data 1\n" + values + "\r\n", 2},     {"Data 1\n" + values + ",", 2},
        {label.substr(1) + "\r\n", 0},         {label + "x\n", 1},
        {"open\n" + label + "x\nData 1\n", 2}, {std::string(limit, 'x') + ":\n", 1},
    };
    for (const auto& [text, line] : cases) {
        IncludeFileStream stream;
        IncludeFileError error;
        EXPECT_EQ(ReadIncludeFile(text, stream, error), line == 0) << text.size();
        EXPECT_EQ(error.line, line) << text.size();
        EXPECT_EQ(error.expected, line == 0 ? ExpectedLine : ExpectedShorterLine) << text.size();
    }
}

TEST(ValueCountMismatch, GivesBothCounts) {
    EXPECT_EQ(ValueCountMismatch(Read("Data 2\nData 1\nData 1,2,3,4\nData 5,6\n")),
              "8 values, but width 2 and height 1 call for 10; the missing ones read as 0");
    EXPECT_EQ(ValueCountMismatch(Read("Data 1\nData 1\nData 1,2,3,4\nData 5\n")),
              "7 values, but width 1 and height 1 call for 6; the extra ones are never read");
    EXPECT_EQ(ValueCountMismatch(Read("")),
              "0 values, but width 0 and height 0 call for 2; the missing ones read as 0");
}

TEST(ValueCountMismatch, SizesBelowOneCallForNoPixels) {
    EXPECT_EQ(ValueCountMismatch(Read("Data 0\nData 5\n")), "");
    EXPECT_EQ(ValueCountMismatch(Read("Data 3\nData -1\n")), "");
}

TEST(ValueCountMismatch, LargestSizeDoesNotOverflow) {
    EXPECT_EQ(ValueCountMismatch(Read("Data 2147483647\nData &H7FFFFFFF\n")),
              "2 values, but width 2147483647 and height 2147483647 call for "
              "18446744056529682438; the missing ones read as 0");
}

}  // namespace

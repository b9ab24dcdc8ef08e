#include "pixeldata/value_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Conversion {
    std::string text;
    uint32_t value;
};

TEST(ConvertValue, FollowsEveryRule) {
    const std::vector<Conversion> cases = {
        // Plain decimal, as strtoul reads it.
        {"255", 255},
        {"256", 256},
        {"300", 300},
        {"12ab", 12},
        {"ab", 0},
        {"+7", 7},
        {"- 5", 0},
        {"--5", 0},
        {"\t5", 5},
        {"-1", 0xFFFFFFFF},
        {"-4294967295", 1},
        {"4294967295", 0xFFFFFFFF},
        {"4294967296", 0xFFFFFFFF},
        {"99999999999999999999", 0xFFFFFFFF},
        {"-4294967296", 0xFFFFFFFF},
        {"123456789", 123456789},
        {"1234567890", 1234567890},
        {"0000000001", 1},
        // Blanks and nothing.
        {"", 0},
        {"   ", 0},
        {"  42", 42},
        {" &HFF", 255},
        // The "&" forms.
        {"&HFF", 255},
        {"&hff", 255},
        {"&H1g", 1},
        {"&H", 0},
        {"&H123456789", 0x23456789},
        {"&O17", 15},
        {"&o17", 15},
        {"&17", 15},
        {"&8", 0},
        {"&B101", 5},
        {"&b1012", 5},
        {"&", 0},
        {"&-1", 0},
    };
    // Each text alone, and as the stream reads it (which takes its own quick path for short
    // decimal texts).
    std::string bytes;
    for (const Conversion& c : cases) bytes += c.text + ValueSeparator;
    ValueStream stream = MakeValueStream(bytes);
    for (const Conversion& c : cases) {
        EXPECT_EQ(ConvertValue(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ReadValue(stream), c.value) << '"' << c.text << "\" in a stream";
    }
    EXPECT_EQ(stream.next, stream.end);
}

TEST(ValueStream, ReadsBytesAndIntsAsThePictureNeedsThem) {
    const std::string bytes = "255,256,300,-1\n12ab,ab,-1,&HFF\n";
    ValueStream stream = MakeValueStream(bytes);
    EXPECT_EQ(ReadByte(stream), 255);
    EXPECT_EQ(ReadByte(stream), 0);
    EXPECT_EQ(ReadByte(stream), 44);
    EXPECT_EQ(ReadByte(stream), 255);
    EXPECT_EQ(ReadInt(stream), 12);
    EXPECT_EQ(ReadInt(stream), 0);
    EXPECT_EQ(ReadInt(stream), -1);
    EXPECT_EQ(ReadInt(stream), 255);
}

TEST(ValueStream, ReadsAcrossGroupsThenGivesZeroAtTheEnd) {
    const std::string bytes = "3\n2\n1,2,3,4\n,6,,8\n9";
    ValueStream stream = MakeValueStream(bytes);
    std::vector<int32_t> read;
    for (int i = 0; i < 14; ++i) read.push_back(ReadInt(stream));
    EXPECT_EQ(read, (std::vector<int32_t>{3, 2, 1, 2, 3, 4, 0, 6, 0, 8, 9, 0, 0, 0}));
    EXPECT_EQ(stream.next, stream.end);

    Rewind(stream);
    EXPECT_EQ(ReadInt(stream), 3);
    EXPECT_EQ(ReadInt(stream), 2);
}

TEST(ValueStream, EmptyStreamReadsZero) {
    ValueStream stream = MakeValueStream({});
    Rewind(stream);
    EXPECT_EQ(ReadInt(stream), 0);
    EXPECT_EQ(ReadByte(stream), 0);
}

}  // namespace

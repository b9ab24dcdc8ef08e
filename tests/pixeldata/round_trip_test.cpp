// What the writer writes, the reader reads back: every pixel's four values, in both forms, for
// pictures of odd sizes and labels made from awkward names, from a string and from a file read in
// blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pixeldata/label.h"
#include "pixeldata/reader.h"
#include "pixeldata/value_stream.h"
#include "pixeldata/writer.h"
#include "tests/support/temp_dir.h"

namespace {

struct Picture {
    int64_t width;
    int64_t height;
    std::vector<uint32_t> pixels;

    picture::PixelView View() {
        return {reinterpret_cast<uint8_t*>(pixels.data()), width, height, width * 4, 4};
    }
};

// Alpha 0 and 255 at the corners, every channel value along the rows, the rest mixed.
Picture Pixels(int64_t width, int64_t height) {
    Picture p{width, height, std::vector<uint32_t>(static_cast<size_t>(width * height))};
    uint32_t mixed = 0x9E3779B9;
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        mixed = mixed * 1664525 + 1013904223;
        const auto value = static_cast<uint32_t>(i & 0xFF);
        p.pixels[i] = (i % 3 == 0) ? value * 0x01010101u : mixed;
    }
    p.pixels.front() = 0x00FFFFFF;
    p.pixels.back() = 0xFF000000;
    return p;
}

std::string Written(const std::string& label, Picture& picture, PixelForm form) {
    std::string text;
    const bool written = WriteIncludeFile(
        label, picture.View(),
        [&text](std::string_view bytes) {
            text += bytes;
            return true;
        },
        {}, form);
    EXPECT_TRUE(written);
    if (form == PixelForm::Unpacked) {
        EXPECT_EQ(static_cast<int64_t>(text.size()), IncludeFileBytes(label, picture.View()));
    }
    return text;
}

// The picture the stream holds, as the viewer builds it from the values.
Picture ReadBack(const IncludeFileStream& stream) {
    ValueStream values = MakeValueStream(stream.bytes);
    Picture p{ReadInt(values), ReadInt(values), {}};
    for (int64_t i = 0; i < p.width * p.height; ++i) {
        uint32_t pixel = 0;
        for (int channel = 0; channel < 4; ++channel) pixel = pixel << 8 | ReadByte(values);
        p.pixels.push_back(pixel);
    }
    EXPECT_EQ(values.next, values.end);
    return p;
}

TEST(IncludeFileRoundTrip, ReadsBackEveryPixelInBothFormsUnderAnyLabel) {
    // Names as users give them; each becomes the label the conversion writes.
    const std::string names[] = {"Resflower.bi",    "1st.bi",      "\xC3\xA9t\xC3\xA9 \xC3\x9F.bi",
                                 "Data\t1,2.bi",    "\tData 5.bi", "a:b\r\nData 1.bi",
                                 "\x01\x7F\xFF.bi", "   ",         std::string(4000, 'x') + ".bi"};
    const std::pair<int64_t, int64_t> sizes[] = {{1, 1}, {3, 2}, {1, 13}, {17, 1}, {257, 3}};
    for (const PixelForm form : {PixelForm::Unpacked, PixelForm::Packed}) {
        for (size_t i = 0; i < std::size(names); ++i) {
            const auto [width, height] = sizes[i % std::size(sizes)];
            Picture picture = Pixels(width, height);
            const std::string label = MakeLabel(names[i]);
            IncludeFileStream stream;
            IncludeFileError error;
            ASSERT_TRUE(ReadIncludeFile(Written(label, picture, form), stream, error))
                << label << ": line " << error.line << ": " << error.found;
            EXPECT_EQ(stream.packed, form == PixelForm::Packed);
            EXPECT_EQ(ValueCountMismatch(stream), "") << label;
            const Picture read = ReadBack(stream);
            EXPECT_EQ(read.width, width);
            EXPECT_EQ(read.height, height);
            EXPECT_EQ(read.pixels, picture.pixels) << label;
        }
    }
}

// A file of megabytes is read in blocks, whose ends fall inside lines.
TEST(IncludeFileRoundTrip, ReadsBackALargeFileAcrossItsBlocks) {
    const TempDir dir;
    Picture picture = Pixels(641, 479);
    for (const PixelForm form : {PixelForm::Unpacked, PixelForm::Packed}) {
        const std::string text = Written("Reslarge_bi", picture, form);
        const std::string path =
            dir.Write("large.bi", std::vector<uint8_t>(text.begin(), text.end()));
        IncludeFileStream stream;
        const IncludeFileRead read = ReadIncludeFileStream(path, stream);
        ASSERT_EQ(read.status, IncludeFileStatus::Read) << read.error.line << read.problem;
        EXPECT_FALSE(read.truncation);
        EXPECT_EQ(ReadBack(stream).pixels, picture.pixels);
    }
}

}  // namespace

// The include file in every dialect and form: read back as the picture, its size and lines as
// counted beforehand, no line longer than the dialect's BASIC takes.
#include "pixeldata/writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pixeldata/palette.h"
#include "pixeldata/reader.h"

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The values a reader hands on, whatever the form: width, height, then A, R, G, B a pixel.
std::string ValuesOf(const std::string& text) {
    IncludeFileStream stream;
    IncludeFileError error;
    if (!ReadIncludeFile(text, stream, error))
        return "malformed line " + std::to_string(error.line);
    std::replace(stream.bytes.begin(), stream.bytes.end(), GroupEnd, ValueSeparator);
    return stream.bytes;
}

struct Picture {
    std::vector<uint32_t> pixels;
    picture::PixelView view;
    IndexedColours palette;
};

// 7 x 3 pixels of the longest and shortest values, transparent and opaque, in six colours.
Picture MakePicture() {
    Picture p;
    const uint32_t colours[] = {0xFFFFFFFF, 0, 0x00FF00FF, 0xFF0A6405, 0x80808080, 0x01020304};
    for (uint32_t i = 0; i < 21; ++i) p.pixels.push_back(colours[i * i % 6]);
    p.view = {reinterpret_cast<uint8_t*>(p.pixels.data()), 7, 3, 28};
    p.palette = IndexColours(p.view);
    return p;
}

std::string Write(const IncludeFormat& format, const Picture& p, std::string label = "pic_bi") {
    std::string text;
    const IncludeSection section{std::move(label), p.view, p.palette.colours, p.palette.indices};
    EXPECT_TRUE(WriteIncludeFile(
        {&section, 1},
        [&text](std::string_view bytes) {
            text += bytes;
            return true;
        },
        {}, format));
    EXPECT_EQ(IncludeFileBytes({&section, 1}, format), std::ssize(text));
    EXPECT_EQ(IncludeFileLines({&section, 1}, format),
              std::ssize(LinesOf(text)) - (format.dialect == Dialect::Numbered ? 1 : 0));
    return text;
}

TEST(IncludeFileForms, EveryFormReadsBackAsThePictureInLinesBasicTakes) {
    const Picture p = MakePicture();
    const std::string plain = ValuesOf(Write({}, p));
    ASSERT_EQ(plain.substr(0, 4), "7,3,");
    for (const Dialect dialect : {Dialect::Default, Dialect::Yabasic, Dialect::Numbered}) {
        for (const bool palette : {false, true}) {
            for (const PixelForm form : {PixelForm::Unpacked, PixelForm::Packed}) {
                if (form == PixelForm::Packed && (palette || dialect == Dialect::Yabasic)) continue;
                IncludeFormat format{dialect, form, palette};
                for (const int32_t perLine : {0, 1, 2, MostPerLine(format)}) {
                    format.perLine = perLine;
                    const std::string text = Write(format, p);
                    const std::string what = std::string(NameOf(dialect)) + " palette " +
                                             std::to_string(palette) + " packed " +
                                             std::to_string(form == PixelForm::Packed) +
                                             " per line " + std::to_string(perLine);
                    EXPECT_EQ(ValuesOf(text), plain) << what;
                    for (const std::string& line : LinesOf(text))
                        EXPECT_LE(line.size(), size_t{LongestBasicLine}) << what << ": " << line;
                }
            }
        }
    }
}

// The widest values fill the longest lines to within one value of the limit.
TEST(IncludeFileForms, MostPerLineFillsTheLongestLine) {
    const struct {
        IncludeFormat format;
        int32_t most;
    } cases[] = {{{}, 13},
                 {{Dialect::Default, PixelForm::Packed}, 21},
                 {{Dialect::Default, PixelForm::Unpacked, true}, 50},
                 {{Dialect::Numbered}, 15},
                 {{Dialect::Numbered, PixelForm::Packed}, 22},
                 {{Dialect::Numbered, PixelForm::Unpacked, true}, 61}};
    for (const auto& [format, most] : cases) EXPECT_EQ(MostPerLine(format), most);
    std::vector<uint32_t> white(300, 0xFFFFFFFF);
    const picture::PixelView view{reinterpret_cast<uint8_t*>(white.data()), 300, 1, 1200};
    IncludeFormat numbered{Dialect::Numbered, PixelForm::Unpacked, false, 0, 65000, 1};
    std::string text;
    WriteIncludeFile(
        "w", view, [&text](std::string_view b) { return text += b, true; }, {}, numbered);
    // "65002 DATA " and 15 times "255,255,255,255", 14 commas between.
    EXPECT_EQ(LinesOf(text)[2].size(), 11u + 15 * 15 + 14);
}

TEST(IncludeFileForms, NumberedLinesStartAtTheFirstLineAndStayBelow65530) {
    const Picture p = MakePicture();  // 21 pixels: 2 lines of 15 and 6; with the size, 3 lines
    const IncludeSection section{"pic_bi", p.view, {}, {}};
    const struct {
        int32_t first, step;
        std::string problem;
    } cases[] = {
        {1, 1, ""},
        {65527, 1, ""},
        {65509, 10, ""},
        {65528, 1,
         "a numbered listing of it takes 3 lines; from line 65528 in steps of 1 the last would "
         "be 65530, above 65529"},
    };
    for (const auto& [first, step, problem] : cases) {
        const IncludeFormat format{Dialect::Numbered, PixelForm::Unpacked, false, 0, first, step};
        EXPECT_EQ(NumberingProblem({&section, 1}, format), problem) << first;
        const std::vector<std::string> lines = LinesOf(Write(format, p));
        ASSERT_EQ(lines.size(), 4u);
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].substr(0, lines[i].find(' ')),
                      std::to_string(i == 0 ? first - 1 : first + step * (int32_t(i) - 1)));
    }
}

TEST(Palette, ColoursInTheOrderTheyAppearAndNoMoreThan256) {
    std::vector<uint32_t> pixels{5, 5, 0xFF000000, 5, 7, 0xFF000000};
    const picture::PixelView view{reinterpret_cast<uint8_t*>(pixels.data()), 3, 2, 12};
    const IndexedColours indexed = IndexColours(view);
    EXPECT_EQ(indexed.colours, (std::vector<uint32_t>{5, 0xFF000000, 7}));
    EXPECT_EQ(indexed.indices, (std::vector<uint8_t>{0, 0, 1, 0, 2, 1}));
    EXPECT_TRUE(HoldsAtMostColours(view, 3));
    EXPECT_FALSE(HoldsAtMostColours(view, 2));

    for (const uint32_t count : {256u, 257u, 5000u}) {
        std::vector<uint32_t> many;
        for (uint32_t i = 0; i < count; ++i) many.push_back(i * 0x01010101u);  // odd: all different
        many.push_back(many[0]);
        const picture::PixelView all{reinterpret_cast<uint8_t*>(many.data()),
                                     static_cast<int64_t>(many.size()), 1,
                                     static_cast<int64_t>(many.size() * 4)};
        const IndexedColours palette = IndexColours(all);
        EXPECT_EQ(palette.colourCount, count <= 256 ? count : 0u) << count;
        EXPECT_EQ(palette.indices.size(), count <= 256 ? many.size() : 0u) << count;
        EXPECT_EQ(CountColours(all), count);
        EXPECT_EQ(HoldsAtMostColours(all, 256), count <= 256);
    }
}

}  // namespace

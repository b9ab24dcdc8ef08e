#include "tests/gui/golden_frames.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <utility>

#include "screen/window/headless.h"
#include "tests/support/png_writer.h"

namespace widget_test {

namespace {

constexpr char Unpainted = '.';

// The widget palette always writes with the same characters, dark ones for dark colours, so that
// a golden's text reads as a picture; other colours take letters.
constexpr std::pair<char, uint32_t> PaletteCharacters[] = {
    {'#', 0x00000000},  // text, caret, marks
    {'x', 0x00666666},  // shadows
    {'o', 0x00AAAAAA},  // frames
    {'=', 0x00CCCCCC},  // button face
    {'+', 0x00DDDDDD},  // panel
    {'-', 0x00FFFFFF},  // field
};
constexpr std::string_view OtherCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnpqrstuvwyz";

bool WritingGoldens() {
    const char* value = std::getenv("PIXELTOOLS_WRITE_GOLDENS");
    return value && *value && std::string_view(value) != "0";
}

std::filesystem::path GoldenPath(const std::string& name) {
    return std::filesystem::path(GOLDEN_DIR) / (name + ".txt");
}

// "<suite>.<test>", with "-2", "-3"... for a test's later frames.
std::string FrameName() {
    static std::string lastTest;
    static int count = 0;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        test ? std::string(test->test_suite_name()) + "." + test->name() : "frame";
    count = name == lastTest ? count + 1 : 1;
    lastTest = name;
    return count == 1 ? name : name + "-" + std::to_string(count);
}

// Opaque and enlarged `scale` times: the widget colours have alpha 0, which viewers would show
// as nothing.
bool WriteEnlargedPng(const std::filesystem::path& path, int32_t width, int32_t height,
                      const std::vector<uint32_t>& pixels, int32_t scale) {
    std::filesystem::create_directories(path.parent_path());
    std::vector<uint32_t> enlarged;
    enlarged.reserve(static_cast<size_t>(width) * height * scale * scale);
    for (int32_t y = 0; y < height * scale; ++y)
        for (int32_t x = 0; x < width * scale; ++x)
            enlarged.push_back(pixels[(y / scale) * width + x / scale] | 0xFF000000);
    return WritePng(path, width * scale, height * scale, enlarged);
}

std::optional<uint32_t> ParseLegendColour(const std::string& line) {
    if (line.size() != 10 || line[1] != ' ' || line[0] == Unpainted) return std::nullopt;
    uint32_t colour = 0;
    for (char digit : line.substr(2)) {
        const auto at = std::string_view("0123456789ABCDEF").find(digit);
        if (at == std::string_view::npos) return std::nullopt;
        colour = colour << 4 | static_cast<uint32_t>(at);
    }
    return colour;
}

std::string ParseGolden(std::istream& in, Golden& golden) {
    std::string line;
    if (!std::getline(in, line) || !(std::istringstream(line) >> golden.Width >> golden.Height) ||
        golden.Width <= 0 || golden.Height <= 0)
        return "the first line is not its width and height";
    std::vector<std::pair<char, uint32_t>> legend;
    int32_t rows = 0;
    while (std::getline(in, line)) {
        if (const std::optional<uint32_t> colour = ParseLegendColour(line); colour && rows == 0) {
            legend.emplace_back(line[0], *colour);
            continue;
        }
        if (static_cast<int32_t>(line.size()) != golden.Width)
            return "row " + std::to_string(rows) + " is not " + std::to_string(golden.Width) +
                   " pixels wide";
        for (char c : line) {
            const auto entry = std::find_if(legend.begin(), legend.end(),
                                            [c](const auto& item) { return item.first == c; });
            if (c != Unpainted && entry == legend.end())
                return std::string("'") + c + "' in row " + std::to_string(rows) + " has no colour";
            golden.Pixels.push_back(c == Unpainted ? std::nullopt
                                                   : std::optional<uint32_t>(entry->second));
        }
        ++rows;
    }
    if (rows != 0 && rows != golden.Height)
        return std::to_string(rows) + " rows instead of " + std::to_string(golden.Height);
    return "";
}

char CharacterFor(uint32_t colour, std::vector<std::pair<char, uint32_t>>& legend) {
    for (const auto& [c, known] : legend)
        if (known == colour) return c;
    char c = '?';
    for (const auto& [paletteCharacter, paletteColour] : PaletteCharacters)
        if (paletteColour == colour) c = paletteCharacter;
    for (size_t i = 0; c == '?' && i < OtherCharacters.size(); ++i)
        if (std::none_of(legend.begin(), legend.end(),
                         [&](const auto& item) { return item.first == OtherCharacters[i]; }))
            c = OtherCharacters[i];
    legend.emplace_back(c, colour);
    return c;
}

std::string GoldenText(const Golden& golden) {
    std::vector<std::pair<char, uint32_t>> legend;
    std::string rows;
    for (int32_t y = 0; y < golden.Height; ++y) {
        for (int32_t x = 0; x < golden.Width; ++x) {
            const std::optional<uint32_t> pixel = golden.Pixels[y * golden.Width + x];
            rows += pixel ? CharacterFor(*pixel, legend) : Unpainted;
        }
        rows += '\n';
    }
    std::string text = std::to_string(golden.Width) + ' ' + std::to_string(golden.Height) + '\n';
    for (const auto& [c, colour] : legend) {
        char line[16];
        std::snprintf(line, sizeof line, "%c %08X\n", c, colour);
        text += line;
    }
    return text + rows;
}

// Writes the golden's file if its text changed, and says so.
void WriteGolden(const std::string& name, const Golden& golden) {
    const std::string text = GoldenText(golden);
    std::ostringstream old;
    old << std::ifstream(GoldenPath(name)).rdbuf();
    if (old.str() == text) return;
    std::ofstream out(GoldenPath(name));
    out << text;
    EXPECT_TRUE(out.flush()) << "cannot write " << GoldenPath(name);
    std::printf("wrote golden %s\n", GoldenPath(name).c_str());
}

bool Overlap(const ExpectedFrame::Region& a, const ExpectedFrame::Region& b) {
    return a.X < b.X + b.Width && b.X < a.X + a.Width && a.Y < b.Y + b.Height &&
           b.Y < a.Y + a.Height;
}

bool OverlapsAnother(const ExpectedFrame& expected, size_t index) {
    const auto& regions = expected.Regions();
    for (size_t other = 0; other < regions.size(); ++other)
        if (other != index && Overlap(regions[index], regions[other])) return true;
    return false;
}

// The goldens that nothing else overlaps, taken from `shown` into their files and into the
// returned expectation.
ExpectedFrame RewriteGoldens(const ExpectedFrame& expected, const std::vector<uint32_t>& shown) {
    ExpectedFrame rewritten = expected;
    for (size_t i = 0; i < expected.Regions().size(); ++i) {
        const ExpectedFrame::Region& region = expected.Regions()[i];
        if (region.Golden.empty() || OverlapsAnother(expected, i)) continue;
        Golden golden{region.Width, region.Height, {}};
        std::vector<uint32_t> opaque;
        for (int32_t y = region.Y; y < region.Y + region.Height; ++y)
            for (int32_t x = region.X; x < region.X + region.Width; ++x) {
                const bool inside = x >= 0 && x < ScreenWidth && y >= 0 && y < ScreenHeight;
                const uint32_t pixel = inside ? shown[y * ScreenWidth + x] : Background;
                golden.Pixels.push_back(pixel == Background ? std::nullopt
                                                            : std::optional<uint32_t>(pixel));
                opaque.push_back(pixel);
                if (inside) rewritten.Set(x, y, pixel);
            }
        WriteGolden(region.Golden, golden);
        WriteEnlargedPng(std::filesystem::path(FRAMES_DIR) / "golden" / (region.Golden + ".png"),
                         region.Width, region.Height, opaque, 8);
    }
    return rewritten;
}

std::string DescribeDifferences(const ExpectedFrame& expected, const std::vector<uint32_t>& shown) {
    int32_t differing = 0;
    std::string firstOnes;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == expected.Pixels()[i]) continue;
        if (++differing <= 5) {
            char line[96];
            std::snprintf(line, sizeof line, "\n  (%zu, %zu): shown 0x%08X, expected 0x%08X",
                          i % expected.Width(), i / expected.Width(), shown[i],
                          expected.Pixels()[i]);
            firstOnes += line;
        }
    }
    return differing == 0 ? "" : std::to_string(differing) + " pixels differ:" + firstOnes;
}

}  // namespace

std::optional<Golden> ReadGolden(const std::string& name) {
    std::ifstream in(GoldenPath(name));
    if (!in) {
        ADD_FAILURE() << "no golden " << GoldenPath(name)
                      << ": start it with a line holding its width and height";
        return std::nullopt;
    }
    Golden golden;
    const std::string problem = ParseGolden(in, golden);
    if (!problem.empty()) {
        ADD_FAILURE() << GoldenPath(name) << ": " << problem;
        return std::nullopt;
    }
    return golden;
}

ExpectedFrame::ExpectedFrame(int32_t width, int32_t height, uint32_t fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void ExpectedFrame::Place(int32_t x, int32_t y, const std::string& name) {
    const std::optional<Golden> golden = ReadGolden(name);
    if (!golden) return;
    regions_.push_back({name, x, y, golden->Width, golden->Height});
    if (golden->Pixels.empty() && !WritingGoldens())
        ADD_FAILURE() << GoldenPath(name)
                      << " holds no pixels yet: run with PIXELTOOLS_WRITE_GOLDENS=1";
    for (size_t i = 0; i < golden->Pixels.size(); ++i) {
        const std::optional<uint32_t> pixel = golden->Pixels[i];
        const auto column = static_cast<int32_t>(i % golden->Width);
        const auto row = static_cast<int32_t>(i / golden->Width);
        if (pixel) Put(x + column, y + row, *pixel);
    }
}

void ExpectedFrame::Set(int32_t x, int32_t y, uint32_t colour) {
    regions_.push_back({"", x, y, 1, 1});
    Put(x, y, colour);
}

void ExpectedFrame::Fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    regions_.push_back({"", x1, y1, x2 - x1 + 1, y2 - y1 + 1});
    for (int32_t y = y1; y <= y2; ++y)
        for (int32_t x = x1; x <= x2; ++x) Put(x, y, colour);
}

void ExpectedFrame::Put(int32_t x, int32_t y, uint32_t colour) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_) pixels_[y * width_ + x] = colour;
}

::testing::AssertionResult ShowsFrame(const ExpectedFrame& given) {
    headless::Sync();
    const std::vector<uint32_t> shown = headless::PresentedFrame();
    if (shown.size() != given.Pixels().size())
        return ::testing::AssertionFailure() << "frame has " << shown.size() << " pixels";
    const ExpectedFrame expected = WritingGoldens() ? RewriteGoldens(given, shown) : given;
    const std::string differences = DescribeDifferences(expected, shown);
    const std::string frames = (std::filesystem::path(FRAMES_DIR) / FrameName()).string();
    if (differences.empty()) {
        // No pictures of an earlier mismatch left to mislead.
        std::filesystem::remove(frames + ".shown.png");
        std::filesystem::remove(frames + ".expected.png");
        return ::testing::AssertionSuccess();
    }
    const int32_t w = expected.Width(), h = expected.Height();
    const bool written = WriteEnlargedPng(frames + ".shown.png", w, h, shown, 4) &&
                         WriteEnlargedPng(frames + ".expected.png", w, h, expected.Pixels(), 4);
    return ::testing::AssertionFailure()
           << differences << "\n  "
           << (written ? "shown and expected frames (4x): " + frames + ".*.png"
                       : "could not write the frames to " + frames);
}

}  // namespace widget_test

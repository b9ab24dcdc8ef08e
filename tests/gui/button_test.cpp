#include "gui/button.h"

#include <cstdio>
#include <tuple>
#include <vector>

#include "tests/bitmap/bmp_builder.h"
#include "tests/gui/widget_test_support.h"
#include "tests/support/png_writer.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace widget_test;

constexpr uint32_t Mask = 0x00FF00FF;

// The pixels of a face file: a plain grid.
using Picture = ExpectedFrame;

// A bottom-up 24-bit BMP file of `picture` (0x00RRGGBB pixels).
void WriteBmp(const std::string& path, const Picture& picture) {
    std::vector<std::vector<uint32_t>> rows(picture.Height());
    for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x) rows[y].push_back(picture.At(x, y));
    bmp::WriteFile(path, bmp::Encode24(rows));
}

int32_t CountOf(const std::string& text, const std::string& part) {
    int32_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

const std::string LoadErrorSecondLine = "Are you sure this was the correct filename?";

class ButtonTest : public WidgetTest {
protected:
    std::string PathOf(const std::string& name) const { return folder_ / name; }

    WidgetEvent Recorder() {
        return [this](const std::string& id) { fired_.push_back(id); };
    }
    std::vector<std::string> fired_;

private:
    TempDir folder_;
};

TEST_F(ButtonTest, StartIsFortyFiveBySeventeenWithHighlightAndShadows) {
    Button start("Start", Recorder(), "Start", 20, 30);
    Button chose("Chose", Recorder(), "Chose File", 100, 30);
    EXPECT_EQ(start.Width, 45);
    EXPECT_EQ(start.Height, 17);
    EXPECT_EQ(chose.Width, 85);
    EXPECT_EQ(chose.Height, 17);

    Draw(start);
    Draw(chose);

    ExpectedFrame expected;
    expected.Place(20, 30, "button_start");
    expected.Place(100, 30, "button_chose_file");
    EXPECT_TRUE(ShowsFrame(expected));
    // The face's own corners: frame grey at the top left, highlight below it, shadow at the right.
    EXPECT_EQ(GetPixel(nullptr, 20, 30), 0x00DDDDDDu);
    EXPECT_EQ(GetPixel(nullptr, 20, 31), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 63, 40), 0x00666666u);
}

TEST_F(ButtonTest, FiresOnlyStrictlyInsideWithTheLeftButtonAlone) {
    Button button("Start", Recorder(), "Start", 20, 30);  // clickable 21..64 x 31..46
    const std::tuple<int32_t, int32_t, int32_t, bool> cases[] = {
        {21, 31, 1, true},  {64, 46, 1, true},  {20, 35, 1, false},
        {40, 30, 1, false}, {65, 35, 1, false}, {40, 47, 1, false},
        {40, 35, 3, false}, {40, 35, 2, false}, {40, 35, 0, false}};
    for (const auto& [x, y, buttons, fires] : cases) {
        fired_.clear();
        UserAt(x, y, buttons);
        Update(button);
        EXPECT_EQ(fired_.size(), fires ? 1u : 0u) << x << ", " << y << " mask " << buttons;
    }
}

TEST_F(ButtonTest, FiresOnEveryUpdateWhileHeldAndWhenDraggedOnto) {
    Button button("Start", Recorder(), "Start", 20, 30);
    UserAt(5, 5, 1);  // pressed outside
    Update(button);
    EXPECT_TRUE(fired_.empty());
    EXPECT_EQ(button.Hovered, 0);

    UserAt(40, 35, 1);
    for (int frame = 0; frame < 5; ++frame) Update(button);
    EXPECT_EQ(fired_, std::vector<std::string>(5, "Start"));
    EXPECT_EQ(button.Hovered, 1);
}

TEST_F(ButtonTest, HiddenButtonNeitherDrawsHoversNorFiresButIsErased) {
    Button button("Start", Recorder(), "Start", 20, 30);
    Hide(button);
    UserAt(40, 35, 1);
    Update(button);
    Draw(button);
    EXPECT_TRUE(fired_.empty());
    EXPECT_EQ(button.Hovered, 0);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));

    Erase(button, 0);
    ExpectedFrame expected;
    expected.Fill(20, 30, 65, 47, 0x00000000);
    EXPECT_TRUE(ShowsFrame(expected));

    Show(button);
    Update(button);
    EXPECT_EQ(fired_.size(), 1u);
}

TEST_F(ButtonTest, ImageFacesWithHoverFaceDrawnOverThemWhileHovered) {
    Picture face(6, 4, 0x00102030);
    face.Set(0, 0, Mask);  // stays see-through
    Picture hover(8, 5, Mask);
    hover.Fill(2, 1, 7, 3, 0x00A0B0C0);
    WriteBmp(PathOf("face.bmp"), face);
    WriteBmp(PathOf("hover.bmp"), hover);
    Button button("Pic", Recorder(), 50, 60, PathOf("face.bmp"), PathOf("hover.bmp"));
    EXPECT_EQ(button.Width, 8);  // the hover face's size
    EXPECT_EQ(button.Height, 5);

    // As loaded from 24-bit files: opaque, but for the mask colour.
    Draw(button);
    ExpectedFrame expected;
    expected.Fill(50, 60, 55, 63, 0xFF102030);
    expected.Set(50, 60, Background);
    EXPECT_TRUE(ShowsFrame(expected));

    UserAt(57, 64, 1);
    Update(button);
    Draw(button);
    expected.Fill(52, 61, 57, 63, 0xFFA0B0C0);
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_EQ(fired_, std::vector<std::string>{"Pic"});
}

TEST_F(ButtonTest, PngFaceTakesItsSizeAndPixelsFromTheFile) {
    Picture face(5, 3, 0xFF405060);
    face.Set(1, 1, 0xFF000000 | Mask);  // stays see-through
    face.Set(4, 2, 0xFFFFFFFF);
    ASSERT_TRUE(WritePng(PathOf("face.png"), 5, 3, face.Pixels()));
    Button button("Png", Recorder(), 20, 30, PathOf("face.png"));
    EXPECT_EQ(button.Width, 5);
    EXPECT_EQ(button.Height, 3);
    Draw(button);
    ExpectedFrame expected;
    expected.Fill(20, 30, 24, 32, 0xFF405060);
    expected.Set(21, 31, Background);
    expected.Set(24, 32, 0xFFFFFFFF);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(ButtonTest, MissingFacePrintsTheLoadErrorAndTheButtonLivesOn) {
    Picture face(6, 4, 0x00102030);
    WriteBmp(PathOf("face.bmp"), face);
    ::testing::internal::CaptureStderr();
    Button missing("A", Recorder(), 10, 10, PathOf("absent.bmp"));
    const std::string once = ::testing::internal::GetCapturedStderr();
    ::testing::internal::CaptureStderr();
    Button bothMissing("B", Recorder(), 10, 10, PathOf("absent.bmp"), PathOf("gone.bmp"));
    const std::string twice = ::testing::internal::GetCapturedStderr();
    ::testing::internal::CaptureStderr();
    Button hoverMissing("C", Recorder(), 10, 10, PathOf("face.bmp"), PathOf("gone.bmp"));
    const std::string hoverOnce = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(CountOf(once,
                      "Something went wrong while loading File in: Constructor Button(ButtID as "
                      "String, Event as Sub(ID as String), ButtX as Integer, ButtY as Integer, "
                      "FileName as String)"),
              1);
    EXPECT_EQ(CountOf(once, LoadErrorSecondLine), 1);
    EXPECT_EQ(CountOf(twice, LoadErrorSecondLine), 2);
    EXPECT_EQ(CountOf(hoverOnce, LoadErrorSecondLine), 1);
    EXPECT_EQ(missing.Face, nullptr);
    EXPECT_EQ(missing.Width, 0);

    // A 0 x 0 area never fires; the one with a face left but no hover face has no area either.
    UserAt(10, 10, 1);
    for (Button* button : {&missing, &bothMissing, &hoverMissing}) Update(*button);
    UserAt(11, 11, 1);
    for (Button* button : {&missing, &bothMissing, &hoverMissing}) Update(*button);
    EXPECT_TRUE(fired_.empty());
}

}  // namespace

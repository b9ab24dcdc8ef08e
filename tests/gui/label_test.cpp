#include "gui/label.h"

#include <tuple>

#include "gui/button.h"
#include "gui/element_list.h"
#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

class LabelTest : public WidgetTest {};

TEST_F(LabelTest, SixCharactersMakeAPanelFromTenThirtyToSixtyTwoFortyTwo) {
    Label label(10, 30, "Status");
    EXPECT_EQ(label.Length, 6);
    Draw(label);

    ExpectedFrame expected;
    PaintLabel(expected, 10, 30, 6, "Status");
    EXPECT_EQ(expected.At(62, 42), 0x00AAAAAAu);  // the panel's far corner
    EXPECT_EQ(expected.At(63, 42), Background);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(LabelTest, EmptyLabelIsAFiveByThirteenPanelWithoutText) {
    Label label(100, 50, "");
    Draw(label);

    ExpectedFrame expected;
    PaintLabel(expected, 100, 50, 0, "");
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_EQ(GetPixel(nullptr, 104, 62), 0x00AAAAAAu);
    EXPECT_EQ(GetPixel(nullptr, 105, 62), Background);
}

TEST_F(LabelTest, ReplacedTextKeepsThePanelWidth) {
    Label label(10, 10, "ab");
    label.Text = "abcdef";
    Draw(label);

    ExpectedFrame expected;
    PaintLabel(expected, 10, 10, 2, "abcdef");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(LabelTest, EraseBlackensThePanel) {
    Label label(20, 20, "Hi");
    Draw(label);
    Erase(label);

    ExpectedFrame expected;
    expected.Fill(20, 20, 40, 32, 0x00000000);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(LabelTest, HiddenLabelNeitherDrawsNorErasesUntilShown) {
    Label label(20, 20, "Hi");
    Hide(label);
    Draw(label);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));

    Show(label);
    Draw(label);
    Hide(label);
    Erase(label);
    ExpectedFrame expected;
    PaintLabel(expected, 20, 20, 2, "Hi");
    EXPECT_TRUE(ShowsFrame(expected));
}

// Texts are UTF-8, measured and drawn by characters: each shows its code page 437 glyph, or "?"
// where the font has none. The expected glyph codes are written out by hand.
TEST_F(LabelTest, Utf8TextsAreMeasuredAndDrawnByCharacters) {
    const std::tuple<const char*, const char*> cases[] = {{"Gr\xC3\xBCn", "Gr\x81n"},
                                                          {"\xE2\x82\xAC"
                                                           "5",
                                                           "?5"},
                                                          {"\xC3\x84\xC3\x9F!", "\x8E\xE1!"}};
    for (const auto& [utf8, glyphs] : cases) {
        ClearScreen();
        Label label(10, 10, utf8);
        Button button("b", nullptr, utf8, 10, 30);
        Draw(label);
        Draw(button);
        ExpectedFrame expected;
        PaintLabel(expected, 10, 10, static_cast<int32_t>(std::string_view(glyphs).size()), glyphs);
        PaintButton(expected, 10, 30, glyphs);
        EXPECT_TRUE(ShowsFrame(expected)) << glyphs;
    }
    ElementList list(0, 0, "\xC3\xA4", 5, nullptr);  // five characters, nine bytes, fit
    EXPECT_EQ(NewElement(list, "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F!", "id"), 0);
}

}  // namespace

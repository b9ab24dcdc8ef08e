#include "gui/label.h"

#include <vector>

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
    expected.Place(10, 30, "label_status");
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_EQ(GetPixel(nullptr, 62, 42), 0x00AAAAAAu);  // the panel's far corner
    EXPECT_EQ(GetPixel(nullptr, 63, 42), Background);
}

TEST_F(LabelTest, EmptyLabelIsAFiveByThirteenPanelWithoutText) {
    Label label(100, 50, "");
    Draw(label);

    ExpectedFrame expected;
    expected.Place(100, 50, "label_empty");
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_EQ(GetPixel(nullptr, 104, 62), 0x00AAAAAAu);
    EXPECT_EQ(GetPixel(nullptr, 105, 62), Background);
}

TEST_F(LabelTest, ReplacedTextKeepsThePanelWidth) {
    Label label(10, 10, "ab");
    label.Text = "abcdef";
    Draw(label);

    ExpectedFrame expected;
    expected.Place(10, 10, "label_of_two_showing_six");
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
    Label label(20, 20, "Status");
    Hide(label);
    Draw(label);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));

    Show(label);
    Draw(label);
    Hide(label);
    Erase(label);
    ExpectedFrame expected;
    expected.Place(20, 20, "label_status");
    EXPECT_TRUE(ShowsFrame(expected));
}

// Texts are UTF-8, measured and drawn by characters: each shows its code page 437 glyph, or "?"
// where the font has none: "Gr\x81n", "?5" and "\x8E\xE1!" in the font's codes.
TEST_F(LabelTest, Utf8TextsAreMeasuredAndDrawnByCharacters) {
    const char* const texts[] = {"Gr\xC3\xBCn", "\xE2\x82\xAC\x35", "\xC3\x84\xC3\x9F!"};
    std::vector<Label> labels;
    std::vector<Button> buttons;
    for (int32_t i = 0; i < 3; ++i) {
        labels.emplace_back(10, 10 + 20 * i, texts[i]);
        buttons.emplace_back("b", nullptr, texts[i], 80, 10 + 20 * i);
    }
    EXPECT_EQ(labels[1].Length, 2);
    EXPECT_EQ(buttons[2].Width, 29);
    for (const Label& label : labels) Draw(label);
    for (const Button& button : buttons) Draw(button);
    ExpectedFrame expected;
    expected.Place(10, 10, "labels_and_buttons_beyond_ascii");
    EXPECT_TRUE(ShowsFrame(expected));

    ElementList list(0, 0, "\xC3\xA4", 5, nullptr);  // five characters, nine bytes, fit
    EXPECT_EQ(NewElement(list, "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F!", "id"), 0);
}

}  // namespace

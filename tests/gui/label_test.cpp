#include "gui/label.h"

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

}  // namespace

#include "gui/drop_down.h"

#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

// Eight characters at (100, 20), as the element list of its suite: the box ends at x 168, the
// hit areas at 169; row i spans y 32 + 12i to 44 + 12i.
class DropDownTest : public WidgetTest {
protected:
    DropDownTest() {
        for (const char* colour : {"Red", "Green", "Blue"}) NewElement(dropDown, colour);
    }

    DropDown dropDown{100, 20, "Colours", 8};

    void Click(int32_t x, int32_t y) {
        UserAt(x, y, 1);
        Update(dropDown);
        UserAt(x, y, 0);
        Update(dropDown);
    }
};

TEST_F(DropDownTest, UnfoldedShowsItsTextAndTheChoices) {
    Click(110, 25);
    Draw(dropDown);
    // Exactly as an element list looks.
    ExpectedFrame expected;
    expected.Place(100, 20, "fold_out_unfolded");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(DropDownTest, AChoiceReplacesTheHeaderAndFoldsInTheSameUpdate) {
    Click(110, 25);
    UserAt(110, 62, 1);  // row 2
    Update(dropDown);
    EXPECT_EQ(dropDown.Text, "Blue");
    EXPECT_EQ(dropDown.Open, 0);

    ClearScreen();
    Draw(dropDown);
    ExpectedFrame expected;
    expected.Place(100, 20, "fold_out_showing_blue");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(DropDownTest, AHeaderClickWhileOpenKeepsItOpenAndTheTextUnchanged) {
    Click(110, 25);
    Click(169, 25);
    EXPECT_EQ(dropDown.Open, 1);
    EXPECT_EQ(dropDown.Text, "Colours");
    Click(170, 38);  // X + W + 6: one column past the hit area
    EXPECT_EQ(dropDown.Open, 0);
    EXPECT_EQ(dropDown.Text, "Colours");
}

TEST_F(DropDownTest, RowsOfAFoldedDropDownChooseNothing) {
    Click(110, 38);
    EXPECT_EQ(dropDown.Text, "Colours");
    EXPECT_EQ(dropDown.Open, 0);
}

TEST_F(DropDownTest, TakesTenElementsAndRefusesTheEleventh) {
    for (int i = 3; i < 10; ++i) EXPECT_EQ(NewElement(dropDown, "x"), i);
    EXPECT_EQ(NewElement(dropDown, "y"), -1);
    EXPECT_EQ(dropDown.Count, 10);
    EXPECT_EQ(dropDown.Elements[9].Text, "x");
}

TEST_F(DropDownTest, ATextOfExactlyTheLengthIsAccepted) {
    DropDown exact(0, 0, "12345678", 8);
    EXPECT_EQ(exact.Text, "12345678");
    EXPECT_EQ(NewElement(exact, "abcdefgh"), 0);
}

using DropDownDeathTest = DropDownTest;

TEST_F(DropDownDeathTest, ALongerTextEndsTheProgram) {
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            DropDown tooLong(0, 0, "123456789", 8);
        },
        ::testing::ExitedWithCode(255),
        ShownOnClearedScreen("[ERROR] in Constructor DropDown: Length of Text > Defined Lenght"));
}

TEST_F(DropDownDeathTest, ALongerElementTextEndsTheProgram) {
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            NewElement(dropDown, "Turquoise");
        },
        ::testing::ExitedWithCode(255),
        ShownOnClearedScreen("[ERROR] in Function DropDown.NewElement: Length of "
                             "Text > Defined Lenght"));
}

}  // namespace

#include "gui/element_list.h"

#include "gui/gui.h"
#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

// A list of 8 characters at (30, 10): W = 64, the box ends at x 98, hit areas at x 31..99.
// Header y 10..22 (hit 11..21); row i from 22 + 12i to 34 + 12i (hit strictly between).
class ElementListTest : public WidgetTest {
protected:
    ElementListTest() {
        NewElement(list, "Red", "red");
        NewElement(list, "Green", "green");
        NewElement(list, "Blue", "blue");
    }

    ElementList list{30, 10, "Colours", 8, [this](const std::string& id) { calls.push_back(id); }};
    std::vector<std::string> calls;

    void Frame(int32_t x, int32_t y, int32_t buttons) {
        UserAt(x, y, buttons);
        Update(list);
    }
    void Click(int32_t x, int32_t y) {
        Frame(x, y, 1);
        Frame(x, y, 0);
    }
};

TEST_F(ElementListTest, FoldedShowsTheHeaderUnfoldedTheRows) {
    Draw(list);
    ExpectedFrame folded;
    folded.Place(30, 10, "fold_out_folded");
    EXPECT_TRUE(ShowsFrame(folded));

    Click(50, 15);
    EXPECT_EQ(list.Open, 1);
    Draw(list);
    ExpectedFrame unfolded;
    unfolded.Place(30, 10, "fold_out_unfolded");
    EXPECT_TRUE(ShowsFrame(unfolded));
}

TEST_F(ElementListTest, ARowClickCallsOnceAndFoldsInTheSameUpdate) {
    Click(50, 15);
    Draw(list);
    Frame(50, 52, 1);  // row 2 spans y 46..58
    EXPECT_EQ(calls, std::vector<std::string>{"blue"});
    EXPECT_EQ(list.Open, 0);
    // Folding erased the header and the rows while they were still open.
    ExpectedFrame erased;
    erased.Fill(30, 10, 98, 58, 0x00000000);
    EXPECT_TRUE(ShowsFrame(erased));
    Frame(50, 52, 1);  // still held over where the row was
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ElementListTest, HeaderClicksKeepItOpenAndFoldedRowsIgnoreClicks) {
    Click(50, 28);  // where row 0 would be
    EXPECT_TRUE(calls.empty());
    Click(50, 15);
    Click(50, 15);
    EXPECT_EQ(list.Open, 1);
    Frame(50, 28, 3);  // left and right together
    Frame(50, 28, 2);
    EXPECT_EQ(list.Open, 1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ElementListTest, BoundaryLinesBelongToNoRowButStillFold) {
    for (int32_t boundary : {22, 34, 46, 58}) {
        Click(50, 15);
        Click(50, boundary);
        EXPECT_EQ(list.Open, 0) << "y " << boundary;
    }
    EXPECT_TRUE(calls.empty());
    Click(50, 15);
    Click(50, 23);
    Click(50, 15);
    Click(50, 33);
    EXPECT_EQ(calls, (std::vector<std::string>{"red", "red"}));
}

TEST_F(ElementListTest, TheHitAreaReachesOneColumnPastTheBox) {
    Click(99, 15);  // X + W + 5: the header's hit area ends just after it
    EXPECT_EQ(list.Open, 1);
    Click(99, 40);  // row 1, same column
    EXPECT_EQ(calls, std::vector<std::string>{"green"});
    Click(99, 15);
    Click(100, 40);  // X + W + 6: outside
    EXPECT_EQ(list.Open, 0);
    Click(100, 15);
    EXPECT_EQ(list.Open, 0);
    Click(30, 15);  // the left edge line
    EXPECT_EQ(list.Open, 0);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ElementListTest, APointerOutsideTheWindowChangesNothing) {
    Click(50, 15);
    headless::PointerLeaves();
    headless::Sync();
    Update(list);
    EXPECT_EQ(list.Open, 1);
}

TEST_F(ElementListTest, AnOpenListWithoutElementsShowsOnlyItsHeader) {
    ElementList empty(200, 10, "Colours", 8,
                      [this](const std::string& id) { calls.push_back(id); });
    UserAt(210, 15, 1);
    Update(empty);
    Draw(empty);
    EXPECT_EQ(empty.Open, 1);
    ExpectedFrame expected;
    expected.Place(200, 10, "fold_out_folded");
    EXPECT_TRUE(ShowsFrame(expected));
    UserAt(210, 28, 1);
    Update(empty);
    EXPECT_EQ(empty.Open, 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ElementListTest, TakesTenElementsAndRefusesTheEleventh) {
    ElementList full(0, 0, "", 2, nullptr);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(NewElement(full, std::to_string(i), "id"), i);
    EXPECT_EQ(NewElement(full, "x", "extra"), -1);
    EXPECT_EQ(full.Count, 10);
    EXPECT_EQ(full.Elements[9].Text, "9");
    EXPECT_EQ(NewElement(full, "a text far too long", "extra"), -1);  // full before too long
}

TEST_F(ElementListTest, ATextOfExactlyTheLengthIsAccepted) {
    ElementList exact(0, 0, "12345678", 8, nullptr);
    EXPECT_EQ(exact.Text, "12345678");
    EXPECT_EQ(NewElement(exact, "abcdefgh", "id"), 0);
    EXPECT_EQ(exact.Elements[0].Text, "abcdefgh");
}

// The rows unfold over the kinds drawn before lists and under those drawn after them.
TEST_F(ElementListTest, InAGuiTheRowsLieBetweenEarlierAndLaterKinds) {
    GUI gui;
    AddTextArea(gui, 20, 50, 10, 3);
    GetTextArea(gui, 1)->Text = "abc\rd";
    AddDropDown(gui, 80, 30, "Blue", 8);
    const int32_t number = AddElementList(gui, 30, 10, "Colours", 8, nullptr);
    for (const char* colour : {"Red", "Green", "Blue"}) {
        NewElement(*GetElementList(gui, number), colour, colour);
    }
    AddRadioButton(gui, "Size", nullptr);
    AddOption(*GetRadioButton(gui, 1), 40, 24);
    UserAt(50, 15, 1);
    Update(gui);
    UserAt(600, 150);
    Update(gui);
    Draw(gui);

    ExpectedFrame expected;
    expected.Place(40, 24, "radio_option");
    expected.Place(30, 10, "fold_out_unfolded");
    expected.Place(80, 30, "fold_out_showing_blue");
    expected.Place(20, 50, "text_area_two_lines");
    EXPECT_TRUE(ShowsFrame(expected));
}

using ElementListDeathTest = ElementListTest;

TEST_F(ElementListDeathTest, ALongerCaptionEndsTheProgram) {
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            ElementList tooLong(0, 0, "123456789", 8, nullptr);
        },
        ::testing::ExitedWithCode(255),
        ShownOnClearedScreen(
            "[ERROR] in Constructor ElementList: Length of Text > Defined Lenght"));
}

TEST_F(ElementListDeathTest, ALongerElementTextEndsTheProgram) {
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            NewElement(list, "Turquoise", "turquoise");
        },
        ::testing::ExitedWithCode(255),
        ShownOnClearedScreen("[ERROR] in Sub ElementList.NewElement: Length of Text "
                             "> Defined Lenght"));
}

}  // namespace

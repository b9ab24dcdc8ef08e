#include "gui/check_box.h"

#include <utility>

#include "gui/gui.h"
#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

class CheckBoxTest : public WidgetTest {
protected:
    // Records each call with the state the box had when it was called.
    CheckBox box{100, 5, "Wrap lines", [this](const std::string& text) {
                     calls.push_back(text + (box.Checked ? ": on" : ": off"));
                 }};
    std::vector<std::string> calls;

    void Frame(int32_t x, int32_t y, int32_t buttons) {
        UserAt(x, y, buttons);
        Update(box);
    }
};

TEST_F(CheckBoxTest, FacesShowACrossOnlyWhenChecked) {
    CheckBox checked(130, 40, "b", nullptr);
    checked.Checked = 1;
    Draw(box);
    Draw(checked);

    ExpectedFrame expected;
    expected.Place(100, 5, "check_box_unchecked");
    expected.Place(130, 40, "check_box_checked");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(CheckBoxTest, EachPressTogglesOnceAndCallsBackAfterTheChange) {
    for (int frame = 0; frame < 5; ++frame) Frame(107, 12, 1);  // held for five frames
    EXPECT_EQ(box.Checked, 1);
    Frame(107, 12, 0);
    Frame(107, 12, 1);
    Frame(107, 12, 1);
    EXPECT_EQ(box.Checked, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"Wrap lines: on", "Wrap lines: off"}));
}

TEST_F(CheckBoxTest, ReactsOnlyStrictlyInsideItsFrame) {
    // Outside: the frame's own lines at x 100 and 115, y 5 and 20.
    for (auto [x, y] : {std::pair{100, 12}, {115, 12}, {107, 5}, {107, 20}}) {
        Frame(x, y, 1);
        Frame(x, y, 0);
    }
    EXPECT_EQ(box.Checked, 0);
    // Inside: 101..114 by 6..19.
    for (auto [x, y] : {std::pair{101, 6}, {114, 19}}) {
        Frame(x, y, 1);
        Frame(x, y, 0);
    }
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(CheckBoxTest, APressDraggedOntoTheBoxTogglesNothing) {
    Frame(60, 12, 1);
    for (int x = 90; x <= 110; x += 5) Frame(x, 12, 1);
    EXPECT_EQ(box.Checked, 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(CheckBoxTest, OnlyTheLeftButtonAloneCounts) {
    Frame(107, 12, 3);
    Frame(107, 12, 0);
    Frame(107, 12, 2);
    EXPECT_EQ(box.Checked, 0);
    // Left and right together, then right released: the left is now alone but was held
    // already, which counts as a new press.
    Frame(107, 12, 3);
    Frame(107, 12, 1);
    EXPECT_EQ(box.Checked, 1);
}

TEST_F(CheckBoxTest, AHiddenBoxKeepsItsLatch) {
    Frame(107, 12, 1);  // toggles on and latches
    Hide(box);
    Frame(107, 12, 0);  // the release goes unseen
    Frame(107, 12, 1);
    EXPECT_EQ(box.PressLatch, 1);
    Show(box);
    Frame(107, 12, 1);  // still latched from before hiding: no toggle
    EXPECT_EQ(box.Checked, 1);
    Frame(107, 12, 0);
    Frame(107, 12, 1);
    EXPECT_EQ(box.Checked, 0);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(CheckBoxTest, AHiddenBoxNeitherTogglesNorDrawsNorErases) {
    Hide(box);
    Frame(107, 12, 1);
    EXPECT_EQ(box.PressLatch, 0);
    Draw(box);
    Erase(box);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));
    Show(box);
    Frame(107, 12, 1);  // the latch stayed clear, so this press counts
    EXPECT_EQ(box.Checked, 1);
}

TEST_F(CheckBoxTest, EraseCoversMoreThanTheFace) {
    Draw(box);
    Erase(box);
    ExpectedFrame expected;
    expected.Fill(100, 5, 125, 30, 0x00000000);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(CheckBoxTest, InAGuiTheCallbackFindsTheBoxAlreadyToggled) {
    GUI gui;
    std::vector<int> seen;
    AddCheckBox(gui, 10, 60, "First", nullptr);
    const int32_t number = AddCheckBox(gui, 40, 60, "Second", [&](const std::string&) {
        seen.push_back(GetCheckBox(gui, 2)->Checked);
    });
    EXPECT_EQ(number, 2);
    for (int buttons : {1, 0, 1, 0}) {
        UserAt(47, 67, buttons);
        Update(gui);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 0}));
    EXPECT_EQ(GetCheckBox(gui, 1)->Checked, 0);
}

}  // namespace

#include "gui/radio_button.h"

#include <utility>

#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

class RadioButtonTest : public WidgetTest {
protected:
    RadioButtonTest() {
        AddOption(group, 20, 20);
        AddOption(group, 20, 40);
        AddOption(group, 20, 60);
    }

    RadioButton group{"Size", [this](const std::string& id) { calls.push_back(id); }};
    std::vector<std::string> calls;

    void Frame(int32_t x, int32_t y, int32_t buttons) {
        UserAt(x, y, buttons);
        Update(group);
    }
};

TEST_F(RadioButtonTest, StartsUncheckedAndDrawsRimAndFaceOfEveryOption) {
    EXPECT_EQ(group.Selected, -1);
    Draw(group);
    ExpectedFrame expected;
    for (int32_t y : {20, 40, 60}) expected.Place(20, y, "radio_option");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(RadioButtonTest, SelectionMovesAndOnlyTheCheckedOptionHasADot) {
    Frame(25, 45, 1);
    Frame(25, 45, 0);
    EXPECT_EQ(group.Selected, 1);
    Frame(25, 65, 1);
    Frame(25, 65, 0);
    EXPECT_EQ(group.Selected, 2);
    EXPECT_EQ(group.Options[1].Checked, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"Size", "Size"}));

    Draw(group);
    ExpectedFrame expected;
    expected.Place(20, 20, "radio_option");
    expected.Place(20, 40, "radio_option");
    expected.Place(20, 60, "radio_option_checked");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(RadioButtonTest, CallsOnEveryUpdateWhileTheLeftButtonIsHeld) {
    for (int frame = 0; frame < 4; ++frame) Frame(25, 25, 1);
    EXPECT_EQ(calls.size(), 4u);
    Frame(25, 25, 3);  // left and right together
    Frame(25, 25, 2);
    EXPECT_EQ(calls.size(), 4u);
}

TEST_F(RadioButtonTest, TheCellEdgesAreNoHit) {
    for (auto [x, y] : {std::pair{20, 25}, {30, 25}, {25, 20}, {25, 30}}) Frame(x, y, 1);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(group.Selected, -1);
    Frame(21, 21, 1);
    Frame(29, 29, 1);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(RadioButtonTest, APointerOutsideTheWindowHitsNothing) {
    Frame(25, 25, 1);
    headless::PointerLeaves();
    headless::Sync();
    Update(group);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(RadioButtonTest, OverlappingCellsFireForEachHitAndTheLastStaysChecked) {
    AddOption(group, 100, 20);
    AddOption(group, 105, 22);
    Frame(107, 25, 1);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(group.Selected, 4);
    EXPECT_EQ(group.Options[3].Checked, 0);
    EXPECT_EQ(group.Options[4].Checked, 1);
}

TEST_F(RadioButtonTest, AGroupWithoutOptionsDrawsAndCallsNothing) {
    RadioButton empty("Empty", [this](const std::string& id) { calls.push_back(id); });
    UserAt(0, 0, 1);
    Update(empty);
    Draw(empty);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));
}

TEST_F(RadioButtonTest, AHiddenGroupIgnoresClicksDrawsAndErasesNothing) {
    Frame(25, 45, 1);
    Frame(25, 45, 0);
    Hide(group);
    Frame(25, 65, 1);
    Draw(group);
    Erase(group);
    EXPECT_EQ(group.Selected, 1);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));

    Show(group);
    Draw(group);
    ExpectedFrame expected;
    expected.Place(20, 20, "radio_option");
    expected.Place(20, 40, "radio_option_checked");
    expected.Place(20, 60, "radio_option");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(RadioButtonTest, EraseBlackensADiscAroundEachCellCorner) {
    Draw(group);
    Erase(group);
    ExpectedFrame expected;
    expected.Place(10, 10, "radio_group_erased");
    EXPECT_TRUE(ShowsFrame(expected));
}

}  // namespace

// Runs out of memory for a radio group's option array on purpose; lives in a program of its own
// because it replaces the allocator.
#include "gui/radio_button.h"
#include "tests/gui/widget_test_support.h"
#include "tests/support/failing_allocator.h"

namespace {

using namespace widget_test;

class RadioButtonConstructionTest : public WidgetTest {};

TEST_F(RadioButtonConstructionTest, NoRoomForAnOptionShowsItsMessageAndEndsWithMinusOne) {
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            failing_allocator::FailNextAllocationOf(sizeof(RadioOption));
            RadioButton group("Size", nullptr);
        },
        ::testing::ExitedWithCode(255),
        ShownOnClearedScreen("[ERROR] Zero pointer exception in: Constructor RadioButton()"));
}

TEST_F(RadioButtonConstructionTest, WithRoomTheGroupStartsEmptyWithRoomForOneOption) {
    RadioButton group("Size", nullptr);
    EXPECT_TRUE(group.Options.empty());
    EXPECT_GE(group.Options.capacity(), 1u);
    EXPECT_EQ(group.Selected, -1);
}

}  // namespace

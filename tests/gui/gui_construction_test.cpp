// Runs out of memory for the GUI's first list on purpose; lives in a program of its own because it
// replaces the allocator.
#include "gui/gui.h"
#include "tests/gui/widget_test_support.h"
#include "tests/support/failing_allocator.h"

namespace {

using namespace widget_test;

class GuiConstructionTest : public WidgetTest {};

TEST_F(GuiConstructionTest, ListWithoutMemoryShowsItsMessageAndEndsWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            Cursor drawnOnce;  // the first drawing of this thread sets up what it needs
            failing_allocator::FailNextAllocationOf(sizeof(void*));
            GUI gui;
        },
        ::testing::ExitedWithCode(255),
        "screen text: \\[ERROR\\] Zero pointer exception in Constructor GUI\\(\\)\n");
}

TEST_F(GuiConstructionTest, EnoughMemoryBuildsTheGuiWithEmptyLists) {
    GUI gui;
    EXPECT_EQ(Count(gui.Labels), 0);
    EXPECT_EQ(Count(gui.TextAreas), 0);
    EXPECT_EQ(gui.StopFlag, 0);
    EXPECT_EQ(gui.Regulator.FramesPerSecond, 60);
    EXPECT_EQ(gui.Pointer.Hidden, 1);
}

}  // namespace

// Runs out of memory for the GUI's first list on purpose; lives in a program of its own because it
// replaces the allocator.
#include <atomic>
#include <cstdlib>
#include <new>

#include "gui/gui.h"
#include "tests/gui/widget_test_support.h"

namespace {

// Set by the test: the next allocation the size of one pointer fails, as a list's first slot is.
std::atomic<bool> failNextPointerSlot = false;

}  // namespace

void* operator new(std::size_t size) {
    if (size == sizeof(void*) && failNextPointerSlot.exchange(false)) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace {

using namespace widget_test;

class GuiConstructionTest : public WidgetTest {};

TEST_F(GuiConstructionTest, ListWithoutMemoryShowsItsMessageAndEndsWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            Cursor drawnOnce;  // the first drawing of this thread sets up what it needs
            failNextPointerSlot = true;
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

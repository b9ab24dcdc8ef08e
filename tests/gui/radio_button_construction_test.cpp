// Runs out of memory for a radio group's option array on purpose; lives in a program of its own
// because it replaces the allocator.
#include <atomic>
#include <cstdlib>
#include <new>

#include "gui/radio_button.h"
#include "tests/gui/widget_test_support.h"

namespace {

// Set by the test: the next allocation the size of one option fails.
std::atomic<bool> failNextOptionSlot = false;

}  // namespace

void* operator new(std::size_t size) {
    if (size == sizeof(RadioOption) && failNextOptionSlot.exchange(false)) throw std::bad_alloc();
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

class RadioButtonConstructionTest : public WidgetTest {};

TEST_F(RadioButtonConstructionTest, NoRoomForAnOptionShowsItsMessageAndEndsWithMinusOne) {
    EXPECT_EXIT(
        {
            DismissFatalMessages();
            failNextOptionSlot = true;
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

#include "gui/gui.h"

#include <chrono>
#include <thread>
#include <tuple>

#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

constexpr uint32_t Black = 0x00000000;

class GuiTest : public WidgetTest {
protected:
    WidgetEvent Recorder(std::string kind) {
        return [this, kind](const std::string& id) { fired_.push_back(kind + " " + id); };
    }
    std::vector<std::string> fired_;
};

TEST_F(GuiTest, AddsNumberEachKindFromOneAndGetsOnlyThoseNumbers) {
    GUI gui;
    EXPECT_EQ(AddLabel(gui, 1, 2, "L1"), 1);
    EXPECT_EQ(AddLabel(gui, 3, 4, "L2"), 2);
    EXPECT_EQ(AddCheckBox(gui, 1, 2, "C", nullptr), 1);
    EXPECT_EQ(AddTextBox(gui, 1, 2, 5), 1);
    EXPECT_EQ(AddTextBox(gui, 1, 2, 5, "two"), 2);
    EXPECT_EQ(AddScrollTextBox(gui, 1, 2, 5, "scroll"), 1);
    EXPECT_EQ(AddPasswordBox(gui, 1, 2, 5), 1);
    EXPECT_EQ(AddButton(gui, "Go", 1, 2, "go", nullptr), 1);
    EXPECT_EQ(AddButton(gui, "Stop", 1, 2, "stop", nullptr), 2);
    EXPECT_EQ(AddRadioButton(gui, "R", nullptr), 1);
    EXPECT_EQ(AddElementList(gui, 1, 2, "E", 5, nullptr), 1);
    EXPECT_EQ(AddDropDown(gui, 1, 2, "D", 5), 1);
    EXPECT_EQ(AddTextArea(gui, 1, 2, 5, 3), 1);

    EXPECT_EQ(GetLabel(gui, 2)->Text, "L2");
    EXPECT_EQ(GetTextBox(gui, 2)->Text, "two");
    EXPECT_EQ(GetTextBox(gui, 2)->Kind, TextFieldKind::TextBox);
    EXPECT_EQ(GetScrollTextBox(gui, 1)->Kind, TextFieldKind::ScrollTextBox);
    EXPECT_EQ(GetPasswordBox(gui, 1)->Kind, TextFieldKind::PasswordBox);
    EXPECT_EQ(GetButton(gui, 2)->ButtID, "stop");
    EXPECT_EQ(GetTextArea(gui, 1)->Rows, 3);
    for (int32_t outside : {0, -1, 3}) {
        EXPECT_EQ(GetLabel(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetTextBox(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetButton(gui, outside), nullptr) << outside;
    }
    for (int32_t outside : {0, -1, 2}) {
        EXPECT_EQ(GetCheckBox(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetScrollTextBox(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetPasswordBox(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetRadioButton(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetElementList(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetDropDown(gui, outside), nullptr) << outside;
        EXPECT_EQ(GetTextArea(gui, outside), nullptr) << outside;
    }
    EXPECT_NE(GetCheckBox(gui, 1), nullptr);
    EXPECT_NE(GetRadioButton(gui, 1), nullptr);
    EXPECT_NE(GetElementList(gui, 1), nullptr);
    EXPECT_NE(GetDropDown(gui, 1), nullptr);
}

TEST_F(GuiTest, EmptyGuiDrawsNothingAndShowsTheSystemPointerFromItsFirstUpdate) {
    GUI gui;
    SetMouse(-1, -1, 0, -1);
    Draw(gui);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));

    UserAt(100, 20);
    Update(gui);
    Draw(gui);
    headless::Sync();  // the window thread applies the pointer's visibility
    EXPECT_TRUE(headless::PointerShown());
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));
}

TEST_F(GuiTest, PointerSpriteOverEveryTextEntryAndTextAreaOnly) {
    GUI gui;
    AddTextBox(gui, 10, 10, 5);
    AddScrollTextBox(gui, 10, 30, 5);
    AddPasswordBox(gui, 10, 50, 5);
    AddTextArea(gui, 10, 70, 5, 2);
    AddButton(gui, "Go", 100, 10, "go", nullptr);
    const std::tuple<int32_t, int32_t, bool> cases[] = {
        {20, 15, true}, {300, 100, false}, {20, 35, true},   {105, 15, false},
        {20, 55, true}, {20, 75, true},    {300, 100, false}};
    for (const auto& [x, y, sprite] : cases) {
        UserAt(x, y);
        Update(gui);
        headless::Sync();
        EXPECT_EQ(headless::PointerShown(), !sprite) << x << ", " << y;
        EXPECT_EQ(gui.Pointer.Hidden, sprite ? 0 : 1) << x << ", " << y;
        if (sprite) {
            EXPECT_EQ(gui.Pointer.X, x);
        }
    }
}

TEST_F(GuiTest, DrawsKindsInOrderWithThePointerOnTop) {
    GUI gui;
    AddButton(gui, "Start", 40, 12, "start", nullptr);  // added first, drawn after the field
    AddTextBox(gui, 30, 20, 10, "ab");
    AddLabel(gui, 10, 10, "Status");  // added last, drawn first
    UserAt(36, 25);
    Update(gui);
    Draw(gui);

    ExpectedFrame expected;
    expected.Place(10, 10, "label_status");
    expected.Place(30, 20, "text_field_showing_ab");
    expected.Place(40, 12, "button_start");
    expected.Place(36, 25, "pointer_sprite");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(GuiTest, UpdatesKindsInOrderAndTheFirstFocusedFieldTakesTheKey) {
    GUI gui;
    AddButton(gui, "Both", 20, 20, "button", Recorder("Button"));
    AddCheckBox(gui, 20, 20, "check", Recorder("CheckBox"));
    UserAt(25, 25, 1);
    Update(gui);
    EXPECT_EQ(fired_, (std::vector<std::string>{"CheckBox check", "Button button"}));

    AddPasswordBox(gui, 10, 100, 5);
    AddScrollTextBox(gui, 10, 80, 5);
    AddTextBox(gui, 10, 60, 5);
    UserAt(300, 150);
    Update(gui);
    GetPasswordBox(gui, 1)->Focused = 1;
    GetScrollTextBox(gui, 1)->Focused = 1;
    UserTypes("a");
    Update(gui);
    EXPECT_EQ(GetScrollTextBox(gui, 1)->Text, "a");
    GetTextBox(gui, 1)->Focused = 1;
    UserTypes("b");
    Update(gui);
    UserTypes("c");
    Update(gui);
    EXPECT_EQ(GetTextBox(gui, 1)->Text, "bc");
    EXPECT_EQ(GetScrollTextBox(gui, 1)->Text, "a");
    EXPECT_EQ(GetPasswordBox(gui, 1)->Text, "");
}

TEST_F(GuiTest, EraseBlackensLabelsAndEveryOtherWidgetAndThePointer) {
    GUI gui;
    AddLabel(gui, 10, 10, "Label");
    AddTextBox(gui, 10, 40, 4);
    AddButton(gui, "Go", 100, 40, "go", nullptr);
    UserAt(20, 42);
    Update(gui);  // the sprite now follows the pointer: PrevX/PrevY are still (0, 0)
    Draw(gui);
    Erase(gui);

    ExpectedFrame expected;
    expected.Fill(10, 10, 10 + 8 * 5 + 4, 22, Black);
    expected.Fill(10, 40, 10 + 8 * 4 + 4, 52, Black);
    expected.Fill(100, 40, 121, 57, Black);
    expected.Fill(0, 0, 5, 10, Black);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(GuiTest, EventsFireBeforeTheFrameIsDrawnAndChangeWidgetsThroughGets) {
    GUI gui;
    FrameRegulator regulator(60);
    AddScrollTextBox(gui, 10, 10, 10);
    AddButton(gui, "Start", 10, 40, "start",
              [&gui](const std::string&) { GetScrollTextBox(gui, 1)->Text = "ab"; });
    UserAt(20, 45, 1);

    Update(gui);
    LockScreen();
    ClearScreen();
    Draw(gui);
    UnlockScreen(-1, -1);
    Regulate(regulator);

    ExpectedFrame expected;
    expected.Place(10, 10, "text_field_showing_ab");
    expected.Place(10, 40, "button_start");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(GuiTest, BackgroundLoopRunsAtTwentyFramesUntilStopped) {
    GUI gui;
    std::atomic<int32_t> events = 0;
    std::atomic<bool> onOtherThread = false;
    const auto host = std::this_thread::get_id();
    AddButton(gui, "Start", 20, 20, "start", [&](const std::string&) {
        onOtherThread = std::this_thread::get_id() != host;
        ++events;
    });
    UserAt(25, 25, 1);

    StartBackground(gui);
    const auto start = std::chrono::steady_clock::now();
    while (events < 4 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    StopBackground(gui);
    const auto took = std::chrono::steady_clock::now() - start;
    const int32_t afterStop = events;

    EXPECT_GE(afterStop, 4);
    EXPECT_TRUE(onOtherThread);
    EXPECT_EQ(gui.Regulator.FramesPerSecond, 20);
    EXPECT_GE(took, std::chrono::milliseconds(140));  // three paced frames of 50 ms
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(events, afterStop);
    // Each pass erased before it drew: the button's erase is a pixel wider and taller than its
    // face, and the pointer's covers its last place, (0, 0).
    ExpectedFrame expected;
    expected.Fill(20, 20, 65, 37, Black);
    expected.Place(20, 20, "button_start");
    expected.Fill(0, 0, 5, 10, Black);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(GuiTest, StopBeforeStartMakesTheLoopReturnAtOnce) {
    GUI gui;
    AddButton(gui, "Hold", 20, 20, "hold", Recorder("Button"));
    UserAt(25, 25, 1);
    StopBackground(gui);
    RunBackground(gui);
    StartBackground(gui);
    StopBackground(gui);
    EXPECT_TRUE(fired_.empty());
}

TEST_F(GuiTest, DestroyingTheGuiEndsItsBackgroundLoopFirst) {
    std::atomic<int32_t> events = 0;
    UserAt(25, 25, 1);
    {
        GUI gui;
        AddButton(gui, "Hold", 20, 20, "hold", [&events](const std::string&) { ++events; });
        StartBackground(gui);
        StartBackground(gui);  // already running: no second loop on the same widgets
        while (events < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const int32_t atDestruction = events;
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(events, atDestruction);
}

TEST_F(GuiTest, HandlerMayAddAWidgetWhileTheGuiUpdates) {
    GUI gui;
    for (int32_t i = 0; i < 3; ++i) AddButton(gui, "Go", 20, 20, "go", nullptr);
    AddButton(gui, "Add", 20, 20, "add", [&gui](const std::string&) {
        if (Count(gui.Buttons) < 40) AddButton(gui, "New", 100, 100, "new", nullptr);
    });
    UserAt(25, 25, 1);
    Update(gui);
    EXPECT_EQ(Count(gui.Buttons), 5);
    EXPECT_EQ(GetButton(gui, 5)->ButtID, "new");
}

TEST_F(GuiTest, ATapReachesEveryWidgetOfTheUpdateOnce) {
    GUI gui;
    AddTextBox(gui, 10, 10, 5);
    AddTextBox(gui, 10, 30, 5);
    AddButton(gui, "Go", 100, 10, "go", Recorder("Button"));
    GetTextBox(gui, 1)->Focused = 1;
    // Pressed and released before the Update: the first field sees a click outside, the second
    // the same click inside.
    const auto tap = [](int32_t x, int32_t y) {
        headless::MovePointer(x, y);
        headless::SetButtons(1);
        headless::SetButtons(0);
        headless::Sync();
    };
    tap(20, 35);
    Update(gui);
    EXPECT_EQ(GetTextBox(gui, 1)->Focused, 0);
    EXPECT_EQ(GetTextBox(gui, 2)->Focused, 1);
    tap(105, 15);
    Update(gui);
    Update(gui);
    EXPECT_EQ(fired_, (std::vector<std::string>{"Button go"}));
}

TEST(GuiDeathTest, WithoutAScreenThePointerSpriteEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(GUI(), ::testing::ExitedWithCode(255), "Constructor Cursor\\(\\)");
}

}  // namespace

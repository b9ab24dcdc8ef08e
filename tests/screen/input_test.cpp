// Pointer, keys and waiting as the program polls them, with the desktop played by the tests.
#include <chrono>
#include <future>
#include <thread>
#include <tuple>

#include "screen/keyboard.h"
#include "tests/support/headless_screen.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Mouse {
    int32_t x, y, wheel, buttons, clip, status;
};

Mouse ReadMouse() {
    Mouse m{};
    m.status = GetMouse(&m.x, &m.y, &m.wheel, &m.buttons, &m.clip);
    return m;
}

}  // namespace

using Input = HeadlessScreen;

TEST_F(Input, PointerInsideOutsideAndWheel) {
    Mouse m = ReadMouse();
    EXPECT_EQ(m.status, 1);  // the pointer has not entered yet
    headless::MovePointer(10, 20);
    headless::Wheel(3);
    headless::Wheel(120);
    headless::Wheel(-1);
    headless::Sync();
    m = ReadMouse();
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.x, 10);
    EXPECT_EQ(m.y, 20);
    EXPECT_EQ(m.wheel, 1);  // +1, +1, -1 whatever the deltas
    EXPECT_EQ(m.buttons, 0);
    headless::PointerLeaves();
    headless::Sync();
    m = ReadMouse();
    EXPECT_EQ(m.status, 1);
    for (int32_t v : {m.x, m.y, m.wheel, m.buttons, m.clip}) EXPECT_EQ(v, -1);
    // Optional outputs may be left out.
    int32_t x = 0, y = 0;
    EXPECT_EQ(GetMouse(&x, &y), 1);
}

TEST_F(Input, ButtonsCaptureAndFocusClearsThem) {
    headless::MovePointer(5, 5);
    headless::SetButtons(1 | 4);
    headless::Sync();
    EXPECT_EQ(ReadMouse().buttons, 5);
    EXPECT_TRUE(headless::PointerCaptured());
    headless::SetFocus(false);
    headless::Sync();
    EXPECT_EQ(ReadMouse().status, 1);  // inactive: everything -1
    headless::SetFocus(true);
    headless::Sync();
    EXPECT_EQ(ReadMouse().buttons, 0);  // until pressed again
    headless::SetButtons(1);
    headless::Sync();
    EXPECT_EQ(ReadMouse().buttons, 1);
    headless::SetButtons(0);
    headless::Sync();
    EXPECT_FALSE(headless::PointerCaptured());
    headless::SetMinimised(true);
    headless::Sync();
    EXPECT_EQ(ReadMouse().status, 1);
}

TEST_F(Input, HeldKeysFollowTheDesktopWhileActive) {
    EXPECT_EQ(IsKeyDown(1), 0);
    headless::SetKeyHeld(1, true);
    headless::SetKeyHeld(74, true);  // no desktop key is bound to 74
    headless::Sync();
    EXPECT_EQ(IsKeyDown(1), -1);
    EXPECT_EQ(IsKeyDown(74), 0);
    EXPECT_EQ(IsKeyDown(128), 0);
    EXPECT_EQ(IsKeyDown(-1), 0);
    headless::SetFocus(false);
    headless::Sync();
    EXPECT_EQ(IsKeyDown(1), 0);  // cleared, and not refreshed while inactive
    headless::SetFocus(true);
    headless::Sync();
    EXPECT_EQ(IsKeyDown(1), -1);
    headless::SetKeyHeld(1, false);
    headless::Sync();
    EXPECT_EQ(IsKeyDown(1), 0);
}

TEST_F(Input, ExtendedKeysCloseBoxAndRepeats) {
    EXPECT_FALSE(CloseRequested());
    headless::PressKey((72 << 8) | 0xFF);
    headless::PressCloseBox();
    headless::TypeCharacter(13);
    headless::TypeCharacter('x', 3);
    headless::Sync();
    EXPECT_EQ(ReadKey(), "\xFFH");
    EXPECT_EQ(ReadKey(), "\xFFk");
    EXPECT_EQ(ReadKey(), "\r");
    EXPECT_EQ(ReadKey(), "x");
    EXPECT_EQ(ReadKey(), "x");
    EXPECT_EQ(WaitKey(), 'x');
    EXPECT_TRUE(ScreenIsOpen());    // the close box never closes anything
    EXPECT_TRUE(CloseRequested());  // for the whole run, its key read or not
    headless::TypeCharacter(0x81);
    headless::Sync();
    EXPECT_EQ(WaitKey(), 0x81);
}

TEST_F(Input, SleepEndsAtAKeyPressedAfterTheLastPoll) {
    headless::TypeText("ab");
    headless::Sync();
    EXPECT_EQ(ReadKey(), "a");  // clears the flag; "b" still waits
    const auto start = Clock::now();
    auto typist = std::async(std::launch::async, [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        headless::TypeCharacter('c');
    });
    EXPECT_EQ(SleepMs(-1), 0);
    EXPECT_GE(MillisecondsSince(start), 140);
    typist.get();
    EXPECT_EQ(ReadKey(), "b");
    EXPECT_EQ(ReadKey(), "c");
}

TEST_F(Input, ShortSleepsIgnoreKeysAndLongOnesPollOnlyBeforeSlices) {
    headless::TypeCharacter('k');
    headless::Sync();
    auto start = Clock::now();
    SleepMs(99);
    EXPECT_GE(MillisecondsSince(start), 98);  // never cut short
    start = Clock::now();
    SleepMs(100);
    EXPECT_LT(MillisecondsSince(start), 45);  // cut at its start: the flag was still set
    EXPECT_EQ(ReadKey(), "k");                // the key that ended the wait stays readable
    start = Clock::now();
    SleepMs(100);
    EXPECT_GE(MillisecondsSince(start), 98);  // flag taken by the poll before: full length
    headless::TypeCharacter('z');
    headless::Sync();
    start = Clock::now();
    SleepMs(300, 1);  // plain: never looks at the keyboard
    EXPECT_GE(MillisecondsSince(start), 298);
    EXPECT_EQ(SleepMs(10, 2), 1);
    start = Clock::now();
    EXPECT_EQ(SleepMs(-5), 0);
    EXPECT_LT(MillisecondsSince(start), 20);
}

TEST_F(Input, SetMouseShowsHidesConfinesAndMoves) {
    headless::MovePointer(7, 8);
    headless::Sync();
    EXPECT_EQ(SetMouse(-1, -1, 0, -1), 0);
    headless::Sync();
    EXPECT_FALSE(headless::PointerShown());
    Mouse m = ReadMouse();
    EXPECT_EQ(m.x, 7);
    EXPECT_EQ(m.y, 8);
    SetMouse(-1, -1, 1, 1);
    headless::Sync();
    EXPECT_TRUE(headless::PointerShown());
    EXPECT_TRUE(headless::PointerConfined());
    EXPECT_EQ(ReadMouse().clip, 1);
    SetMouse(900, -3, -1, 0);
    headless::Sync();
    EXPECT_FALSE(headless::PointerConfined());
    m = ReadMouse();
    EXPECT_EQ(m.x, 639);
    EXPECT_EQ(m.y, 0);
}

TEST_F(Input, TheBusyPointerShowsWhereSetMouseHidItAndGivesItBack) {
    SetMouse(-1, -1, 0, -1);
    SetBusyPointer(true);
    headless::Sync();
    EXPECT_TRUE(headless::PointerBusy());
    EXPECT_TRUE(headless::PointerShown());
    SetBusyPointer(false);
    headless::Sync();
    EXPECT_FALSE(headless::PointerBusy());
    EXPECT_FALSE(headless::PointerShown());
}

TEST_F(Input, WithoutAScreenNothingIsReported) {
    CloseScreen();
    EXPECT_EQ(ReadMouse().status, 1);
    EXPECT_EQ(SetMouse(1, 1, 1, 1), 1);
    EXPECT_EQ(IsKeyDown(1), 0);
    EXPECT_EQ(ReadKey(), "");
    EXPECT_EQ(WaitKey(), 0);
    const double t0 = Timer();
    SleepMs(20, 1);
    EXPECT_GE(Timer() - t0, 0.019);
}

TEST_F(Input, ClipboardTextComesFromTheDesktopWhileTheScreenIsOpen) {
    EXPECT_EQ(ClipboardText(), "");
    headless::SetClipboardText("C:\\pictures\\caf\xC3\xA9.bmp");
    EXPECT_EQ(ClipboardText(), "C:\\pictures\\caf\xC3\xA9.bmp");
    CopyToClipboard("copied \xC3\xA4");  // carried out before a later read
    EXPECT_EQ(ClipboardText(), "copied \xC3\xA4");
    CloseScreen();
    CopyToClipboard("nowhere");
    EXPECT_EQ(ClipboardText(), "");
}

TEST_F(Input, APressReleasedBetweenTwoPollsReadsAsHeldOnce) {
    using namespace screen_internal;
    headless::MovePointer(5, 5);
    for (const bool focusChanges : {false, true}) {  // a focus change drops the latches
        headless::SetButtons(1);
        headless::SetButtons(0);
        headless::PressDesktopKey(hid::Left);  // tapped: no held state ever sampled
        headless::PressDesktopKey(hid::RightShift);
        if (focusChanges) {
            headless::SetFocus(false);
            headless::SetFocus(true);
        }
        headless::Sync();
        const int32_t latched = focusChanges ? 0 : 1;
        EXPECT_EQ(ReadMouse().buttons, latched);
        EXPECT_EQ(ReadMouse().buttons, 0);
        for (int32_t scanCode : {75, 42, 54}) EXPECT_EQ(IsKeyDown(scanCode), -latched) << scanCode;
        EXPECT_EQ(IsKeyDown(75), 0);
        EXPECT_EQ(IsKeyDown(77), 0);
    }
    headless::SetButtons(4);  // held: on every poll
    headless::Sync();
    EXPECT_EQ(ReadMouse().buttons, 4);
    EXPECT_EQ(ReadMouse().buttons, 4);
}

TEST_F(Input, TypedCharactersKeepTheirUnicodeValueBesideTheCode) {
    headless::TypeText("\xC3\xA4\xE2\x82\xAC");  // a-umlaut has a code, the euro sign none
    headless::PressDesktopKey(screen_internal::hid::Insert, screen_internal::ShiftHeld);
    headless::Sync();
    const KeyPress umlaut = ReadKeyPress();
    const KeyPress euro = ReadKeyPress();
    EXPECT_EQ(std::pair(umlaut.code, umlaut.character), std::pair(0x84, char32_t{0xE4}));
    EXPECT_EQ(std::pair(euro.code, euro.character), std::pair(int32_t{'?'}, char32_t{0x20AC}));
    EXPECT_EQ(ReadKey(), "\xFFR");  // Shift+Insert, which pastes, reads as Insert
}

// Shift and Ctrl go with each key pressed, for the editors: a key waiting in the buffer keeps
// what was held when it was pressed.
TEST_F(Input, KeysCarryTheShiftAndCtrlHeldWithThem) {
    using namespace screen_internal;
    const std::tuple<uint32_t, uint32_t, char32_t, int32_t, bool, bool> cases[] = {
        // usage, modifiers, character; code, shift, ctrl
        {hid::Left, ShiftHeld, 0, (75 << 8) | 0xFF, true, false},
        {hid::Left, ShiftHeld | CtrlHeld, 0, (115 << 8) | 0xFF, true, true},
        {hid::Home, 0, 0, (71 << 8) | 0xFF, false, false},
        {hid::A, CtrlHeld, U'a', 1, false, true},
        {hid::Backspace, CtrlHeld, 0, 8, false, true},
    };
    for (const auto& [usage, modifiers, character, code, shift, ctrl] : cases)
        headless::PressDesktopKey(usage, modifiers, character);
    headless::Sync();
    for (const auto& [usage, modifiers, character, code, shift, ctrl] : cases) {
        const KeyPress key = ReadKeyPress();
        EXPECT_EQ(key.code, code) << usage;
        EXPECT_EQ(std::pair(key.shift, key.ctrl), std::pair(shift, ctrl)) << usage;
    }
}

TEST_F(Input, TheFilesOfTheLatestDropAreTakenOnce) {
    headless::DropFiles({"/tmp/old.bmp"});
    headless::DropFiles({"/tmp/B\xC3\xA4ume \xC3\x9C.bmp", "/home/u/b.bmp"});
    headless::Sync();
    EXPECT_EQ(TakeDroppedFiles(),
              (std::vector<std::string>{"/tmp/B\xC3\xA4ume \xC3\x9C.bmp", "/home/u/b.bmp"}));
    EXPECT_TRUE(TakeDroppedFiles().empty());
}

TEST_F(Input, TheWindowTakesTheLatestTitleWholeAsUtf8) {
    EXPECT_EQ(headless::WindowTitle(), "");
    SetWindowTitle("first");
    SetWindowTitle("sunset.png \u2014 4000 \u00d7 3000 \u2014 16 %");
    headless::Sync();
    EXPECT_EQ(headless::WindowTitle(), "sunset.png \u2014 4000 \u00d7 3000 \u2014 16 %");
}

TEST_F(Input, TheKeyBufferKeepsABurstAndDropsTheOldestBeyondItsRoom) {
    // A burst that fits comes back whole, in order; beyond 1023 keys the oldest go first.
    for (const int burst : {300, 1100}) {
        std::string typed;
        for (int i = 0; i < burst; ++i) typed += static_cast<char>('a' + i % 26);
        headless::TypeText(typed);
        headless::Sync();
        const int kept = std::min(burst, 1023);
        for (int i = burst - kept; i < burst; ++i)
            ASSERT_EQ(ReadKey(), std::string(1, static_cast<char>('a' + i % 26))) << i;
        EXPECT_EQ(ReadKey(), "");
    }
}

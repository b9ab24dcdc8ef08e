// The polled view of the user: pointer, held keys and typed keys. The window thread records what
// the desktop reports (the Notify functions, called with the screen lock held); the program's
// threads read it under the screen lock, one input call at a time.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "base/cp437.h"
#include "base/utf8.h"
#include "screen/screen_state.h"

namespace screen_internal {

namespace {

constexpr auto WaitKeyPoll = std::chrono::milliseconds(20);

InputState* Input() {
    ScreenState* s = Screen();
    return s ? &s->input : nullptr;
}

void PushKey(InputState& in, KeyPress key, int32_t repeat) {
    for (int32_t i = 0; i < repeat; ++i) in.keyBuffer.Push(key);
    if (repeat > 0) in.keyPressed = true;
}

// Takes the oldest key; every attempt clears the key-pressed flag.
bool TakeKey(KeyPress& key) {
    ScopedScreenLock lock;
    InputState* in = Input();
    if (!in) return false;
    in->keyPressed = false;
    return in->keyBuffer.Pop(key);
}

// Either Shift key latches both Shift entries, as either holds both.
void LatchKey(InputState& in, uint8_t scanCode) {
    if (scanCode == 0) return;
    in.latchedKeys[scanCode] = 1;
    if (scanCode == scan_code::LeftShift || scanCode == scan_code::RightShift)
        in.latchedKeys[scan_code::LeftShift] = in.latchedKeys[scan_code::RightShift] = 1;
}

}  // namespace

void NotifyPointer(int32_t x, int32_t y, bool inside) {
    if (InputState* in = Input()) {
        in->x = x;
        in->y = y;
        in->inside = inside;
    }
}

void NotifyPointerInside(bool inside) {
    if (InputState* in = Input()) in->inside = inside;
}

void NotifyButton(int32_t bit, bool pressed) {
    InputState* in = Input();
    if (!in || bit < 0 || bit >= PointerButtonCount) return;
    const int32_t before = in->buttons;
    if (pressed) {
        in->buttons |= 1 << bit;
        in->latchedButtons |= 1 << bit;
        if (bit == 0) in->keysAtLeftPress = in->keyBuffer.Pushed();
    } else {
        in->buttons &= ~(1 << bit);
    }
    // The pointer is captured while any button is held, so a drag outside still reports.
    if ((before == 0) != (in->buttons == 0)) in->captureRequest = in->buttons != 0;
}

void NotifyWheel(int32_t delta) {
    if (InputState* in = Input()) in->wheel += delta > 0 ? 1 : -1;
}

void NotifyKeyDown(const KeyDown& key) {
    InputState* in = Input();
    if (!in) return;
    if (!key.repeat) LatchKey(*in, ScanCodeOfUsage(key.usage));
    const KeyPush push = TranslateKeyDown(key);
    if (push.kind == KeyPush::Kind::Code) {
        const bool shift = key.modifiers & ShiftHeld;
        const bool ctrl = key.modifiers & CtrlHeld;
        PushKey(*in, {push.code, push.character, shift, ctrl}, 1);
    } else if (push.kind == KeyPush::Kind::ToggleFullScreen) {
        NotifyFullScreenRequest();
    }
}

void NotifyText(std::string_view utf8) {
    InputState* in = Input();
    if (!in) return;
    for (char32_t c : DecodeUtf8(utf8)) {
        if (c == 0) continue;  // no key code stands for NUL
        const uint8_t code = UnicodeToCp437(c);
        PushKey(*in, {code != 0 ? code : '?', c}, 1);
    }
}

void NotifyKeyCode(int32_t code, int32_t repeat) {
    const char32_t character = code <= 0xFF ? Cp437ToUnicode(static_cast<uint8_t>(code)) : 0;
    if (InputState* in = Input()) PushKey(*in, {code, character}, repeat);
}

void NotifyCharacter(uint8_t code, int32_t repeat) {
    if (code == 0) return;
    if (InputState* in = Input()) PushKey(*in, {code, Cp437ToUnicode(code)}, repeat);
}

void NotifyDroppedFiles(const std::vector<std::string>& paths) {
    InputState* in = Input();
    if (!in || paths.empty()) return;
    in->droppedFiles = paths;
}

void NotifyFocus(bool activated, bool minimised) {
    InputState* in = Input();
    if (!in) return;
    in->active = activated && !minimised;
    in->keys.fill(0);
    in->latchedKeys.fill(0);
    in->buttons = 0;
    in->latchedButtons = 0;
}

void NotifyClose() {
    InputState* in = Input();
    if (!in) return;
    in->closeRequested = true;
    PushKey(*in, {CloseRequestKey, 0}, 1);
}

void NotifyFullScreenRequest() {
    if (ScreenState* s = Screen()) s->fullScreenRequested = true;
}

void NotifyNeedsFullPresent() {
    if (ScreenState* s = Screen()) s->fullPresent = true;
}

}  // namespace screen_internal

using namespace screen_internal;

int32_t GetMouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons, int32_t* clip) {
    std::lock_guard inputLock(InputMutex());
    ScopedScreenLock lock;
    InputState* in = Input();
    const bool available = in && in->active && in->inside;
    auto put = [](int32_t* out, int32_t value) {
        if (out) *out = value;
    };
    put(x, available ? in->x : -1);
    put(y, available ? in->y : -1);
    put(wheel, available ? in->wheel : -1);
    put(buttons, available ? in->buttons | in->latchedButtons : -1);
    put(clip, available ? in->clip : -1);
    // Every poll takes the latch, reported or not: a tap seen from outside is no click.
    if (in) in->latchedButtons = 0;
    return available ? 0 : 1;
}

int32_t SetMouse(int32_t x, int32_t y, int32_t visibility, int32_t clip) {
    std::lock_guard inputLock(InputMutex());
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    if (!s) return 1;
    InputState& in = s->input;
    if (x >= 0) {
        in.warpX = std::min(x, s->width - 1);
        in.warpY = std::clamp(y, 0, s->height - 1);
        in.warpRequested = true;
        in.x = x;
        in.y = y;
    }
    if (visibility >= 0) {
        in.pointerVisible = visibility > 0;
        in.pointerShapeChanged = true;
    }
    if (clip >= 0) {
        in.clip = clip > 0 ? 1 : 0;
        in.clipChanged = true;
    }
    return 0;
}

void SetBusyPointer(bool busy) {
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    if (!s || s->input.pointerBusy == busy) return;
    s->input.pointerBusy = busy;
    s->input.busyChanged = true;
    if (s->windowThread) s->windowThread->Wake();
}

int32_t IsKeyDown(int32_t scanCode) {
    if (scanCode < 0 || scanCode >= ScanCodeCount) return 0;
    std::lock_guard inputLock(InputMutex());
    ScopedScreenLock lock;
    InputState* in = Input();
    if (!in) return 0;
    const bool down = in->keys[scanCode] || in->latchedKeys[scanCode];
    in->latchedKeys[scanCode] = 0;
    return down ? -1 : 0;
}

std::string ReadKey() {
    std::lock_guard inputLock(InputMutex());
    KeyPress key;
    if (!TakeKey(key)) return {};
    if (key.code >= 1 && key.code <= 255) return std::string(1, static_cast<char>(key.code));
    return {static_cast<char>(ExtendedKeyMarker), static_cast<char>((key.code >> 8) & 0xFF)};
}

KeyPress ReadKeyPress() {
    std::lock_guard inputLock(InputMutex());
    KeyPress key;
    return TakeKey(key) ? key : KeyPress{};
}

int32_t WaitKey() {
    std::lock_guard inputLock(InputMutex());
    KeyPress key;
    while (!TakeKey(key)) {
        if (!ScreenIsOpen()) return 0;
        // Still holding the input lock, as a waiting WaitKey must.
        std::this_thread::sleep_for(WaitKeyPoll);
    }
    return key.code;
}

void DropKeysTypedBeforeClick() {
    std::lock_guard inputLock(InputMutex());
    ScopedScreenLock lock;
    if (InputState* in = Input()) in->keyBuffer.DropBefore(in->keysAtLeftPress);
}

bool CloseRequested() {
    std::lock_guard inputLock(InputMutex());
    ScopedScreenLock lock;
    const InputState* in = Input();
    return in && in->closeRequested;
}

std::vector<std::string> TakeDroppedFiles() {
    std::lock_guard inputLock(InputMutex());
    ScopedScreenLock lock;
    InputState* in = Input();
    return in ? std::exchange(in->droppedFiles, {}) : std::vector<std::string>();
}

namespace screen_internal {

bool PollKeyPressed() {
    ScopedScreenLock lock;
    InputState* in = Input();
    if (!in) return false;
    const bool pressed = in->keyPressed;
    in->keyPressed = false;
    return pressed;
}

}  // namespace screen_internal

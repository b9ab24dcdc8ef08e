// The headless back end: no window. Tests play the desktop: what they inject is queued and handed
// to the input sink by the window thread, and what would be shown is kept as a frame to inspect.
#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

#include "screen/backend.h"
#include "screen/headless.h"
#include "screen/screen_state.h"
#include "screen/window_thread.h"

namespace screen_internal {

namespace {

enum class EventKind { Pointer, Leave, Button, Wheel, Character, KeyCode, Focus, Close };

struct Event {
    EventKind kind;
    int32_t a = 0;
    int32_t b = 0;
};

struct HeadlessDesktop {
    std::mutex mutex;  // guards everything below; tests and the window thread share it
    std::deque<Event> events;
    std::array<uint8_t, 128> heldKeys{};
    int32_t buttons = 0;
    bool active = true;
    bool minimised = false;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> frame;
    int64_t presents = 0;
    bool pointerShown = true;
    bool pointerConfined = false;
    bool pointerCaptured = false;
};

HeadlessDesktop& Desktop() {
    static HeadlessDesktop desktop;
    return desktop;
}

void Queue(Event event) {
    {
        std::lock_guard lock(Desktop().mutex);
        Desktop().events.push_back(event);
    }
    if (ScreenState* s = Screen(); s && s->windowThread) s->windowThread->Wake();
}

bool Create(int32_t width, int32_t height, const char* /*title*/) {
    HeadlessDesktop& d = Desktop();
    std::lock_guard lock(d.mutex);
    d.events.clear();
    d.heldKeys.fill(0);
    d.buttons = 0;
    d.active = true;
    d.minimised = false;
    d.width = width;
    d.height = height;
    d.frame.assign(static_cast<size_t>(width) * height, 0);
    d.presents = 0;
    d.pointerShown = true;
    d.pointerConfined = false;
    d.pointerCaptured = false;
    return true;
}

void Present(const uint8_t* frame, int32_t width, int32_t /*height*/, int32_t first, int32_t last) {
    HeadlessDesktop& d = Desktop();
    std::lock_guard lock(d.mutex);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::memcpy(d.frame.data() + static_cast<size_t>(first) * width, frame + first * rowBytes,
                rowBytes * static_cast<size_t>(last - first + 1));
    ++d.presents;
}

void Deliver(const Event& e) {
    switch (e.kind) {
        case EventKind::Pointer:
            NotifyPointer(e.a, e.b, true);
            break;
        case EventKind::Leave:
            NotifyPointerInside(false);
            break;
        case EventKind::Button:
            NotifyButton(e.a, e.b != 0);
            break;
        case EventKind::Wheel:
            NotifyWheel(e.a);
            break;
        case EventKind::Character:
            NotifyCharacter(static_cast<uint8_t>(e.a), e.b);
            break;
        case EventKind::KeyCode:
            NotifyKeyCode(e.a, e.b);
            break;
        case EventKind::Focus:
            NotifyFocus(e.a != 0, e.b != 0);
            break;
        case EventKind::Close:
            NotifyClose();
            break;
    }
}

void Pump() {
    std::deque<Event> events;
    {
        std::lock_guard lock(Desktop().mutex);
        events.swap(Desktop().events);
    }
    for (const Event& e : events) Deliver(e);
}

void SampleKeys(uint8_t* table) {
    std::lock_guard lock(Desktop().mutex);
    std::copy(Desktop().heldKeys.begin(), Desktop().heldKeys.end(), table);
}

void ShowPointer(bool shown) {
    std::lock_guard lock(Desktop().mutex);
    Desktop().pointerShown = shown;
}

void ConfinePointer(bool confined) {
    std::lock_guard lock(Desktop().mutex);
    Desktop().pointerConfined = confined;
}

void CapturePointer(bool captured) {
    std::lock_guard lock(Desktop().mutex);
    Desktop().pointerCaptured = captured;
}

void WarpPointer(int32_t x, int32_t y) {
    NotifyPointer(x, y, true);
}

void Destroy() {}

const Backend kHeadless{"headless",  Create,         Present,        Pump,        SampleKeys,
                        ShowPointer, ConfinePointer, CapturePointer, WarpPointer, Destroy};

}  // namespace

const Backend& HeadlessBackend() {
    return kHeadless;
}

}  // namespace screen_internal

namespace headless {

using namespace screen_internal;

void UseHeadlessBackend() {
    ChooseBackend(&HeadlessBackend());
}

void MovePointer(int32_t x, int32_t y) {
    bool inside;
    {
        std::lock_guard lock(Desktop().mutex);
        inside = x >= 0 && y >= 0 && x < Desktop().width && y < Desktop().height;
    }
    Queue(inside ? Event{EventKind::Pointer, x, y} : Event{EventKind::Leave});
}

void PointerLeaves() {
    Queue({EventKind::Leave});
}

void SetButtons(int32_t mask) {
    int32_t previous;
    {
        std::lock_guard lock(Desktop().mutex);
        previous = Desktop().buttons;
        Desktop().buttons = mask;
    }
    for (int32_t bit = 0; bit < 5; ++bit) {
        const bool was = (previous >> bit) & 1;
        const bool is = (mask >> bit) & 1;
        if (was != is) Queue({EventKind::Button, bit, is ? 1 : 0});
    }
}

void Wheel(int32_t delta) {
    Queue({EventKind::Wheel, delta});
}

void SetKeyHeld(int32_t scanCode, bool held) {
    if (scanCode < 0 || scanCode > 127) return;
    {
        std::lock_guard lock(Desktop().mutex);
        Desktop().heldKeys[scanCode] = held ? 1 : 0;
    }
    if (ScreenState* s = Screen(); s && s->windowThread) s->windowThread->Wake();
}

void TypeCharacter(uint8_t code, int32_t repeat) {
    Queue({EventKind::Character, code, repeat});
}

void TypeText(std::string_view text) {
    for (char c : text) TypeCharacter(static_cast<uint8_t>(c));
}

void PressKey(int32_t keyCode, int32_t repeat) {
    Queue({EventKind::KeyCode, keyCode, repeat});
}

void SetFocus(bool active) {
    bool minimised;
    {
        std::lock_guard lock(Desktop().mutex);
        Desktop().active = active;
        minimised = Desktop().minimised;
        Desktop().buttons = 0;
    }
    Queue({EventKind::Focus, active ? 1 : 0, minimised ? 1 : 0});
}

void SetMinimised(bool minimised) {
    bool active;
    {
        std::lock_guard lock(Desktop().mutex);
        Desktop().minimised = minimised;
        active = Desktop().active;
    }
    Queue({EventKind::Focus, active ? 1 : 0, minimised ? 1 : 0});
}

void PressCloseBox() {
    Queue({EventKind::Close});
}

void Sync() {
    ScreenState* s = Screen();
    if (s && s->windowThread) s->windowThread->WaitCycles(1);
}

std::vector<uint32_t> PresentedFrame() {
    std::lock_guard lock(Desktop().mutex);
    return Desktop().frame;
}

int64_t PresentCount() {
    std::lock_guard lock(Desktop().mutex);
    return Desktop().presents;
}

bool PointerShown() {
    std::lock_guard lock(Desktop().mutex);
    return Desktop().pointerShown;
}

bool PointerConfined() {
    std::lock_guard lock(Desktop().mutex);
    return Desktop().pointerConfined;
}

bool PointerCaptured() {
    std::lock_guard lock(Desktop().mutex);
    return Desktop().pointerCaptured;
}

}  // namespace headless

// The headless back end: no window. Tests play the desktop: what they inject is queued and handed
// to the input sink by the window thread, and what would be shown is kept as a frame to inspect.
// The desktop is the back end's instance. Tests reach it through the open screen; everything in
// it is guarded by the screen lock, which the window thread holds while it calls the back end and
// the test-facing functions take. Injections while no screen is open have nowhere to go and are
// dropped, as a new window starts from a quiet desktop anyway.
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>

#include "screen/backend.h"
#include "screen/headless.h"
#include "screen/screen_state.h"
#include "screen/window_thread.h"

namespace screen_internal {

namespace {

enum class EventKind {
    Pointer,
    Leave,
    Button,
    Wheel,
    Character,
    Text,
    KeyCode,
    DesktopKey,
    Focus,
    Close,
    Drop
};

struct Event {
    EventKind kind;
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    std::vector<std::string> texts = {};
};

struct HeadlessDesktop {
    std::deque<Event> events;
    KeyStateTable heldKeys{};
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
    std::string clipboard;
};

HeadlessDesktop& DesktopOf(void* self) {
    return *static_cast<HeadlessDesktop*>(self);
}

void* Create(int32_t width, int32_t height, const char* /*title*/, std::string& /*failure*/) {
    auto desktop = std::make_unique<HeadlessDesktop>();
    desktop->width = width;
    desktop->height = height;
    desktop->frame.assign(static_cast<size_t>(width) * height, 0);
    return desktop.release();
}

void Present(void* self, const uint8_t* frame, int32_t width, int32_t /*height*/, int32_t first,
             int32_t last) {
    HeadlessDesktop& d = DesktopOf(self);
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
        case EventKind::Text:
            NotifyText(e.texts.front());
            break;
        case EventKind::KeyCode:
            NotifyKeyCode(e.a, e.b);
            break;
        case EventKind::DesktopKey:
            NotifyKeyDown({static_cast<uint32_t>(e.a), static_cast<char32_t>(e.c),
                           static_cast<uint32_t>(e.b)});
            break;
        case EventKind::Focus:
            NotifyFocus(e.a != 0, e.b != 0);
            break;
        case EventKind::Close:
            NotifyClose();
            break;
        case EventKind::Drop:
            NotifyDroppedFiles(e.texts);
            break;
    }
}

void Pump(void* self) {
    std::deque<Event> events;
    events.swap(DesktopOf(self).events);
    for (const Event& e : events) Deliver(e);
}

void SampleKeys(void* self, KeyStateTable& table) {
    table = DesktopOf(self).heldKeys;
}

void ShowPointer(void* self, bool shown) {
    DesktopOf(self).pointerShown = shown;
}

void ConfinePointer(void* self, bool confined) {
    DesktopOf(self).pointerConfined = confined;
}

void CapturePointer(void* self, bool captured) {
    DesktopOf(self).pointerCaptured = captured;
}

void WarpPointer(void* /*self*/, int32_t x, int32_t y) {
    NotifyPointer(x, y, true);
}

void ToggleFullScreen(void* /*self*/) {}  // no window to switch

uint64_t NativeWindowId(void* /*self*/) {
    return 0;
}

std::string ClipboardText(void* self) {
    return DesktopOf(self).clipboard;
}

void Destroy(void* self) {
    std::unique_ptr<HeadlessDesktop> desktop(&DesktopOf(self));
}

constexpr Backend Headless{
    .create = Create,
    .present = Present,
    .pump = Pump,
    .sampleKeys = SampleKeys,
    .showPointer = ShowPointer,
    .confinePointer = ConfinePointer,
    .capturePointer = CapturePointer,
    .warpPointer = WarpPointer,
    .toggleFullScreen = ToggleFullScreen,
    .nativeWindowId = NativeWindowId,
    .clipboardText = ClipboardText,
    .destroy = Destroy,
};

// The open screen's desktop, or nullptr without a headless window. The caller holds the screen
// lock, which keeps the window, and with it the desktop, alive.
HeadlessDesktop* OpenDesktop() {
    const ScreenState* s = Screen();
    if (!s || !s->windowThread || &s->windowThread->BackendInUse() != &Headless) return nullptr;
    return &DesktopOf(s->windowThread->Instance());
}

// Queues an event for the window thread and wakes it; the caller holds the screen lock.
void Queue(HeadlessDesktop& desktop, Event event) {
    desktop.events.push_back(std::move(event));
    Screen()->windowThread->Wake();
}

void QueueOnOpenDesktop(Event event) {
    ScopedScreenLock lock;
    if (HeadlessDesktop* d = OpenDesktop()) Queue(*d, std::move(event));
}

}  // namespace

const Backend& HeadlessBackend() {
    return Headless;
}

}  // namespace screen_internal

namespace headless {

using namespace screen_internal;

void UseHeadlessBackend() {
    ChooseBackend(&HeadlessBackend());
}

void MovePointer(int32_t x, int32_t y) {
    ScopedScreenLock lock;
    HeadlessDesktop* d = OpenDesktop();
    if (!d) return;
    const bool inside = x >= 0 && y >= 0 && x < d->width && y < d->height;
    Queue(*d, inside ? Event{EventKind::Pointer, x, y} : Event{EventKind::Leave});
}

void PointerLeaves() {
    QueueOnOpenDesktop({EventKind::Leave});
}

void SetButtons(int32_t mask) {
    ScopedScreenLock lock;
    HeadlessDesktop* d = OpenDesktop();
    if (!d) return;
    const int32_t previous = d->buttons;
    d->buttons = mask;
    for (int32_t bit = 0; bit < PointerButtonCount; ++bit) {
        const bool was = (previous >> bit) & 1;
        const bool is = (mask >> bit) & 1;
        if (was != is) Queue(*d, {EventKind::Button, bit, is ? 1 : 0});
    }
}

void Wheel(int32_t delta) {
    QueueOnOpenDesktop({EventKind::Wheel, delta});
}

void SetKeyHeld(int32_t scanCode, bool held) {
    if (scanCode < 0 || scanCode >= ScanCodeCount) return;
    ScopedScreenLock lock;
    HeadlessDesktop* d = OpenDesktop();
    if (!d) return;
    d->heldKeys[scanCode] = held ? 1 : 0;
    Screen()->windowThread->Wake();
}

void TypeCharacter(uint8_t code, int32_t repeat) {
    QueueOnOpenDesktop({EventKind::Character, code, repeat});
}

void TypeText(std::string_view utf8) {
    QueueOnOpenDesktop({EventKind::Text, 0, 0, 0, {std::string(utf8)}});
}

void PressKey(int32_t keyCode, int32_t repeat) {
    QueueOnOpenDesktop({EventKind::KeyCode, keyCode, repeat});
}

void PressDesktopKey(uint32_t usage, uint32_t modifiers, char32_t character) {
    QueueOnOpenDesktop({EventKind::DesktopKey, static_cast<int32_t>(usage),
                        static_cast<int32_t>(modifiers), static_cast<int32_t>(character)});
}

void SetFocus(bool active) {
    ScopedScreenLock lock;
    HeadlessDesktop* d = OpenDesktop();
    if (!d) return;
    d->active = active;
    d->buttons = 0;
    Queue(*d, {EventKind::Focus, active ? 1 : 0, d->minimised ? 1 : 0});
}

void SetMinimised(bool minimised) {
    ScopedScreenLock lock;
    HeadlessDesktop* d = OpenDesktop();
    if (!d) return;
    d->minimised = minimised;
    Queue(*d, {EventKind::Focus, d->active ? 1 : 0, minimised ? 1 : 0});
}

void PressCloseBox() {
    QueueOnOpenDesktop({EventKind::Close});
}

void DropFiles(std::vector<std::string> paths) {
    QueueOnOpenDesktop({EventKind::Drop, 0, 0, 0, std::move(paths)});
}

void SetClipboardText(std::string text) {
    ScopedScreenLock lock;
    if (HeadlessDesktop* d = OpenDesktop()) d->clipboard = std::move(text);
}

void Sync() {
    WindowThread::Visit visit;
    {
        ScopedScreenLock lock;
        if (ScreenState* s = Screen(); s && s->windowThread)
            visit = WindowThread::Visit(*s->windowThread);
    }
    // Waiting without the lock, which the window thread needs for its cycles.
    if (visit) visit->WaitCycles(1);
}

std::vector<uint32_t> PresentedFrame() {
    ScopedScreenLock lock;
    const HeadlessDesktop* d = OpenDesktop();
    return d ? d->frame : std::vector<uint32_t>();
}

int64_t PresentCount() {
    ScopedScreenLock lock;
    const HeadlessDesktop* d = OpenDesktop();
    return d ? d->presents : 0;
}

bool PointerShown() {
    ScopedScreenLock lock;
    const HeadlessDesktop* d = OpenDesktop();
    return d && d->pointerShown;
}

bool PointerConfined() {
    ScopedScreenLock lock;
    const HeadlessDesktop* d = OpenDesktop();
    return d && d->pointerConfined;
}

bool PointerCaptured() {
    ScopedScreenLock lock;
    const HeadlessDesktop* d = OpenDesktop();
    return d && d->pointerCaptured;
}

}  // namespace headless

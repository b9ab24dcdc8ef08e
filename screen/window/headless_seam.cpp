// The tests' way into a headless window (headless.h), on the engine's side: they play the desktop
// here. What they inject is handed to the window thread, which delivers it to the input sink on
// its next cycle, as a back end's pump would; the driver's record holds the rest of the desktop
// and what was shown. Everything is done under the screen lock, which keeps the open screen, its
// window thread and the record alive. Injections while no headless window is open have nowhere
// to go and are dropped, as a new window starts from a quiet desktop anyway.
#include <functional>
#include <utility>

#include "screen/screen_state.h"
#include "screen/window/backend_headless.h"
#include "screen/window/headless.h"

namespace {

using namespace screen_internal;

// The open screen's window thread when it drives a headless window, else nullptr. The caller
// holds the screen lock.
WindowThread* HeadlessThread() {
    const ScreenState* s = Screen();
    if (!s || !s->windowThread || &s->windowThread->BackendInUse() != &HeadlessBackend())
        return nullptr;
    return s->windowThread.get();
}

HeadlessWindow* OpenWindow() {
    WindowThread* thread = HeadlessThread();
    return thread ? &HeadlessWindowOf(thread->Instance()) : nullptr;
}

void Inject(std::function<void()> event) {
    ScopedScreenLock lock;
    if (WindowThread* thread = HeadlessThread()) thread->Inject(std::move(event));
}

}  // namespace

namespace headless {

void UseHeadlessBackend() {
    ChooseBackend(&HeadlessBackend());
}

void MovePointer(int32_t x, int32_t y) {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    if (!w) return;
    if (x >= 0 && y >= 0 && x < w->width && y < w->height)
        Inject([x, y] { NotifyPointer(x, y, true); });
    else
        PointerLeaves();
}

void PointerLeaves() {
    Inject([] { NotifyPointerInside(false); });
}

void SetButtons(int32_t mask) {
    ScopedScreenLock lock;
    HeadlessWindow* w = OpenWindow();
    if (!w) return;
    const int32_t changed = w->buttons ^ mask;
    w->buttons = mask;
    for (int32_t bit = 0; bit < PointerButtonCount; ++bit) {
        const bool pressed = (mask >> bit) & 1;
        if ((changed >> bit) & 1) Inject([bit, pressed] { NotifyButton(bit, pressed); });
    }
}

void Wheel(int32_t delta) {
    Inject([delta] { NotifyWheel(delta); });
}

void SetKeyHeld(int32_t scanCode, bool held) {
    if (scanCode < 0 || scanCode >= ScanCodeCount) return;
    ScopedScreenLock lock;
    if (WindowThread* thread = HeadlessThread()) {
        HeadlessWindowOf(thread->Instance()).heldKeys[scanCode] = held ? 1 : 0;
        thread->Wake();
    }
}

void TypeCharacter(uint8_t code, int32_t repeat) {
    Inject([code, repeat] { NotifyCharacter(code, repeat); });
}

void TypeText(std::string_view utf8) {
    Inject([text = std::string(utf8)] { NotifyText(text); });
}

void PressKey(int32_t keyCode, int32_t repeat) {
    Inject([keyCode, repeat] { NotifyKeyCode(keyCode, repeat); });
}

void PressDesktopKey(uint32_t usage, uint32_t modifiers, char32_t character) {
    Inject([key = KeyDown{usage, character, modifiers}] { NotifyKeyDown(key); });
}

void SetFocus(bool active) {
    ScopedScreenLock lock;
    HeadlessWindow* w = OpenWindow();
    if (!w) return;
    w->active = active;
    w->buttons = 0;
    Inject([active, minimised = w->minimised] { NotifyFocus(active, minimised); });
}

void SetMinimised(bool minimised) {
    ScopedScreenLock lock;
    HeadlessWindow* w = OpenWindow();
    if (!w) return;
    w->minimised = minimised;
    Inject([active = w->active, minimised] { NotifyFocus(active, minimised); });
}

void ResizeWindow(int32_t width, int32_t height) {
    ScopedScreenLock lock;
    HeadlessWindow* w = OpenWindow();
    if (!w) return;
    w->width = width;
    w->height = height;
    Inject([width, height] { NotifyResized(width, height); });
}

void PressCloseBox() {
    Inject([] { NotifyClose(); });
}

void DropFiles(std::vector<std::string> paths) {
    Inject([paths = std::move(paths)] { NotifyDroppedFiles(paths); });
}

void SetClipboardText(std::string text) {
    ScopedScreenLock lock;
    if (HeadlessWindow* w = OpenWindow()) w->clipboard = std::move(text);
}

void Sync() {
    // Waiting without the lock, which the window thread needs for its cycles.
    if (WindowThread::Visit visit = VisitWindowThread()) visit->WaitCycles(1);
}

std::vector<uint32_t> PresentedFrame() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w ? w->frame : std::vector<uint32_t>();
}

int32_t PresentedWidth() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w ? w->frameWidth : 0;
}

std::string WindowTitle() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w ? w->title : std::string();
}

int64_t PresentCount() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w ? w->presents : 0;
}

bool PointerShown() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w && w->pointerShown;
}

bool PointerBusy() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w && w->pointerBusy;
}

bool PointerConfined() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w && w->pointerConfined;
}

bool PointerCaptured() {
    ScopedScreenLock lock;
    const HeadlessWindow* w = OpenWindow();
    return w && w->pointerCaptured;
}

}  // namespace headless

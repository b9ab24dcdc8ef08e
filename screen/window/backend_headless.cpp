// The headless back end: no window. What would be shown is kept in the instance's record, and
// the desktop's keyboard and clipboard are read from it; pumping finds nothing, as no desktop
// sends anything.
#include "screen/window/backend_headless.h"

#include <cstring>
#include <memory>

namespace screen_internal {

namespace {

void* Create(int32_t width, int32_t height, const char* /*title*/, bool /*resizable*/,
             std::string& /*failure*/) {
    auto window = std::make_unique<HeadlessWindow>();
    window->width = window->frameWidth = width;
    window->height = window->frameHeight = height;
    window->frame.assign(static_cast<size_t>(width) * height, 0);
    return window.release();
}

// A frame of another size (a resizable screen that followed the window) is shown anew.
void Present(void* self, const uint8_t* frame, int32_t width, int32_t height, int32_t first,
             int32_t last) {
    HeadlessWindow& w = HeadlessWindowOf(self);
    if (width != w.frameWidth || height != w.frameHeight) {
        w.frameWidth = width;
        w.frameHeight = height;
        w.frame.assign(static_cast<size_t>(width) * height, 0);
    }
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::memcpy(w.frame.data() + static_cast<size_t>(first) * width, frame + first * rowBytes,
                rowBytes * static_cast<size_t>(last - first + 1));
    ++w.presents;
}

void Pump(void* /*self*/) {}

void SampleKeys(void* self, KeyStateTable& table) {
    table = HeadlessWindowOf(self).heldKeys;
}

void ShowPointer(void* self, bool shown) {
    HeadlessWindowOf(self).pointerShown = shown;
}

void SetBusyPointer(void* self, bool busy) {
    HeadlessWindowOf(self).pointerBusy = busy;
}

void ConfinePointer(void* self, bool confined) {
    HeadlessWindowOf(self).pointerConfined = confined;
}

void CapturePointer(void* self, bool captured) {
    HeadlessWindowOf(self).pointerCaptured = captured;
}

// The pointer lands where it was sent, as on a desktop.
void WarpPointer(void* /*self*/, int32_t x, int32_t y) {
    NotifyPointer(x, y, true);
}

void ToggleFullScreen(void* /*self*/) {}  // no window to switch

void SetTitle(void* self, const char* title) {
    HeadlessWindowOf(self).title = title;
}

uint64_t NativeWindowId(void* /*self*/) {
    return 0;
}

std::string ClipboardText(void* self) {
    return HeadlessWindowOf(self).clipboard;
}

void SetClipboardText(void* self, const std::string& text) {
    HeadlessWindowOf(self).clipboard = text;
}

void Destroy(void* self) {
    const std::unique_ptr<HeadlessWindow> window(&HeadlessWindowOf(self));
}

constexpr Backend Headless{
    .create = Create,
    .present = Present,
    .pump = Pump,
    .sampleKeys = SampleKeys,
    .showPointer = ShowPointer,
    .setBusyPointer = SetBusyPointer,
    .confinePointer = ConfinePointer,
    .capturePointer = CapturePointer,
    .warpPointer = WarpPointer,
    .toggleFullScreen = ToggleFullScreen,
    .setTitle = SetTitle,
    .nativeWindowId = NativeWindowId,
    .clipboardText = ClipboardText,
    .setClipboardText = SetClipboardText,
    .destroy = Destroy,
};

}  // namespace

const Backend& HeadlessBackend() {
    return Headless;
}

HeadlessWindow& HeadlessWindowOf(void* instance) {
    return *static_cast<HeadlessWindow*>(instance);
}

}  // namespace screen_internal

// A resizable window's frame buffer follows the window: the window thread replaces it when the
// back end reports a new client size, and the program takes the news when it polls.
#include <algorithm>
#include <cstring>
#include <utility>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

// The part of the old frame that fits goes into the new one, black elsewhere, so that the window
// shows no flash of black while the program catches up.
void CopyOverlap(const ScreenState& s, uint8_t* frame, int32_t width, int32_t height) {
    const int64_t pitch = int64_t{width} * s.bytesPerPixel;
    if (s.bytesPerPixel == 4)
        std::fill_n(reinterpret_cast<uint32_t*>(frame), int64_t{width} * height, 0xFF000000u);
    else
        std::memset(frame, 0, static_cast<size_t>(pitch * height));
    const auto rowBytes = static_cast<size_t>(std::min(width, s.width)) * s.bytesPerPixel;
    for (int32_t y = 0; y < std::min(height, s.height); ++y)
        std::memcpy(frame + y * pitch, s.frame.get() + int64_t{y} * s.Pitch(), rowBytes);
}

}  // namespace

void NotifyResized(int32_t width, int32_t height) {
    ScreenState* s = Screen();
    if (!s || !s->resizable || width < 1 || height < 1) return;
    if (width == s->width && height == s->height) return;
    std::unique_ptr<uint8_t, FreeDeleter> frame = AllocateFrame(width, height, s->bytesPerPixel);
    if (!frame) return;  // the old frame stays, shown at its size
    CopyOverlap(*s, frame.get(), width, height);
    s->frame = std::move(frame);
    s->width = width;
    s->height = height;
    s->dirtyRows.assign(static_cast<size_t>(height), 1);
    s->fullPresent = true;
    s->textColumns = width / 8;
    s->textRows = height / 8;
    s->cursorColumn = std::min(s->cursorColumn, std::max(s->textColumns - 1, 0));
    s->cursorRow = std::min(s->cursorRow, std::max(s->textRows - 1, 0));
    s->resize = ScreenSize{width, height};
}

}  // namespace screen_internal

using namespace screen_internal;

std::optional<ScreenSize> TakeScreenResize() {
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    if (!s) return std::nullopt;
    return std::exchange(s->resize, std::nullopt);
}

// The process-wide screen state and the per-thread drawing context, shared by the screen layer's
// units. Everything here is internal to screen/.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "screen/backend.h"
#include "screen/internal.h"
#include "screen/key_buffer.h"
#include "screen/screen.h"

namespace screen_internal {

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

// What the window thread learns from the desktop; guarded by the screen lock.
struct InputState {
    int32_t x = 0;
    int32_t y = 0;
    int32_t wheel = 0;
    int32_t buttons = 0;
    int32_t clip = 0;
    bool inside = false;
    bool active = true;
    bool pointerVisible = true;
    std::array<uint8_t, 128> keys{};
    KeyBuffer keyBuffer;
    bool keyPressed = false;
    // Requests from SetMouse that the window thread carries out on its next cycle.
    bool pointerShapeChanged = false;
    bool clipChanged = false;
    bool warpRequested = false;
    int32_t warpX = 0;
    int32_t warpY = 0;
};

class WindowThread;

struct ScreenState {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 4;
    std::unique_ptr<uint8_t, FreeDeleter> frame;  // 16-byte aligned, pitch = width * 4
    std::vector<uint8_t> dirtyRows;
    bool fullPresent = false;
    int32_t textColumns = 0;
    int32_t textRows = 0;
    int32_t cursorColumn = 0;
    int32_t cursorRow = 0;
    std::array<uint32_t, 256> palette{};
    InputState input;
    const Backend* backend = nullptr;
    std::unique_ptr<WindowThread> windowThread;

    int32_t Pitch() const { return width * bytesPerPixel; }
    void MarkRows(int32_t first, int32_t last);
};

// The back end the next OpenScreen uses; without one OpenScreen fails.
void ChooseBackend(const Backend* backend);

// The open screen, or nullptr. Set and cleared only by OpenScreen/CloseScreen.
ScreenState* Screen();
// Bumped on every OpenScreen so that each thread's drawing context starts afresh.
uint64_t ScreenGeneration();

// The screen lock: recursive for its owner thread (the lock count), exclusive between threads.
void AcquireScreenLock();
void ReleaseScreenLock();

// The process-wide input lock that serialises the input calls.
std::mutex& InputMutex();

// One poll of SleepMs: reads and clears the key-pressed flag.
bool PollKeyPressed();

struct DrawContext {
    uint64_t generation = 0;
    uint32_t foreground = 0xFFFFFFFF;
    uint32_t background = 0xFF000000;
    float lastX = 0.0f;
    float lastY = 0.0f;
};
// The calling thread's context, reset after each OpenScreen.
DrawContext& CurrentContext();

// Coordinates: floats rounded half away from zero, kept far from int overflow.
int32_t ToPixel(float value);
// Resolves a single point by the coordinate mode in bits 0-2 of `flags` (relative to the last
// point in modes 2, 3 and 5) and makes it the last point.
void ResolvePoint(uint32_t flags, float& x, float& y);
// Colour from a flags argument: the context's foreground when bit 31 is set.
uint32_t ChooseColour(uint32_t colour, uint32_t flags, bool useBackground = false);

// Writes one pixel of `bytesPerPixel` size (no clipping).
inline void StorePixel(const Surface& s, int32_t x, int32_t y, uint32_t colour) {
    uint8_t* p =
        s.pixels + static_cast<int64_t>(y) * s.pitch + static_cast<int64_t>(x) * s.bytesPerPixel;
    switch (s.bytesPerPixel) {
        case 4:
            *reinterpret_cast<uint32_t*>(p) = colour;
            break;
        case 2:
            *reinterpret_cast<uint16_t*>(p) = static_cast<uint16_t>(colour);
            break;
        default:
            *p = static_cast<uint8_t>(colour);
            break;
    }
}
inline bool Inside(const Surface& s, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < s.width && y < s.height;
}
// Fills x0..x1 (inclusive, already clipped) of row y.
void StoreSpan(const Surface& s, int32_t y, int32_t x0, int32_t x1, uint32_t colour);

}  // namespace screen_internal

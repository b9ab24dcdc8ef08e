// The process-wide screen state and the per-thread drawing context, shared by the screen layer's
// units. Everything here is internal to screen/.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "screen/internal.h"
#include "screen/key_buffer.h"
#include "screen/keyboard.h"
#include "screen/screen.h"
#include "screen/window/backend.h"
#include "screen/window/window_thread.h"

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
    // Buttons pressed since the last GetMouse: a press released before the program polled
    // still reads as held once.
    int32_t latchedButtons = 0;
    int32_t clip = 0;
    bool inside = false;
    bool active = true;
    bool pointerVisible = true;
    bool pointerBusy = false;  // shown busy, and shown even where pointerVisible hides it
    KeyStateTable keys{};
    // Keys pressed since the last IsKeyDown of their scan code, likewise.
    KeyStateTable latchedKeys{};
    KeyBuffer keyBuffer;
    uint64_t keysAtLeftPress = 0;  // the key buffer's mark at the latest press of the left button
    bool keyPressed = false;
    bool closeRequested = false;  // kept for the whole run
    std::vector<std::string> droppedFiles;
    // Requests for the window thread: SetMouse's and SetBusyPointer's, carried out on its next
    // cycle, and the pointer capture that follows the buttons, carried out right after the pump
    // that changed them.
    bool pointerShapeChanged = false;
    bool busyChanged = false;
    bool clipChanged = false;
    bool warpRequested = false;
    int32_t warpX = 0;
    int32_t warpY = 0;
    std::optional<bool> captureRequest;
};

struct ScreenState {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 4;
    std::unique_ptr<uint8_t, FreeDeleter> frame;  // 16-byte aligned, pitch = width * 4
    std::vector<uint8_t> dirtyRows;
    bool fullPresent = false;
    bool resizable = false;                     // the frame follows the window's size
    std::optional<ScreenSize> resize;           // a new size the program has not taken yet
    bool fullScreenRequested = false;           // carried out by the window thread after its pump
    std::optional<std::string> titleRequest;    // likewise
    std::optional<std::string> clipboardOffer;  // likewise
    int32_t textColumns = 0;
    int32_t textRows = 0;
    int32_t cursorColumn = 0;
    int32_t cursorRow = 0;
    InputState input;
    std::unique_ptr<WindowThread> windowThread;

    int32_t Pitch() const { return width * bytesPerPixel; }
    void MarkRows(int32_t first, int32_t last);
};

// The screen lock: exclusive between threads, recursive for its owner (the lock count).
class ScreenLock {
public:
    void Acquire();
    // Does nothing for a thread that does not hold the lock.
    void Release();
    bool HeldByThisThread() const;
    // Gives the lock up whatever its count, if this thread holds it.
    void ReleaseFully();

private:
    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    int32_t count_ = 0;  // touched only by the owner
};

// The process-wide owner of the screen: its lock and the open screen's state, with what outlives
// one screen. The lock lives here and not in ScreenState so that a thread waiting for it while
// CloseScreen runs wakes up to find no screen, never a destroyed mutex.
struct ScreenHolder {
    ScreenLock lock;
    std::unique_ptr<ScreenState> state;       // replaced only under the lock
    std::atomic<ScreenState*> open{nullptr};  // state.get(), readable without the lock
    // Bumped on every OpenScreen so that each thread's drawing context starts afresh.
    std::atomic<uint64_t> generation{1};
    // The back end the next OpenScreen uses; without one OpenScreen fails.
    std::atomic<const Backend*> backend{nullptr};
    // The screen's palette (0x00BBGGRR), cleared by OpenScreen. Kept here so that a palette
    // bitmap loaded into an image while no screen is open still has a palette to fill.
    std::array<uint32_t, 256> palette{};
    std::string openFailure;  // why the last OpenScreen failed; guarded by the lock
};
ScreenHolder& Holder();

// A frame buffer of width x height pixels of bytesPerPixel, 16-byte aligned; nullptr when
// memory is short or it would exceed 2 GiB.
std::unique_ptr<uint8_t, FreeDeleter> AllocateFrame(int32_t width, int32_t height,
                                                    int32_t bytesPerPixel);

// The open screen, or nullptr. Set and cleared only by OpenScreen/CloseScreen.
ScreenState* Screen();
uint64_t ScreenGeneration();
// A visit to the open screen's window thread (see WindowThread::Visit); empty without one. The
// caller must not hold the screen lock while it waits on the visit.
WindowThread::Visit VisitWindowThread();

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
// The same rounding without the clamp, for clipping whole shapes before their coordinates are
// cut down: NaN gives 0 and the infinities the largest floats, so sums and products stay finite.
double ToWidePixel(float value);
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

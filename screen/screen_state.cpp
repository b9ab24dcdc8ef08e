// Opening and closing the screen, the screen lock, colours, clearing and the drawing context.
#include "screen/screen_state.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "screen/window_thread.h"

namespace screen_internal {

namespace {

std::atomic<ScreenState*> g_screen{nullptr};
std::unique_ptr<ScreenState> g_ownedScreen;
std::atomic<uint64_t> g_generation{1};
const Backend* g_backend = nullptr;

std::mutex g_lockMutex;
std::atomic<std::thread::id> g_lockOwner{};
int32_t g_lockCount = 0;  // touched only by the owner

thread_local DrawContext t_context;

// The frame buffer and images are capped at 2 GiB so that every size fits the 32-bit fields.
constexpr int64_t kMaxFrameBytes = int64_t{1} << 31;

bool DepthToBytes(int32_t depth, int32_t& bytesPerPixel) {
    switch (depth) {
        case 32:
        case 24:
            bytesPerPixel = 4;
            return true;
        case 16:
        case 15:
            bytesPerPixel = 2;
            return true;
        case 8:
        case 4:
        case 2:
        case 1:
            bytesPerPixel = 1;
            return true;
        default:
            return false;
    }
}

// The window title: the executable's file name without directory and last extension.
std::string ProgramTitle() {
    std::string name = program_invocation_short_name;
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

void FillFrame(ScreenState& s, uint32_t colour) {
    Surface surface = ScreenSurface();
    for (int32_t y = 0; y < s.height; ++y) StoreSpan(surface, y, 0, s.width - 1, colour);
}

// Closing at exit must not wait on a lock that the exiting thread itself still holds.
void ReleaseLockHeldByThisThread() {
    if (g_lockOwner.load() != std::this_thread::get_id()) return;
    g_lockCount = 0;
    g_lockOwner.store(std::thread::id());
    g_lockMutex.unlock();
}

// The window thread must stop before the objects it uses are destroyed at exit. Registered
// after the first window exists, so it runs before the destructors of everything constructed
// up to then (the back ends' state included).
void CloseAtExit() {
    CloseScreen();
}

}  // namespace

ScreenState* Screen() {
    return g_screen.load(std::memory_order_acquire);
}
uint64_t ScreenGeneration() {
    return g_generation.load(std::memory_order_acquire);
}

void ChooseBackend(const Backend* backend) {
    g_backend = backend;
}

void ScreenState::MarkRows(int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, height - 1);
    for (int32_t row = first; row <= last; ++row) dirtyRows[row] = 1;
}

void AcquireScreenLock() {
    const auto me = std::this_thread::get_id();
    if (g_lockOwner.load() == me) {
        ++g_lockCount;
        return;
    }
    g_lockMutex.lock();
    g_lockOwner.store(me);
    g_lockCount = 1;
}

void ReleaseScreenLock() {
    if (g_lockOwner.load() != std::this_thread::get_id()) return;
    if (--g_lockCount > 0) return;
    g_lockOwner.store(std::thread::id());
    g_lockMutex.unlock();
}

std::mutex& InputMutex() {
    static std::mutex mutex;
    return mutex;
}

DrawContext& CurrentContext() {
    const uint64_t generation = ScreenGeneration();
    if (t_context.generation != generation) {
        t_context = DrawContext{};
        t_context.generation = generation;
    }
    return t_context;
}

int32_t ToPixel(float value) {
    constexpr float kLimit = 1 << 30;
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::lround(std::clamp(value, -kLimit, kLimit)));
}

uint32_t ChooseColour(uint32_t colour, uint32_t flags, bool useBackground) {
    if (!(flags & DefaultColourFlag)) return colour;
    const DrawContext& ctx = CurrentContext();
    return useBackground ? ctx.background : ctx.foreground;
}

void StoreSpan(const Surface& s, int32_t y, int32_t x0, int32_t x1, uint32_t colour) {
    if (s.bytesPerPixel == 4) {
        auto* row = reinterpret_cast<uint32_t*>(s.pixels + static_cast<int64_t>(y) * s.pitch);
        std::fill(row + x0, row + x1 + 1, colour);
        return;
    }
    for (int32_t x = x0; x <= x1; ++x) StorePixel(s, x, y, colour);
}

Surface ScreenSurface() {
    ScreenState* s = Screen();
    if (!s) return {};
    return Surface{s->frame.get(), s->width, s->height, s->Pitch(), s->bytesPerPixel, true};
}

Surface ImageSurface(const void* image) {
    if (!image) return {};
    const auto* header = static_cast<const ImageBuffer*>(image);
    if (header->type == ImageBufferType) {
        if (header->width < 1 || header->height < 1) return {};
        auto* pixels = static_cast<uint8_t*>(const_cast<void*>(image)) + sizeof(ImageBuffer);
        return Surface{pixels,        header->width,         header->height,
                       header->pitch, header->bytesPerPixel, false};
    }
    // The 4-byte legacy header: bits 0-2 bytes per pixel, bits 3-15 width, then the height.
    uint16_t words[2];
    std::memcpy(words, image, sizeof(words));
    const int32_t bytesPerPixel = words[0] & 7;
    const int32_t width = words[0] >> 3;
    const int32_t height = words[1];
    if (width < 1 || height < 1 || (bytesPerPixel != 1 && bytesPerPixel != 2 && bytesPerPixel != 4))
        return {};
    auto* pixels = static_cast<uint8_t*>(const_cast<void*>(image)) + 4;
    return Surface{pixels, width, height, width * bytesPerPixel, bytesPerPixel, false};
}

Surface ResolveTarget(ImageBuffer* target) {
    return target ? ImageSurface(target) : ScreenSurface();
}

ScopedScreenLock::ScopedScreenLock() {
    AcquireScreenLock();
}

ScopedScreenLock::~ScopedScreenLock() {
    if (first_ >= 0) {
        if (ScreenState* s = Screen()) s->MarkRows(first_, last_);
    }
    ReleaseScreenLock();
}

void ScopedScreenLock::MarkDirty(int32_t first, int32_t last) {
    if (first > last) return;
    if (first_ < 0) {
        first_ = first;
        last_ = last;
        return;
    }
    first_ = std::min(first_, first);
    last_ = std::max(last_, last);
}

std::array<uint32_t, 256>& ScreenPalette() {
    static std::array<uint32_t, 256> unused{};
    ScreenState* s = Screen();
    return s ? s->palette : unused;
}

void PaletteChanged() {
    // Palette screens are shown through the palette on every present, so a full present is all
    // that is needed.
    if (ScreenState* s = Screen()) s->fullPresent = true;
}

}  // namespace screen_internal

using namespace screen_internal;

ScreenResult OpenScreen(int32_t width, int32_t height, int32_t depth, int32_t /*pages*/,
                        int32_t /*flags*/, int32_t /*refresh*/) {
    int32_t bytesPerPixel = 0;
    if (width < 1 || height < 1 || !DepthToBytes(depth, bytesPerPixel))
        return ScreenResult::IllegalCall;
    const int64_t frameBytes = int64_t{width} * height * bytesPerPixel;
    if (frameBytes > kMaxFrameBytes) return ScreenResult::IllegalCall;
    CloseScreen();

    auto state = std::make_unique<ScreenState>();
    state->width = width;
    state->height = height;
    state->bytesPerPixel = bytesPerPixel;
    const size_t allocation = (static_cast<size_t>(frameBytes) + 15) & ~size_t{15};
    state->frame.reset(static_cast<uint8_t*>(std::aligned_alloc(16, allocation)));
    if (!state->frame) return ScreenResult::IllegalCall;
    state->dirtyRows.assign(height, 1);
    state->textColumns = width / 8;
    state->textRows = height / 8;
    state->backend = g_backend;
    if (!state->backend) return ScreenResult::IllegalCall;  // no back end chosen

    g_generation.fetch_add(1, std::memory_order_acq_rel);
    g_ownedScreen = std::move(state);
    g_screen.store(g_ownedScreen.get(), std::memory_order_release);
    FillFrame(*g_ownedScreen, CurrentContext().background);

    auto thread =
        std::make_unique<WindowThread>(*g_ownedScreen->backend, width, height, ProgramTitle());
    if (!thread->WindowCreated()) {
        g_screen.store(nullptr, std::memory_order_release);
        g_ownedScreen.reset();
        return ScreenResult::IllegalCall;
    }
    AcquireScreenLock();
    g_ownedScreen->windowThread = std::move(thread);
    ReleaseScreenLock();
    static const bool closesAtExit = std::atexit(CloseAtExit) == 0;
    (void)closesAtExit;
    return ScreenResult::Ok;
}

void CloseScreen() {
    if (!g_ownedScreen) return;
    ReleaseLockHeldByThisThread();
    AcquireScreenLock();
    std::unique_ptr<WindowThread> thread = std::move(g_ownedScreen->windowThread);
    ReleaseScreenLock();
    thread.reset();  // joins; the window thread needs the lock until then
    AcquireScreenLock();
    g_screen.store(nullptr, std::memory_order_release);
    g_ownedScreen.reset();
    ReleaseScreenLock();
}

bool ScreenIsOpen() {
    return Screen() != nullptr;
}

uint32_t SetColors(uint32_t foreground, uint32_t background, uint32_t flags) {
    DrawContext& ctx = CurrentContext();
    const uint32_t previous = ctx.foreground;
    if (!(flags & 1)) ctx.foreground = foreground;
    if (!(flags & 2)) ctx.background = background;
    return previous;
}

void ClearScreen(int32_t /*mode*/) {
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    if (!s) return;
    DrawContext& ctx = CurrentContext();
    FillFrame(*s, ctx.background);
    lock.MarkDirty(0, s->height - 1);
    ctx.lastX = static_cast<float>(s->width / 2);
    ctx.lastY = static_cast<float>(s->height / 2);
    s->cursorColumn = 0;
    s->cursorRow = 0;
}

void LockScreen() {
    AcquireScreenLock();
}

void UnlockScreen(int32_t firstRow, int32_t lastRow) {
    const bool held = g_lockOwner.load() == std::this_thread::get_id();
    if (!held) AcquireScreenLock();  // an unlock at count 0 only marks rows
    if (ScreenState* s = Screen()) {
        if (lastRow < 0) lastRow = s->height - 1;
        if (firstRow < 0) firstRow = 0;
        if (firstRow <= lastRow && lastRow < s->height) s->MarkRows(firstRow, lastRow);
    }
    ReleaseScreenLock();
}

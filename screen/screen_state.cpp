// Opening and closing the screen, colours, clearing and the drawing context.
#include "screen/screen_state.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "screen/native_window.h"

namespace screen_internal {

namespace {

thread_local DrawContext t_context;

// The frame buffer and images are capped at 2 GiB so that every size fits the 32-bit fields.
constexpr int64_t MaxFrameBytes = int64_t{1} << 31;
constexpr size_t FrameAlignment = 16;

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
    const Surface surface{s.frame.get(), s.width, s.height, s.Pitch(), s.bytesPerPixel, true};
    for (int32_t y = 0; y < s.height; ++y) StoreSpan(surface, y, 0, s.width - 1, colour);
}

ScreenResult OpenFailed(std::string reason) {
    ScopedScreenLock lock;
    Holder().openFailure = std::move(reason);
    return ScreenResult::IllegalCall;
}

std::unique_ptr<ScreenState> NewScreenState(int32_t width, int32_t height, int32_t bytesPerPixel) {
    auto state = std::make_unique<ScreenState>();
    state->width = width;
    state->height = height;
    state->bytesPerPixel = bytesPerPixel;
    state->frame = AllocateFrame(width, height, bytesPerPixel);
    if (!state->frame) return nullptr;
    // Filled before any other thread can see it, with a fresh drawing context's background.
    FillFrame(*state, DrawContext{}.background);
    state->dirtyRows.assign(height, 1);
    state->textColumns = width / 8;
    state->textRows = height / 8;
    return state;
}

// Makes `state` the open screen, with a fresh palette and drawing contexts.
ScreenState& Publish(std::unique_ptr<ScreenState> state) {
    ScopedScreenLock lock;
    ScreenHolder& holder = Holder();
    holder.generation.fetch_add(1, std::memory_order_acq_rel);
    holder.palette.fill(0);
    holder.state = std::move(state);
    holder.open.store(holder.state.get(), std::memory_order_release);
    return *holder.state;
}

// Discards the open screen, whose window thread has ended.
void Withdraw() {
    ScopedScreenLock lock;
    ScreenHolder& holder = Holder();
    holder.open.store(nullptr, std::memory_order_release);
    holder.state.reset();
}

// The window thread must stop before the objects it uses are destroyed at exit. Registered
// after the first window exists, so it runs before the destructors of everything constructed
// up to then.
void CloseAtExit() {
    CloseScreen();
}

}  // namespace

ScreenHolder& Holder() {
    // Never destroyed: threads that still run while the process exits (a window thread ending
    // the program from within, a test's typist) may take the lock after static destructors ran.
    static ScreenHolder& holder = *std::make_unique<ScreenHolder>().release();
    return holder;
}

std::unique_ptr<uint8_t, FreeDeleter> AllocateFrame(int32_t width, int32_t height,
                                                    int32_t bytesPerPixel) {
    const int64_t frameBytes = int64_t{width} * height * bytesPerPixel;
    if (frameBytes <= 0 || frameBytes > MaxFrameBytes) return nullptr;
    const size_t allocation =
        (static_cast<size_t>(frameBytes) + FrameAlignment - 1) & ~(FrameAlignment - 1);
    return std::unique_ptr<uint8_t, FreeDeleter>(
        static_cast<uint8_t*>(std::aligned_alloc(FrameAlignment, allocation)));
}

ScreenState* Screen() {
    return Holder().open.load(std::memory_order_acquire);
}
uint64_t ScreenGeneration() {
    return Holder().generation.load(std::memory_order_acquire);
}

WindowThread::Visit VisitWindowThread() {
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    return s && s->windowThread ? WindowThread::Visit(*s->windowThread) : WindowThread::Visit();
}

void ChooseBackend(const Backend* backend) {
    Holder().backend.store(backend);
}

void ScreenState::MarkRows(int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, height - 1);
    for (int32_t row = first; row <= last; ++row) dirtyRows[row] = 1;
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
    constexpr double Limit = 1 << 30;
    return static_cast<int32_t>(std::clamp(ToWidePixel(value), -Limit, Limit));
}

double ToWidePixel(float value) {
    constexpr double Largest = std::numeric_limits<float>::max();
    if (std::isnan(value)) return 0.0;
    return std::round(std::clamp<double>(value, -Largest, Largest));
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

std::array<uint32_t, 256>& ScreenPalette() {
    return Holder().palette;
}

void PaletteChanged() {
    // Palette screens are shown through the palette on every present, so a full present is all
    // that is needed.
    if (ScreenState* s = Screen()) s->fullPresent = true;
}

}  // namespace screen_internal

using namespace screen_internal;

ScreenResult OpenScreen(int32_t width, int32_t height, int32_t depth, int32_t /*pages*/,
                        int32_t flags, int32_t /*refresh*/) {
    int32_t bytesPerPixel = 0;
    if (width < 1 || height < 1 || !DepthToBytes(depth, bytesPerPixel))
        return OpenFailed("no screen has that size or depth");
    if (int64_t{width} * height * bytesPerPixel > MaxFrameBytes)
        return OpenFailed("the frame buffer would exceed 2 GiB");
    CloseScreen();
    const Backend* backend = Holder().backend.load();
    if (!backend) return OpenFailed("no window back end was chosen");
    std::unique_ptr<ScreenState> state = NewScreenState(width, height, bytesPerPixel);
    if (!state) return OpenFailed("not enough memory for the frame buffer");
    state->resizable = (flags & ResizableWindow) != 0;

    ScreenState& screen = Publish(std::move(state));
    auto thread = std::make_unique<WindowThread>(*backend, screen, Holder().lock, Holder().palette,
                                                 ProgramTitle());
    if (!thread->WindowCreated()) {
        Withdraw();
        return OpenFailed(thread->CreateFailure());
    }
    {
        ScopedScreenLock lock;
        screen.windowThread = std::move(thread);
        Holder().openFailure.clear();
    }
    static const bool closesAtExit = std::atexit(CloseAtExit) == 0;
    (void)closesAtExit;
    return ScreenResult::Ok;
}

void CloseScreen() {
    if (!Screen()) return;
    // Closing at exit must not wait on a lock that the exiting thread itself still holds.
    Holder().lock.ReleaseFully();
    std::unique_ptr<WindowThread> thread;
    {
        ScopedScreenLock lock;
        if (ScreenState* s = Screen()) thread = std::move(s->windowThread);
    }
    thread.reset();  // joins; the window thread needs the lock until then
    Withdraw();
}

std::string ScreenOpenFailure() {
    ScopedScreenLock lock;
    return Holder().openFailure;
}

void SetWindowTitle(std::string_view title) {
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    if (!s || !s->windowThread) return;
    s->titleRequest = std::string(title);
    s->windowThread->Wake();
}

bool ScreenIsOpen() {
    return Screen() != nullptr;
}

uint32_t SetColors(uint32_t foreground, uint32_t background, uint32_t flags) {
    DrawContext& ctx = CurrentContext();
    const uint32_t previous = ctx.foreground;
    if (!(flags & KeepForeground)) ctx.foreground = foreground;
    if (!(flags & KeepBackground)) ctx.background = background;
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

uint64_t NativeWindowId() {
    ScopedScreenLock lock;
    const ScreenState* s = Screen();
    return s && s->windowThread ? s->windowThread->NativeWindowId() : 0;
}

void CopyToClipboard(std::string_view text) {
    ScopedScreenLock lock;
    ScreenState* s = Screen();
    if (!s || !s->windowThread) return;
    s->clipboardOffer = std::string(text);
    s->windowThread->Wake();
}

std::string ClipboardText() {
    // The window thread needs the screen lock to answer: a caller holding it gets nothing.
    if (Holder().lock.HeldByThisThread()) return {};
    WindowThread::Visit visit = VisitWindowThread();
    return visit ? visit->ClipboardText() : std::string();
}

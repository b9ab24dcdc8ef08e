#include "screen/window_thread.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

constexpr auto kCyclePeriod = std::chrono::milliseconds(10);

// The back ends take 32-bit rows; narrower screens are shown through the palette (8 bits) or
// as 5-6-5 (16 bits).
const uint8_t* FrameAsXrgb(ScreenState& s, int32_t first, int32_t last) {
    if (s.bytesPerPixel == 4) return s.frame.get();
    static std::vector<uint32_t> converted;
    converted.resize(static_cast<size_t>(s.width) * s.height);
    for (int32_t y = first; y <= last; ++y) {
        const uint8_t* row = s.frame.get() + static_cast<int64_t>(y) * s.Pitch();
        uint32_t* out = converted.data() + static_cast<size_t>(y) * s.width;
        for (int32_t x = 0; x < s.width; ++x) {
            if (s.bytesPerPixel == 1) {
                const uint32_t bgr = s.palette[row[x]];
                out[x] = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
            } else {
                const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                out[x] = ((v & 0xF800) << 8) | ((v & 0x07E0) << 5) | ((v & 0x001F) << 3);
            }
        }
    }
    return reinterpret_cast<const uint8_t*>(converted.data());
}

// Scan codes that no desktop key is bound to; they always read as not held.
bool Unbound(int32_t code) {
    return code == 0 || code == 74 || code == 76 || (code >= 84 && code <= 86) || code == 89 ||
           code == 90 || code >= 94;
}

}  // namespace

void WindowThread::SampleKeys(InputState& input) {
    backend_.sampleKeys(input.keys.data());
    for (int32_t code = 0; code < 128; ++code) {
        if (Unbound(code)) input.keys[code] = 0;
    }
}

WindowThread::WindowThread(const Backend& backend, int32_t width, int32_t height, std::string title)
    : backend_(backend) {
    thread_ = std::thread([this, width, height, title] { Run(width, height, title); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
    if (!created_) {
        lock.unlock();
        thread_.join();
    }
}

WindowThread::~WindowThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    // The window thread itself ends up here when the program exits from within it (Xlib exits
    // when the display connection breaks): it cannot wait for itself.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    if (thread_.joinable()) thread_.join();
}

void WindowThread::Wake() {
    {
        std::lock_guard lock(mutex_);
        wake_ = true;
    }
    changed_.notify_all();
}

bool WindowThread::WaitCycles(int cycles) {
    std::unique_lock lock(mutex_);
    if (!created_) return false;
    const uint64_t target = cycles_ + static_cast<uint64_t>(cycles) + 1;
    wake_ = true;
    changed_.notify_all();
    return changed_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return cycles_ >= target || stop_; });
}

void WindowThread::Run(int32_t width, int32_t height, const std::string& title) {
    const bool ok = backend_.create(width, height, title.c_str());
    {
        std::lock_guard lock(mutex_);
        started_ = true;
        created_ = ok;
    }
    changed_.notify_all();
    if (!ok) return;

    for (;;) {
        Cycle();
        std::unique_lock lock(mutex_);
        ++cycles_;
        changed_.notify_all();
        changed_.wait_for(lock, kCyclePeriod, [this] { return stop_ || wake_; });
        wake_ = false;
        if (stop_) break;
    }
    backend_.destroy();
}

// One pass: present the dirty band, carry out pointer requests, sample the keyboard, pump.
void WindowThread::Cycle() {
    AcquireScreenLock();
    ScreenState& s = *Screen();
    int32_t first = -1;
    int32_t last = -1;
    if (s.fullPresent) {
        first = 0;
        last = s.height - 1;
        s.fullPresent = false;
    } else {
        for (int32_t row = 0; row < s.height; ++row) {
            if (!s.dirtyRows[row]) continue;
            if (first < 0) first = row;
            last = row;
        }
    }
    if (first >= 0) {
        backend_.present(FrameAsXrgb(s, first, last), s.width, s.height, first, last);
        std::fill(s.dirtyRows.begin(), s.dirtyRows.end(), 0);
    }
    ApplyPointerRequests();
    if (s.input.active) SampleKeys(s.input);
    backend_.pump();
    ReleaseScreenLock();
}

void WindowThread::ApplyPointerRequests() {
    InputState& in = Screen()->input;
    if (in.pointerShapeChanged) {
        backend_.showPointer(in.pointerVisible);
        in.pointerShapeChanged = false;
    }
    if (in.clipChanged) {
        backend_.confinePointer(in.clip != 0);
        in.clipChanged = false;
    }
    if (in.warpRequested) {
        backend_.warpPointer(in.warpX, in.warpY);
        in.warpRequested = false;
    }
}

}  // namespace screen_internal

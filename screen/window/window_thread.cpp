#include "screen/window/window_thread.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

constexpr auto CyclePeriod = std::chrono::milliseconds(10);
constexpr auto WaitCyclesTimeout = std::chrono::seconds(10);

}  // namespace

WindowThread::WindowThread(const Backend& backend, ScreenState& state, ScreenLock& screenLock,
                           const std::array<uint32_t, 256>& palette, std::string title)
    : backend_(backend), state_(state), screenLock_(screenLock), palette_(palette) {
    try {
        thread_ = std::thread([this, title = std::move(title)] { Run(title); });
    } catch (const std::system_error& e) {
        failure_ = std::string("cannot start the window's thread: ") + e.what();
        return;
    }
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
    // Visitors woke up to the stop; they leave before this object goes.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return visits_ == 0; });
}

WindowThread::Visit::Visit(WindowThread& thread) : thread_(&thread) {
    std::lock_guard lock(thread.mutex_);
    ++thread.visits_;
}

WindowThread::Visit::Visit(Visit&& other) noexcept
    : thread_(std::exchange(other.thread_, nullptr)) {}

WindowThread::Visit& WindowThread::Visit::operator=(Visit&& other) noexcept {
    std::swap(thread_, other.thread_);
    return *this;
}

WindowThread::Visit::~Visit() {
    if (!thread_) return;
    {
        std::lock_guard lock(thread_->mutex_);
        --thread_->visits_;
    }
    thread_->changed_.notify_all();
}

void WindowThread::Wake() {
    {
        std::lock_guard lock(mutex_);
        wake_ = true;
    }
    changed_.notify_all();
}

void WindowThread::Inject(std::function<void()> event) {
    injected_.push_back(std::move(event));
    Wake();
}

bool WindowThread::WaitCycles(int cycles) {
    std::unique_lock lock(mutex_);
    if (!created_) return false;
    const uint64_t target = cycles_ + static_cast<uint64_t>(cycles) + 1;
    wake_ = true;
    changed_.notify_all();
    return changed_.wait_for(lock, WaitCyclesTimeout, [&] { return cycles_ >= target || stop_; });
}

uint64_t WindowThread::NativeWindowId() const {
    return backend_.nativeWindowId(instance_);
}

std::string WindowThread::ClipboardText() {
    std::unique_lock lock(mutex_);
    if (!created_ || stop_) return {};
    const uint64_t ticket = ++clipboardAsked_;
    wake_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return clipboardAnswered_ >= ticket || stop_; });
    return clipboardAnswered_ >= ticket ? clipboard_ : std::string();
}

// The back end's clipboard call may wait for the clipboard's owner, and with X11 it must run on
// the window thread.
void WindowThread::AnswerClipboard() {
    uint64_t asked = 0;
    {
        std::lock_guard lock(mutex_);
        asked = clipboardAsked_;
        if (asked == clipboardAnswered_) return;
    }
    screenLock_.Acquire();
    std::string text = backend_.clipboardText(instance_);
    screenLock_.Release();
    {
        std::lock_guard lock(mutex_);
        clipboard_ = std::move(text);
        clipboardAnswered_ = asked;
    }
    changed_.notify_all();
}

void WindowThread::Run(const std::string& title) {
    std::string failure;
    void* instance =
        backend_.create(state_.width, state_.height, title.c_str(), state_.resizable, failure);
    if (!instance && failure.empty()) failure = "the window could not be created";
    {
        std::lock_guard lock(mutex_);
        instance_ = instance;
        failure_ = std::move(failure);
        started_ = true;
        created_ = instance != nullptr;
    }
    changed_.notify_all();
    if (!instance) return;

    for (;;) {
        Cycle();
        AnswerClipboard();
        std::unique_lock lock(mutex_);
        ++cycles_;
        changed_.notify_all();
        changed_.wait_for(lock, CyclePeriod, [this] { return stop_ || wake_; });
        wake_ = false;
        if (stop_) break;
    }
    backend_.destroy(instance_);
}

// One pass: present the dirty band, carry out pointer requests, sample the keyboard, pump and
// deliver injected input, and carry out what the notifications asked for.
void WindowThread::Cycle() {
    screenLock_.Acquire();
    PresentDirtyRows();
    ApplyPointerRequests(state_.input);
    if (state_.input.active) SampleKeys(state_.input);
    backend_.pump(instance_);
    DeliverInjected();
    ApplyRequestsFromPump();
    screenLock_.Release();
}

void WindowThread::PresentDirtyRows() {
    ScreenState& s = state_;
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
    if (first < 0) return;
    backend_.present(instance_, FrameAsXrgb(first, last), s.width, s.height, first, last);
    std::fill(s.dirtyRows.begin(), s.dirtyRows.end(), 0);
}

// The back ends take 32-bit rows; narrower screens are shown through the palette (8 bits) or
// as 5-6-5 (16 bits).
const uint8_t* WindowThread::FrameAsXrgb(int32_t first, int32_t last) {
    const ScreenState& s = state_;
    if (s.bytesPerPixel == 4) return s.frame.get();
    converted_.resize(static_cast<size_t>(s.width) * s.height);
    for (int32_t y = first; y <= last; ++y) {
        const uint8_t* row = s.frame.get() + static_cast<int64_t>(y) * s.Pitch();
        uint32_t* out = converted_.data() + static_cast<size_t>(y) * s.width;
        for (int32_t x = 0; x < s.width; ++x) {
            if (s.bytesPerPixel == 1) {
                const uint32_t bgr = palette_[row[x]];
                out[x] = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
            } else {
                const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                out[x] = ((v & 0xF800) << 8) | ((v & 0x07E0) << 5) | ((v & 0x001F) << 3);
            }
        }
    }
    return reinterpret_cast<const uint8_t*>(converted_.data());
}

void WindowThread::ApplyPointerRequests(InputState& in) {
    if (in.busyChanged) {
        backend_.setBusyPointer(instance_, in.pointerBusy);
        in.busyChanged = false;
        in.pointerShapeChanged = true;  // a hidden pointer shows while busy
    }
    if (in.pointerShapeChanged) {
        backend_.showPointer(instance_, in.pointerVisible || in.pointerBusy);
        in.pointerShapeChanged = false;
    }
    if (in.clipChanged) {
        backend_.confinePointer(instance_, in.clip != 0);
        in.clipChanged = false;
    }
    if (in.warpRequested) {
        backend_.warpPointer(instance_, in.warpX, in.warpY);
        in.warpRequested = false;
    }
}

void WindowThread::DeliverInjected() {
    for (const std::function<void()>& deliver : std::exchange(injected_, {})) deliver();
}

void WindowThread::ApplyRequestsFromPump() {
    ScreenState& s = state_;
    if (s.input.captureRequest) {
        backend_.capturePointer(instance_, *s.input.captureRequest);
        s.input.captureRequest.reset();
    }
    if (s.clipboardOffer) {
        backend_.setClipboardText(instance_, *s.clipboardOffer);
        s.clipboardOffer.reset();
    }
    if (s.titleRequest) {
        backend_.setTitle(instance_, s.titleRequest->c_str());
        s.titleRequest.reset();
    }
    if (s.fullScreenRequested) {
        s.fullScreenRequested = false;
        backend_.toggleFullScreen(instance_);
        s.fullPresent = true;  // the back end lost what it showed
    }
}

void WindowThread::SampleKeys(InputState& input) {
    backend_.sampleKeys(instance_, input.keys);
    for (int32_t code = 0; code < ScanCodeCount; ++code) {
        if (!ScanCodeIsBound(code)) input.keys[code] = 0;
    }
}

}  // namespace screen_internal

// The thread that owns the window: it creates it, then every 10 ms presents the dirty rows,
// samples the keyboard and handles the desktop's notifications, all under the screen lock. It is
// handed the screen it shows and the lock at construction and reaches for nothing else.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "screen/window/backend.h"

namespace screen_internal {

struct InputState;
struct ScreenState;
class ScreenLock;

class WindowThread {
public:
    // Starts the thread and returns once the window exists or could not be created. `state`,
    // `screenLock` and `palette` (which palette screens are shown through) outlive the thread.
    WindowThread(const Backend& backend, ScreenState& state, ScreenLock& screenLock,
                 const std::array<uint32_t, 256>& palette, std::string title);
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    bool WindowCreated() const { return created_; }
    // Why the window could not be created, in words for the user.
    const std::string& CreateFailure() const { return failure_; }
    // The back end and its instance while the window exists.
    const Backend& BackendInUse() const { return backend_; }
    void* Instance() const { return instance_; }
    // Asks for a cycle now instead of at the end of the current 10 ms wait.
    void Wake();
    // Input from outside the back end (the tests' seam, headless.h), with the screen lock held:
    // handed to the input sink in order on the next cycle, right after the back end's pump.
    void Inject(std::function<void()> event);
    // A program thread's stay with the window thread, begun with the screen lock held, which
    // keeps the thread alive until the visit counts; the thread ends only once every visit has
    // ended. So the program's thread can wait for the window thread without the screen lock,
    // which the window thread needs to answer.
    class Visit {
    public:
        Visit() = default;
        explicit Visit(WindowThread& thread);
        Visit(Visit&& other) noexcept;
        Visit& operator=(Visit&& other) noexcept;
        ~Visit();
        WindowThread* operator->() const { return thread_; }
        explicit operator bool() const { return thread_ != nullptr; }

    private:
        WindowThread* thread_ = nullptr;
    };
    // During a visit, without the screen lock: waits until `cycles` whole cycles have run after
    // this call (false on time-out or when the thread ends first) ...
    bool WaitCycles(int cycles);
    // ... or fetches the desktop clipboard's text on the window thread (empty when it ends first).
    std::string ClipboardText();
    // The caller holds the screen lock.
    uint64_t NativeWindowId() const;

private:
    void Run(const std::string& title);
    void Cycle();
    void PresentDirtyRows();
    const uint8_t* FrameAsXrgb(int32_t first, int32_t last);
    void ApplyPointerRequests(InputState& input);
    void DeliverInjected();
    void ApplyRequestsFromPump();
    void SampleKeys(InputState& input);
    void AnswerClipboard();

    const Backend& backend_;
    ScreenState& state_;
    ScreenLock& screenLock_;
    const std::array<uint32_t, 256>& palette_;
    std::vector<std::function<void()>> injected_;  // guarded by the screen lock
    void* instance_ = nullptr;
    std::string failure_;
    // Rows of a narrower screen converted to 32 bits for the back end.
    std::vector<uint32_t> converted_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool created_ = false;
    bool stop_ = false;
    bool wake_ = false;
    uint64_t cycles_ = 0;
    int32_t visits_ = 0;
    uint64_t clipboardAsked_ = 0;
    uint64_t clipboardAnswered_ = 0;
    std::string clipboard_;
    std::thread thread_;
};

}  // namespace screen_internal

// The thread that owns the window: it creates it, then every 10 ms presents the dirty rows,
// samples the keyboard and handles the desktop's notifications, all under the screen lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "screen/backend.h"

namespace screen_internal {

struct InputState;

class WindowThread {
public:
    // Starts the thread and returns once the window exists or could not be created.
    WindowThread(const Backend& backend, int32_t width, int32_t height, std::string title);
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    bool WindowCreated() const { return created_; }
    // Asks for a cycle now instead of at the end of the current 10 ms wait.
    void Wake();
    // Waits until `cycles` whole cycles have run after this call; false on time-out.
    bool WaitCycles(int cycles);

private:
    void Run(int32_t width, int32_t height, const std::string& title);
    void Cycle();
    void ApplyPointerRequests();
    void SampleKeys(InputState& input);

    const Backend& backend_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool created_ = false;
    bool stop_ = false;
    bool wake_ = false;
    uint64_t cycles_ = 0;
    std::thread thread_;
};

}  // namespace screen_internal

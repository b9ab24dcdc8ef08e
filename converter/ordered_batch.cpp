#include "converter/ordered_batch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

class Completion {
public:
    explicit Completion(size_t count) : done_(count, false) {}
    void MarkDone(size_t index) {
        {
            std::lock_guard lock(mutex_);
            done_[index] = true;
        }
        changed_.notify_all();
    }
    // Waits up to `timeout` for item `index`: whether it is done.
    bool WaitFor(size_t index, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return done_[index]; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> done_;
};

}  // namespace

void RunInOrder(const OrderedBatch& batch) {
    Completion completion(batch.count);
    std::atomic<size_t> next = 0;
    const auto worker = [&] {
        for (size_t index; (index = next++) < batch.count;) {
            batch.work(index);
            completion.MarkDone(index);
        }
    };
    // Joined when leaving, after every item is finished.
    std::vector<std::jthread> workers;
    const size_t threads = std::clamp<size_t>(batch.threads, 1, std::max<size_t>(batch.count, 1));
    try {
        for (size_t t = 0; t < threads; ++t) workers.emplace_back(worker);
    } catch (const std::system_error&) {
        // As many workers as the system gives.
    }
    if (workers.empty()) worker();  // none: every item runs here
    for (size_t index = 0; index < batch.count; ++index) {
        while (!completion.WaitFor(index, batch.tickEvery))
            if (batch.tick) batch.tick();
        batch.finished(index);
    }
}

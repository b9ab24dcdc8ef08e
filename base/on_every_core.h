// Work shared out over the machine's cores.
#pragma once

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

inline int64_t CoreCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// Runs `work` on the calling thread and on up to `threads` - 1 helpers at once, and returns when
// every run has returned. Helpers the system refuses are done without, so `work` should take its
// parts of the job from a shared counter until none is left, whichever threads run it.
template <class Work>
void RunOnThreads(int64_t threads, const Work& work) {
    std::vector<std::jthread> helpers;
    try {
        for (int64_t i = 1; i < threads; ++i) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // As many helpers as the system gives.
    }
    work();
}

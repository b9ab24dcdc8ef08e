// Work items run on several threads at once, their results taken in input order.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

struct OrderedBatch {
    size_t count = 0;
    size_t threads = 1;
    // Runs on a worker thread; items start in index order.
    std::function<void(size_t index)> work;
    // Runs on the calling thread for every index in order, as soon as its work and every
    // finished call before it are done.
    std::function<void(size_t index)> finished;
    // Optional: runs on the calling thread about every `tickEvery` while it waits.
    std::function<void()> tick;
    std::chrono::milliseconds tickEvery{200};
};

// Runs the batch and returns once every item is finished.
void RunInOrder(const OrderedBatch& batch);

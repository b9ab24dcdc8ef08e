#include "converter/memory_budget.h"

#include <unistd.h>

#include <algorithm>

// More than the whole budget counts as the whole budget: such work runs alone either way, and the
// sum of what is held stays within range.
MemoryBudget::Reservation::Reservation(MemoryBudget& budget, int64_t bytes)
    : budget_(budget), bytes_(std::clamp<int64_t>(bytes, 0, budget.limit_)) {
    std::unique_lock lock(budget_.mutex_);
    budget_.released_.wait(
        lock, [&] { return budget_.held_ == 0 || budget_.held_ + bytes_ <= budget_.limit_; });
    budget_.held_ += bytes_;
}

MemoryBudget::Reservation::~Reservation() {
    {
        std::lock_guard lock(budget_.mutex_);
        budget_.held_ -= bytes_;
    }
    budget_.released_.notify_all();
}

int64_t HalfOfPhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return int64_t{1} << 30;
    return int64_t{pages} * pageSize / 2;
}

// A bound on the memory that work running at once holds: work that would go beyond it waits
// until enough is given back. Work that needs more than the whole budget runs when nothing else
// holds any, so it runs alone but is never refused.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class MemoryBudget {
public:
    explicit MemoryBudget(int64_t bytes) : limit_(bytes) {}

    // Holds its bytes from construction until its end.
    class Reservation {
    public:
        Reservation(MemoryBudget& budget, int64_t bytes);
        ~Reservation();
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;

    private:
        MemoryBudget& budget_;
        int64_t bytes_;
    };

private:
    const int64_t limit_;
    int64_t held_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
};

// Half of the machine's physical memory: room for the decoder's and the system's own needs.
int64_t HalfOfPhysicalMemory();

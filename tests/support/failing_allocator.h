// Replaces the program's allocator so that a test can make one allocation of a chosen size fail.
// Include it in exactly one source file of a test program: operator new is replaced only once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace failing_allocator {

// The size whose next allocation fails; 0 when none is to fail.
inline std::atomic<std::size_t> failNextOfSize = 0;

// The next allocation of exactly `size` bytes throws std::bad_alloc; later ones succeed again.
inline void FailNextAllocationOf(std::size_t size) {
    failNextOfSize = size;
}

}  // namespace failing_allocator

// Out of line, all three: inlined into a caller, GCC pairs malloc or free with the other
// operator and reports a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    std::size_t failing = size;
    if (size != 0 && failing_allocator::failNextOfSize.compare_exchange_strong(failing, 0))
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* block) noexcept {
    std::free(block);
}
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

// Sizes multiplied and added without signed overflow: a file's numbers can be anything, so a
// product that leaves int64_t's range saturates at its largest value instead of wrapping into a
// negative one.
#pragma once

#include <cstdint>
#include <limits>

inline constexpr int64_t SaturatedMax = std::numeric_limits<int64_t>::max();

// a x b for a, b >= 0; SaturatedMax when it does not fit.
inline constexpr int64_t SaturatingProduct(int64_t a, int64_t b) {
    int64_t product = 0;
    return __builtin_mul_overflow(a, b, &product) ? SaturatedMax : product;
}

inline constexpr int64_t SaturatingProduct(int64_t a, int64_t b, int64_t c) {
    return SaturatingProduct(SaturatingProduct(a, b), c);
}

// a + b for a, b >= 0; SaturatedMax when it does not fit.
inline constexpr int64_t SaturatingSum(int64_t a, int64_t b) {
    int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? SaturatedMax : sum;
}

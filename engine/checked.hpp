// Checked arithmetic of a calculation.
//
// Counts, node indexes, walk offsets and loop counters are signed 16-bit values: every addition,
// multiplication and increment on them goes through the functions below and raises the overflow
// error when the result leaves -32768..32767. Lengths, grid values, sums and estimates are
// doubles; `checkedReal` tests each computed value and raises the floating-point error for an
// invalid operation (NaN), a division by zero or an overflow (infinity). Underflow and inexact
// results pass. Inputs are always finite (the field conversions refuse anything else), so a
// non-finite result is exactly one of those three faults.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime_error.hpp"

namespace nurlo {

using Int16 = std::int16_t;

inline constexpr int kInt16Min = std::numeric_limits<Int16>::min();
inline constexpr int kInt16Max = std::numeric_limits<Int16>::max();

[[noreturn]] void raiseOverflow();
[[noreturn]] void raiseFloatingPoint();

// A wider integer as a 16-bit value, or the overflow error.
constexpr Int16 toInt16(long long value) {
    if (value < kInt16Min || value > kInt16Max) {
        raiseOverflow();
    }
    return static_cast<Int16>(value);
}

constexpr Int16 checkedAdd(Int16 a, Int16 b) {
    Int16 sum{};
    if (__builtin_add_overflow(a, b, &sum)) {
        raiseOverflow();
    }
    return sum;
}

constexpr Int16 checkedMul(Int16 a, Int16 b) {
    Int16 product{};
    if (__builtin_mul_overflow(a, b, &product)) {
        raiseOverflow();
    }
    return product;
}

// A computed double, or the floating-point error when it is NaN or infinite.
inline double checkedReal(double value) {
    if (!std::isfinite(value)) [[unlikely]] {
        raiseFloatingPoint();
    }
    return value;
}

// The counter values first, first + 1, ..., last of a counted loop. The counter is never stepped
// past `last`, so a loop that ends at 32767 finishes its work instead of overflowing; an empty
// range (last < first) runs no pass.
class Int16Range {
public:
    class Iterator {
    public:
        constexpr explicit Iterator(int value) : value_(value) {}
        constexpr Int16 operator*() const { return static_cast<Int16>(value_); }
        constexpr Iterator& operator++() {
            ++value_;
            return *this;
        }
        constexpr bool operator!=(const Iterator& other) const { return value_ != other.value_; }

    private:
        int value_;
    };

    constexpr Int16Range(Int16 first, Int16 last)
        : first_(first), end_(last < first ? first : last + 1) {}
    constexpr Iterator begin() const { return Iterator(first_); }
    constexpr Iterator end() const { return Iterator(end_); }

private:
    int first_;
    int end_;
};

}  // namespace nurlo

#pragma once
// Whole-number arithmetic as the program has it: rounding to the nearest
// with ties to the even neighbour (2.5 -> 2, 3.5 -> 4), halving that
// truncates toward zero (-3 -> -1), and sums that raise an overflow error
// rather than wrap.

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>

namespace platform {

// Nothing when the result does not fit 32 bits, or the value is no number.
inline std::optional<std::int32_t> TryRoundHalfEven(double value) {
    // std::nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; rint-family is the only standard tie-to-even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// Throws std::overflow_error when the result does not fit 32 bits.
inline std::int32_t RoundHalfEven(double value) {
    if (const auto rounded = TryRoundHalfEven(value)) return *rounded;
    throw std::overflow_error("Overflow");
}

inline std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw std::overflow_error("Overflow");
    return sum;
}

inline std::int32_t Halve(std::int32_t value) {
    return value / 2;
}

}  // namespace platform

#pragma once
// Whole-number conversions as the program's arithmetic has them: nearest
// with ties to the even neighbour (2.5 -> 2, 3.5 -> 4), and halving that
// truncates toward zero (-3 -> -1).

#include <cmath>
#include <cstdint>

namespace platform {

inline std::int32_t RoundHalfEven(double value) {
    // std::nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; rint-family is the only standard tie-to-even.
    return static_cast<std::int32_t>(std::nearbyint(value));
}

inline std::int32_t Halve(std::int32_t value) {
    return value / 2;
}

}  // namespace platform

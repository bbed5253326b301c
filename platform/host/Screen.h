#pragma once
// Twips are 1/1440 inch; Qt measures in logical pixels of 1/96 inch, so a
// logical pixel is always 15 twips, whatever the device scale factor.

#include "platform/host/Rounding.h"

namespace platform {

inline constexpr float kTwipsPerPixel = 15.0f;

// A measure in twips as whole pixels, to the nearest.
inline int TwipsToPixels(float twips, float twipsPerPixel = kTwipsPerPixel) {
    return RoundHalfEven(twips / twipsPerPixel);
}

struct Screen {
    static float TwipsPerPixelX() { return kTwipsPerPixel; }
    static float TwipsPerPixelY() { return kTwipsPerPixel; }
};

}  // namespace platform

#pragma once
// Twips are 1/1440 inch; Qt measures in logical pixels of 1/96 inch, so a
// logical pixel is always 15 twips, whatever the device scale factor.

namespace platform {

inline constexpr float kTwipsPerPixel = 15.0f;

struct Screen {
    static float TwipsPerPixelX() { return kTwipsPerPixel; }
    static float TwipsPerPixelY() { return kTwipsPerPixel; }
};

}  // namespace platform

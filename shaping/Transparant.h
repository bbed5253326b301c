#pragma once
// Cuts a window's outline from its background picture: every pixel of the
// key colour is cut away, the rest stays, and the client area is sized to the
// picture.

#include <cstdint>

#include "platform/host/Form.h"

namespace Transparant {

// keyColour is 0x00RRGGBB; 1 asks for the picture's bottom-left pixel, whose
// colour is then written back. Leaves the window in pixel scale. A window
// without a picture (or whose picture cannot be copied) keeps its size and
// its plain rectangle, so it can still be seen and closed.
// Throws std::overflow_error when the window's sizes do not fit 32 bits.
void ShapeFormFromPicture(platform::Form& form, std::int32_t& keyColour);

// The window's borders in whole pixels: side is half the extra outer width,
// top the extra outer height less one side border (the bottom border is as
// wide as the side). Halves go to the even neighbour.
struct Frame {
    std::int32_t side = 0;
    std::int32_t top = 0;
};
Frame FrameOf(float outerWidth, float outerHeight, float clientWidth, float clientHeight);

}  // namespace Transparant

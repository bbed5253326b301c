#include "shaping/Transparant.h"

#include <cmath>
#include <stdexcept>

#include "platform/gdi/Gdi.h"
#include "shaping/cDIBSection.h"

using namespace platform::gdi;

namespace Transparant {
namespace {

std::int32_t checkedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) throw std::overflow_error("Overflow");
    return result;
}

std::int32_t wholeNumber(double value) {
    const double rounded = std::nearbyint(value);  // halves to even
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) throw std::overflow_error("Overflow");
    return static_cast<std::int32_t>(rounded);
}

// Blue, green and red as stored: 0x00RRGGBB.
std::int32_t colourAt(const std::uint8_t* pixel) {
    return pixel[0] | (pixel[1] << 8) | (pixel[2] << 16);
}

}  // namespace

Frame FrameOf(float outerWidth, float outerHeight, float clientWidth, float clientHeight) {
    Frame frame;
    frame.side = wholeNumber((outerWidth - clientWidth) / 2);
    frame.top = wholeNumber(outerHeight - clientHeight - static_cast<float>(frame.side));
    return frame;
}

void ShapeFormFromPicture(platform::Form& form, std::int32_t& keyColour) {
    cDIBSection dib;
    dib.CreateFromPicture(form.Picture());
    const std::int32_t width = dib.Width();
    const std::int32_t height = dib.Height();
    form.SetScaleMode(platform::vbPixels);
    const std::uint8_t* bits = dib.DIBSectionBitsPtr();
    if (bits == nullptr) return;

    const Frame frame = FrameOf(form.ScaleX(form.Width(), platform::vbTwips, platform::vbPixels),
                                form.ScaleY(form.Height(), platform::vbTwips, platform::vbPixels),
                                form.ScaleWidth(), form.ScaleHeight());
    const std::int32_t outerWidth = checkedAdd(width, checkedAdd(frame.side, frame.side));
    const std::int32_t outerHeight = checkedAdd(checkedAdd(frame.side, height), frame.top);
    form.SetWidth(static_cast<float>(outerWidth * double{platform::Screen::TwipsPerPixelX()}));
    form.SetHeight(static_cast<float>(outerHeight * double{platform::Screen::TwipsPerPixelY()}));

    // Windows frames have a bottom border as wide as the sides, which the
    // arithmetic above takes for granted; a window manager's need not (openbox
    // has a taller grip at the bottom). The outline goes where the client area
    // really is, which for a Windows-like frame is (side, top) all the same.
    const QPoint client = form.geometry().topLeft() - form.frameGeometry().topLeft();
    const std::int32_t left = client.x();
    const std::int32_t topRow = client.y();

    const std::ptrdiff_t stride = dib.BytesPerScanLine();
    if (keyColour == 1) keyColour = colourAt(bits);  // stored row 0: the bottom-left pixel
    const std::int32_t key = keyColour;
    const std::int32_t bottomRow = checkedAdd(topRow, height - 1);
    checkedAdd(left, width);  // every edge below stays within this

    const HRGN outline = CreateRectRgn(0, 0, 0, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bits + y * stride;
        const std::int32_t windowRow = bottomRow - y;
        std::int32_t x = 0;
        while (x < width) {
            while (x < width && colourAt(row + 3 * x) == key) ++x;
            if (x == width) break;
            const std::int32_t start = x;
            while (x < width && colourAt(row + 3 * x) != key) ++x;
            const HRGN run = CreateRectRgn(left + start, windowRow, left + x, windowRow + 1);
            CombineRgn(outline, outline, run, RGN_OR);
            DeleteObject(run);
        }
    }
    // The window owns the outline once it has it; one it refused is ours to free.
    if (SetWindowRgn(form.hWnd(), outline, true) == 0) DeleteObject(outline);
}

}  // namespace Transparant

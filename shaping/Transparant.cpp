#include "shaping/Transparant.h"

#include <cmath>
#include <stdexcept>

#include "platform/gdi/Gdi.h"
#include "platform/host/Rounding.h"
#include "shaping/cDIBSection.h"

using namespace platform::gdi;

namespace Transparant {
namespace {

// Blue, green and red as stored: 0x00RRGGBB.
std::int32_t colourAt(const std::uint8_t* pixel) {
    return pixel[0] | (pixel[1] << 8) | (pixel[2] << 16);
}

}  // namespace

Frame FrameOf(float outerWidth, float outerHeight, float clientWidth, float clientHeight) {
    Frame frame;
    frame.side = platform::RoundHalfEven((outerWidth - clientWidth) / 2);
    frame.top =
        platform::RoundHalfEven(outerHeight - clientHeight - static_cast<float>(frame.side));
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
    const std::int32_t outerWidth =
        platform::CheckedAdd(width, platform::CheckedAdd(frame.side, frame.side));
    const std::int32_t outerHeight =
        platform::CheckedAdd(platform::CheckedAdd(frame.side, height), frame.top);
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
    const std::int32_t bottomRow = platform::CheckedAdd(topRow, height - 1);
    platform::CheckedAdd(left, width);  // every edge below stays within this

    // The key's bytes as stored, compared without branching on each byte. A
    // key with bits above the colour matches no pixel.
    const std::uint8_t keyBlue = key & 0xff, keyGreen = (key >> 8) & 0xff;
    const int keyRed = (key & ~0xffff) >> 16;  // beyond a byte for such a key
    const HRGN outline = CreateRectRgn(0, 0, 0, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bits + y * stride;
        const auto isKey = [row, keyBlue, keyGreen, keyRed](std::int32_t x) {
            const std::uint8_t* pixel = row + 3 * x;
            return ((pixel[0] ^ keyBlue) | (pixel[1] ^ keyGreen) | (pixel[2] ^ keyRed)) == 0;
        };
        const std::int32_t windowRow = bottomRow - y;
        std::int32_t x = 0;
        while (x < width) {
            while (x < width && isKey(x)) ++x;
            if (x == width) break;
            const std::int32_t start = x;
            while (x < width && !isKey(x)) ++x;
            const HRGN run = CreateRectRgn(left + start, windowRow, left + x, windowRow + 1);
            CombineRgn(outline, outline, run, RGN_OR);
            DeleteObject(run);
        }
    }
    // The window owns the outline once it has it; one it refused is ours to free.
    if (SetWindowRgn(form.hWnd(), outline, true) == 0) DeleteObject(outline);
}

}  // namespace Transparant

#pragma once
// GDI stand-in: bitmaps, device contexts and regions behind 32-bit handles,
// as the shaping code expects them, over QImage and QRegion.

#include <QImage>
#include <cstdint>

namespace platform::gdi {

using HGDIOBJ = std::int32_t;
using HBITMAP = HGDIOBJ;

// The bitmap behind a picture object's Handle. The caller owns it and
// releases it with DeleteObject.
HBITMAP CreateBitmapFromImage(const QImage& image);

// Releases a bitmap, device context or region. False for an unknown handle.
bool DeleteObject(HGDIOBJ object);

}  // namespace platform::gdi

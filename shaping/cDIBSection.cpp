#include "shaping/cDIBSection.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

#include "platform/host/Rounding.h"

using namespace platform::gdi;

namespace {

std::int32_t checkedMul(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_mul_overflow(a, b, &result)) throw std::overflow_error("Overflow");
    return result;
}

// Halves to the even neighbour, as every rounding here does.
std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::nearbyint(value));
}

}  // namespace

cDIBSection::~cDIBSection() {
    ClearUp();
}

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    if (bAsDIB) {
        QMessageBox::information(nullptr, QGuiApplication::applicationDisplayName(),
                                 QStringLiteral("I don't know how to put a DIB on the clipboard! "
                                                "Copy as bitmap instead!!!"));
        return false;
    }
    if (m_MemDC == 0) return false;  // nothing to copy; an empty bitmap is no copy
    bool taken = false;
    const HDC screen = GetDC(GetDesktopWindow());
    if (screen == 0) return false;
    const HDC memory = CreateCompatibleDC(screen);
    if (memory != 0) {
        const HBITMAP copy = CreateCompatibleBitmap(screen, Width(), Height());
        if (copy != 0) {
            const HGDIOBJ previous = SelectObject(memory, copy);
            PaintPicture(memory, 0, 0, -1, -1, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            if (OpenClipboard(0)) {
                EmptyClipboard();
                taken = SetClipboardData(CF_BITMAP, copy) != 0;
                CloseClipboard();
            }
            if (!taken) DeleteObject(copy);  // the clipboard did not take it over
        }
        DeleteDC(memory);
    }
    ReleaseDC(GetDesktopWindow(), screen);
    return taken;
}

bool cDIBSection::CreateDIB(std::int32_t lHDC, std::int32_t lWidth, std::int32_t lHeight,
                            std::int32_t& hDib) {
    m_Header = BITMAPINFOHEADER{};
    m_Header.biSize = sizeof(BITMAPINFOHEADER);
    m_Header.biWidth = lWidth;
    m_Header.biHeight = lHeight;
    m_Header.biPlanes = 1;
    m_Header.biBitCount = 24;
    m_Header.biCompression = BI_RGB;
    m_Header.biSizeImage = static_cast<std::uint32_t>(checkedMul(lHeight, BytesPerScanLine()));
    void* bits = nullptr;
    hDib = CreateDIBSection(lHDC, &m_Header, DIB_RGB_COLORS, &bits, 0, 0);
    m_Bits = static_cast<std::uint8_t*>(bits);
    return hDib != 0;
}

void cDIBSection::CreateFromPicture(const platform::StdPicture& picThis) {
    const HBITMAP picture = picThis.Handle();
    BITMAP bm;
    GetObjectA(picture, sizeof bm, &bm);
    if (!Create(bm.bmWidth, bm.bmHeight)) return;
    const HDC screen = GetDC(GetDesktopWindow());
    const HDC temp = screen != 0 ? CreateCompatibleDC(screen) : 0;
    if (screen != 0) ReleaseDC(GetDesktopWindow(), screen);
    // Without a copy of the picture a blank DIB would pass for one: stay empty.
    const HGDIOBJ previous = temp != 0 ? SelectObject(temp, picture) : 0;
    if (previous == 0) {
        if (temp != 0) DeleteDC(temp);
        ClearUp();
        return;
    }
    LoadPictureBlt(temp, 0, 0, -1, -1, SRCCOPY);
    SelectObject(temp, previous);
    DeleteDC(temp);
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
    ClearUp();
    m_MemDC = CreateCompatibleDC(0);
    if (m_MemDC == 0) return false;
    bool made = false;
    try {
        made = CreateDIB(m_MemDC, lWidth, lHeight, m_Dib);
    } catch (...) {
        DeleteDC(m_MemDC);  // an overflowing size leaves no context behind either
        m_MemDC = 0;
        throw;
    }
    if (made) {
        m_SavedBitmap = SelectObject(m_MemDC, m_Dib);
        return true;
    }
    DeleteDC(m_MemDC);
    m_MemDC = 0;
    return false;
}

std::int32_t cDIBSection::BytesPerScanLine() const {
    return platform::CheckedAdd(checkedMul(m_Header.biWidth, 3), 3) & ~3;
}

void cDIBSection::LoadPictureBlt(std::int32_t lHDC, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                                 std::int32_t lSrcWidth, std::int32_t lSrcHeight,
                                 std::uint32_t eRop) {
    if (lSrcWidth < 0) lSrcWidth = Width();
    if (lSrcHeight < 0) lSrcHeight = Height();
    BitBlt(m_MemDC, 0, 0, lSrcWidth, lSrcHeight, lHDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(std::int32_t lHDC, std::int32_t lDestLeft, std::int32_t lDestTop,
                               std::int32_t lDestWidth, std::int32_t lDestHeight,
                               std::int32_t lSrcLeft, std::int32_t lSrcTop, std::uint32_t eRop) {
    if (lDestWidth < 0) lDestWidth = Width();
    if (lDestHeight < 0) lDestHeight = Height();
    BitBlt(lHDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, m_MemDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::RandomiseBits(bool bGray) {
    if (m_Bits == nullptr) return;
    static std::mt19937 generator;
    generator.seed(static_cast<std::uint32_t>(QTime::currentTime().msecsSinceStartOfDay()));
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto random = [&] { return toByte(std::min(unit(generator), 1.0f) * 255.0f); };
    const std::int32_t stride = BytesPerScanLine();
    for (std::int32_t y = 0; y < Height(); ++y) {
        std::uint8_t* pixel = m_Bits + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::int32_t x = 0; x < Width(); ++x, pixel += 3) {
            if (bGray) {
                pixel[0] = pixel[1] = pixel[2] = random();
            } else {
                pixel[0] = 0;
                pixel[1] = random();
                pixel[2] = random();
            }
        }
    }
}

void cDIBSection::ClearUp() {
    if (m_MemDC != 0) {
        if (m_Dib != 0) {
            SelectObject(m_MemDC, m_SavedBitmap);
            DeleteObject(m_Dib);
        }
        DeleteDC(m_MemDC);
    }
    m_MemDC = 0;
    m_Dib = 0;
    m_SavedBitmap = 0;
    m_Bits = nullptr;
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight,
                                                   std::int32_t lNewWidth) const {
    if (m_Bits == nullptr) return nullptr;  // an empty object has no pixels to sample
    auto result = std::make_unique<cDIBSection>();
    if (!result->Create(lNewWidth, lNewHeight)) return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height()) {
        result->LoadPictureBlt(m_MemDC, 0, 0, -1, -1, SRCCOPY);
        return result;
    }
    const float sx = static_cast<float>(Width() - 1) / static_cast<float>(lNewWidth);
    const float sy = static_cast<float>(Height() - 1) / static_cast<float>(lNewHeight);
    const std::ptrdiff_t from = BytesPerScanLine();
    const std::ptrdiff_t to = result->BytesPerScanLine();
    // The neighbour past the last row or column is that row or column itself:
    // a one-pixel source, or a position rounded up onto the last pixel, would
    // otherwise read outside the bitmap.
    const auto split = [](float position, std::int32_t last, std::int32_t& i, std::int32_t& next) {
        i = std::min(static_cast<std::int32_t>(std::floor(position)), last);
        next = std::min(i + 1, last);
        return position - static_cast<float>(i);
    };
    for (std::int32_t y = 0; y < lNewHeight; ++y) {
        std::int32_t iy = 0, iy1 = 0;
        const float fy = split(static_cast<float>(y) * sy, Height() - 1, iy, iy1);
        const std::uint8_t* row0 = m_Bits + iy * from;
        const std::uint8_t* row1 = m_Bits + iy1 * from;
        std::uint8_t* target = result->m_Bits + y * to;
        for (std::int32_t x = 0; x < lNewWidth; ++x) {
            std::int32_t ix = 0, ix1 = 0;
            const float fx = split(static_cast<float>(x) * sx, Width() - 1, ix, ix1);
            for (int c = 0; c < 3; ++c) {
                const float left =
                    std::nearbyint((1 - fy) * row0[3 * ix + c] + fy * row1[3 * ix + c]);
                const float right =
                    std::nearbyint((1 - fy) * row0[3 * ix1 + c] + fy * row1[3 * ix1 + c]);
                target[3 * x + c] = toByte((1 - fx) * left + fx * right);
            }
        }
    }
    return result;
}

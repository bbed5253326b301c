#pragma once
// One 24-bit bottom-up DIB kept selected in its own memory device context, so
// it can be blitted to and from and its pixels read and written in memory.
// Rows are BytesPerScanLine bytes; pixel x of a row is bytes 3x..3x+2 in the
// order blue, green, red; the first row in memory is the picture's bottom row.

#include <cstdint>
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/host/Picture.h"

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection();
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Puts a screen-depth copy on the clipboard. A DIB cannot go there: with
    // bAsDIB the user is told so and the result is false.
    bool CopyToClipboard(bool bAsDIB);
    bool CreateDIB(std::int32_t lHDC, std::int32_t lWidth, std::int32_t lHeight,
                   std::int32_t& hDib);
    // A copy of the picture in 24 bits; leaves the object empty when that fails.
    void CreateFromPicture(const platform::StdPicture& picThis);
    bool Create(std::int32_t lWidth, std::int32_t lHeight);
    // Width x 3 rounded up to a multiple of 4; std::overflow_error past 32 bits.
    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return m_Header.biWidth; }
    std::int32_t Height() const { return m_Header.biHeight; }
    // A negative width or height stands for the DIB's own.
    void LoadPictureBlt(std::int32_t lHDC, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                        std::int32_t lSrcWidth = -1, std::int32_t lSrcHeight = -1,
                        std::uint32_t eRop = platform::gdi::SRCCOPY);
    void PaintPicture(std::int32_t lHDC, std::int32_t lDestLeft = 0, std::int32_t lDestTop = 0,
                      std::int32_t lDestWidth = -1, std::int32_t lDestHeight = -1,
                      std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0,
                      std::uint32_t eRop = platform::gdi::SRCCOPY);
    std::int32_t hDC() const { return m_MemDC; }
    std::int32_t hDib() const { return m_Dib; }
    // Valid until the next Create, ClearUp or destruction; null when empty.
    std::uint8_t* DIBSectionBitsPtr() const { return m_Bits; }
    void RandomiseBits(bool bGray);
    void ClearUp();
    // A bilinear copy at the new size (height first), or null when no copy
    // can be made.
    std::unique_ptr<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const;

private:
    std::int32_t m_Dib = 0;
    std::int32_t m_SavedBitmap = 0;
    std::int32_t m_MemDC = 0;
    std::uint8_t* m_Bits = nullptr;
    platform::gdi::BITMAPINFOHEADER m_Header;
};

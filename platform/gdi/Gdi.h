#pragma once
// GDI stand-in: bitmaps, memory device contexts and regions behind 32-bit
// handles, over QImage and QRegion, plus the clipboard and window-region calls
// the shaping code makes. Single-threaded, like the program.

#include <QImage>
#include <QtGlobal>
#include <cstdint>

namespace platform::gdi {

using HGDIOBJ = std::int32_t;
using HBITMAP = HGDIOBJ;
using HDC = HGDIOBJ;
using HRGN = HGDIOBJ;
using HWND = quintptr;  // the native window id, as Form::hWnd gives it

inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t DIB_RGB_COLORS = 0;
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t CF_BITMAP = 2;

// CombineRgn modes and results.
inline constexpr std::int32_t RGN_AND = 1;
inline constexpr std::int32_t RGN_OR = 2;
inline constexpr std::int32_t RGN_XOR = 3;
inline constexpr std::int32_t RGN_DIFF = 4;
inline constexpr std::int32_t RGN_COPY = 5;
inline constexpr std::int32_t RGN_ERROR = 0;
inline constexpr std::int32_t NULLREGION = 1;
inline constexpr std::int32_t SIMPLEREGION = 2;
inline constexpr std::int32_t COMPLEXREGION = 3;

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// bmBits is a real pointer, so the record is 32 bytes here, as on 64-bit
// Windows; callers pass sizeof(BITMAP).
struct BITMAP {
    std::int32_t bmType = 0;
    std::int32_t bmWidth = 0;
    std::int32_t bmHeight = 0;
    std::int32_t bmWidthBytes = 0;
    std::uint16_t bmPlanes = 0;
    std::uint16_t bmBitsPixel = 0;
    void* bmBits = nullptr;
};

// The bitmap behind a picture object's Handle, at screen depth. The caller
// owns it and releases it with DeleteObject.
HBITMAP CreateBitmapFromImage(const QImage& image);
// A screen-depth bitmap of the given size, black.
HBITMAP CreateCompatibleBitmap(HDC hdc, std::int32_t cx, std::int32_t cy);
// A bottom-up 24-bit DIB (header biBitCount 24, BI_RGB, positive size; no
// colour table). Rows are padded to 4 bytes; the bitmap owns the memory and
// *bits points at its first (bottom) row until the bitmap is deleted.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFOHEADER* header, std::uint32_t usage, void** bits,
                         std::intptr_t section, std::uint32_t offset);
// Fills a BITMAP record; returns the bytes written, 0 when the handle is no
// bitmap or the buffer is too small. With out null, the size needed.
std::int32_t GetObjectA(HGDIOBJ object, std::int32_t size, void* out);

// Releases a bitmap or region. False for an unknown handle, a bitmap still
// selected in a device context or a region a window owns.
bool DeleteObject(HGDIOBJ object);

// A memory device context, compatible with the screen; it starts out with a
// 1x1 stock bitmap selected, as on Windows.
HDC CreateCompatibleDC(HDC hdc);
bool DeleteDC(HDC hdc);
// Selects a bitmap into a memory context and returns the one it replaces, or
// 0 on failure (a bitmap can be selected in only one context at a time).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);

// The screen. GetDC gives its device context for the desktop window (or 0)
// only; it is released with ReleaseDC.
HWND GetDesktopWindow();
HDC GetDC(HWND hWnd);
std::int32_t ReleaseDC(HWND hWnd, HDC hdc);

// Copies pixels between the bitmaps selected in two memory contexts, in any
// depth to any other. Only SRCCOPY is known.
bool BitBlt(HDC dest, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC source,
            std::int32_t x1, std::int32_t y1, std::uint32_t rop);

// The clipboard. SetClipboardData takes a CF_BITMAP only while the clipboard
// is open; on success the clipboard owns (and here has already freed) it.
bool OpenClipboard(HWND hWnd);
bool EmptyClipboard();
HGDIOBJ SetClipboardData(std::uint32_t format, HGDIOBJ data);
bool CloseClipboard();

// Regions. Right and bottom edges are exclusive.
HRGN CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
std::int32_t CombineRgn(HRGN dest, HRGN source1, HRGN source2, std::int32_t mode);
// Gives the window the region as its shape (in outer window coordinates); the
// window then owns it and frees it when it gets another one or goes away.
// Region 0 removes the shape. Returns 0 when there is no such window.
std::int32_t SetWindowRgn(HWND hWnd, HRGN region, bool redraw);

// Calls made so far, and live objects, for the benchmarks.
struct Counts {
    std::int64_t createRectRgn = 0;
    std::int64_t combineRgn = 0;
    std::int64_t deleteObject = 0;
    std::int64_t liveObjects = 0;
};
Counts CallCounts();

}  // namespace platform::gdi

// The GDI stand-in: handle rules of bitmaps and device contexts, DIB memory
// layout, blits between depths, region unions and window shapes.

#include "platform/gdi/Gdi.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

using namespace platform::gdi;

namespace {

BITMAPINFOHEADER header24(std::int32_t width, std::int32_t height) {
    BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    return h;
}

BITMAP bitmapOf(HGDIOBJ object) {
    BITMAP bm;
    EXPECT_EQ(GetObjectA(object, sizeof bm, &bm), std::int32_t(sizeof bm));
    return bm;
}

// A DIB selected in a fresh memory context.
struct Dib {
    HDC dc = CreateCompatibleDC(0);
    void* bits = nullptr;
    HBITMAP bitmap = 0;
    HGDIOBJ saved = 0;
    Dib(std::int32_t width, std::int32_t height) {
        const BITMAPINFOHEADER h = header24(width, height);
        bitmap = CreateDIBSection(dc, &h, DIB_RGB_COLORS, &bits, 0, 0);
        saved = SelectObject(dc, bitmap);
    }
    ~Dib() {
        SelectObject(dc, saved);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    const std::uint8_t* at(int storedRow, int x) const {
        return static_cast<const std::uint8_t*>(bits) + storedRow * bitmapOf(bitmap).bmWidthBytes +
               3 * x;
    }
};

// A picture bitmap selected in a memory context.
struct Picture {
    HDC dc = CreateCompatibleDC(0);
    HBITMAP bitmap;
    HGDIOBJ saved;
    explicit Picture(const QImage& image) : bitmap(CreateBitmapFromImage(image)) {
        saved = SelectObject(dc, bitmap);
    }
    ~Picture() {
        SelectObject(dc, saved);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

QRegion maskAfter(QWidget& window, HRGN region) {
    EXPECT_EQ(SetWindowRgn(window.winId(), region, true), 1);
    return window.mask();
}

bool same(const QRegion& a, const QRegion& b) {
    return (a ^ b).isEmpty();
}

// Without a frame, outer and client coordinates are the same.
struct Window : QWidget {
    Window() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}
};

}  // namespace

TEST(GdiDibSection, RefusesWhatItCannotHoldAndSaysSo) {
    auto refused = [](BITMAPINFOHEADER h) {
        void* bits = reinterpret_cast<void*>(1);
        const HBITMAP dib = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        return dib == 0 && bits == nullptr;
    };
    EXPECT_TRUE(refused(header24(0, 5)));
    EXPECT_TRUE(refused(header24(5, 0)));
    EXPECT_TRUE(refused(header24(-5, 5)));
    EXPECT_TRUE(refused(header24(5, -5)));
    EXPECT_TRUE(refused(header24(16000, 16000)));  // 768 MB
    BITMAPINFOHEADER deep = header24(5, 5);
    deep.biBitCount = 32;
    EXPECT_TRUE(refused(deep));
    BITMAPINFOHEADER packed = header24(5, 5);
    packed.biCompression = 1;
    EXPECT_TRUE(refused(packed));
    const BITMAPINFOHEADER fine = header24(5, 5);
    void* bits = nullptr;
    EXPECT_EQ(CreateDIBSection(0x7fff0000, &fine, DIB_RGB_COLORS, &bits, 0, 0), 0);
    EXPECT_EQ(CreateDIBSection(0, nullptr, DIB_RGB_COLORS, &bits, 0, 0), 0);
    EXPECT_EQ(GetObjectA(0x7fff0000, sizeof(BITMAP), &bits), 0);
}

TEST(GdiDibSection, ANewDibIsBlackWhateverTheLastOneHeld) {
    for (int round = 0; round < 2; ++round) {
        Dib dib(40, 30);
        ASSERT_NE(dib.bits, nullptr);
        auto* bytes = static_cast<std::uint8_t*>(dib.bits);
        const int size = bitmapOf(dib.bitmap).bmWidthBytes * 30;
        EXPECT_EQ(std::count(bytes, bytes + size, 0), size);
        std::fill(bytes, bytes + size, 0x5a);  // left behind for the next one
    }
}

TEST(GdiDeviceContext, SelectionFollowsTheWindowsRules) {
    const HDC dc = CreateCompatibleDC(0);
    ASSERT_NE(dc, 0);
    const HBITMAP a = CreateBitmapFromImage(QImage(4, 4, QImage::Format_RGB32));
    const HBITMAP b = CreateBitmapFromImage(QImage(2, 2, QImage::Format_RGB32));

    // A new context holds a 1x1 monochrome stock bitmap.
    const HGDIOBJ stock = SelectObject(dc, a);
    ASSERT_NE(stock, 0);
    EXPECT_EQ(bitmapOf(stock).bmWidth, 1);
    EXPECT_EQ(bitmapOf(stock).bmBitsPixel, 1);
    EXPECT_EQ(SelectObject(dc, b), a);

    // One context at a time, and no deleting while selected.
    const HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, b), 0);
    EXPECT_FALSE(DeleteObject(b));
    EXPECT_EQ(SelectObject(dc, stock), b);
    EXPECT_NE(SelectObject(other, b), 0);

    // Deleting a context lets go of its bitmap.
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_NE(SelectObject(dc, b), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_TRUE(DeleteObject(stock));  // stock objects ignore it
    EXPECT_NE(bitmapOf(stock).bmWidth, 0);

    EXPECT_FALSE(DeleteObject(a));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SelectObject(dc, stock), 0);
    EXPECT_EQ(CreateCompatibleDC(dc), 0);
}

TEST(GdiDeviceContext, ScreenContextBelongsToTheDesktopOnly) {
    const HDC screen = GetDC(GetDesktopWindow());
    ASSERT_NE(screen, 0);
    EXPECT_FALSE(DeleteDC(screen));  // released, not deleted
    const HDC memory = CreateCompatibleDC(screen);
    EXPECT_NE(memory, 0);
    const HBITMAP copy = CreateCompatibleBitmap(screen, 3, 2);
    EXPECT_EQ(bitmapOf(copy).bmBitsPixel, 32);
    EXPECT_EQ(SelectObject(screen, copy), 0);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 1);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), screen), 0);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), memory), 0);
    EXPECT_EQ(GetDC(0x12345678), 0);
    EXPECT_EQ(CreateCompatibleBitmap(memory, 0, 2), 0);
    DeleteObject(copy);
    DeleteDC(memory);
}

TEST(GdiBitBlt, ConvertsAnyPictureDepthIntoBottomUpBgr) {
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(250, 251, 252)});
    indexed.fill(0);
    indexed.setPixel(2, 0, 1);  // top-right
    Picture picture(indexed);
    Dib dib(3, 2);
    ASSERT_TRUE(BitBlt(dib.dc, 0, 0, 3, 2, picture.dc, 0, 0, SRCCOPY));
    // Stored row 1 is the top row; bytes are blue, green, red.
    EXPECT_EQ(dib.at(1, 2)[0], 252);
    EXPECT_EQ(dib.at(1, 2)[1], 251);
    EXPECT_EQ(dib.at(1, 2)[2], 250);
    EXPECT_EQ(dib.at(0, 0)[0], 3);
    EXPECT_EQ(dib.at(0, 0)[2], 1);

    // And back out to a screen-depth bitmap, the right way up.
    Picture target(QImage(3, 2, QImage::Format_RGB32));
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 3, 2, dib.dc, 0, 0, SRCCOPY));
    const HGDIOBJ selected = SelectObject(target.dc, target.saved);
    ASSERT_TRUE(OpenClipboard(0));
    ASSERT_NE(SetClipboardData(CF_BITMAP, selected), 0);
    CloseClipboard();
    const QImage out = QGuiApplication::clipboard()->image();
    EXPECT_EQ(out.pixel(2, 0), qRgb(250, 251, 252));
    EXPECT_EQ(out.pixel(0, 1), qRgb(1, 2, 3));
    target.bitmap = 0;  // the clipboard has it
}

TEST(GdiBitBlt, ClipsToTheDestinationAndKnowsOnlySrccopy) {
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    Picture picture(red);
    Dib dib(2, 2);
    EXPECT_FALSE(BitBlt(dib.dc, 0, 0, 2, 2, picture.dc, 0, 0, 0x00EE0086));  // SRCPAINT
    EXPECT_FALSE(BitBlt(dib.dc, 0, 0, -1, 2, picture.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dib.dc, 0, 0, 2, 2, 0x7fff0000, 0, 0, SRCCOPY));
    // Far too large and partly outside: only the pixels that exist change.
    EXPECT_TRUE(BitBlt(dib.dc, 1, -1, 0x7fffffff, 0x7fffffff, picture.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dib.at(1, 1)[2], 255);  // top-right
    EXPECT_EQ(dib.at(0, 1)[2], 255);
    EXPECT_EQ(dib.at(1, 0)[2], 0);                                       // left column untouched
    EXPECT_TRUE(BitBlt(dib.dc, 5, 5, 2, 2, picture.dc, 0, 0, SRCCOPY));  // nothing to do
    // The stock bitmap takes no pixels.
    const HDC empty = CreateCompatibleDC(0);
    EXPECT_FALSE(BitBlt(empty, 0, 0, 1, 1, picture.dc, 0, 0, SRCCOPY));
    DeleteDC(empty);
}

TEST(GdiBitBlt, PixelsFromOutsideTheSourceComeOutBlack) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    Picture source(picture);
    QImage white(3, 3, QImage::Format_RGB32);
    white.fill(Qt::white);
    Picture before(white);
    Dib dib(3, 3);
    ASSERT_TRUE(BitBlt(dib.dc, 0, 0, 3, 3, before.dc, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(dib.dc, 0, 0, 3, 3, source.dc, -1, 0, SRCCOPY));
    // Stored row 2 is the top row: a column left of the picture, then the picture.
    EXPECT_EQ(dib.at(2, 0)[2], 0);
    EXPECT_EQ(dib.at(2, 1)[0], 30);
    EXPECT_EQ(dib.at(2, 2)[2], 10);
    EXPECT_EQ(dib.at(0, 1)[1], 0);  // the row below it
    // And from one DIB into another.
    Dib copy(2, 2);
    ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 2, 2, before.dc, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(copy.dc, 0, 0, 2, 2, dib.dc, 1, 1, SRCCOPY));
    EXPECT_EQ(copy.at(1, 1)[1], 20);
    EXPECT_EQ(copy.at(0, 0)[1], 0);
}

TEST(GdiClipboard, TakesABitmapOnlyWhileOpen) {
    const HDC screen = GetDC(GetDesktopWindow());
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 2);
    ReleaseDC(GetDesktopWindow(), screen);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), 0);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_FALSE(CloseClipboard());
    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_FALSE(OpenClipboard(0));
    EXPECT_EQ(SetClipboardData(1 /* CF_TEXT */, bitmap), 0);
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(2, 2));
    EXPECT_FALSE(DeleteObject(bitmap));  // no longer ours
}

TEST(GdiRegion, CombineReportsTheTypeOfTheResult) {
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    const HRGN empty = CreateRectRgn(5, 5, 5, 9);
    EXPECT_EQ(CombineRgn(region, region, empty, RGN_OR), NULLREGION);
    const auto add = [&](int l, int t, int r, int b) {
        const HRGN part = CreateRectRgn(l, t, r, b);
        const std::int32_t type = CombineRgn(region, region, part, RGN_OR);
        EXPECT_TRUE(DeleteObject(part));
        return type;
    };
    EXPECT_EQ(add(0, 9, 4, 10), SIMPLEREGION);
    EXPECT_EQ(add(0, 8, 4, 9), SIMPLEREGION);    // stacked: still one rectangle
    EXPECT_EQ(add(1, 8, 3, 10), SIMPLEREGION);   // inside
    EXPECT_EQ(add(6, 8, 7, 9), COMPLEXREGION);   // apart
    EXPECT_EQ(add(4, 7, 7, 8), COMPLEXREGION);   // touching, holes left
    EXPECT_EQ(add(4, 8, 6, 10), COMPLEXREGION);  // overlap: counted area is too high to tell
    EXPECT_EQ(add(0, 7, 4, 8), COMPLEXREGION);
    EXPECT_EQ(add(6, 9, 7, 10), SIMPLEREGION);  // the last gap: 0..7 x 7..10
    EXPECT_EQ(add(0, 0, 1, 1), COMPLEXREGION);

    Window window;
    EXPECT_TRUE(same(maskAfter(window, region), QRegion(0, 7, 7, 3) | QRegion(0, 0, 1, 1)));
    EXPECT_TRUE(DeleteObject(empty));
}

TEST(GdiRegion, OtherModesAndArguments) {
    const HRGN a = CreateRectRgn(0, 0, 10, 10);
    const HRGN b = CreateRectRgn(5, 5, 15, 15);
    const HRGN out = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(out, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(out, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(out, a, a, RGN_DIFF), NULLREGION);
    EXPECT_EQ(CombineRgn(out, b, 0, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(CombineRgn(out, a, b, 9), RGN_ERROR);
    EXPECT_EQ(CombineRgn(out, a, 0, RGN_OR), RGN_ERROR);
    EXPECT_EQ(CombineRgn(out, out, out, RGN_OR), SIMPLEREGION);
    // Corners given the wrong way round are put right.
    const HRGN flipped = CreateRectRgn(15, 15, 5, 5);
    EXPECT_EQ(CombineRgn(out, flipped, b, RGN_XOR), NULLREGION);
    Window window;
    EXPECT_TRUE(same(maskAfter(window, a), QRegion(0, 0, 10, 10)));
    for (HRGN r : {b, out, flipped}) EXPECT_TRUE(DeleteObject(r));
}

TEST(GdiRegion, RunsInAnyOrderReportTheTypeOfTheUnionSoFar) {
    // Two touching runs a row; row 2 is shorter. Taken top down, bottom row
    // first (as a picture's come) and from the middle out.
    std::vector<QRect> rows[6];
    for (int y = 0; y < 6; ++y) rows[y] = {QRect(0, y, 3, 1), QRect(3, y, y == 2 ? 2 : 4, 1)};
    for (const std::vector<int>& order :
         {std::vector<int>{0, 1, 2, 3, 4, 5}, {5, 4, 3, 2, 1, 0}, {3, 2, 4, 1, 5, 0}}) {
        const HRGN outline = CreateRectRgn(0, 0, 0, 0);
        QRegion expected;
        for (int y : order) {
            for (const QRect& r : rows[y]) {
                const HRGN run = CreateRectRgn(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
                expected |= r;
                EXPECT_EQ(CombineRgn(outline, outline, run, RGN_OR),
                          expected.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION);
                DeleteObject(run);
            }
        }
        Window window;
        EXPECT_TRUE(same(maskAfter(window, outline), expected));
        EXPECT_EQ(window.mask().rectCount(), 3);  // joined as Qt joins them
    }
}

TEST(GdiRegion, ManyRunsMakeTheSameShapeAsOneByOneUnions) {
    // Runs of a picture arrive bottom row first, left to right.
    const HRGN outline = CreateRectRgn(0, 0, 0, 0);
    QRegion expected;
    for (int y = 40; y >= 0; --y) {
        for (int x = y % 3; x < 60; x += 4) {
            const HRGN run = CreateRectRgn(x, y, x + 1 + y % 2, y + 1);
            CombineRgn(outline, outline, run, RGN_OR);
            DeleteObject(run);
            expected |= QRegion(x, y, 1 + y % 2, 1);
        }
    }
    // Overlapping additions take the other way in.
    const HRGN over = CreateRectRgn(10, 10, 30, 20);
    CombineRgn(outline, outline, over, RGN_OR);
    expected |= QRegion(10, 10, 20, 10);
    DeleteObject(over);
    Window window;
    EXPECT_TRUE(same(maskAfter(window, outline), expected));
}

TEST(GdiRegion, WideFarAndManyRunsKeepTheirPlaces) {
    // Bottom row first: runs left of the origin, widths and gaps from one
    // pixel to millions, rows of thousands of runs and rows repeating the one
    // above, as bands that differ in every way a run can be written down.
    std::vector<std::vector<QRect>> rows(30);
    for (int y = 0; y < 30; ++y) {
        std::vector<QRect>& row = rows[y];
        switch (y % 5) {
            case 0:
                for (int i = 0; i < 5000; ++i) row.emplace_back(-20000 + 3 * i, y, 1 + i % 2, 1);
                break;
            case 1: row.emplace_back(-(1 << 26), y, 1 << 27, 1); break;
            case 2:
            case 3: row = {{-70000, y, 200, 1}, {-300, y, 20000, 1}, {100000, y, 1, 1}}; break;
            default: row = {{0, y, 1, 1}, {2, y, 1, 1}, {3, y, 4, 1}, {200, y, 129, 1}};
        }
    }
    const HRGN outline = CreateRectRgn(0, 0, 0, 0);
    for (int y = 29; y >= 0; --y) {
        for (const QRect& r : rows[y]) {
            const HRGN run = CreateRectRgn(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
            EXPECT_NE(CombineRgn(outline, outline, run, RGN_OR), RGN_ERROR);
            DeleteObject(run);
        }
    }
    QRegion expected;  // top down, so each row is appended
    for (const std::vector<QRect>& row : rows)
        for (const QRect& r : row) expected += r;
    Window window;
    EXPECT_TRUE(same(maskAfter(window, outline), expected));
}

TEST(GdiRegion, ADeletedHandleStaysUnknownWhenItsPlaceIsTakenAgain) {
    const HRGN first = CreateRectRgn(0, 0, 1, 1);
    ASSERT_TRUE(DeleteObject(first));
    const HRGN second = CreateRectRgn(0, 0, 2, 2);
    EXPECT_NE(second, first);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(CombineRgn(first, second, second, RGN_OR), RGN_ERROR);
    const HDC dc = CreateCompatibleDC(0);
    EXPECT_EQ(CombineRgn(second, dc, second, RGN_OR), RGN_ERROR);  // no region
    EXPECT_FALSE(DeleteObject(dc));
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(second));
}

TEST(GdiWindowRegion, TheWindowOwnsItsRegionUntilReplacedOrGone) {
    const std::int64_t before = CallCounts().liveObjects;
    auto window = std::make_unique<Window>();
    const HWND hWnd = window->winId();
    const HRGN first = CreateRectRgn(0, 0, 10, 10);
    EXPECT_TRUE(same(maskAfter(*window, first), QRegion(0, 0, 10, 10)));
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(CombineRgn(first, first, first, RGN_OR), RGN_ERROR);
    EXPECT_EQ(SetWindowRgn(hWnd, first, true), 0);  // already given away

    const HRGN second = CreateRectRgn(2, 2, 4, 4);
    EXPECT_TRUE(same(maskAfter(*window, second), QRegion(2, 2, 2, 2)));
    EXPECT_EQ(CallCounts().liveObjects, before + 1);  // the first one is gone

    // An empty region leaves nothing of the window, as on Windows.
    const HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_TRUE((maskAfter(*window, none) & window->rect()).isEmpty());
    EXPECT_FALSE(window->mask().isEmpty());

    EXPECT_TRUE(maskAfter(*window, 0).isEmpty());  // no shape at all
    EXPECT_EQ(CallCounts().liveObjects, before);

    const HRGN last = CreateRectRgn(1, 1, 3, 3);
    SetWindowRgn(hWnd, last, false);
    window.reset();
    EXPECT_EQ(CallCounts().liveObjects, before);

    // No such window: the caller keeps the region.
    const HRGN kept = CreateRectRgn(1, 1, 3, 3);
    EXPECT_EQ(SetWindowRgn(hWnd, kept, true), 0);
    EXPECT_TRUE(DeleteObject(kept));
}

// cDIBSection: memory layout, life cycle of its handles, blits, and the
// members the program itself never calls.

#include "shaping/cDIBSection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <stdexcept>

#include <gtest/gtest.h>

using namespace platform::gdi;

namespace {

std::int64_t liveObjects() {
    return CallCounts().liveObjects;
}

// Red, green and blue of pixel x in stored row y (row 0 is the bottom).
QRgb storedPixel(const cDIBSection& dib, int y, int x) {
    const std::uint8_t* p = dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine() + 3 * x;
    return qRgb(p[2], p[1], p[0]);
}

void setStoredPixel(cDIBSection& dib, int y, int x, QRgb colour) {
    std::uint8_t* p = dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine() + 3 * x;
    p[0] = std::uint8_t(qBlue(colour));
    p[1] = std::uint8_t(qGreen(colour));
    p[2] = std::uint8_t(qRed(colour));
}

QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 10, y * 10, 200));
    return image;
}

}  // namespace

TEST(cDIBSectionLayout, RowLengthIsWidthTimesThreePaddedToFour) {
    cDIBSection dib;
    for (const auto& [width, bytes] :
         {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {700, 2100}}) {
        ASSERT_TRUE(dib.Create(width, 2));
        EXPECT_EQ(dib.BytesPerScanLine(), bytes) << width;
        BITMAP bm;
        ASSERT_NE(GetObjectA(dib.hDib(), sizeof bm, &bm), 0);
        EXPECT_EQ(bm.bmWidthBytes, bytes);
        EXPECT_EQ(bm.bmBits, dib.DIBSectionBitsPtr());
    }
}

TEST(cDIBSectionLayout, FirstPixelInMemoryIsTheBottomLeftOfThePicture) {
    QImage image = gradient(5, 3);
    image.setPixel(0, 2, qRgb(236, 252, 252));  // bottom-left
    image.setPixel(0, 0, qRgb(1, 2, 3));        // top-left
    cDIBSection dib;
    dib.CreateFromPicture(platform::StdPicture(image));
    ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 5);
    EXPECT_EQ(dib.Height(), 3);
    const std::uint8_t* first = dib.DIBSectionBitsPtr();
    EXPECT_EQ(first[0], 252);  // blue
    EXPECT_EQ(first[1], 252);  // green
    EXPECT_EQ(first[2], 236);  // red
    EXPECT_EQ(storedPixel(dib, 2, 0), qRgb(1, 2, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 1; x < 5; ++x) EXPECT_EQ(storedPixel(dib, 2 - y, x), image.pixel(x, y));
}

TEST(cDIBSectionLifeCycle, ClearUpReleasesEverythingButKeepsTheSize) {
    const std::int64_t before = liveObjects();
    {
        cDIBSection dib;
        EXPECT_EQ(dib.hDC(), 0);
        ASSERT_TRUE(dib.Create(7, 4));
        EXPECT_NE(dib.hDC(), 0);
        EXPECT_NE(dib.hDib(), 0);
        EXPECT_EQ(liveObjects(), before + 2);
        ASSERT_TRUE(dib.Create(8, 5));  // replaces, no leftovers
        EXPECT_EQ(liveObjects(), before + 2);
        dib.ClearUp();
        EXPECT_EQ(dib.hDC(), 0);
        EXPECT_EQ(dib.hDib(), 0);
        EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(dib.Width(), 8);
        EXPECT_EQ(dib.Height(), 5);
        EXPECT_EQ(liveObjects(), before);
        ASSERT_TRUE(dib.Create(3, 3));
    }
    EXPECT_EQ(liveObjects(), before);  // destruction clears
}

TEST(cDIBSectionLifeCycle, RefusedSizesLeaveNoContextBehind) {
    const std::int64_t before = liveObjects();
    cDIBSection dib;
    for (const auto& [w, h] : {std::pair{-5, 10}, {10, -5}, {0, 0}, {16000, 16000}}) {
        EXPECT_FALSE(dib.Create(w, h));
        EXPECT_EQ(dib.hDC(), 0);
        EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(dib.Width(), w);
        EXPECT_EQ(liveObjects(), before);
    }
    // Sizes past 32 bits are overflow errors, still with nothing left over.
    EXPECT_THROW(dib.Create(0x7fffffff / 3 + 1, 1), std::overflow_error);
    EXPECT_THROW(dib.BytesPerScanLine(), std::overflow_error);
    EXPECT_THROW(dib.Create(1000, 3000000), std::overflow_error);
    EXPECT_EQ(dib.hDC(), 0);
    EXPECT_EQ(liveObjects(), before);
}

TEST(cDIBSectionLifeCycle, APictureThatCannotBeCopiedLeavesTheObjectEmpty) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(2, 2));
    dib.CreateFromPicture(platform::StdPicture());
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.hDC(), 0);

    // The picture's bitmap busy in another context: no blank stand-in copy.
    const platform::StdPicture picture(gradient(3, 3));
    const HDC busy = CreateCompatibleDC(0);
    const HGDIOBJ stock = SelectObject(busy, picture.Handle());
    dib.CreateFromPicture(picture);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    SelectObject(busy, stock);
    DeleteDC(busy);
    dib.CreateFromPicture(picture);
    EXPECT_NE(dib.DIBSectionBitsPtr(), nullptr);
}

TEST(cDIBSectionBlits, MinusOneMeansTheWholeDib) {
    const platform::StdPicture picture(gradient(4, 3));
    const HDC source = CreateCompatibleDC(0);
    const HGDIOBJ stock = SelectObject(source, picture.Handle());
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 3));
    dib.LoadPictureBlt(source, 0, 0, -1, -1, SRCCOPY);
    EXPECT_EQ(storedPixel(dib, 0, 3), picture.image().pixel(3, 2));
    EXPECT_EQ(storedPixel(dib, 2, 0), picture.image().pixel(0, 0));
    // From an offset, and only part of it.
    cDIBSection part;
    ASSERT_TRUE(part.Create(2, 2));
    part.LoadPictureBlt(source, 2, 1, 1, -1, SRCCOPY);
    EXPECT_EQ(storedPixel(part, 1, 0), picture.image().pixel(2, 1));
    EXPECT_EQ(storedPixel(part, 1, 1), qRgb(0, 0, 0));
    SelectObject(source, stock);

    // PaintPicture the other way, into a screen-depth bitmap.
    const HBITMAP target = CreateCompatibleBitmap(source, 6, 5);
    SelectObject(source, target);
    dib.PaintPicture(source, 1, 1, -1, -1, 0, 0, SRCCOPY);
    cDIBSection back;
    ASSERT_TRUE(back.Create(6, 5));
    back.LoadPictureBlt(source, 0, 0, -1, -1, SRCCOPY);
    EXPECT_EQ(storedPixel(back, 4, 0), qRgb(0, 0, 0));
    EXPECT_EQ(storedPixel(back, 3, 1), picture.image().pixel(0, 0));
    EXPECT_EQ(storedPixel(back, 1, 4), picture.image().pixel(3, 2));
    EXPECT_EQ(storedPixel(back, 0, 5), qRgb(0, 0, 0));
    SelectObject(source, stock);
    DeleteObject(target);
    DeleteDC(source);
}

TEST(cDIBSectionUnused, CopyToClipboardAsBitmap) {
    cDIBSection dib;
    EXPECT_FALSE(dib.CopyToClipboard(false));  // nothing to copy
    const QImage image = gradient(3, 2);
    dib.CreateFromPicture(platform::StdPicture(image));
    const std::int64_t before = liveObjects();
    ASSERT_TRUE(dib.CopyToClipboard(false));
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), image);
    EXPECT_EQ(liveObjects(), before);  // no context or bitmap left behind
}

TEST(cDIBSectionUnused, RandomiseBitsFillsPixelsButNotPadding) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(5, 40));  // 15 bytes of pixels, 1 of padding a row
    for (int y = 0; y < 40; ++y) dib.DIBSectionBitsPtr()[y * 16 + 15] = 0xAB;
    for (bool gray : {true, false}) {
        dib.RandomiseBits(gray);
        int distinct = 0;
        for (int y = 0; y < 40; ++y) {
            EXPECT_EQ(dib.DIBSectionBitsPtr()[y * 16 + 15], 0xAB);
            for (int x = 0; x < 5; ++x) {
                const QRgb p = storedPixel(dib, y, x);
                if (gray) {
                    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
                } else {
                    EXPECT_EQ(qBlue(p), 0);
                }
                distinct += p != storedPixel(dib, 0, 0);
            }
        }
        EXPECT_GT(distinct, 100);  // 200 pixels, 256 values each
    }
    cDIBSection empty;
    empty.RandomiseBits(true);
    EXPECT_EQ(empty.DIBSectionBitsPtr(), nullptr);
}

TEST(cDIBSectionUnused, ResampleSameSizeIsACopy) {
    cDIBSection dib;
    dib.CreateFromPicture(platform::StdPicture(gradient(4, 3)));
    const auto copy = dib.Resample(3, 4);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->DIBSectionBitsPtr(), dib.DIBSectionBitsPtr());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(storedPixel(*copy, y, x), storedPixel(dib, y, x));
}

TEST(cDIBSectionUnused, ResampleIsBilinearRoundingHalvesToEven) {
    // One row 0, 100, 201 stretched to four: positions 0, 0.5, 1, 1.5.
    cDIBSection row;
    ASSERT_TRUE(row.Create(3, 1));
    setStoredPixel(row, 0, 0, qRgb(0, 0, 0));
    setStoredPixel(row, 0, 1, qRgb(100, 1, 2));
    setStoredPixel(row, 0, 2, qRgb(201, 3, 4));
    const auto wide = row.Resample(1, 4);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(storedPixel(*wide, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(storedPixel(*wide, 0, 1), qRgb(50, 0, 1));  // green 0.5 -> 0
    EXPECT_EQ(storedPixel(*wide, 0, 2), qRgb(100, 1, 2));
    EXPECT_EQ(storedPixel(*wide, 0, 3), qRgb(150, 2, 3));  // 150.5 -> 150, 2 -> 2, 3 -> 3

    // Rows first, rounded, then columns: at (0.5, 0.5) between 1, 3 (row 0)
    // and 2, 4 (row 1) the columns give 2 and 4, so 3, where a one-step
    // average of 2.5 would give 2.
    cDIBSection square;
    ASSERT_TRUE(square.Create(3, 3));
    setStoredPixel(square, 0, 0, qRgb(1, 0, 0));
    setStoredPixel(square, 0, 1, qRgb(3, 0, 0));
    setStoredPixel(square, 1, 0, qRgb(2, 0, 0));
    setStoredPixel(square, 1, 1, qRgb(4, 0, 0));
    const auto big = square.Resample(4, 4);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(qRed(storedPixel(*big, 1, 1)), 3);

    // Shrinking a picture and growing a one-pixel one stay inside the bitmap.
    cDIBSection one;
    ASSERT_TRUE(one.Create(1, 1));
    setStoredPixel(one, 0, 0, qRgb(9, 8, 7));
    const auto grown = one.Resample(3, 5);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(storedPixel(*grown, 2, 4), qRgb(9, 8, 7));
    cDIBSection large;
    large.CreateFromPicture(platform::StdPicture(gradient(20, 20)));
    const auto small = large.Resample(3, 7);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->Width(), 7);
}

TEST(cDIBSectionUnused, ResampleWithoutPixelsOrToARefusedSizeGivesNone) {
    cDIBSection empty;
    EXPECT_EQ(empty.Resample(2, 2), nullptr);
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(2, 2));
    EXPECT_EQ(dib.Resample(0, 2), nullptr);
}

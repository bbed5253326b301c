// ShapeFormFromPicture on small drawn pictures: which pixels stay, how the
// key is found, the window's size and scale, and what it costs in regions.

#include "shaping/Transparant.h"

#include <QRegion>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"

using platform::gdi::CallCounts;
using platform::gdi::Counts;

namespace {

constexpr QRgb kKey = qRgb(236, 252, 252);  // the skins' background
constexpr std::int32_t kKeyColour = 0xECFCFC;

// '.' is the key colour, 'o' one unit off it in one channel, anything else a
// colour of its own.
QImage draw(std::initializer_list<const char*> rows) {
    const int width = int(std::strlen(*rows.begin()));
    QImage image(width, int(rows.size()), QImage::Format_RGB32);
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < width; ++x) {
            const char c = row[x];
            image.setPixel(x, y,
                           c == '.'   ? kKey
                           : c == 'o' ? qRgb(236, 252, 253)
                                      : qRgb(c, 40, 80));
        }
        ++y;
    }
    return image;
}

// What the picture says should stay: every pixel not of the key colour.
QRegion kept(const QImage& image, QRgb key) {
    QRegion region;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != key) region |= QRect(x, y, 1, 1);
    return region;
}

bool same(const QRegion& a, const QRegion& b) {
    return (a ^ b).isEmpty();
}

struct Shaped {
    platform::Form form;
    std::int32_t key;
    Counts calls;
    explicit Shaped(const QImage& image, std::int32_t keyColour = 1) : key(keyColour) {
        form.SetPicture(platform::StdPicture(image));
        const Counts before = CallCounts();
        Transparant::ShapeFormFromPicture(form, key);
        calls = CallCounts();
        calls.createRectRgn -= before.createRectRgn;
        calls.combineRgn -= before.combineRgn;
        calls.deleteObject -= before.deleteObject;
        calls.liveObjects -= before.liveObjects;
    }
};

}  // namespace

TEST(ShapeFormFromPicture, KeepsExactlyThePixelsNotOfTheKeyColour) {
    const QImage picture = draw({
        "x..x....",  // runs at both edges
        "...x....",  // a single pixel
        "xxxxxxxx",  // a row without key pixels
        "........",  // a row of key pixels only
        ".o.xx.ox",  // one unit off the key is kept
        "........",
    });
    Shaped shaped(picture);
    EXPECT_EQ(shaped.key, kKeyColour);
    EXPECT_TRUE(same(shaped.form.mask(), kept(picture, kKey)));
    EXPECT_TRUE(shaped.form.mask().contains(QRect(3, 0, 1, 1)));
    EXPECT_TRUE(shaped.form.mask().contains(QRect(0, 2, 8, 1)));
    EXPECT_FALSE(shaped.form.mask().intersects(QRect(0, 3, 8, 1)));
    // One rectangle, one union and one delete per run. What stays is the
    // outline, owned by the window, and the picture's own bitmap.
    const int runs = 2 + 1 + 1 + 3;
    EXPECT_EQ(shaped.calls.createRectRgn, runs + 1);
    EXPECT_EQ(shaped.calls.combineRgn, runs);
    EXPECT_EQ(shaped.calls.deleteObject, runs + 1);  // and the picture copy's DIB
    EXPECT_EQ(shaped.calls.liveObjects, 2);
}

TEST(ShapeFormFromPicture, KeyIsTheBottomLeftPixelUnlessGiven) {
    const QImage picture = draw({
        "..AB",
        "AABB",
        "B.AA",
    });
    // Detected: bottom-left is 'B', written back as 00RRGGBB.
    Shaped detected(picture);
    EXPECT_EQ(detected.key, ('B' << 16) | (40 << 8) | 80);
    EXPECT_TRUE(same(detected.form.mask(), kept(picture, qRgb('B', 40, 80))));

    // Given: compared as it stands, in the same order.
    Shaped given(picture, ('A' << 16) | (40 << 8) | 80);
    EXPECT_TRUE(same(given.form.mask(), kept(picture, qRgb('A', 40, 80))));
    // The Windows colour order (00BBGGRR) matches nothing here.
    Shaped swapped(picture, (80 << 16) | (40 << 8) | 'A');
    EXPECT_TRUE(same(swapped.form.mask(), QRegion(0, 0, 4, 3)));
    EXPECT_EQ(swapped.calls.combineRgn, 3);  // a full-width run per row
    // Nor does a key with bits above the colour.
    Shaped high(picture, 0x01000000 | ('A' << 16) | (40 << 8) | 80);
    EXPECT_TRUE(same(high.form.mask(), QRegion(0, 0, 4, 3)));
}

TEST(ShapeFormFromPicture, APictureWithoutKeyPixelsIsOneRectangle) {
    const QImage picture = draw({"abc", "def"});
    Shaped shaped(picture, kKeyColour);
    EXPECT_EQ(shaped.key, kKeyColour);
    EXPECT_TRUE(same(shaped.form.mask(), QRegion(0, 0, 3, 2)));
}

TEST(ShapeFormFromPicture, SizesTheClientAreaToThePictureInPixelScale) {
    const QImage picture = draw({"x....", "xxxxx", "....x"});
    platform::Form form;
    form.resize(300, 200);
    form.SetPicture(platform::StdPicture(picture));
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(form, key);
    EXPECT_EQ(form.ScaleMode(), platform::vbPixels);
    EXPECT_EQ(form.ScaleWidth(), 5);
    EXPECT_EQ(form.ScaleHeight(), 3);
    EXPECT_EQ(form.Width(), 5 * 15);
    EXPECT_EQ(form.Height(), 3 * 15);

    // Shaped again, the new outline replaces the old one.
    const std::int64_t live = CallCounts().liveObjects;
    form.SetPicture(platform::StdPicture(draw({"x.x", "..."})));
    key = 1;
    Transparant::ShapeFormFromPicture(form, key);
    EXPECT_EQ(CallCounts().liveObjects, live);
    EXPECT_TRUE(same(form.mask(), QRegion(0, 0, 1, 1) | QRegion(2, 0, 1, 1)));
}

TEST(ShapeFormFromPicture, WithoutAPictureTheWindowStaysAsItWas) {
    // No picture, or one from the program's resources that is not there.
    for (const platform::StdPicture& none :
         {platform::StdPicture(), platform::StdPicture::Load(QStringLiteral(":/no/such.gif"))}) {
        platform::Form form;
        form.resize(120, 80);
        form.SetPicture(none);
        const std::int64_t live = CallCounts().liveObjects;
        std::int32_t key = 1;
        Transparant::ShapeFormFromPicture(form, key);
        EXPECT_EQ(key, 1);
        EXPECT_EQ(form.ScaleMode(), platform::vbPixels);
        EXPECT_EQ(form.size(), QSize(120, 80));
        EXPECT_TRUE(form.mask().isEmpty());
        EXPECT_EQ(CallCounts().liveObjects, live);
    }
}

TEST(ShapeFormFromPicture, AllKeyPictureLeavesNothingOfTheWindow) {
    Shaped shaped(draw({"...", "..."}));
    EXPECT_EQ(shaped.calls.combineRgn, 0);
    EXPECT_FALSE(shaped.form.mask().intersects(shaped.form.rect()));
}

TEST(FrameOf, BordersInWholePixelsWithHalvesToEven) {
    // 5 pixels of extra width: 2.5 per side gives 2; 7 gives 3.5, so 4.
    EXPECT_EQ(Transparant::FrameOf(105, 130, 100, 100).side, 2);
    EXPECT_EQ(Transparant::FrameOf(107, 130, 100, 100).side, 4);
    EXPECT_EQ(Transparant::FrameOf(106, 130, 100, 100).side, 3);
    // Top: extra height less one side border; 30 - 2 = 28, 30.5 - 2 = 28.5 -> 28.
    EXPECT_EQ(Transparant::FrameOf(105, 130, 100, 100).top, 28);
    EXPECT_EQ(Transparant::FrameOf(105, 130.5f, 100, 100).top, 28);
    EXPECT_EQ(Transparant::FrameOf(107, 131.5f, 100, 100).top, 28);  // 31.5 - 4 = 27.5 -> 28
    EXPECT_EQ(Transparant::FrameOf(100, 100, 100, 100).side, 0);
    EXPECT_EQ(Transparant::FrameOf(100, 100, 100, 100).top, 0);
    EXPECT_THROW(Transparant::FrameOf(1e10f, 0, 0, 0), std::overflow_error);
}

// Under a real X server with a window manager: the shape the X server holds
// for a shaped window is the picture's outline, pixel for pixel.

#include <QFile>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include "shaping/Transparant.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

namespace {

// The bounding shape the X server keeps for the window, in its own coordinates.
QRegion xShape(WId window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return {};
    int event = 0, error = 0;
    QRegion region;
    if (XShapeQueryExtension(display, &event, &error)) {
        int count = 0, ordering = 0;
        XRectangle* rects = XShapeGetRectangles(display, static_cast<::Window>(window),
                                                ShapeBounding, &count, &ordering);
        for (int i = 0; i < count; ++i)
            region |= QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
        if (rects) XFree(rects);
    }
    XCloseDisplay(display);
    return region;
}

QRegion kept(const QImage& image) {
    const QRgb key = image.pixel(0, image.height() - 1);
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && image.pixel(x, y) == key) ++x;
            const int start = x;
            while (x < image.width() && image.pixel(x, y) != key) ++x;
            if (x > start) region |= QRect(start, y, x - start, 1);
        }
    }
    return region;
}

// A rounded panel with a hole and a lone pixel, on the skins' key colour.
QImage drawnSkin() {
    QImage image(300, 120, QImage::Format_RGB32);
    image.fill(qRgb(236, 252, 252));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 60, 120));
    painter.drawRoundedRect(QRect(0, 10, 300, 100), 30, 30);
    painter.setBrush(QColor(236, 252, 252));
    painter.drawEllipse(QRect(120, 40, 40, 40));
    painter.end();
    image.setPixel(299, 0, qRgb(1, 1, 1));
    return image;
}

bool same(const QRegion& a, const QRegion& b) {
    return (a ^ b).isEmpty();
}

void expectShaped(platform::Form& form, const QImage& picture) {
    std::int32_t key = 1;
    Transparant::ShapeFormFromPicture(form, key);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTRY_COMPARE(form.size(), picture.size());
    const QRegion expected = kept(picture);
    QRegion shape;
    // The shape request is on its way once the window is up.
    EXPECT_TRUE(QTest::qWaitFor([&] { return same(shape = xShape(form.winId()), expected); }))
        << "X shape bounds " << shape.boundingRect().width() << "x" << shape.boundingRect().height()
        << ", " << shape.rectCount() << " rectangles";
}

}  // namespace

TEST(ShapingOnX, TheMainSkinIsTheWindowsShape) {
    const QString path = QStringLiteral(KLANKOR_SKIN_DIR "/hoofd.gif");
    const QImage picture = QFile::exists(path) ? QImage(path) : drawnSkin();
    ASSERT_FALSE(picture.isNull());
    platform::Form form;
    form.SetPicture(platform::StdPicture(picture));
    expectShaped(form, picture);
}

TEST(ShapingOnX, AFramedWindowIsCutToItsClientArea) {
    const QImage picture = drawnSkin();
    platform::Form form;
    form.setWindowFlags(Qt::Window);  // let the window manager frame it
    form.resize(200, 200);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(form.frameGeometry() != form.geometry());
    form.SetPicture(platform::StdPicture(picture));
    expectShaped(form, picture);
}

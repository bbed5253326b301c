// The pictures are loaded by name at run time; these checks catch a picture
// that would break a window: wrong size or format, a hole cut into the skin
// under a control, a panel that clashes with the sliders, a tray icon with
// an alpha channel the notification area cannot show.

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QString>
#include <QVector>

#include <gtest/gtest.h>

namespace {

const QRgb kKey = qRgb(236, 252, 252);
const QRgb kPanel = qRgb(201, 210, 210);
const QColor kTextColour(20, 40, 70);

struct Loaded {
    QImage image;
    QByteArray format;
};

Loaded load(const QString& path) {
    QImageReader reader(path);
    Loaded out;
    out.format = reader.format();
    out.image = reader.read();
    return out;
}

QString logoPath(int number) {
    return QStringLiteral(":/logos/%1.gif").arg(number, 2, 10, QLatin1Char('0'));
}

bool isKey(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & 0xFFFFFF) == (kKey & 0xFFFFFF);
}

// Key pixels that cannot be reached from the picture's border through other
// key pixels would punch holes into the window.
int keyHoles(const QImage& image) {
    const int w = image.width();
    const int h = image.height();
    QVector<char> seen(w * h, 0);
    QVector<QPoint> todo;
    for (int x = 0; x < w; ++x) {
        todo.append({x, 0});
        todo.append({x, h - 1});
    }
    for (int y = 0; y < h; ++y) {
        todo.append({0, y});
        todo.append({w - 1, y});
    }
    while (!todo.isEmpty()) {
        const QPoint p = todo.takeLast();
        if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h) continue;
        char& s = seen[p.y() * w + p.x()];
        if (s || !isKey(image, p.x(), p.y())) continue;
        s = 1;
        todo.append({p.x() + 1, p.y()});
        todo.append({p.x() - 1, p.y()});
        todo.append({p.x(), p.y() + 1});
        todo.append({p.x(), p.y() - 1});
    }
    int holes = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (isKey(image, x, y) && !seen[y * w + x]) ++holes;
    return holes;
}

int keyPixelsIn(const QImage& image, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (isKey(image, x, y)) ++n;
    return n;
}

double luminance(const QColor& c) {
    auto lin = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
}

// Contrast of the program's text colour against the darkest pixel under a label.
double worstTextContrast(const QImage& image, const QRect& r) {
    double worst = 100.0;
    const double text = luminance(kTextColour);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double bg = luminance(QColor(image.pixel(x, y)));
            worst = std::min(worst, (bg + 0.05) / (text + 0.05));
        }
    return worst;
}

struct Control {
    const char* name;
    QRect rect;
    bool text;
    // Where the glyphs land, when not the whole rectangle: the window marks
    // reach up into the rim, but their strokes sit lower.
    QRect ink = {};
};

const Control kMainControls[] = {
    {"station box 1", {52, 50, 97, 65}, false},
    {"scroll bar 1", {152, 50, 17, 65}, false},
    {"station box 2", {532, 50, 97, 65}, false},
    {"scroll bar 2", {632, 50, 17, 65}, false},
    {"Controls", {48, 136, 97, 25}, true},
    {"now playing", {184, 136, 329, 25}, true},
    {"Instellingen", {528, 136, 137, 25}, true},
    {"status", {24, 160, 649, 25}, true},
    {"minimise mark", {640, 1, 9, 13}, true, {640, 4, 9, 10}},
    {"close mark", {656, 2, 9, 13}, true, {656, 4, 9, 11}},
};

const Control kToolControls[] = {
    {"Volume", {8, 3, 185, 13}, true},          {"volume slider", {8, 16, 184, 14}, false},
    {"Balance", {8, 44, 185, 13}, true},        {"balance slider", {8, 56, 184, 14}, false},
    {"settings list", {7, 7, 186, 106}, false},
};

}  // namespace

TEST(SkinPictures, MainBackgroundIsShapedAroundEveryControl) {
    const Loaded main = load(QStringLiteral(":/skin/hoofd.gif"));
    ASSERT_FALSE(main.image.isNull());
    EXPECT_EQ(main.format, QByteArray("gif"));
    ASSERT_EQ(main.image.size(), QSize(700, 200));
    // The outline comes from the key colour alone; GIF transparency would hide it.
    EXPECT_FALSE(main.image.hasAlphaChannel());
    const QImage& img = main.image;

    // The shaping takes its key from the bottom-left pixel.
    EXPECT_TRUE(isKey(img, 0, 199));
    EXPECT_TRUE(isKey(img, 0, 0));
    EXPECT_TRUE(isKey(img, 699, 199));
    EXPECT_EQ(keyHoles(img), 0) << "key colour inside the shape would cut holes in the window";

    for (const Control& c : kMainControls) {
        EXPECT_EQ(keyPixelsIn(img, c.rect), 0) << c.name << " would sit over a cut-away part";
        if (c.text) {
            const QRect ink = c.ink.isNull() ? c.rect : c.ink;
            EXPECT_GE(worstTextContrast(img, ink), 4.5) << c.name << " text would be hard to read";
        }
    }
    // The two window marks sit on the very top edge: their tab must be there.
    EXPECT_EQ(keyPixelsIn(img, QRect(QPoint(634, 0), QPoint(672, 16))), 0);
}

TEST(SkinPictures, ToolBackgroundMatchesTheSliderPanel) {
    const Loaded tool = load(QStringLiteral(":/skin/tool.gif"));
    ASSERT_FALSE(tool.image.isNull());
    EXPECT_EQ(tool.format, QByteArray("gif"));
    ASSERT_EQ(tool.image.size(), QSize(200, 118));
    EXPECT_FALSE(tool.image.hasAlphaChannel());
    const QImage& img = tool.image;

    EXPECT_TRUE(isKey(img, 0, 117));
    EXPECT_EQ(keyHoles(img), 0);
    for (const Control& c : kToolControls) {
        EXPECT_EQ(keyPixelsIn(img, c.rect), 0) << c.name << " would sit over a cut-away part";
        if (c.text) {
            const QRect ink = c.ink.isNull() ? c.rect : c.ink;
            EXPECT_GE(worstTextContrast(img, ink), 4.5) << c.name << " text would be hard to read";
        }
    }

    // The sliders paint their own background in the panel colour; any other
    // colour under or right around them shows as a box.
    for (const QRect slider : {QRect(8, 16, 184, 14), QRect(8, 56, 184, 14)}) {
        const QRect around = slider.adjusted(-2, -2, 2, 2);
        int off = 0;
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) != (kPanel & 0xFFFFFF)) ++off;
        EXPECT_EQ(off, 0) << "slider at " << slider.x() << "," << slider.y();
    }

    // And the panel colour is what the window is made of.
    QHash<QRgb, int> counts;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ++counts[img.pixel(x, y) & 0xFFFFFF];
    QRgb most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(most)) most = it.key();
    EXPECT_EQ(most, kPanel & 0xFFFFFF);
}

TEST(StationLogos, AllThirtyTwoAreDistinctGifsOfTheBoxSize) {
    QVector<QImage> logos;
    for (int n = 1; n <= 32; ++n) {
        const Loaded logo = load(logoPath(n));
        ASSERT_FALSE(logo.image.isNull()) << qPrintable(logoPath(n));
        EXPECT_EQ(logo.format, QByteArray("gif")) << n;
        EXPECT_EQ(logo.image.size(), QSize(96, 66)) << n;
        logos.append(logo.image.convertToFormat(QImage::Format_RGB32));
    }
    for (int a = 0; a < logos.size(); ++a)
        for (int b = a + 1; b < logos.size(); ++b)
            EXPECT_NE(logos[a], logos[b])
                << "logos " << a + 1 << " and " << b + 1 << " are the same";
    EXPECT_FALSE(QFile::exists(logoPath(33)));
}

TEST(SliderPictures, RailIsA24BitBitmapThatMeltsIntoThePanel) {
    const Loaded rail = load(QStringLiteral(":/slider/rail.bmp"));
    ASSERT_FALSE(rail.image.isNull());
    EXPECT_EQ(rail.format, QByteArray("bmp"));
    EXPECT_EQ(rail.image.size(), QSize(180, 12));

    QFile file(QStringLiteral(":/slider/rail.bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 30);
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24) << "bits per pixel";

    // Both ends and the edges lie on the window's panel.
    for (int y = 0; y < 12; ++y) {
        EXPECT_EQ(rail.image.pixel(0, y) & 0xFFFFFF, kPanel & 0xFFFFFF) << y;
        EXPECT_EQ(rail.image.pixel(179, y) & 0xFFFFFF, kPanel & 0xFFFFFF) << y;
    }
}

TEST(SliderPictures, ThumbIsAn8BitIconWithTransparentCorners) {
    const Loaded thumb = load(QStringLiteral(":/slider/thumb.ico"));
    ASSERT_FALSE(thumb.image.isNull());
    EXPECT_EQ(thumb.format, QByteArray("ico"));
    ASSERT_EQ(thumb.image.size(), QSize(22, 14));
    EXPECT_TRUE(thumb.image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(thumb.image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(thumb.image.pixel(21, 13)), 0);
    EXPECT_EQ(qAlpha(thumb.image.pixel(11, 7)), 255);

    QFile file(QStringLiteral(":/slider/thumb.ico"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 6 + 16 + 40);
    // One entry, 256 colours, 8 bits per pixel.
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 1);
    EXPECT_EQ(static_cast<unsigned char>(bytes[6]), 22);
    EXPECT_EQ(static_cast<unsigned char>(bytes[7]), 14);
    EXPECT_EQ(static_cast<unsigned char>(bytes[6 + 16 + 14]), 8);

    // Masked pixels must carry black colour bits: anything else inverts the
    // screen under the corners where icons are drawn with AND/XOR.
    const int palette = 6 + 16 + 40;
    const int xorBits = palette + 256 * 4;
    const int xorStride = 24;
    const int andBits = xorBits + xorStride * 14;
    const int andStride = 4;
    ASSERT_EQ(bytes.size(), andBits + andStride * 14);
    int masked = 0;
    for (int row = 0; row < 14; ++row)
        for (int x = 0; x < 22; ++x) {
            const auto andByte =
                static_cast<unsigned char>(bytes[andBits + row * andStride + x / 8]);
            if (!(andByte & (0x80 >> (x % 8)))) continue;
            ++masked;
            const auto index = static_cast<unsigned char>(bytes[xorBits + row * xorStride + x]);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(bytes[palette + index * 4 + c], 0) << "row " << row << " x " << x;
        }
    EXPECT_GT(masked, 0);
}

TEST(Icons, TrayIconHasNoAlphaAndDesktopIconsAreTransparent) {
    const Loaded tray = load(QStringLiteral(":/icons/klankor-32.png"));
    ASSERT_FALSE(tray.image.isNull());
    EXPECT_EQ(tray.format, QByteArray("png"));
    EXPECT_EQ(tray.image.size(), QSize(32, 32));
    EXPECT_FALSE(tray.image.hasAlphaChannel());
    QFile file(QStringLiteral(":/icons/klankor-32.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.read(26);
    ASSERT_EQ(png.size(), 26);
    EXPECT_EQ(png[24], 8) << "bit depth";
    EXPECT_EQ(png[25], 2) << "colour type: RGB, no alpha";

    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path =
            QStringLiteral(KLANKOR_RESOURCES_DIR "/icons/hicolor/%1x%1/apps/klankor.png").arg(n);
        const Loaded icon = load(path);
        ASSERT_FALSE(icon.image.isNull()) << qPrintable(path);
        EXPECT_EQ(icon.image.size(), QSize(n, n));
        EXPECT_TRUE(icon.image.hasAlphaChannel()) << n;
        EXPECT_EQ(qAlpha(icon.image.pixel(0, 0)), 0) << n;
        EXPECT_EQ(qAlpha(icon.image.pixel(n / 2, n / 2)), 255) << n;
    }
}

TEST(DesktopEntry, PassesDesktopFileValidate) {
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(validator, {QStringLiteral(KLANKOR_RESOURCES_DIR "/klankor.desktop")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray out = p.readAll();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << out.constData();
    EXPECT_TRUE(out.trimmed().isEmpty()) << out.constData();
}

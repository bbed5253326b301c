// DrawEdge on a plain image: which pen lands on which pixel.

#include <gtest/gtest.h>
#include <QImage>

#include "platform/host/DrawEdge.h"
#include "platform/host/SysColor.h"

using namespace platform;
using namespace platform::user32;

namespace {

QPalette shades() {
    QPalette p;
    p.setColor(QPalette::Light, QColor(255, 255, 255));
    p.setColor(QPalette::Midlight, QColor(224, 224, 224));
    p.setColor(QPalette::Button, QColor(192, 192, 192));
    p.setColor(QPalette::Dark, QColor(128, 128, 128));
    p.setColor(QPalette::Shadow, QColor(64, 64, 64));
    return p;
}

constexpr QRgb blank = 0xFF102030;

// Draws an edge on (2, 2, 12, 10) in a 14 x 12 image and returns its rows as
// letters: H highlight, L 3D light, S shadow, D dark shadow, . untouched.
QStringList draw(unsigned edge, unsigned flags = BF_RECT, bool* ok = nullptr) {
    QImage image(14, 12, QImage::Format_RGB32);
    image.fill(blank);
    QPainter painter(&image);
    const bool result = DrawEdge(HDC{&painter, shades()}, RECT{2, 2, 12, 10}, edge, flags);
    painter.end();
    if (ok) *ok = result;
    const QPalette p = shades();
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (c == GetSysColor(COLOR_BTNHIGHLIGHT, p).rgb())
                row += u'H';
            else if (c == GetSysColor(COLOR_3DLIGHT, p).rgb())
                row += u'L';
            else if (c == GetSysColor(COLOR_BTNSHADOW, p).rgb())
                row += u'S';
            else if (c == GetSysColor(COLOR_3DDKSHADOW, p).rgb())
                row += u'D';
            else if (c == blank)
                row += u'.';
            else
                row += u'?';
        }
        rows << row;
    }
    return rows;
}

}  // namespace

TEST(DrawEdge, SunkenEdgeHasTwoBordersDarkAboveLightBelow) {
    const QStringList want = {"..............",  //
                              "..............",  //
                              "..SSSSSSSSSH..",  //
                              "..SDDDDDDDLH..",  //
                              "..SD......LH..",  //
                              "..SD......LH..",  //
                              "..SD......LH..",  //
                              "..SD......LH..",  //
                              "..SLLLLLLLLH..",  //
                              "..HHHHHHHHHH..",  //
                              "..............",  //
                              ".............."};
    EXPECT_EQ(draw(EDGE_SUNKEN), want);
}

TEST(DrawEdge, RaisedEdgeIsTheSunkenOneTurnedInsideOut) {
    const QStringList want = {"..............",  //
                              "..............",  //
                              "..LLLLLLLLLD..",  //
                              "..LHHHHHHHSD..",  //
                              "..LH......SD..",  //
                              "..LH......SD..",  //
                              "..LH......SD..",  //
                              "..LH......SD..",  //
                              "..LSSSSSSSSD..",  //
                              "..DDDDDDDDDD..",  //
                              "..............",  //
                              ".............."};
    EXPECT_EQ(draw(EDGE_RAISED), want);
}

TEST(DrawEdge, SingleBordersDrawOneLine) {
    const QStringList sunkenOuter = draw(BDR_SUNKENOUTER);
    EXPECT_EQ(sunkenOuter[2], "..SSSSSSSSSH..");
    EXPECT_EQ(sunkenOuter[3], "..S........H..");
    EXPECT_EQ(sunkenOuter[9], "..HHHHHHHHHH..");
    const QStringList raisedInner = draw(BDR_RAISEDINNER);
    EXPECT_EQ(raisedInner[2], "..HHHHHHHHHS..");
    EXPECT_EQ(raisedInner[5], "..H........S..");
    EXPECT_EQ(raisedInner[9], "..SSSSSSSSSS..");
}

TEST(DrawEdge, NothingForEdgeZeroAndRefusalForContradictions) {
    bool ok = false;
    const QStringList none = draw(0, BF_RECT, &ok);
    EXPECT_TRUE(ok);
    for (const QString& row : none) EXPECT_EQ(row, "..............");
    draw(BDR_RAISEDOUTER | BDR_SUNKENOUTER, BF_RECT, &ok);
    EXPECT_FALSE(ok);
}

TEST(SysColor, StoredColoursAreBlueGreenRed) {
    const QPalette p = shades();
    EXPECT_EQ(TranslateColor(0x00D2D2C9, p), QColor(201, 210, 210));
    EXPECT_EQ(TranslateColor(0x000000FF, p), QColor(255, 0, 0));
    EXPECT_EQ(TranslateColor(0x8000000F, p), p.color(QPalette::Button));
    EXPECT_EQ(TranslateColor(0x80000015, p), p.color(QPalette::Shadow));
}

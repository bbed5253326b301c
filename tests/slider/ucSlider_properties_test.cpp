// Property checks, how Min, Max and Value combine, and the stored settings.

#include <gtest/gtest.h>
#include <QSettings>
#include <QTemporaryDir>

#include "SliderTestSupport.h"
#include "platform/host/PropertyBag.h"
#include "platform/host/VbError.h"

using namespace slidertest;
using platform::PropertyBag;
using platform::VbError;

namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e.Number();
    }
    return 0;
}

class SliderProperties : public ::testing::Test {
protected:
    void SetUp() override {
        s.UserControl_InitProperties();
        s.SetOrientation(0);
        s.SetWidth(116 * 15);
    }
    ucSlider s;
    EventLog log{s};
};

}  // namespace

TEST_F(SliderProperties, BoundsMustStayInOrder) {
    EXPECT_EQ(errorOf([&] { s.SetMin(10); }), 380);
    EXPECT_EQ(errorOf([&] { s.SetMax(0); }), 380);
    EXPECT_EQ(s.Min(), 0);
    EXPECT_EQ(s.Max(), 10);
    EXPECT_EQ(errorOf([&] { s.SetMax(1); }), 0);
    EXPECT_EQ(s.Range(), 1);

    // Upward past Max: Max first, then Min; the other order fails.
    EXPECT_EQ(errorOf([&] { s.SetMin(20); }), 380);
    s.SetMax(30);
    s.SetMin(20);
    EXPECT_EQ(s.Range(), 10);
    EXPECT_EQ(s.Value(), 20);
}

TEST_F(SliderProperties, LoweringMaxLeavesAValueAboveItAndTheThumbPastTheEnd) {
    s.SetValue(8);
    s.SetMax(5);
    EXPECT_EQ(s.Value(), 8);
    EXPECT_EQ(errorOf([&] { s.SetValue(7); }), 380);
    EXPECT_EQ(s.Value(), 8);
    EXPECT_EQ(errorOf([&] { s.SetValue(-1); }), 380);
    s.SetWidth(116 * 15 - 15);
    s.SetWidth(116 * 15);                       // the next resize
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 160.0f);  // 1.6 track lengths of 100
}

TEST_F(SliderProperties, RaisingMinMovesTheValueWithItsEvents) {
    s.SetValue(3);
    log.take();
    s.SetMin(2);
    EXPECT_EQ(s.Value(), 2);
    EXPECT_EQ(s.Range(), 8);
    EXPECT_FLOAT_EQ(s.imgSlider.Left, 0.0f);
    EXPECT_EQ(log.take(), (QStringList{"Change", "ArrivedFirst"}));
    s.SetMin(2);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(SliderProperties, ValueAtTheEndsArrives) {
    s.SetValue(10);
    EXPECT_EQ(log.take(), (QStringList{"Change", "ArrivedLast"}));
    s.SetValue(0);
    EXPECT_EQ(log.take(), (QStringList{"Change", "ArrivedFirst"}));
    s.SetValue(0);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(SliderProperties, OverflowsAreRefusedAndChangeNothing) {
    EXPECT_EQ(errorOf([&] { s.SetMousePointer(40000); }), 6);
    EXPECT_EQ(errorOf([&] { s.SetMousePointer(-32769); }), 6);
    EXPECT_EQ(s.MousePointer(), 0);
    s.SetMousePointer(11);
    EXPECT_EQ(s.MousePointer(), 11);

    s.SetValue(4);
    log.take();
    EXPECT_EQ(errorOf([&] { s.SetMin(INT32_MIN); }), 6);
    EXPECT_EQ(errorOf([&] { s.SetMax(INT32_MAX); }), 0);
    EXPECT_EQ(errorOf([&] { s.SetMin(-5); }), 6);
    EXPECT_EQ(s.Min(), 0);
    EXPECT_EQ(s.Value(), 4);
    EXPECT_EQ(s.Range(), INT32_MAX);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(SliderProperties, AnyOrientationIsKept) {
    s.SetOrientation(2);
    EXPECT_EQ(s.Orientation(), 2);
    s.SetRailStyle(42);
    EXPECT_EQ(s.RailStyle(), 42);
}

TEST(SliderStore, ANewInstanceAndAnEmptyStoreGiveTheDefaultsWhichStoreNothing) {
    for (const bool restored : {false, true}) {
        ucSlider s;
        if (restored) {
            s.UserControl_ReadProperties(PropertyBag());
        } else {
            s.UserControl_InitProperties();
        }
        EXPECT_EQ(s.Min(), 0) << restored;
        EXPECT_EQ(s.Max(), 10) << restored;
        EXPECT_EQ(s.Value(), 0) << restored;
        EXPECT_EQ(s.Orientation(), 1) << restored;
        EXPECT_EQ(s.RailStyle(), 0) << restored;
        EXPECT_TRUE(s.Enabled()) << restored;
        EXPECT_TRUE(s.ShowValueTip()) << restored;
        EXPECT_EQ(s.BackColor(), 0x8000000Fu) << restored;
        EXPECT_EQ(s.MousePointer(), 0) << restored;
        EXPECT_TRUE(s.SliderImage().isNull()) << restored;
        EXPECT_TRUE(s.RailImage().isNull()) << restored;
        PropertyBag bag;
        s.UserControl_WriteProperties(bag);
        EXPECT_TRUE(bag.IsEmpty()) << bag.Keys().join(QLatin1Char(' ')).toStdString();
    }
}

TEST(SliderStore, MaxAndValueAloneRestoreQuietly) {
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("max"), 100, 10);
    bag.WriteProperty(QStringLiteral("value"), 50, 0);
    ucSlider s;
    EventLog log{s};
    s.UserControl_ReadProperties(bag);
    EXPECT_EQ(s.Min(), 0);
    EXPECT_EQ(s.Max(), 100);
    EXPECT_EQ(s.Value(), 50);
    EXPECT_EQ(s.Range(), 100);
    EXPECT_EQ(s.LastValue(), 50);
    s.SetValue(50);
    EXPECT_TRUE(log.take().isEmpty());
}

TEST(SliderStore, EverySettingSurvivesARoundTripThroughTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("design.ini"));
    QImage thumbImage(12, 6, QImage::Format_ARGB32);
    thumbImage.fill(QColor(10, 20, 30));

    {
        ucSlider s;
        s.UserControl_InitProperties();
        s.SetOrientation(0);
        s.SetRailStyle(99);
        s.SetRailImage(PropertyBag::LoadPicture(QStringLiteral(":/slider/rail.bmp")));
        s.SetSliderImage(platform::StdPicture(thumbImage));
        s.SetMax(100);
        s.SetMin(-100);
        s.SetValue(-7);
        s.SetEnabled(false);
        s.SetShowValueTip(false);
        s.SetBackColor(0x00D2D2C9);
        s.SetMousePointer(2);
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("_ExtentX"), 4868);
        s.UserControl_WriteProperties(bag);
        bag.SaveIni(path, QStringLiteral("ucSlider1"));
    }

    const PropertyBag bag = PropertyBag::FromIni(path, QStringLiteral("ucSlider1"));
    ucSlider r;
    r.UserControl_ReadProperties(bag);
    EXPECT_EQ(r.Orientation(), 0);
    EXPECT_EQ(r.RailStyle(), 99);
    EXPECT_EQ(r.Min(), -100);
    EXPECT_EQ(r.Max(), 100);
    EXPECT_EQ(r.Value(), -7);
    EXPECT_FALSE(r.Enabled());
    EXPECT_FALSE(r.ShowValueTip());
    EXPECT_EQ(r.BackColor(), 0x00D2D2C9u);
    EXPECT_EQ(r.MousePointer(), 2);
    EXPECT_EQ(r.RailImage().Width(), 180);
    EXPECT_EQ(r.SliderImage().image().convertToFormat(QImage::Format_ARGB32), thumbImage);
}

TEST(SliderStore, SoundWindowDesignDataSavedAgainIsTheSameData) {
    const QString design = QStringLiteral(":/design/frmControls.ini");
    for (const char* section : {"ucSlider1", "ucSlider2"}) {
        const PropertyBag bag = PropertyBag::FromIni(design, QString::fromLatin1(section));
        ucSlider s;
        s.UserControl_ReadProperties(bag);
        // The extent and the place are the host's and come along as they were.
        PropertyBag again;
        for (const char* host : {"_extentx", "_extenty", "left", "top", "width", "height"})
            again.WriteProperty(QLatin1String(host), bag.ReadProperty(QLatin1String(host)));
        s.UserControl_WriteProperties(again);
        QStringList want = bag.Keys();
        QStringList got = again.Keys();
        want.sort();
        got.sort();
        EXPECT_EQ(got, want) << section;
        for (const QString& key : want) {
            if (key.endsWith(QLatin1String("image"))) continue;
            EXPECT_EQ(again.ReadProperty(key, 0).toLongLong(),
                      bag.ReadProperty(key, 0).toLongLong())
                << section << " " << key.toStdString();
        }
        EXPECT_EQ(PropertyBag::PictureToStored(s.RailImage()).toString(),
                  QStringLiteral(":/slider/rail.bmp"));
    }
}

TEST(SliderStore, UnusableStoredRangesAreRepaired) {
    for (auto [min, max] : {std::pair{5, 5}, std::pair{9, 2}, std::pair{INT32_MIN, 1}}) {
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("min"), min, 0);
        bag.WriteProperty(QStringLiteral("max"), max, 10);
        bag.WriteProperty(QStringLiteral("orientation"), 0, 1);
        ucSlider s;
        s.UserControl_ReadProperties(bag);
        EXPECT_EQ(s.Min(), 0);
        EXPECT_EQ(s.Max(), 10);
        EXPECT_EQ(s.Range(), 10);
        s.SetWidth(60 * 15);
        EXPECT_TRUE(std::isfinite(s.imgSlider.Left));
    }

    PropertyBag outside;
    outside.WriteProperty(QStringLiteral("max"), 100, 10);
    outside.WriteProperty(QStringLiteral("value"), 300, 0);
    ucSlider high;
    high.UserControl_ReadProperties(outside);
    EXPECT_EQ(high.Value(), 100);
    EXPECT_EQ(high.LastValue(), 100);
    outside.WriteProperty(QStringLiteral("value"), -3, 0);
    ucSlider low;
    low.UserControl_ReadProperties(outside);
    EXPECT_EQ(low.Value(), 0);
}

TEST(SliderStore, UnreadableStoredTextKeepsTheDefault) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.ini"));
    {
        QSettings ini(path, QSettings::IniFormat);
        ini.setValue(QStringLiteral("s/max"), QStringLiteral("lots"));
        ini.setValue(QStringLiteral("s/Value"), QStringLiteral("4"));
        ini.setValue(QStringLiteral("s/railimage"), QStringLiteral("/nonexistent/rail.bmp"));
    }
    ucSlider s;
    s.UserControl_ReadProperties(PropertyBag::FromIni(path, QStringLiteral("s")));
    EXPECT_EQ(s.Max(), 10);
    EXPECT_EQ(s.Value(), 4);
    EXPECT_TRUE(s.RailImage().isNull());
}

// The property bag and its stored INI form.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/host/PropertyBag.h"
#include "platform/host/VbError.h"

using namespace platform;

TEST(PropertyBag, KeysIgnoreCaseAndDefaultsAreNotKept) {
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("RailStyle"), 99, 0);
    bag.WriteProperty(QStringLiteral("Min"), 0, 0);
    bag.WriteProperty(QStringLiteral("Enabled"), true, true);
    EXPECT_EQ(bag.Keys(), QStringList{QStringLiteral("railstyle")});
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("RAILSTYLE"), 0).toInt(), 99);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("min"), 7).toInt(), 7);

    // Writing the default again takes a kept value out.
    bag.WriteProperty(QStringLiteral("railStyle"), 0, 0);
    EXPECT_TRUE(bag.IsEmpty());
    bag.WriteProperty(QStringLiteral("Picture"), QVariant::fromValue(StdPicture()),
                      QVariant::fromValue(StdPicture()));
    EXPECT_TRUE(bag.IsEmpty());
}

TEST(PropertyBag, IniRoundTripKeepsEveryKindOfValue) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    QImage inline_(5, 3, QImage::Format_RGB32);
    inline_.fill(QColor(1, 2, 3));
    const QString bmp = dir.filePath(QStringLiteral("rail.bmp"));
    QImage onDisk(7, 2, QImage::Format_RGB32);
    onDisk.fill(QColor(9, 8, 7));
    ASSERT_TRUE(onDisk.save(bmp));

    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("_ExtentX"), 4868);
    bag.WriteProperty(QStringLiteral("Value"), -50, 0);
    bag.WriteProperty(QStringLiteral("BackColor"), 0x8000000Fu, 0u);
    bag.WriteProperty(QStringLiteral("Enabled"), false, true);
    bag.WriteProperty(QStringLiteral("SliderImage"), QVariant::fromValue(StdPicture(inline_)),
                      QVariant::fromValue(StdPicture()));
    bag.WriteProperty(QStringLiteral("RailImage"),
                      QVariant::fromValue(PropertyBag::LoadPicture(bmp)),
                      QVariant::fromValue(StdPicture()));
    bag.SaveIni(path, QStringLiteral("ucSlider1"));

    // Another section in the same file is left alone.
    PropertyBag other;
    other.WriteProperty(QStringLiteral("max"), 3, 10);
    other.SaveIni(path, QStringLiteral("ucSlider2"));

    const QSettings raw(path, QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("ucSlider1/railimage")).toString(), bmp);
    EXPECT_EQ(raw.value(QStringLiteral("ucSlider1/_extentx")).toInt(), 4868);

    const PropertyBag back = PropertyBag::FromIni(path, QStringLiteral("ucSlider1"));
    const QVariant none = QVariant::fromValue(StdPicture());
    EXPECT_EQ(back.ReadProperty(QStringLiteral("_extentx"), 0).toInt(), 4868);
    EXPECT_EQ(back.ReadProperty(QStringLiteral("value"), 0).toInt(), -50);
    EXPECT_EQ(back.ReadProperty(QStringLiteral("backcolor"), 0u).toUInt(), 0x8000000Fu);
    EXPECT_FALSE(back.ReadProperty(QStringLiteral("enabled"), true).toBool());
    EXPECT_EQ(back.ReadProperty(QStringLiteral("sliderimage"), none).value<StdPicture>().image(),
              inline_);
    EXPECT_EQ(back.ReadProperty(QStringLiteral("railimage"), none).value<StdPicture>().image(),
              onDisk);
    EXPECT_EQ(PropertyBag::FromIni(path, QStringLiteral("ucSlider2")).Keys(),
              QStringList{QStringLiteral("max")});
    EXPECT_TRUE(PropertyBag::FromIni(path, QStringLiteral("nothing")).IsEmpty());
}

TEST(PropertyBag, StoredTextIsReadTheWaysItIsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hand.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[c]\nBackColor=&H00D2D2C9&\nother=0x10\nneg=-2147483633\nflag=-1\nflag2=False\n"
        "short=40000\n");
    f.close();
    const PropertyBag bag = PropertyBag::FromIni(path, QStringLiteral("c"));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("backcolor"), 0u).toUInt(), 0x00D2D2C9u);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("other"), 0).toInt(), 16);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("neg"), 0u).toUInt(), 0x8000000Fu);
    EXPECT_TRUE(bag.ReadProperty(QStringLiteral("flag"), false).toBool());
    EXPECT_FALSE(bag.ReadProperty(QStringLiteral("flag2"), true).toBool());
    // Too big for its type: the default, not a wrapped number.
    EXPECT_EQ(
        bag.ReadProperty(QStringLiteral("short"), QVariant::fromValue(short(7))).value<short>(), 7);
}

TEST(PropertyBag, FileProblemsAreErrorsNotEmptyBags) {
    try {
        PropertyBag::FromIni(QStringLiteral("/nonexistent/form.ini"), QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.Number(), vbErrFileNotFound);
    }
    // A broken file is an error, not an empty bag that would hide it.
    QTemporaryDir broken;
    const QString bad = broken.filePath(QStringLiteral("bad.ini"));
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write("[c\nmax=3\n");
    badFile.close();
    try {
        PropertyBag::FromIni(bad, QStringLiteral("c"));
        FAIL() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.Number(), vbErrInvalidFileFormat);
    }

    // A folder that is a file cannot take the settings, not even for root.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plain"));
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("max"), 3, 10);
    EXPECT_THROW(bag.SaveIni(file + QStringLiteral("/f.ini"), QStringLiteral("s")), VbError);
}

// The sound controls window on its own: its sliders as designed, the stored
// volume and balance, and every change handed to the player it reaches
// through the player seam (a recording one here).

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/frmControls.h"
#include "platform/host/Form.h"
#include "settings/RegEdit.h"
#include "support/RecordingPlayer.h"

using platform::Forms;

namespace {

const QString kVolume = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\volume");
const QString kBalance = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\balance");

class SoundControls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    void TearDown() override { unload(); }
    static void unload() {
        Forms::Unload<frmControls>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QTemporaryDir config;
    RecordingPlayer player;
};

TEST_F(SoundControls, SlidersAreAsDesignedAndAFirstRunSendsNothing) {
    frmControls& controls = Forms::Get<frmControls>();
    EXPECT_EQ(controls.ScaleWidth(), 200);
    EXPECT_EQ(controls.ScaleHeight(), 118);
    for (ucSlider* slider : {&controls.ucSlider1, &controls.ucSlider2}) {
        EXPECT_EQ(slider->Orientation(), 0);
        EXPECT_EQ(slider->RailStyle(), 99);
        EXPECT_EQ(slider->BackColor(), 0x00D2D2C9u);
        EXPECT_EQ(slider->ScaleWidth(), 184);
        EXPECT_EQ(slider->ScaleHeight(), 14);
        EXPECT_FLOAT_EQ(slider->imgSlider.Left, 81.0f);
        EXPECT_FLOAT_EQ(slider->imgSlider.Top, 0.0f);
        EXPECT_TRUE(slider->ShowValueTip());
    }
    EXPECT_EQ(controls.ucSlider1.Min(), 0);
    EXPECT_EQ(controls.ucSlider1.Max(), 100);
    EXPECT_EQ(controls.ucSlider1.Value(), 50);
    EXPECT_EQ(controls.ucSlider2.Min(), -50);
    EXPECT_EQ(controls.ucSlider2.Max(), 50);
    EXPECT_EQ(controls.ucSlider2.Value(), 0);
    // the player keeps its own start values
    EXPECT_EQ(player.calls, QStringList());
}

TEST_F(SoundControls, StoredValuesReachTheSlidersAndThePlayer) {
    RegEdit::WriteRegDword(kVolume, 0);
    RegEdit::WriteRegDword(kBalance, -50);
    frmControls& controls = Forms::Get<frmControls>();
    EXPECT_EQ(controls.ucSlider1.Value(), 0);
    EXPECT_EQ(controls.ucSlider2.Value(), -50);
    EXPECT_EQ(player.calls, QStringList({"volume 0", "balance -50"}));
}

TEST_F(SoundControls, StartAndUnusableStoredValuesSendNothingAndTheNextSaveRepairsThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"50", "0"},         {"101", "51"},   {"-1", "-51"}, {"abc", "abc"},
        {"70000", "-70000"}, {"50.5", "0.5"}, {"", ""}};
    for (const auto& [volume, balance] : cases) {
        RegEdit::WriteRegString(kVolume, QString::fromLatin1(volume));
        RegEdit::WriteRegString(kBalance, QString::fromLatin1(balance));
        frmControls& controls = Forms::Get<frmControls>();
        EXPECT_EQ(controls.ucSlider1.Value(), 50) << volume;
        EXPECT_EQ(controls.ucSlider2.Value(), 0) << balance;
        EXPECT_EQ(player.calls, QStringList()) << volume << " " << balance;
        controls.SetVisible(true);
        controls.Form_LostFocus();
        EXPECT_FALSE(controls.Visible());
        EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "50") << volume;
        EXPECT_EQ(RegEdit::ReadRegValue(kBalance), "0") << balance;
        unload();
    }
}

TEST_F(SoundControls, NothingIsStoredUntilTheWindowLosesTheFocus) {
    frmControls& controls = Forms::Get<frmControls>();
    controls.ucSlider1.SetValue(70);
    controls.ucSlider2.SetValue(-20);
    EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "");
    EXPECT_EQ(RegEdit::ReadRegValue(kBalance), "");
    controls.Form_LostFocus();
    EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "70");
    EXPECT_EQ(RegEdit::ReadRegValue(kBalance), "-20");
}

TEST_F(SoundControls, DraggingTheThumbSendsEveryVolumeOnTheWay) {
    ucSlider& volume = Forms::Get<frmControls>().ucSlider1;
    // grab the thumb in its middle and move it right pixel by pixel
    const int y = 7;
    int x = static_cast<int>(volume.imgSlider.Left) + 11;
    QTest::mousePress(&volume, Qt::LeftButton, {}, QPoint(x, y));
    while (volume.Value() < 60) {
        ++x;
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), volume.mapToGlobal(QPointF(x, y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&volume, &move);
        ASSERT_LT(x, 300);
    }
    QTest::mouseRelease(&volume, Qt::LeftButton, {}, QPoint(x, y));
    QStringList wanted;
    for (int v = 51; v <= 60; ++v) wanted << QStringLiteral("volume %1").arg(v);
    EXPECT_EQ(player.calls, wanted);
}

TEST_F(SoundControls, BalanceIsHandedOverUnscaled) {
    frmControls& controls = Forms::Get<frmControls>();
    controls.ucSlider2.SetValue(50);
    controls.ucSlider2.SetValue(-50);
    EXPECT_EQ(player.calls, QStringList({"balance 50", "balance -50"}));
}

}  // namespace

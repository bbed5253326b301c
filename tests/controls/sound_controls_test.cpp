// The sound controls window: its sliders as designed, the stored volume and
// balance, and every change passed to the player.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/ProgramTest.h"

#include "controls/frmControls.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "settings/RegEdit.h"

using platform::Forms;

namespace {

const QString kVolume = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\volume");
const QString kBalance = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\balance");

using SoundControls = ProgramTest;

TEST_F(SoundControls, SlidersAreAsDesigned) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
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
    // first run: the player keeps its own start values
    EXPECT_EQ(hoofd.WMP.settings().volume(), 50);
    EXPECT_EQ(hoofd.WMP.settings().balance(), 0);
}

TEST_F(SoundControls, StoredValuesReachTheSlidersAndThePlayer) {
    RegEdit::WriteRegDword(kVolume, 0);
    RegEdit::WriteRegDword(kBalance, -50);
    Hoofd& hoofd = Forms::Get<Hoofd>();
    frmControls& controls = Forms::Get<frmControls>();
    EXPECT_EQ(controls.ucSlider1.Value(), 0);
    EXPECT_EQ(controls.ucSlider2.Value(), -50);
    EXPECT_EQ(hoofd.WMP.settings().volume(), 0);
    EXPECT_EQ(hoofd.WMP.settings().balance(), -50);
}

TEST_F(SoundControls, UnusableStoredValuesAreLeftAsideAndOverwrittenAtTheNextSave) {
    const std::pair<const char*, const char*> cases[] = {{"101", "51"},   {"-1", "-51"},
                                                         {"abc", "abc"},  {"70000", "-70000"},
                                                         {"50.5", "0.5"}, {"", ""}};
    for (const auto& [bad, badBalance] : cases) {
        RegEdit::WriteRegString(kVolume, QString::fromLatin1(bad));
        RegEdit::WriteRegString(kBalance, QString::fromLatin1(badBalance));
        Hoofd& hoofd = Forms::Get<Hoofd>();
        frmControls& controls = Forms::Get<frmControls>();
        EXPECT_EQ(controls.ucSlider1.Value(), 50) << bad;
        EXPECT_EQ(controls.ucSlider2.Value(), 0) << bad;
        EXPECT_EQ(hoofd.WMP.settings().volume(), 50) << bad;
        controls.SetVisible(true);
        controls.Form_LostFocus();
        EXPECT_FALSE(controls.Visible());
        EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "50") << bad;
        EXPECT_EQ(RegEdit::ReadRegValue(kBalance), "0") << bad;
        UnloadAll();
    }
}

TEST_F(SoundControls, NothingIsStoredUntilTheWindowLosesTheFocus) {
    Forms::Get<Hoofd>();
    frmControls& controls = Forms::Get<frmControls>();
    controls.ucSlider1.SetValue(70);
    controls.ucSlider2.SetValue(-20);
    EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "");
    EXPECT_EQ(RegEdit::ReadRegValue(kBalance), "");
    controls.Form_LostFocus();
    EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "70");
    EXPECT_EQ(RegEdit::ReadRegValue(kBalance), "-20");
}

TEST_F(SoundControls, DraggingTheThumbSetsThePlayersVolumeAtEveryValueOnTheWay) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    frmControls& controls = Forms::Get<frmControls>();
    ucSlider& volume = controls.ucSlider1;
    std::vector<int> heard;
    QObject::connect(&volume, &ucSlider::Change, [&] {
        EXPECT_EQ(hoofd.WMP.settings().volume(), volume.Value());
        heard.push_back(hoofd.WMP.settings().volume());
    });
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
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), 60);
    for (size_t i = 1; i < heard.size(); ++i) EXPECT_EQ(heard[i], heard[i - 1] + 1);
    EXPECT_EQ(hoofd.WMP.settings().volume(), 60);
    EXPECT_EQ(RegEdit::ReadRegValue(kVolume), "");
}

TEST_F(SoundControls, BalanceIsHandedOverUnscaled) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    frmControls& controls = Forms::Get<frmControls>();
    controls.ucSlider2.SetValue(50);
    EXPECT_EQ(hoofd.WMP.settings().balance(), 50);
    controls.ucSlider2.SetValue(-50);
    EXPECT_EQ(hoofd.WMP.settings().balance(), -50);
}

}  // namespace

// The main window through its controls: the station boxes, the tool-window
// toggles, the tray on minimising, the player it hands out, and the loading
// and unloading of the program's windows.

#include <QCoreApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/ProgramTest.h"

#include "controls/frmControls.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "media/PlayerSeam.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "settings/frmInstellingen.h"
#include "tray/Mnu.h"

using platform::Forms;

namespace {

using MainWindow = ProgramTest;

struct Shown {
    QString tooltip;
    QString tag;
};

Shown shown(const platform::ImageBox& box) {
    return {box.ToolTipText(), box.Tag()};
}

TEST_F(MainWindow, BoxesOpenOnTheFirstStationOfEachHalf) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    EXPECT_EQ(hoofd.VScroll1.Max(), 16);
    EXPECT_EQ(hoofd.VScroll2.Max(), 14);
    EXPECT_EQ(shown(hoofd.ZendersBox1).tooltip, "Klik om te luisteren naar Radio Veronica");
    EXPECT_EQ(shown(hoofd.ZendersBox1).tag, "1");
    EXPECT_EQ(shown(hoofd.ZendersBox2).tooltip, "Klik om te luisteren naar Onin FM");
    EXPECT_EQ(shown(hoofd.ZendersBox2).tag, "18");
    EXPECT_FALSE(hoofd.ZendersBox1.Picture().isNull());
    EXPECT_EQ(hoofd.ZendersBox1.Picture().Width(), 96);
    EXPECT_EQ(hoofd.ZendersBox1.Picture().Height(), 66);
}

TEST_F(MainWindow, EachScrollBarStepsThroughItsOwnHalfOfTheCatalogue) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.VScroll1.SetValue(16);
    EXPECT_EQ(shown(hoofd.ZendersBox1).tooltip, "Klik om te luisteren naar Laser Radio");
    EXPECT_EQ(shown(hoofd.ZendersBox1).tag, "17");
    hoofd.VScroll2.SetValue(14);
    EXPECT_EQ(shown(hoofd.ZendersBox2).tooltip, "Klik om te luisteren naar TMF Radio");
    EXPECT_EQ(shown(hoofd.ZendersBox2).tag, "32");
    // every station of a box is reachable, each shows its own logo, and the
    // other box stays where it is
    QList<qint64> logos;
    for (short v = 0; v <= hoofd.VScroll1.Max(); ++v) {
        hoofd.VScroll1.SetValue(v);
        EXPECT_EQ(hoofd.ZendersBox1.Tag(), QString::number(v + 1));
        EXPECT_EQ(hoofd.ZendersBox2.Tag(), "32");
        logos.append(hoofd.ZendersBox1.Picture().image().cacheKey());
    }
    for (short v = 0; v <= hoofd.VScroll2.Max(); ++v) {
        hoofd.VScroll2.SetValue(v);
        EXPECT_EQ(hoofd.ZendersBox2.Tag(), QString::number(v + 18));
        EXPECT_EQ(hoofd.ZendersBox1.Tag(), "17");
        logos.append(hoofd.ZendersBox2.Picture().image().cacheKey());
    }
    EXPECT_EQ(QSet<qint64>(logos.begin(), logos.end()).size(), 32);
}

TEST_F(MainWindow, SettingAScrollBarToItsValueChangesNothing) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    QSignalSpy changes(&hoofd.VScroll1, &platform::VScrollBar::Change);
    hoofd.VScroll1.SetValue(0);
    EXPECT_EQ(changes.count(), 0);
    hoofd.VScroll1.SetValue(2);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(MainWindow, StartsWithItsTextsAndIsShapedToItsPicture) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    EXPECT_EQ(hoofd.Caption(), "Klankor");
    EXPECT_EQ(hoofd.lblStatus.Caption(), "Selecteer een zender in 1 van de zender boxes!");
    EXPECT_TRUE(hoofd.lblPlaying.Caption().isEmpty());
    EXPECT_TRUE(hoofd.lblPlaying.Tag().isEmpty());
    EXPECT_EQ(hoofd.ScaleMode(), platform::vbPixels);
    EXPECT_EQ(hoofd.ScaleWidth(), 700);
    EXPECT_EQ(hoofd.ScaleHeight(), 200);
    EXPECT_EQ(hoofd.Width(), 10500);
    EXPECT_EQ(hoofd.Height(), 3000);
    EXPECT_TRUE(hoofd.Visible());
    EXPECT_FALSE(hoofd.mask().isEmpty());
    EXPECT_FALSE(hoofd.mask().contains(QPoint(0, 199)));
}

TEST_F(MainWindow, ToolWindowsOpenAgainstTheMainWindowsEdges) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.SetLeft(1000);
    hoofd.SetTop(2000);
    ASSERT_EQ(hoofd.Width(), 10500);
    ASSERT_EQ(hoofd.Height(), 3000);
    frmInstellingen& settings = Forms::Get<frmInstellingen>();
    ASSERT_EQ(settings.Width(), 3000);

    hoofd.Label1_Click();
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(settings.Top(), 4000);
    EXPECT_EQ(settings.Left(), 8500);

    hoofd.Label2_Click();
    frmControls& controls = Forms::Get<frmControls>();
    EXPECT_TRUE(controls.Visible());
    EXPECT_EQ(controls.Top(), 4000);
    EXPECT_EQ(controls.Left(), 1000);
}

TEST_F(MainWindow, SecondClickHidesWithoutMoving) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.SetLeft(1500);
    hoofd.SetTop(1500);
    frmInstellingen& settings = Forms::Get<frmInstellingen>();
    QTest::mouseClick(&hoofd.Label1, Qt::LeftButton);
    ASSERT_TRUE(settings.Visible());
    const float top = settings.Top(), left = settings.Left();
    hoofd.SetLeft(3000);
    QTest::mouseClick(&hoofd.Label1, Qt::LeftButton);
    EXPECT_FALSE(settings.Visible());
    EXPECT_EQ(settings.Top(), top);
    EXPECT_EQ(settings.Left(), left);
    // hidden by the label, not by a loss of focus: nothing stored, also not
    // once what is pending has run
    QCoreApplication::processEvents();
    EXPECT_EQ(RegEdit::ReadRegValue(
                  QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\autostream")),
              "");

    QTest::mouseClick(&hoofd.Label2, Qt::LeftButton);
    ASSERT_TRUE(Forms::Get<frmControls>().Visible());
    QTest::mouseClick(&hoofd.Label2, Qt::LeftButton);
    EXPECT_FALSE(Forms::Get<frmControls>().Visible());
    QCoreApplication::processEvents();
    EXPECT_EQ(RegEdit::ReadRegValue(
                  QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\volume")),
              "");
}

TEST_F(MainWindow, LoadsTheToolWindowsHiddenAndUnloadsEverything) {
    EXPECT_FALSE(Forms::IsLoaded<frmInstellingen>());
    EXPECT_FALSE(Forms::IsLoaded<frmControls>());
    Forms::Get<Hoofd>();
    EXPECT_TRUE(Forms::IsLoaded<frmInstellingen>());
    EXPECT_TRUE(Forms::IsLoaded<frmControls>());
    EXPECT_FALSE(Forms::Get<frmInstellingen>().Visible());
    EXPECT_FALSE(Forms::Get<frmControls>().Visible());
    EXPECT_EQ(Forms::Count(), 3);

    int ended = 0;
    Forms::SetOnLastUnload([&] { ++ended; });
    Forms::Get<Mnu>();  // as while in the tray
    Forms::Get<Hoofd>().lblControls_Click(1);
    EXPECT_FALSE(Forms::IsLoaded<Hoofd>());
    EXPECT_FALSE(Forms::IsLoaded<frmInstellingen>());
    EXPECT_FALSE(Forms::IsLoaded<frmControls>());
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    EXPECT_EQ(Forms::Count(), 0);
    EXPECT_EQ(ended, 1);
    // unloading what is not loaded does nothing
    Forms::Unload<frmControls>();
    EXPECT_EQ(ended, 1);
    Forms::SetOnLastUnload(nullptr);
}

TEST_F(MainWindow, HandsItsPlayerOutBeforeTheSoundControlsLoad) {
    RegEdit::WriteRegDword(RegPaths::Volume, 0);
    RegEdit::WriteRegDword(RegPaths::Balance, -50);
    Hoofd& hoofd = Forms::Get<Hoofd>();
    EXPECT_EQ(&PlayerSeam::Player(), &hoofd.WMP);
    EXPECT_EQ(hoofd.WMP.settings().volume(), 0);
    EXPECT_EQ(hoofd.WMP.settings().balance(), -50);
}

TEST_F(MainWindow, MinimisingTriesTheTrayEachTimeItsSwitchIsOn) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.SetWindowState(platform::vbMinimized);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    hoofd.SetWindowState(platform::vbNormal);

    Forms::Get<frmInstellingen>().lstInstellingen.ListItems(3).SetChecked(true);
    hoofd.SetWindowState(platform::vbMinimized);
    EXPECT_TRUE(Forms::IsLoaded<Mnu>());
    // without a notification area the tray window goes again
    ASSERT_TRUE(QTest::qWaitFor([] { return !Forms::IsLoaded<Mnu>(); }));
    // restored from the taskbar and minimised again, it tries afresh
    hoofd.SetWindowState(platform::vbNormal);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    hoofd.SetWindowState(platform::vbMinimized);
    EXPECT_TRUE(Forms::IsLoaded<Mnu>());
}

TEST_F(MainWindow, SettingsWindowRefusesEditingItsEntries) {
    frmInstellingen& settings = Forms::Get<frmInstellingen>();
    ASSERT_EQ(settings.lstInstellingen.Count(), 3);
    EXPECT_EQ(settings.lstInstellingen.ListItems(1).Text(), "Automatisch stream starten");
    EXPECT_EQ(settings.lstInstellingen.ListItems(2).Text(), "Starten bij starten van Windows");
    EXPECT_EQ(settings.lstInstellingen.ListItems(3).Text(), "Minimaliseren naar systeemvak");
    settings.lstInstellingen.setCurrentRow(0);
    settings.lstInstellingen.editItem(settings.lstInstellingen.item(0));
    EXPECT_TRUE(settings.lstInstellingen.findChildren<QLineEdit*>().isEmpty());
    Forms::Unload<frmInstellingen>();
}

}  // namespace

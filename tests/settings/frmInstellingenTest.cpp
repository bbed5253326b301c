// The settings window's switches against the real store.

#include "platform/registry/ConfigHome.h"
#include "settings/RegEdit.h"
#include "settings/frmInstellingen.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using platform::Forms;

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");
const QString kRun =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Klankor");

class Settings : public ::testing::Test {
protected:
    void TearDown() override {
        Forms::Unload<frmInstellingen>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static bool ticked(int entry) {
        return Forms::Get<frmInstellingen>().lstInstellingen.ListItems(entry).Checked();
    }
    static void tick(int entry, bool on) {
        Forms::Get<frmInstellingen>().lstInstellingen.ListItems(entry).SetChecked(on);
    }
    static QString own() { return QCoreApplication::applicationFilePath(); }

    ConfigHome home;
};

TEST_F(Settings, FirstRunShowsAllClearedAndTheFirstLossOfFocusStoresThat) {
    frmInstellingen& window = Forms::Get<frmInstellingen>();
    EXPECT_FALSE(window.Visible());
    EXPECT_FALSE(ticked(1));
    EXPECT_FALSE(ticked(2));
    EXPECT_FALSE(ticked(3));
    EXPECT_FALSE(QFile::exists(home.store())) << "loading writes nothing";

    window.Show();
    window.Form_LostFocus();
    EXPECT_FALSE(window.Visible());
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "autostream"), QStringLiteral("0"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "minsys"), QStringLiteral("0"));
    EXPECT_FALSE(QFile::exists(home.autostart()));
}

TEST_F(Settings, OnlyExactlyOneTicksASwitch) {
    RegEdit::WriteRegDword(kKey + "autostream", 1);
    RegEdit::WriteRegString(kKey + "minsys", QStringLiteral("1"));
    EXPECT_TRUE(ticked(1));
    EXPECT_TRUE(ticked(3));
    Forms::Unload<frmInstellingen>();

    RegEdit::WriteRegDword(kKey + "autostream", 2);
    RegEdit::WriteRegString(kKey + "minsys", QStringLiteral("true"));
    EXPECT_FALSE(ticked(1));
    EXPECT_FALSE(ticked(3));
    Forms::Get<frmInstellingen>().lstInstellingen_LostFocus();
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "autostream"), QStringLiteral("0"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "minsys"), QStringLiteral("0"));
}

TEST_F(Settings, RunEntryOfAnotherCopyIsDeletedAtLoad) {
    for (const QString& other :
         QStringList{own().toUpper(), QStringLiteral("/opt/oud/klankor"), own() + u' '}) {
        SCOPED_TRACE(other.toStdString());
        RegEdit::WriteRegString(kRun, other);
        ASSERT_EQ(RegEdit::ReadRegValue(kRun), other);
        EXPECT_FALSE(ticked(2));
        EXPECT_FALSE(QFile::exists(home.autostart()));
        Forms::Unload<frmInstellingen>();
    }
}

TEST_F(Settings, RunEntryTheDesktopMadeIsTickedAndOnlyEverSwitchedOff) {
    ProgramOnPath program;
    const QByteArray made =
        "[Desktop Entry]\nType=Application\nName=Klankor\nExec=klankor %U\n"
        "X-GNOME-Autostart-enabled=true\n";
    writeBytes(home.autostart(), made);
    frmInstellingen& window = Forms::Get<frmInstellingen>();
    EXPECT_TRUE(ticked(2));
    window.Form_LostFocus();
    EXPECT_EQ(readBytes(home.autostart()), made);

    tick(2, false);
    window.Form_LostFocus();
    EXPECT_EQ(readBytes(home.autostart()),
              QByteArray(made).replace("=true", "=false\nHidden=true"));
}

TEST_F(Settings, RunEntryFollowsTheBoxWhenTheWindowLosesTheFocus) {
    frmInstellingen& window = Forms::Get<frmInstellingen>();
    tick(2, true);
    EXPECT_FALSE(QFile::exists(home.autostart())) << "ticking alone writes nothing";
    window.Show();
    window.Form_LostFocus();
    EXPECT_EQ(RegEdit::ReadRegValue(kRun), own());

    tick(2, false);
    window.Show();
    window.Form_LostFocus();
    EXPECT_FALSE(QFile::exists(home.autostart()));
    EXPECT_EQ(RegEdit::ReadRegValue(kRun), QString());
}

TEST_F(Settings, StoreIsReadOncePerLoad) {
    frmInstellingen& window = Forms::Get<frmInstellingen>();
    RegEdit::WriteRegDword(kKey + "autostream", 1);
    window.Show();
    window.Hide();
    EXPECT_FALSE(ticked(1)) << "a change from outside waits for the next start";
    Forms::Unload<frmInstellingen>();
    EXPECT_TRUE(ticked(1));
}

}  // namespace

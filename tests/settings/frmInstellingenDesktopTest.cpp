// The settings window on a real desktop: it stays while the user works in
// it and hides and saves when another window takes the activation.

#include "platform/registry/ConfigHome.h"
#include "player/Hoofd.h"
#include "settings/RegEdit.h"
#include "settings/frmInstellingen.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include "support/Desktop.h"

namespace {

using platform::Forms;

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");

void click(QWidget* widget, QPoint at) {
    const QPoint p = widget->mapToGlobal(at);
    desktop::ClickAt(p);
    QTest::qWait(300);
}

class SettingsOnDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        Hoofd& hoofd = Forms::Get<Hoofd>();
        hoofd.SetLeft(100 * 15);
        hoofd.SetTop(300 * 15);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&hoofd, 20000));
        other.setWindowTitle(QStringLiteral("elders"));
        other.setGeometry(800, 50, 200, 150);
        other.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&other, 20000));
        QTest::qWait(200);
    }
    void TearDown() override {
        Forms::Unload<Hoofd>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Opens the settings window the way the user does and gives it the activation.
    frmInstellingen& open() {
        Hoofd& hoofd = Forms::Get<Hoofd>();
        frmInstellingen& window = Forms::Get<frmInstellingen>();
        click(&hoofd.Label1, hoofd.Label1.rect().center());
        EXPECT_TRUE(window.Visible());
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window, 20000));
        return window;
    }

    ConfigHome home;
    QWidget other;
};

TEST_F(SettingsOnDesktop, AnotherWindowTakingTheActivationHidesAndSaves) {
    frmInstellingen& window = open();
    window.lstInstellingen.ListItems(1).SetChecked(true);
    window.lstInstellingen.ListItems(3).SetChecked(true);
    click(&other, QPoint(100, 75));
    EXPECT_FALSE(window.Visible());
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "autostream"), QStringLiteral("1"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "minsys"), QStringLiteral("1"));
}

TEST_F(SettingsOnDesktop, ClicksInsideTheWindowKeepItOpenAndSaveNothing) {
    frmInstellingen& window = open();
    platform::ListView& list = window.lstInstellingen;
    for (int row = 0; row < 3; ++row) {
        click(list.viewport(), list.visualItemRect(list.item(row)).center());
        EXPECT_TRUE(window.Visible()) << row;
    }
    EXPECT_FALSE(QFile::exists(home.store()));
    click(&other, QPoint(100, 75));
    EXPECT_FALSE(window.Visible());
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "autostream"), QStringLiteral("0"));
}

TEST_F(SettingsOnDesktop, HidingWhileActiveDoesNotSave) {
    // What the main window's label does; the window lies over the label
    // itself, so the call stands in for the click.
    frmInstellingen& window = open();
    window.lstInstellingen.setFocus();
    ASSERT_TRUE(window.lstInstellingen.hasFocus());
    window.lstInstellingen.ListItems(1).SetChecked(true);
    window.SetVisible(false);
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists(home.store()));
    EXPECT_TRUE(window.lstInstellingen.ListItems(1).Checked());
}

}  // namespace

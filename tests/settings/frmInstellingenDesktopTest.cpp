// The settings window on a real desktop: it stays while the user works in
// it and hides and saves when another window takes the activation.

#include "platform/registry/ConfigHome.h"
#include "player/Hoofd.h"
#include "settings/RegEdit.h"
#include "settings/frmInstellingen.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "support/Desktop.h"

namespace {

using desktop::WaitFor;
using platform::Forms;

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");

void click(QWidget* widget, QPoint at) {
    desktop::ClickAt(widget->mapToGlobal(at));
}

// Once the window manager has moved the activation away from the window and
// the program has handled all that came of it.
bool activationLeft(QWidget& window) {
    if (!WaitFor([&] {
            return !window.isActiveWindow() && !desktop::ActiveForTheWindowManager(window);
        }))
        return false;
    bool handled = false;
    QMetaObject::invokeMethod(
        qApp, [&handled] { handled = true; }, Qt::QueuedConnection);
    return WaitFor([&] { return handled; });
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
        ASSERT_TRUE(WaitFor([&] { return desktop::ActiveForTheWindowManager(other); }, 20000));
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
        EXPECT_TRUE(WaitFor([&] { return window.Visible(); }));
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
    ASSERT_TRUE(WaitFor([&] { return !window.Visible(); }));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "autostream"), QStringLiteral("1"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "minsys"), QStringLiteral("1"));
}

TEST_F(SettingsOnDesktop, ClicksInsideTheWindowKeepItOpenAndSaveNothing) {
    frmInstellingen& window = open();
    platform::ListView& list = window.lstInstellingen;
    desktop::EventCounter releases(QEvent::MouseButtonRelease);
    for (int row = 0; row < 3; ++row) {
        click(list.viewport(), list.visualItemRect(list.item(row)).center());
        // the click has arrived, and the window manager has done with it
        ASSERT_TRUE(WaitFor([&] { return releases.count() > row; })) << row;
        EXPECT_TRUE(desktop::ActiveForTheWindowManager(window)) << row;
        EXPECT_TRUE(window.Visible()) << row;
    }
    EXPECT_FALSE(QFile::exists(home.store()));
    click(&other, QPoint(100, 75));
    ASSERT_TRUE(WaitFor([&] { return !window.Visible(); }));
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
    ASSERT_TRUE(activationLeft(window));
    EXPECT_FALSE(QFile::exists(home.store()));
    EXPECT_TRUE(window.lstInstellingen.ListItems(1).Checked());
}

}  // namespace

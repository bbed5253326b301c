// The tool windows with real clicks under a window manager: a click on the
// main window's label shows a tool window; a click elsewhere takes the focus
// away, and closing it through the window manager does the same: it hides
// and stores its settings.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/Desktop.h"

#include "controls/frmControls.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "settings/RegEdit.h"
#include "settings/frmInstellingen.h"

using platform::Forms;

namespace {

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");

void clickOn(QWidget& widget) {
    desktop::ClickAt(widget.mapToGlobal(widget.rect().center()));
}

using desktop::WaitFor;

class ToolWindows : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        Hoofd& hoofd = Forms::Get<Hoofd>();
        hoofd.SetLeft(150 * 15);
        hoofd.SetTop(120 * 15);
        ASSERT_TRUE(WaitFor([&] { return desktop::ActiveForTheWindowManager(hoofd); }));
    }
    void TearDown() override {
        Forms::Unload<Hoofd>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A point of the main window's own background, away from every control.
    QPoint background() { return Forms::Get<Hoofd>().mapToGlobal(QPoint(350, 110)); }
    QTemporaryDir config;
};

TEST_F(ToolWindows, ClickingElsewhereHidesTheSoundControlsAndStoresThem) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    frmControls& controls = Forms::Get<frmControls>();
    clickOn(hoofd.Label2);
    ASSERT_TRUE(WaitFor([&] { return desktop::ActiveForTheWindowManager(controls); }));
    controls.ucSlider1.SetValue(35);
    desktop::ClickAt(background());
    ASSERT_TRUE(WaitFor([&] { return !controls.Visible(); }));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "volume"), "35");
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "balance"), "0");
}

TEST_F(ToolWindows, ClosingByTheWindowManagerHidesAndStoresAndKeepsTheWindow) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    frmInstellingen& settings = Forms::Get<frmInstellingen>();
    clickOn(hoofd.Label1);
    ASSERT_TRUE(WaitFor([&] { return desktop::ActiveForTheWindowManager(settings); }));
    settings.lstInstellingen.ListItems(3).SetChecked(true);
    desktop::Xdotool({"key", "alt+F4"});  // openbox's own close
    ASSERT_TRUE(WaitFor([&] { return !settings.Visible(); }));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "minsys"), "1");
    ASSERT_TRUE(Forms::IsLoaded<frmInstellingen>());
    EXPECT_TRUE(settings.lstInstellingen.ListItems(3).Checked());
    EXPECT_TRUE(Forms::IsLoaded<Hoofd>());
}

}  // namespace

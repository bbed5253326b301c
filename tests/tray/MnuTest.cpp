// The tray window with the real main window and player: its messages, its
// menu's enabling rules and entries, and what minimising does where there is
// no notification area (the offscreen platform has none).

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "settings/frmInstellingen.h"
#include "tray/Mnu.h"

using platform::Forms;

namespace {

constexpr float kTwips = 15;

// Which of Openen, Start, Stop, Afsluiten are active.
struct Entries {
    bool openen, start, stop, afsluiten;
    bool operator==(const Entries&) const = default;
};

void PrintTo(const Entries& e, std::ostream* out) {
    *out << "Openen " << e.openen << ", Start " << e.start << ", Stop " << e.stop << ", Afsluiten "
         << e.afsluiten;
}

class TrayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    void TearDown() override {
        if (Forms::IsLoaded<Hoofd>()) Forms::Get<Hoofd>().WMP.controls().stop();
        Forms::Unload<Hoofd>();
        Forms::Unload<Mnu>();
        Forms::SetOnLastUnload({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The main window as it is while in the tray. Without a notification
    // area the tray window goes again at the next turn of the event loop, so
    // these tests drive it before they let the loop run.
    Mnu& inTray() {
        Hoofd& hoofd = Forms::Get<Hoofd>();
        Mnu& mnu = Forms::Get<Mnu>();
        hoofd.Hide();
        return mnu;
    }
    static Entries rightClick(Mnu& mnu) {
        mnu.Form_MouseMove(0, 0, 517 * kTwips, 0);
        Entries e{mnu.menuOpenen->isEnabled(), mnu.menuStart->isEnabled(),
                  mnu.menuStop->isEnabled(), mnu.menuAfsluiten->isEnabled()};
        EXPECT_TRUE(mnu.menu.isVisible());
        mnu.menu.hide();
        return e;
    }
    QTemporaryDir config;
};

TEST_F(TrayWindow, OnlyTheLeftAndRightButtonUpDoAnything) {
    Mnu& mnu = inTray();
    Hoofd& hoofd = Forms::Get<Hoofd>();
    // moves, presses, double clicks, the middle button, and numbers that are
    // not whole messages at all
    for (const float message :
         {512.f, 513.f, 515.f, 516.f, 518.f, 519.f, 520.f, 514.5f, 516.99f, 0.f}) {
        mnu.Form_MouseMove(0, 0, message * kTwips, 0);
        EXPECT_FALSE(hoofd.Visible()) << message;
        EXPECT_FALSE(mnu.menu.isVisible()) << message;
        ASSERT_TRUE(Forms::IsLoaded<Mnu>()) << message;
    }
    mnu.Form_MouseMove(0, 0, 7711, 0);
    mnu.Form_MouseMove(0, 0, 7709, 0);
    EXPECT_FALSE(hoofd.Visible());

    mnu.Form_MouseMove(0, 0, 514 * kTwips, 0);
    EXPECT_TRUE(hoofd.Visible());
    EXPECT_EQ(hoofd.WindowState(), platform::vbNormal);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());

    // "Openen" restores a minimised window the same way
    hoofd.SetWindowState(platform::vbMinimized);
    inTray().menuOpenen->trigger();
    EXPECT_TRUE(hoofd.Visible());
    EXPECT_EQ(hoofd.WindowState(), platform::vbNormal);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
}

TEST_F(TrayWindow, BeforeAnyStationOnlyOpenenAndAfsluitenAreActive) {
    Mnu& mnu = inTray();
    QStringList texts;
    for (const QAction* action : mnu.menu.actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(texts, QStringList({"Openen", "-", "Start", "Stop", "-", "Afsluiten"}));
    EXPECT_EQ(rightClick(mnu), (Entries{true, false, false, true}));
    EXPECT_TRUE(Forms::Get<Hoofd>().WMP.URL().isEmpty());
}

TEST_F(TrayWindow, StartAndStopFollowThePlayer) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    // a station of the catalogue; nothing needs to answer it here
    hoofd.ZendersBox1_Click();
    ASSERT_FALSE(hoofd.WMP.URL().isEmpty());
    Mnu& mnu = inTray();
    // connecting: neither
    ASSERT_TRUE(hoofd.WMP.status().startsWith(QLatin1String("Connecting")))
        << hoofd.WMP.status().toStdString();
    EXPECT_EQ(rightClick(mnu), (Entries{true, false, false, true}));

    // a greyed entry cannot be chosen
    mnu.menuStop->trigger();
    EXPECT_TRUE(hoofd.WMP.status().startsWith(QLatin1String("Connecting")));
    mnu.menuStop_Click();
    EXPECT_EQ(hoofd.WMP.status().toStdString(), "Stopped");
    EXPECT_FALSE(hoofd.WMP.URL().isEmpty());
    EXPECT_EQ(rightClick(mnu), (Entries{true, true, false, true}));

    const QString url = hoofd.WMP.URL();
    mnu.menuStart->trigger();
    EXPECT_TRUE(hoofd.WMP.status().startsWith(QLatin1String("Connecting")));
    EXPECT_EQ(hoofd.WMP.URL(), url);
    EXPECT_EQ(rightClick(mnu), (Entries{true, false, false, true}));
}

TEST_F(TrayWindow, AfsluitenEndsTheProgram) {
    int ended = 0;
    Forms::SetOnLastUnload([&ended] { ++ended; });
    Mnu& mnu = inTray();
    mnu.menuAfsluiten->trigger();
    EXPECT_FALSE(Forms::IsLoaded<Hoofd>());
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    EXPECT_FALSE(Forms::IsLoaded<frmInstellingen>());
    EXPECT_EQ(Forms::Count(), 0);
    EXPECT_EQ(ended, 1);
}

TEST_F(TrayWindow, WithoutANotificationAreaMinimisingKeepsTheTaskbarEntry) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    // with the switch off the tray is not even tried
    hoofd.SetWindowState(platform::vbMinimized);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    hoofd.SetWindowState(platform::vbNormal);

    Forms::Get<frmInstellingen>().lstInstellingen.ListItems(3).SetChecked(true);
    hoofd.SetWindowState(platform::vbMinimized);
    // the tray window was asked for, could not add its icon, and did not
    // hide the window
    EXPECT_TRUE(Forms::IsLoaded<Mnu>());
    EXPECT_TRUE(hoofd.Visible());
    QTest::qWait(50);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    EXPECT_TRUE(hoofd.Visible());
    EXPECT_EQ(hoofd.WindowState(), platform::vbMinimized);

    // restored from the taskbar and minimised again, it tries afresh
    hoofd.SetWindowState(platform::vbNormal);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    hoofd.SetWindowState(platform::vbMinimized);
    EXPECT_TRUE(Forms::IsLoaded<Mnu>());
    EXPECT_TRUE(hoofd.Visible());
}

}  // namespace

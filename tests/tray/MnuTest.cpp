// The tray window on its own, with a stand-in main window and a recording
// player: its messages, its menu's entries and rules, and what it does where
// there is no notification area (the offscreen platform has none).

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/host/Form.h"
#include "support/RecordingPlayer.h"
#include "tray/Mnu.h"

using media::State;
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

// Whatever window the program makes its main one.
class StandInMain : public platform::Form {
public:
    StandInMain() : Form(Kind::Main) {}
};

class TrayWindow : public ::testing::Test {
protected:
    void TearDown() override {
        Forms::Unload<Mnu>();
        Forms::Unload<StandInMain>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The main window as it is while in the tray. Without a notification
    // area the tray window goes again at the next turn of the event loop, so
    // these tests drive it before they let the loop run.
    Mnu& inTray() {
        Forms::Get<StandInMain>().Hide();
        return Forms::Get<Mnu>();
    }
    static Entries rightClick(Mnu& mnu) {
        mnu.Form_MouseMove(0, 0, 517 * kTwips, 0);
        Entries e{mnu.menuOpenen->isEnabled(), mnu.menuStart->isEnabled(),
                  mnu.menuStop->isEnabled(), mnu.menuAfsluiten->isEnabled()};
        EXPECT_TRUE(mnu.menu.isVisible());
        mnu.menu.hide();
        return e;
    }
    RecordingPlayer player;
};

TEST_F(TrayWindow, OnlyTheLeftAndRightButtonUpDoAnything) {
    Mnu& mnu = inTray();
    StandInMain& main = Forms::Get<StandInMain>();
    // moves, presses, double clicks, the middle button, and numbers that are
    // not whole messages at all
    for (const float message :
         {512.f, 513.f, 515.f, 516.f, 518.f, 519.f, 520.f, 514.5f, 516.99f, 0.f}) {
        mnu.Form_MouseMove(0, 0, message * kTwips, 0);
        EXPECT_FALSE(main.Visible()) << message;
        EXPECT_FALSE(mnu.menu.isVisible()) << message;
        ASSERT_TRUE(Forms::IsLoaded<Mnu>()) << message;
    }
    mnu.Form_MouseMove(0, 0, 7711, 0);
    mnu.Form_MouseMove(0, 0, 7709, 0);
    EXPECT_FALSE(main.Visible());

    mnu.Form_MouseMove(0, 0, 514 * kTwips, 0);
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(main.WindowState(), platform::vbNormal);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());

    // "Openen" restores a minimised window the same way
    main.SetWindowState(platform::vbMinimized);
    inTray().menuOpenen->trigger();
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(main.WindowState(), platform::vbNormal);
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    EXPECT_EQ(player.calls, QStringList());
}

TEST_F(TrayWindow, StartOnlyWhenStoppedWithAStationAndStopOnlyWhilePlaying) {
    Mnu& mnu = inTray();
    QStringList texts;
    for (const QAction* action : mnu.menu.actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(texts, QStringList({"Openen", "-", "Start", "Stop", "-", "Afsluiten"}));

    const QString station = QStringLiteral("http://127.0.1.1:8000/");
    const struct {
        State state;
        QString url;
        Entries active;
    } cases[] = {
        {State::Undefined, {}, {true, false, false, true}},
        {State::Connecting, station, {true, false, false, true}},
        {State::Buffering, station, {true, false, false, true}},
        {State::Playing, station, {true, false, true, true}},
        {State::Stopped, station, {true, true, false, true}},
        {State::Stopped, {}, {true, false, false, true}},
        {State::Ready, station, {true, false, false, true}},
        {State::Failed, station, {true, false, false, true}},
        {State::Waiting, station, {true, false, false, true}},
    };
    for (const auto& c : cases) {
        player.now = c.state;
        player.url = c.url;
        EXPECT_EQ(rightClick(mnu), c.active) << static_cast<int>(c.state) << " " << c.url.size();
    }
}

TEST_F(TrayWindow, StartAndStopGoToThePlayer) {
    Mnu& mnu = inTray();
    player.now = State::Stopped;
    player.url = QStringLiteral("http://127.0.1.1:8000/");
    rightClick(mnu);
    mnu.menuStart->trigger();
    player.now = State::Playing;
    rightClick(mnu);
    mnu.menuStop->trigger();
    EXPECT_EQ(player.calls, QStringList({"Play", "Stop"}));
    EXPECT_TRUE(Forms::IsLoaded<Mnu>());
}

TEST_F(TrayWindow, AfsluitenUnloadsTheMainWindow) {
    inTray().menuAfsluiten->trigger();
    EXPECT_FALSE(Forms::IsLoaded<StandInMain>());
    EXPECT_EQ(Forms::Main(), nullptr);
}

TEST_F(TrayWindow, WithoutANotificationAreaItGoesAndTheMainWindowStaysOnTheTaskbar) {
    StandInMain& main = Forms::Get<StandInMain>();
    main.Show();
    main.SetWindowState(platform::vbMinimized);
    Forms::Get<Mnu>();
    EXPECT_TRUE(main.Visible());
    ASSERT_TRUE(QTest::qWaitFor([] { return !Forms::IsLoaded<Mnu>(); }));
    EXPECT_TRUE(main.Visible());
    EXPECT_EQ(main.WindowState(), platform::vbMinimized);
}

}  // namespace

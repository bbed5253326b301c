// The notification area end to end: the real main window and player on a real
// X desktop (Xvfb, openbox) with a real tray (trayer), playing station 12 of
// the local radio network, driven with the pointer through xdotool.
// Run under scripts/with-desktop --tray with scripts/radionet started.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "../platform/shell/TrayHost.h"
#include "platform/host/Form.h"
#include "platform/shell/Shell32.h"
#include "player/Functies.h"
#include "player/Hoofd.h"
#include "settings/RegEdit.h"
#include "settings/frmInstellingen.h"
#include "support/Desktop.h"
#include "tray/Mnu.h"

using platform::Forms;

namespace {

constexpr short kJuizeFm = 12;

using desktop::WaitFor;

bool clickAt(QPoint at, int button = 1) {
    const QString b = QString::number(button);
    if (!trayhost::Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())}))
        return false;
    QTest::qWait(50);
    if (!trayhost::Xdotool({"mousedown", b})) return false;
    QTest::qWait(50);
    return trayhost::Xdotool({"mouseup", b});
}

class TrayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        ASSERT_TRUE(audio.open());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        media::WindowsMediaPlayer::SetDefaultAudioFile(audio.fileName());
        ASSERT_TRUE(trayhost::WaitForIcons(0)) << "no empty tray: run under with-desktop --tray";
        Forms::SetOnLastUnload([this] { ++ended; });
        Hoofd& hoofd = Forms::Get<Hoofd>();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&hoofd));
        Forms::Get<frmInstellingen>().lstInstellingen.ListItems(3).SetChecked(true);
        QTest::qWait(100);
    }
    void TearDown() override {
        if (Forms::IsLoaded<Hoofd>()) {
            Forms::Get<Hoofd>().WMP.controls().stop();
            Forms::Unload<Hoofd>();
        }
        Forms::SetOnLastUnload({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        trayhost::WaitForIcons(0);
    }

    Hoofd& hoofd() { return Forms::Get<Hoofd>(); }

    // The "_" mark, clicked for real.
    void minimise() {
        platform::Label* mark = hoofd().lblControls[0];
        ASSERT_TRUE(clickAt(mark->mapToGlobal(mark->rect().center())));
        ASSERT_TRUE(WaitFor([this] { return !hoofd().isVisible(); })) << "the window stays";
        ASSERT_TRUE(trayhost::WaitForIcons(1)) << trayhost::Tree().toStdString();
        ASSERT_TRUE(Forms::IsLoaded<Mnu>());
        QTest::qWait(300);  // let the tray settle the icon's place
    }

    // Right-clicks the icon and waits for the menu.
    Mnu& openMenu() {
        const QList<trayhost::Window> icons = trayhost::Icons();
        EXPECT_EQ(icons.size(), 1);
        Mnu& mnu = Forms::Get<Mnu>();
        EXPECT_TRUE(trayhost::Click(icons.value(0), 3));
        EXPECT_TRUE(WaitFor([&mnu] { return mnu.menu.isVisible(); })) << "no menu";
        QTest::qWait(200);
        return mnu;
    }

    void choose(Mnu& mnu, QAction* entry) {
        const QRect place = mnu.menu.actionGeometry(entry);
        ASSERT_TRUE(clickAt(mnu.menu.mapToGlobal(place.center())));
    }

    struct Active {
        bool openen, start, stop, afsluiten;
    };
    static Active active(const Mnu& mnu) {
        return {mnu.menuOpenen->isEnabled(), mnu.menuStart->isEnabled(), mnu.menuStop->isEnabled(),
                mnu.menuAfsluiten->isEnabled()};
    }

    bool playing() {
        return WaitFor([this] { return hoofd().WMP.status().startsWith(QLatin1String("Playing")); },
                       20000);
    }

    void selectJuizeFm() {
        hoofd().VScroll1.SetValue(kJuizeFm - 1);
        ASSERT_EQ(hoofd().ZendersBox1.Tag(), QString::number(kJuizeFm));
        ASSERT_TRUE(clickAt(hoofd().ZendersBox1.mapToGlobal(hoofd().ZendersBox1.rect().center())));
        ASSERT_TRUE(WaitFor([this] { return !hoofd().WMP.URL().isEmpty(); }));
        ASSERT_EQ(hoofd().WMP.URL(), Functies::StationUrl(kJuizeFm));
    }

    QTemporaryDir config;
    QTemporaryFile audio;
    int ended = 0;
};

TEST_F(TrayEndToEnd, MinimiseGoesToTheTrayAndALeftClickComesBack) {
    minimise();
    // the icon's tip
    QSystemTrayIcon* icon = platform::shell::NotifyIcon(Mnu::nid.hWnd(), 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip(), "Klankor");
    const trayhost::Window place = trayhost::Icons().at(0);

    // the press alone does nothing; the click restores and takes the icon away
    ASSERT_TRUE(trayhost::Press(place, 1));
    QTest::qWait(300);
    EXPECT_FALSE(hoofd().isVisible());
    ASSERT_TRUE(trayhost::Release(1));
    ASSERT_TRUE(WaitFor([this] { return hoofd().isVisible(); })) << "not restored";
    EXPECT_EQ(hoofd().WindowState(), platform::vbNormal);
    EXPECT_TRUE(trayhost::WaitForIcons(0));
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hoofd()));

    // and it goes to the tray again the next time
    minimise();
    Mnu& mnu = openMenu();
    choose(mnu, mnu.menuOpenen);
    ASSERT_TRUE(WaitFor([this] { return hoofd().isVisible(); }));
    EXPECT_TRUE(trayhost::WaitForIcons(0));
}

TEST_F(TrayEndToEnd, MenuFollowsThePlayerAndEndsTheProgram) {
    // before any station: only Openen and Afsluiten
    minimise();
    Mnu* mnu = &openMenu();
    Active a = active(*mnu);
    EXPECT_TRUE(a.openen && a.afsluiten);
    EXPECT_FALSE(a.start);
    EXPECT_FALSE(a.stop);
    ASSERT_TRUE(trayhost::Xdotool({"key", "Escape"}));
    ASSERT_TRUE(WaitFor([mnu] { return !mnu->menu.isVisible(); }));
    choose(*mnu, mnu->menuOpenen);  // nothing is there any more: no effect
    QTest::qWait(200);
    EXPECT_FALSE(hoofd().isVisible());
    mnu->menuOpenen_Click();
    ASSERT_TRUE(WaitFor([this] { return hoofd().isVisible(); }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hoofd()));
    QTest::qWait(200);

    // while playing: Stop only, and Stop stops
    selectJuizeFm();
    ASSERT_TRUE(playing()) << hoofd().WMP.status().toStdString();
    minimise();
    mnu = &openMenu();
    a = active(*mnu);
    EXPECT_TRUE(a.openen && a.afsluiten);
    EXPECT_FALSE(a.start);
    EXPECT_TRUE(a.stop);
    choose(*mnu, mnu->menuStop);
    ASSERT_TRUE(WaitFor([this] { return hoofd().WMP.status() == QLatin1String("Stopped"); }))
        << hoofd().WMP.status().toStdString();
    EXPECT_FALSE(hoofd().isVisible());
    EXPECT_EQ(trayhost::Icons().size(), 1);

    // after the stop: Start only, and Start plays the station again
    QTest::qWait(300);
    mnu = &openMenu();
    a = active(*mnu);
    EXPECT_TRUE(a.start);
    EXPECT_FALSE(a.stop);
    choose(*mnu, mnu->menuStart);
    ASSERT_TRUE(playing()) << hoofd().WMP.status().toStdString();
    EXPECT_EQ(hoofd().WMP.URL(), Functies::StationUrl(kJuizeFm));
    const qint64 heard = audio.size();
    QTest::qWait(500);
    EXPECT_GT(audio.size(), heard) << "no sound arrives";

    // Afsluiten ends the program and takes the icon away
    QTest::qWait(300);
    mnu = &openMenu();
    choose(*mnu, mnu->menuAfsluiten);
    ASSERT_TRUE(WaitFor([this] { return ended == 1; })) << "the program did not end";
    EXPECT_FALSE(Forms::IsLoaded<Hoofd>());
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    EXPECT_EQ(Forms::Count(), 0);
    EXPECT_TRUE(trayhost::WaitForIcons(0)) << trayhost::Tree().toStdString();
}

}  // namespace

namespace {

// The program itself, started as a user starts it, with the tray switch on
// and station 12 to resume.
TEST(TrayProgram, AfsluitenInTheTrayMenuEndsTheProgram) {
    QTemporaryDir config;
    QTemporaryFile audio;
    ASSERT_TRUE(config.isValid());
    ASSERT_TRUE(audio.open());
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");
    RegEdit::WriteRegDword(key + "minsys", 1);
    RegEdit::WriteRegDword(key + "autostream", 1);
    RegEdit::WriteRegDword(key + "zender", kJuizeFm);
    ASSERT_TRUE(trayhost::WaitForIcons(0));

    QProcess klankor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("KLANKOR_AUDIO_FILE", audio.fileName());
    klankor.setProcessEnvironment(env);
    klankor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    klankor.start(QStringLiteral(KLANKOR_PROGRAM), {});
    ASSERT_TRUE(klankor.waitForStarted());

    // its main window, minimised with its own "_" mark (9600, 20 twips)
    QString window;
    ASSERT_TRUE(WaitFor(
        [&window] {
            QProcess search;
            search.start("xdotool", {"search", "--onlyvisible", "--name", "^Klankor$"});
            search.waitForFinished();
            window = QString::fromLatin1(search.readAllStandardOutput()).split('\n').value(0);
            return !window.isEmpty();
        },
        15000))
        << "no main window";
    QTest::qWait(500);
    QProcess geometry;
    geometry.start("xdotool", {"getwindowgeometry", "--shell", window});
    ASSERT_TRUE(geometry.waitForFinished());
    QPoint origin;
    for (const QString& line : QString::fromLatin1(geometry.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("X=")) origin.setX(line.mid(2).toInt());
        if (line.startsWith("Y=")) origin.setY(line.mid(2).toInt());
    }
    ASSERT_TRUE(clickAt(origin + QPoint(644, 7)));
    ASSERT_TRUE(trayhost::WaitForIcons(1, 10000)) << "no icon";
    QTest::qWait(300);
    ASSERT_TRUE(WaitFor([&audio] { return audio.size() > 0; }, 20000))
        << "station 12 does not play";

    // the menu's last entry, chosen with the keyboard
    ASSERT_TRUE(trayhost::Click(trayhost::Icons().at(0), 3));
    QTest::qWait(500);
    ASSERT_TRUE(trayhost::Xdotool({"key", "Up"}));
    QTest::qWait(100);
    ASSERT_TRUE(trayhost::Xdotool({"key", "Return"}));
    ASSERT_TRUE(WaitFor([&klankor] { return klankor.state() == QProcess::NotRunning; }, 10000))
        << "the program did not end";
    EXPECT_EQ(klankor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(klankor.exitCode(), 0);
    EXPECT_TRUE(trayhost::WaitForIcons(0));
    // it stored the station it played
    EXPECT_EQ(RegEdit::ReadRegValue(key + "zender"), "12");
}

}  // namespace

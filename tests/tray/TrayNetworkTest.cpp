// The notification area end to end: the real main window and player on a real
// X desktop (Xvfb, openbox) with a real tray (trayer), playing station 12 of
// the local radio network, driven with the pointer through xdotool.
// Run under scripts/with-desktop --tray with scripts/radionet started.

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <gtest/gtest.h>

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

using desktop::ClickAt;
using desktop::WaitFor;

class TrayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        ASSERT_TRUE(audio.open());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        media::WindowsMediaPlayer::SetDefaultAudioFile(audio.fileName());
        ASSERT_TRUE(trayhost::WaitForIcons(0)) << "no empty tray: run under with-desktop --tray";
        Hoofd& hoofd = Forms::Get<Hoofd>();
        Forms::Get<frmInstellingen>().lstInstellingen.ListItems(3).SetChecked(true);
        ASSERT_TRUE(WaitFor([&] { return desktop::ActiveForTheWindowManager(hoofd); }));
    }
    void TearDown() override {
        if (Forms::IsLoaded<Hoofd>()) {
            Forms::Get<Hoofd>().WMP.controls().stop();
            Forms::Unload<Hoofd>();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        trayhost::WaitForIcons(0);
    }

    Hoofd& hoofd() { return Forms::Get<Hoofd>(); }

    // The "_" mark, clicked for real.
    void minimise() {
        platform::Label* mark = hoofd().lblControls[0];
        ClickAt(mark->mapToGlobal(mark->rect().center()));
        ASSERT_TRUE(WaitFor([this] { return !hoofd().isVisible(); })) << "the window stays";
        ASSERT_TRUE(Forms::IsLoaded<Mnu>());
        QSystemTrayIcon* icon = platform::shell::NotifyIcon(Mnu::nid.hWnd(), 1);
        ASSERT_NE(icon, nullptr);
        ASSERT_TRUE(trayhost::WaitForIconOf(*icon)) << trayhost::Tree().toStdString();
    }

    // Right-clicks the icon and waits for the menu.
    Mnu& openMenu() {
        const QList<trayhost::Window> icons = trayhost::Icons();
        EXPECT_EQ(icons.size(), 1);
        Mnu& mnu = Forms::Get<Mnu>();
        EXPECT_TRUE(trayhost::Click(icons.value(0), 3));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&mnu.menu)) << "no menu";
        return mnu;
    }

    // Clicks an entry of the open menu, which closes it; Openen unloads the
    // menu's form as well, so the menu may be gone by the time we look.
    void choose(Mnu& mnu, QAction* entry) {
        const QPointer<QMenu> menu = &mnu.menu;
        ClickAt(menu->mapToGlobal(menu->actionGeometry(entry).center()));
        ASSERT_TRUE(WaitFor([&menu] { return !menu || !menu->isVisible(); }));
    }

    bool playing() {
        return WaitFor([this] { return hoofd().WMP.status().startsWith(QLatin1String("Playing")); },
                       20000);
    }

    QTemporaryDir config;
    QTemporaryFile audio;
};

TEST_F(TrayEndToEnd, MinimiseGoesToTheTrayAndALeftClickComesBack) {
    minimise();
    QSystemTrayIcon* icon = platform::shell::NotifyIcon(Mnu::nid.hWnd(), 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip(), "Klankor");

    // the click restores and takes the icon away
    ASSERT_TRUE(trayhost::Click(trayhost::Icons().at(0), 1));
    ASSERT_TRUE(WaitFor([this] { return hoofd().isVisible(); })) << "not restored";
    EXPECT_EQ(hoofd().WindowState(), platform::vbNormal);
    EXPECT_TRUE(trayhost::WaitForIcons(0));
    EXPECT_FALSE(Forms::IsLoaded<Mnu>());
    ASSERT_TRUE(WaitFor([this] { return desktop::ActiveForTheWindowManager(hoofd()); }));

    // and it goes to the tray again the next time, and Openen comes back too
    minimise();
    Mnu& mnu = openMenu();
    choose(mnu, mnu.menuOpenen);
    ASSERT_TRUE(WaitFor([this] { return hoofd().isVisible(); }));
    EXPECT_TRUE(trayhost::WaitForIcons(0));
}

TEST_F(TrayEndToEnd, StopAndStartInTheMenuStopAndPlayTheStation) {
    hoofd().VScroll1.SetValue(kJuizeFm - 1);
    ASSERT_EQ(hoofd().ZendersBox1.Tag(), QString::number(kJuizeFm));
    ClickAt(hoofd().ZendersBox1.mapToGlobal(hoofd().ZendersBox1.rect().center()));
    ASSERT_TRUE(playing()) << hoofd().WMP.status().toStdString();
    ASSERT_EQ(hoofd().WMP.URL(), Functies::StationUrl(kJuizeFm));

    // while playing: Stop only, and Stop stops
    minimise();
    Mnu* mnu = &openMenu();
    EXPECT_FALSE(mnu->menuStart->isEnabled());
    EXPECT_TRUE(mnu->menuStop->isEnabled());
    choose(*mnu, mnu->menuStop);
    ASSERT_TRUE(WaitFor([this] { return hoofd().WMP.status() == QLatin1String("Stopped"); }))
        << hoofd().WMP.status().toStdString();
    EXPECT_FALSE(hoofd().isVisible());
    EXPECT_EQ(trayhost::Icons().size(), 1);

    // after the stop: Start only, and Start plays the station again
    mnu = &openMenu();
    EXPECT_TRUE(mnu->menuStart->isEnabled());
    EXPECT_FALSE(mnu->menuStop->isEnabled());
    choose(*mnu, mnu->menuStart);
    ASSERT_TRUE(playing()) << hoofd().WMP.status().toStdString();
    EXPECT_EQ(hoofd().WMP.URL(), Functies::StationUrl(kJuizeFm));
    const qint64 heard = audio.size();
    EXPECT_TRUE(WaitFor([&] { return audio.size() > heard; })) << "no sound arrives";
}

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
    // no system bus: the machine's own NetworkManager and logind change nothing here
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + config.filePath("no-system-bus"));
    // what it went through, on its standard error, should it not play
    env.insert("QT_LOGGING_RULES", "klankor.player.debug=true");
    env.insert("QT_MESSAGE_PATTERN", "%{time process} %{message}");
    klankor.setProcessEnvironment(env);
    klankor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    klankor.start(QStringLiteral(KLANKOR_PROGRAM), {});
    ASSERT_TRUE(klankor.waitForStarted());

    // its main window, minimised with its own "_" mark (9600, 20 twips)
    const std::optional<QRect> main = desktop::ActiveWindowNamed(QStringLiteral("Klankor"));
    ASSERT_TRUE(main) << "no main window";
    ClickAt(main->topLeft() + QPoint(644, 7));
    ASSERT_TRUE(trayhost::WaitForIcons(1, 10000)) << "no icon";
    ASSERT_TRUE(WaitFor([&audio] { return audio.size() > 0; }, 20000))
        << "station 12 does not play";

    // the menu's last entry, chosen with the keyboard once the menu is one
    // more window of the program on the screen; a search that meets a window
    // going away fails with an X error, and counts nothing
    const auto shown = [&klankor]() -> qsizetype {
        QProcess search;
        search.start("xdotool",
                     {"search", "--onlyvisible", "--pid", QString::number(klankor.processId())});
        search.waitForFinished();
        if (!search.readAllStandardError().isEmpty()) return -1;
        return search.readAllStandardOutput().count('\n');
    };
    qsizetype icon = -1;
    ASSERT_TRUE(WaitFor([&] { return (icon = shown()) >= 0; }));
    ASSERT_TRUE(trayhost::Click(trayhost::Icons().at(0), 3));
    ASSERT_TRUE(WaitFor([&] { return shown() > icon; })) << "no menu";
    ASSERT_TRUE(trayhost::Xdotool({"key", "Up"}));
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

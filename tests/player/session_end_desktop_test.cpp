// The program itself, ended from outside as the desktop ends it: each signal
// runs the shut-down of the close mark, so the station chosen last and what
// a shown tool window holds are stored.

#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include <gtest/gtest.h>

#include "platform/host/Controls.h"
#include "platform/host/Desktop.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "support/Desktop.h"

namespace {

using desktop::WaitFor;

// The centre of a main window's control, from the window's design data.
QPoint centreOf(const char* control) {
    const platform::TwipsRect at = platform::DesignPlace(
        QStringLiteral(KLANKOR_SOURCE_DIR "/resources/design/Hoofd.ini"), QLatin1String(control));
    return QPoint(int((at.left + at.width / 2) / 15), int((at.top + at.height / 2) / 15));
}

class SessionEnd : public ::testing::TestWithParam<int> {};

TEST_P(SessionEnd, StoresTheLastStationAndTheShownToolWindow) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    // an unusable stored switch: a save writes it back as 0
    RegEdit::WriteRegString(RegPaths::Minsys, QStringLiteral("2"));

    QProcess klankor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("KLANKOR_AUDIO_FILE", config.filePath("audio.raw"));
    // no system bus: the machine's own NetworkManager and logind change nothing here
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + config.filePath("no-system-bus"));
    // what it went through, on its standard error, should it not play
    env.insert("QT_LOGGING_RULES", "klankor.player.debug=true");
    env.insert("QT_MESSAGE_PATTERN", "%{time process} %{message}");
    klankor.setProcessEnvironment(env);
    klankor.setProcessChannelMode(QProcess::ForwardedChannels);
    klankor.start(QStringLiteral(KLANKOR_PROGRAM), {});
    ASSERT_TRUE(klankor.waitForStarted());
    const std::optional<QRect> main = desktop::ActiveWindowNamed(QStringLiteral("Klankor"));
    ASSERT_TRUE(main) << "no main window";
    desktop::ClickAt(main->topLeft() + centreOf("ZendersBox2"));  // station 18
    desktop::ClickAt(main->topLeft() + centreOf("Label1"));       // "Instellingen"
    ASSERT_TRUE(desktop::ActiveWindowNamed(QStringLiteral("Instellingen")))
        << "the settings window did not come";
    ASSERT_EQ(RegEdit::ReadRegValue(RegPaths::Minsys), "2") << "stored before the end";

    ASSERT_EQ(::kill(static_cast<pid_t>(klankor.processId()), GetParam()), 0);
    ASSERT_TRUE(WaitFor([&] { return klankor.state() == QProcess::NotRunning; }, 10000))
        << "the program did not end";
    EXPECT_EQ(klankor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(klankor.exitCode(), 0);
    EXPECT_EQ(RegEdit::ReadRegValue(RegPaths::Zender), "18");
    EXPECT_EQ(RegEdit::ReadRegValue(RegPaths::Minsys), "0");
    EXPECT_EQ(RegEdit::ReadRegValue(RegPaths::Autostream), "0");
}

INSTANTIATE_TEST_SUITE_P(Signals, SessionEnd, ::testing::Values(SIGTERM, SIGHUP, SIGINT));

// On a Wayland session the program goes through XWayland by itself.
TEST(WaylandSession, ChoosesXcbWhenAnXServerAnswers) {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(platform::desktop::ChooseX11(), QString());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", asked);
}

// --help and --version answer without an X server; what is not an option
// of Klankor's or Qt's is refused with status 2 and named.
TEST(CommandLine, AnswersWithoutAWindowAndRefusesWhatItDoesNotKnow) {
    const QTemporaryDir runtime;
    const auto run = [&runtime](const QStringList& args) {
        QProcess klankor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + runtime.filePath("no-system-bus"));
        klankor.setProcessEnvironment(env);
        klankor.start(QStringLiteral(KLANKOR_PROGRAM), args);
        EXPECT_TRUE(klankor.waitForFinished(10000)) << args.join(' ').toStdString();
        return std::pair{klankor.exitCode(), QString::fromUtf8(klankor.readAllStandardOutput() +
                                                               klankor.readAllStandardError())};
    };
    const auto [help, helpText] = run({"--help"});
    EXPECT_EQ(help, 0);
    EXPECT_TRUE(helpText.contains("--version")) << helpText.toStdString();
    const auto [version, versionText] = run({"--version"});
    EXPECT_EQ(version, 0);
    EXPECT_TRUE(versionText.startsWith("Klankor ")) << versionText.toStdString();
    const auto [unknown, unknownText] = run({"--loud"});
    EXPECT_EQ(unknown, 2);
    EXPECT_TRUE(unknownText.contains("'loud'")) << unknownText.toStdString();
    EXPECT_EQ(run({"-style", "fusion", "stray"}).first, 2);
    // Qt's own options pass: here on to the missing X server
    EXPECT_EQ(run({"-platform", "xcb", "-display", ":99"}).first, 1);
}

}  // namespace

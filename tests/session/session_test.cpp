// Klankor on the desktop session: the real program on the test's X desktop
// with a private session bus (a dbus-daemon of the test's own), driven with
// Qt D-Bus as a panel would, bad input among it, and with playerctl
// (network: needs scripts/radionet); and one Klankor per session, on a bus
// and without one.

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

#include "platform/host/Controls.h"
#include "player/StationNames.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "support/Desktop.h"

namespace {

using desktop::WaitFor;

class RunningKlankor : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"config", "cache", "runtime"})
            ASSERT_TRUE(QDir(home.path())
                            .mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        daemon.setStandardErrorFile(QProcess::nullDevice());
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "no dbus-daemon";
        address = QString::fromLatin1(daemon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit());  // for playerctl
    }
    void TearDown() override {
        for (auto& klankor : runs) {
            klankor->kill();
            klankor->waitForFinished();
        }
        daemon.kill();
        daemon.waitForFinished();
    }
    QString path(const char* name) const { return home.filePath(name); }
    QDBusConnection bus() { return QDBusConnection::connectToBus(address, "test " + address); }

    // Starts Klankor as a user does, on the private bus or with none.
    QProcess& start(bool onTheBus = true) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_CACHE_HOME", path("cache"));
        env.insert("XDG_RUNTIME_DIR", path("runtime"));
        env.insert("KLANKOR_AUDIO_FILE", path(runs.empty() ? "audio.raw" : "audio-more.raw"));
        // no system bus: the machine's own NetworkManager and logind change nothing here
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + path("runtime") + "/no-system-bus");
        // what it went through, on its standard error, should it not play
        env.insert("QT_LOGGING_RULES", "klankor.player.debug=true");
        env.insert("QT_MESSAGE_PATTERN", "%{time process} %{message}");
        if (!onTheBus) env.remove("DBUS_SESSION_BUS_ADDRESS");
        QProcess* klankor = runs.emplace_back(std::make_unique<QProcess>()).get();
        klankor->setProcessEnvironment(env);
        klankor->setProcessChannelMode(QProcess::ForwardedChannels);
        klankor->start(KLANKOR_PROGRAM, {});
        EXPECT_TRUE(klankor->waitForStarted());
        return *klankor;
    }
    bool onTheBus() {
        const QString name = "org.mpris.MediaPlayer2.klankor";
        return WaitFor([&] { return bus().interface()->isServiceRegistered(name).value(); }, 15000);
    }
    static bool ended(QProcess& klankor) {
        return WaitFor([&] { return klankor.state() == QProcess::NotRunning; }, 10000) &&
               klankor.exitStatus() == QProcess::NormalExit;
    }
    // Whether a window of that name is shown, waiting that long for one. A
    // search that meets a window going away fails (BadWindow) and is made again.
    static bool shown(const QString& name, int milliseconds = 15000) {
        const QDeadlineTimer deadline(milliseconds);
        while (!deadline.hasExpired()) {
            QProcess search;
            search.start("xdotool",
                         {"search", "--sync", "--onlyvisible", "--name", "^" + name + "$"});
            if (!search.waitForFinished(int(deadline.remainingTime()))) {
                search.kill();
                search.waitForFinished();
                return false;
            }
            if (!search.readAllStandardOutput().trimmed().isEmpty()) return true;
        }
        return false;
    }
    // The centre of a main window's control, from the window's design data.
    static QPoint centreOf(const char* control) {
        const platform::TwipsRect at =
            platform::DesignPlace(KLANKOR_SOURCE_DIR "/resources/design/Hoofd.ini", control);
        return QPoint(int((at.left + at.width / 2) / 15), int((at.top + at.height / 2) / 15));
    }

    QTemporaryDir home;
    QProcess daemon;
    QString address;
    std::vector<std::unique_ptr<QProcess>> runs;
};

const QString kRoot = "org.mpris.MediaPlayer2", kPlayer = kRoot + ".Player";
const QString kProperties = "org.freedesktop.DBus.Properties";

class Changes : public QObject {
    Q_OBJECT
public slots:
    void changed(const QString&, const QVariantMap& changed, const QStringList&) {
        seen.insert(changed);
    }

public:
    QVariantMap seen;
};

class Mpris : public RunningKlankor {
protected:
    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& args = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            "org.mpris.MediaPlayer2.klankor", "/org/mpris/MediaPlayer2", interface, method);
        message.setArguments(args);
        return bus().call(message);
    }
    QString set(const QString& name, const QVariant& value) {
        return call(kProperties, "Set", {kPlayer, name, QVariant::fromValue(QDBusVariant(value))})
            .errorName();
    }
    QVariantMap all(const QString& interface) {
        return qdbus_cast<QVariantMap>(
            call(kProperties, "GetAll", {interface}).arguments().value(0));
    }
    QVariantMap metadata() { return qdbus_cast<QVariantMap>(all(kPlayer).value("Metadata")); }
    QString track() { return metadata().value("mpris:trackid").value<QDBusObjectPath>().path(); }
    double volume() { return all(kPlayer).value("Volume").toDouble(); }
};

TEST_F(Mpris, AnswersAsAnMprisPlayerAndRefusesBadInput) {
    QProcess& klankor = start();
    ASSERT_TRUE(onTheBus());
    const QVariantMap root = all(kRoot);
    EXPECT_EQ(root.value("Identity"), "Klankor");
    EXPECT_EQ(root.value("DesktopEntry"), "klankor");
    EXPECT_TRUE(root.value("CanRaise").toBool() && root.value("CanQuit").toBool());
    EXPECT_FALSE(root.value("HasTrackList").toBool() || root.value("Fullscreen").toBool());
    EXPECT_EQ(all(kPlayer).value("PlaybackStatus"), "Stopped");
    EXPECT_EQ(track(), "");
    Changes changes;
    ASSERT_TRUE(bus().connect("", "/org/mpris/MediaPlayer2", kProperties, "PropertiesChanged",
                              &changes, SLOT(changed(QString, QVariantMap, QStringList))));

    // from no station Previous wraps to the last one, and Next from there to the first
    call(kPlayer, "Previous");
    EXPECT_EQ(track(), "/nl/klankor/station/32");
    call(kPlayer, "Next");
    EXPECT_EQ(track(), "/nl/klankor/station/1");
    EXPECT_EQ(metadata().value("xesam:album"), kStationNames[0]);
    const QString logo = QUrl(metadata().value("mpris:artUrl").toString()).toLocalFile();
    EXPECT_EQ(logo, path("cache") + "/klankor/logos/01.png");
    EXPECT_FALSE(QImage(logo, "PNG").isNull());
    for (const char* folder : {"/klankor", "/klankor/logos"})  // rwx for the owner only
        EXPECT_EQ(QFileInfo(path("cache") + folder).permissions() & 0x7077, 0x7000) << folder;
    EXPECT_TRUE(WaitFor([&] { return changes.seen.contains("Metadata"); }));

    // the volume goes to the slider and the store, out-of-range values to the nearest end
    EXPECT_EQ(set("Volume", 0.25), "");
    EXPECT_EQ(volume(), 0.25);
    EXPECT_TRUE(WaitFor([&] { return changes.seen.value("Volume") == 0.25; }));
    EXPECT_EQ(RegEdit::ReadRegValue(RegPaths::Volume), "25");
    set("Volume", -1.0);
    EXPECT_EQ(volume(), 0.0);
    set("Volume", 7.0);
    EXPECT_EQ(volume(), 1.0);

    // refused with an error, changing nothing
    EXPECT_EQ(set("Volume", std::nan("")), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(set("Volume", "loud"), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(set("PlaybackStatus", "Playing"), "org.freedesktop.DBus.Error.PropertyReadOnly");
    EXPECT_EQ(call(kProperties, "Get", {kPlayer, "Lyrics"}).errorName(),
              "org.freedesktop.DBus.Error.UnknownProperty");
    EXPECT_EQ(call(kPlayer, "OpenUri", {"http://example.org/x.mp3"}).errorName(),
              "org.freedesktop.DBus.Error.NotSupported");
    EXPECT_EQ(call(kPlayer, "Next", {42}).errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(call(kPlayer, "Rewind").errorName(), "org.freedesktop.DBus.Error.UnknownMethod");
    const QVariant unknown = QVariant::fromValue(QDBusObjectPath("/nl/klankor/station/99"));
    EXPECT_EQ(call(kPlayer, "SetPosition", {unknown, qlonglong(5)}).errorName(), "");
    EXPECT_EQ(track(), "/nl/klankor/station/1");
    EXPECT_EQ(volume(), 1.0);

    // the slider moved by hand changes the volume on the bus
    const std::optional<QRect> main = desktop::ActiveWindowNamed("Klankor");
    ASSERT_TRUE(main) << "no main window";
    desktop::ClickAt(main->topLeft() + centreOf("Label2"));  // "Controls"
    const std::optional<QRect> controls = desktop::ActiveWindowNamed("Controls");
    ASSERT_TRUE(controls) << "no sound controls";
    desktop::ClickAt(controls->topLeft() +
                     QPoint(120 / 15 + 2, 345 / 15));  // the volume rail's left end
    EXPECT_TRUE(WaitFor([&] { return changes.seen.value("Volume").toDouble() < 0.1; }));

    // Quit ends the program as "Afsluiten" does
    EXPECT_EQ(call(kRoot, "Quit").errorName(), "");
    ASSERT_TRUE(ended(klankor));
    EXPECT_EQ(klankor.exitCode(), 0);
    EXPECT_EQ(RegEdit::ReadRegValue(RegPaths::Zender), "1");
}

// A second start shows the first one's main window, back from the tray, and
// goes without touching the store or the sound. A killed run holds nothing.
class OneKlankor : public RunningKlankor, public ::testing::WithParamInterface<bool> {};

TEST_P(OneKlankor, ASecondStartShowsTheFirstAndGoes) {
    RegEdit::WriteRegDword(RegPaths::Minsys, 1);
    QProcess& first = start(GetParam());
    // active and in its place: a click before then can go astray
    const std::optional<QRect> main = desktop::ActiveWindowNamed("Klankor");
    ASSERT_TRUE(main) << "no main window";
    desktop::ClickAt(main->topLeft() + centreOf("lblControls(0)"));  // "_": to the tray
    ASSERT_TRUE(WaitFor([] { return !shown("Klankor", 100); }));
    QFile store(path("config") + "/klankor/klankor.reg");
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    const QByteArray stored = store.readAll();

    QProcess& second = start(GetParam());
    ASSERT_TRUE(ended(second));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(shown("Klankor")) << "the first one's window stays away";
    EXPECT_EQ(first.state(), QProcess::Running);
    store.seek(0);
    EXPECT_EQ(store.readAll(), stored);
    EXPECT_FALSE(QFileInfo::exists(path("audio-more.raw")));

    first.kill();
    first.waitForFinished();
    QProcess& third = start(GetParam());
    EXPECT_TRUE(shown("Klankor")) << "a killed run still holds the session";
    EXPECT_EQ(third.state(), QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(BusAndSocket, OneKlankor, ::testing::Values(true, false));

QString playerctl(const QStringList& args) {
    QProcess process;
    process.start("playerctl", QStringList{"--player=klankor"} + args);
    EXPECT_TRUE(process.waitForFinished()) << "playerctl is missing";
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// playerctl drives the program playing the local radio network.
TEST_F(Mpris, PlayerctlPlaysStopsSwitchesAndSetsTheVolume) {
    start();
    ASSERT_TRUE(onTheBus());
    EXPECT_EQ(playerctl({"status"}), "Stopped");
    const std::pair<const char*, const char*> steps[] = {
        {"next", "Playing"},      {"stop", "Stopped"},     {"play", "Playing"},
        {"pause", "Stopped"},     {"previous", "Playing"}, {"play-pause", "Stopped"},
        {"play-pause", "Playing"}};
    for (const auto& [command, status] : steps) {
        playerctl({command});
        EXPECT_TRUE(WaitFor([&] { return playerctl({"status"}) == status; }, 20000)) << command;
    }
    EXPECT_EQ(playerctl({"metadata", "mpris:trackid"}), "'/nl/klankor/station/32'");
    EXPECT_EQ(playerctl({"metadata", "xesam:album"}), kStationNames[31]);
    const qint64 heard = QFileInfo(path("audio.raw")).size();
    EXPECT_TRUE(WaitFor([&] { return QFileInfo(path("audio.raw")).size() > heard; })) << "no sound";
    playerctl({"volume", "0.4"});
    EXPECT_EQ(playerctl({"volume"}), "0.400000");
    EXPECT_EQ(RegEdit::ReadRegValue(RegPaths::Volume), "40");
}

}  // namespace

#include "session_test.moc"

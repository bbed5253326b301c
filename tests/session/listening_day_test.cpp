// A listener's day with the real program and the local radio network: the
// network goes away for longer than any retry would last, the machine
// sleeps and wakes, a station reconnects while a panel watches. The
// desktop's NetworkManager and logind are python3-dbusmock's, on a system
// bus of the test's own; the station's server is stopped to cut the sound.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "player/StationNames.h"
#include "settings/RegEdit.h"
#include "settings/RegPaths.h"
#include "support/Desktop.h"

namespace {

using desktop::WaitFor;

// Served by the network's own servers (a SHOUTcast server with titles),
// which the test stops and starts without touching the others.
constexpr short kStation = 31;
constexpr int kNetworkOff = 20, kNetworkOn = 70;  // NetworkManager's global states

class ListeningDay : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        for (const char* folder : {"config", "cache", "runtime"})
            ASSERT_TRUE(QDir(home.path())
                            .mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
        RegEdit::WriteRegDword(RegPaths::Zender, kStation);
        RegEdit::WriteRegDword(RegPaths::Autostream, 1);
        sessionBus = startBus(sessionDaemon);
        systemBus = startBus(systemDaemon);
        ASSERT_FALSE(sessionBus.isEmpty() || systemBus.isEmpty()) << "no dbus-daemon";
    }
    void TearDown() override {
        if (klankor) {
            klankor->kill();
            klankor->waitForFinished();
        }
        for (QProcess* process : {&logind, &networkManager, &sessionDaemon, &systemDaemon}) {
            process->kill();
            process->waitForFinished();
        }
        if (cut) bringTheStationBack();
    }

    QString path(const char* name) const { return home.filePath(name); }
    static QString startBus(QProcess& daemon) {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForReadyRead(10000)) return {};
        return QString::fromLatin1(daemon.readLine().trimmed());
    }
    QDBusConnection bus(const QString& address) {
        return QDBusConnection::connectToBus(address, "test " + address);
    }

    // One of python3-dbusmock's system services, once its name is on the bus.
    void serve(QProcess& mock, const char* templateName, const char* name) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", systemBus);
        mock.setProcessEnvironment(env);
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock.start("/usr/bin/python3", {"-m", "dbusmock", "--system", "--template", templateName});
        ASSERT_TRUE(WaitFor(
            [&] { return bus(systemBus).interface()->isServiceRegistered(name).value(); }, 15000))
            << "python3-dbusmock's " << templateName << " did not come";
    }
    QDBusMessage callSystem(const char* service, const char* objectPath, const char* interface,
                            const char* method, const QVariantList& args = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, interface, method);
        call.setArguments(args);
        return bus(systemBus).call(call);
    }
    void setNetwork(int state) {
        const QDBusMessage answer =
            callSystem("org.freedesktop.NetworkManager", "/org/freedesktop",
                       "org.freedesktop.DBus.Mock", "SetGlobalConnectionState", {uint(state)});
        EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    }
    void prepareForSleep(bool start) {
        const QDBusMessage answer = callSystem(
            "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
            "EmitSignal",
            {"org.freedesktop.login1.Manager", "PrepareForSleep", "b", QVariantList{start}});
        EXPECT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    }
    // Who holds logind's locks, as "what who mode" each.
    QStringList inhibitors() {
        const QDBusMessage answer = callSystem("org.freedesktop.login1", "/org/freedesktop/login1",
                                               "org.freedesktop.login1.Manager", "ListInhibitors");
        QStringList held;
        const QDBusArgument list = answer.arguments().value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            held << what + ' ' + who + ' ' + mode;
        }
        list.endArray();
        return held;
    }

    // Cuts the station's sound at its server, and brings it back.
    void radionet(const QStringList& args) {
        QProcess script;
        script.setProcessChannelMode(QProcess::ForwardedChannels);
        script.start(KLANKOR_SOURCE_DIR "/scripts/radionet", args);
        ASSERT_TRUE(script.waitForFinished(60000) && script.exitCode() == 0)
            << "scripts/radionet " << args.join(' ').toStdString();
    }
    void cutTheStation() {
        cut = true;
        radionet({"stop", "servers"});
    }
    void bringTheStationBack() {
        radionet({"start"});
        cut = false;
    }

    // Klankor as a user starts it, resuming the stored station.
    void start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_CACHE_HOME", path("cache"));
        env.insert("XDG_RUNTIME_DIR", path("runtime"));
        env.insert("KLANKOR_AUDIO_FILE", path("audio.raw"));
        env.insert("DBUS_SESSION_BUS_ADDRESS", sessionBus);
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", systemBus);
        env.insert("QT_LOGGING_RULES", "klankor.player.debug=true");
        env.insert("QT_MESSAGE_PATTERN", "%{time process} %{message}");
        klankor = std::make_unique<QProcess>();
        klankor->setProcessEnvironment(env);
        // Its log is read for the statuses, and passed on for a failure's sake.
        QObject::connect(klankor.get(), &QProcess::readyReadStandardError, [this] {
            const QByteArray said = klankor->readAllStandardError();
            std::fwrite(said.constData(), 1, size_t(said.size()), stderr);
            log += QString::fromUtf8(said);
        });
        klankor->start(KLANKOR_PROGRAM, {});
        ASSERT_TRUE(klankor->waitForStarted());
    }
    // What the status line has shown, in order, from the player's log.
    QStringList statuses() const {
        static const QRegularExpression line(QStringLiteral("status: \"(.*)\"\n"));
        QStringList seen;
        for (auto it = line.globalMatch(log); it.hasNext();) seen << it.next().captured(1);
        return seen;
    }
    QString status() const { return statuses().value(statuses().size() - 1); }
    std::string history() const { return statuses().join(" | ").toStdString(); }
    qint64 heard() const { return QFileInfo(path("audio.raw")).size(); }
    // Half a second of sound more than there was.
    bool soundComes(int milliseconds = 30000) {
        const qint64 before = heard();
        return WaitFor([&] { return heard() > before + 44100 * 4 / 2; }, milliseconds);
    }
    // No more sound for a whole second.
    bool soundStops() {
        qint64 last = heard();
        QElapsedTimer still;
        still.start();
        return WaitFor(
            [&] {
                if (heard() != std::exchange(last, heard())) still.restart();
                return still.elapsed() > 1000;
            },
            10000);
    }
    // The addresses the player has opened so far.
    int attempts() const {
        static const QRegularExpression opened(QStringLiteral("(trying|playing) \""));
        int n = 0;
        for (auto it = opened.globalMatch(log); it.hasNext(); it.next()) ++n;
        return n;
    }

    QVariant mpris(const char* property) {
        QDBusMessage get = QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.klankor",
                                                          "/org/mpris/MediaPlayer2",
                                                          "org.freedesktop.DBus.Properties", "Get");
        get << QString("org.mpris.MediaPlayer2.Player") << QString(property);
        return bus(sessionBus).call(get).arguments().value(0).value<QDBusVariant>().variant();
    }
    QString playbackStatus() { return mpris("PlaybackStatus").toString(); }
    QString title() {
        return qdbus_cast<QVariantMap>(mpris("Metadata")).value("xesam:title").toString();
    }
    void playerCall(const char* method) {
        bus(sessionBus)
            .call(QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.klankor",
                                                 "/org/mpris/MediaPlayer2",
                                                 "org.mpris.MediaPlayer2.Player", method));
    }

    QTemporaryDir home;
    QProcess sessionDaemon, systemDaemon, networkManager, logind;
    QString sessionBus, systemBus;
    std::unique_ptr<QProcess> klankor;
    QString log;
    bool cut = false;
};

// The network goes for longer than the retries would last; the station
// waits for it, asking nobody meanwhile, and plays as soon as it is back.
TEST_F(ListeningDay, AnOutageIsWaitedOutAndTheStationComesBack) {
    serve(networkManager, "networkmanager", "org.freedesktop.NetworkManager");
    start();
    ASSERT_TRUE(soundComes()) << history();

    // The sound goes first; the desktop notices a moment later.
    cutTheStation();
    ASSERT_TRUE(WaitFor([&] { return status().contains("(retry"); }, 20000)) << history();
    setNetwork(kNetworkOff);
    ASSERT_TRUE(WaitFor([&] { return status() == "Waiting for network"; })) << history();
    const int asked = attempts();
    // Longer than the retries ever lasted (six, some 50 s): nothing is asked
    // and nothing else is shown meanwhile.
    EXPECT_FALSE(
        WaitFor([&] { return status() != "Waiting for network" || attempts() != asked; }, 95000))
        << history();

    bringTheStationBack();
    QElapsedTimer back;
    back.start();
    setNetwork(kNetworkOn);
    ASSERT_TRUE(soundComes()) << history();
    std::printf("network back to sound: %lld ms\n", back.elapsed());
    EXPECT_TRUE(WaitFor([&] { return status() == "Playing"; })) << history();
    EXPECT_FALSE(history().find("Gave up") != std::string::npos) << history();
}

// The station stops before the machine sleeps, with the lock given back,
// and plays again after it wakes; one the listener stopped stays stopped.
TEST_F(ListeningDay, ASleepStopsTheStationAndTheWakeBringsItBack) {
    serve(logind, "logind", "org.freedesktop.login1");
    start();
    ASSERT_TRUE(soundComes()) << history();
    ASSERT_TRUE(WaitFor([&] { return inhibitors() == QStringList{"sleep Klankor delay"}; }))
        << inhibitors().join(", ").toStdString();

    prepareForSleep(true);
    EXPECT_TRUE(WaitFor([&] { return inhibitors().isEmpty(); })) << "the lock is still held";
    EXPECT_TRUE(WaitFor([&] { return status() == "Waiting for network"; })) << history();
    const int shown = int(statuses().size());
    EXPECT_TRUE(soundStops()) << "the sound goes on in the sleep";

    prepareForSleep(false);
    ASSERT_TRUE(soundComes()) << history();
    EXPECT_TRUE(WaitFor([&] { return status() == "Playing"; })) << history();
    // Nothing in between says stopped, or anything but waiting.
    for (const QString& s : statuses().mid(shown, statuses().size() - shown - 1))
        EXPECT_EQ(s.toStdString(), "Waiting for network") << history();
    EXPECT_TRUE(WaitFor([&] { return inhibitors() == QStringList{"sleep Klankor delay"}; }));

    playerCall("Stop");
    ASSERT_TRUE(WaitFor([&] { return status() == "Stopped"; })) << history();
    prepareForSleep(true);
    prepareForSleep(false);
    ASSERT_TRUE(WaitFor([&] { return inhibitors().size() == 1; }));
    EXPECT_EQ(status().toStdString(), "Stopped") << history();
}

// While the station reconnects, a panel sees it playing, without the title
// of before, and its play/pause key stops it.
TEST_F(ListeningDay, APanelCanStopAStationThatReconnects) {
    start();  // no NetworkManager on this bus: the player goes by its retries
    ASSERT_TRUE(soundComes()) << history();
    ASSERT_TRUE(WaitFor([&] { return title() != kStationNames[kStation - 1]; }, 20000))
        << "no title from the station";

    cutTheStation();
    ASSERT_TRUE(WaitFor([&] { return status().contains("(retry"); }, 20000)) << history();
    EXPECT_EQ(playbackStatus().toStdString(), "Playing");
    EXPECT_EQ(title().toStdString(), kStationNames[kStation - 1]) << "the old title stays";

    playerCall("PlayPause");
    EXPECT_TRUE(WaitFor([&] { return playbackStatus() == "Stopped" && status() == "Stopped"; }))
        << history();
}

}  // namespace

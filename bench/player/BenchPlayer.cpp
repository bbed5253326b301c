// Prints figures for the media player, side by side with its floor and a
// peer, on one live stream of the local radio network:
//   1. CPU time and peak memory while playing for 60 s (KLANKOR_BENCH_SECONDS)
//      next to gst-launch-1.0 playbin and Goodvibes, all three at once;
//   2. time from play to "Playing" next to a bare playbin;
//   3. the longest stall of the Qt event loop while connecting, while the
//      server drops, and while reconnecting, next to an idle loop.
// No figure passes or fails.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gst/gst.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include "media/WindowsMediaPlayer.h"
#include "player/Functies.h"

namespace {

// The same sink for the player and its floor: raw audio into /dev/null at
// the pace of a sound card.
const char kSinkDescription[] =
    "audioconvert ! audioresample ! "
    "capsfilter caps=audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved ! "
    "filesink location=/dev/null append=true sync=true";

void waitMs(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

template <typename F>
bool waitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

bool reachable(const QUrl& url) {
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    bool answered = false;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, [&] { answered = true; });
    waitFor([&] { return answered || reply->isFinished(); }, 5000);
    answered = answered && reply->error() == QNetworkReply::NoError;
    reply->abort();
    reply->deleteLater();
    return answered;
}

struct Usage {
    double cpuSeconds = -1;
    qint64 peakKiB = -1;
};

Usage usageOf(qint64 pid) {
    Usage u;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (f.size() > 13)
            u.cpuSeconds = (f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                u.peakKiB = line.mid(6).trimmed().split(' ')[0].toLongLong();
    }
    return u;
}

// The process called `name` below `root` (dbus-run-session starts goodvibes).
qint64 findDescendant(qint64 root, const QByteArray& name) {
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        const QByteArray comm =
            line.mid(line.indexOf('(') + 1, line.lastIndexOf(')') - line.indexOf('(') - 1);
        const qint64 parent = line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
        if (comm == name && parent == root) return pid;
        if (parent == root) {
            const qint64 below = findDescendant(pid, name);
            if (below > 0) return below;
        }
    }
    return -1;
}

// Child mode: play for a while and exit, to be measured from outside.
int playFor(const QString& url, int seconds) {
    media::WindowsMediaPlayer player;
    player.SetURL(url);
    QTimer::singleShot(seconds * 1000 + 5000, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

void compareResources(const QString& url, int seconds) {
    std::printf("\n-- playing %s for %d s, side by side (same stream, same moment)\n",
                qPrintable(url), seconds);
    QTemporaryDir config;
    QDir().mkpath(config.filePath(QStringLiteral("glib-2.0/settings")));
    QFile keyfile(config.filePath(QStringLiteral("glib-2.0/settings/keyfile")));
    if (keyfile.open(QIODevice::WriteOnly))
        keyfile.write(
            "[io/gitlab/Goodvibes/Core]\nautoplay=true\npipeline-enabled=true\n"
            "pipeline-string='filesink location=/dev/null sync=true'\n");
    keyfile.close();

    QProcess klankor, floor, peer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KLANKOR_AUDIO_FILE"), QStringLiteral("/dev/null"));
    klankor.setProcessEnvironment(env);
    klankor.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--play"), url, QString::number(seconds)});
    floor.start(QStringLiteral("gst-launch-1.0"),
                {QStringLiteral("-q"), QStringLiteral("playbin"), QStringLiteral("uri=") + url,
                 QStringLiteral("flags=0x12"),
                 QStringLiteral("audio-sink=") + QLatin1String(kSinkDescription)});
    const bool haveGoodvibes = !qEnvironmentVariableIsEmpty("DISPLAY") &&
                               QFile::exists(QStringLiteral("/usr/bin/goodvibes"));
    if (haveGoodvibes) {
        QProcessEnvironment genv = QProcessEnvironment::systemEnvironment();
        genv.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        genv.insert(QStringLiteral("XDG_DATA_HOME"), config.filePath(QStringLiteral("data")));
        genv.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        genv.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
        peer.setProcessEnvironment(genv);
        peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer.start(
            QStringLiteral("dbus-run-session"),
            {QStringLiteral("--"), QStringLiteral("goodvibes"), QStringLiteral("--without-ui"),
             QStringLiteral("-l"), QStringLiteral("error"), url});
    }
    waitMs(seconds * 1000);
    const Usage k = usageOf(klankor.processId());
    const Usage f = usageOf(floor.processId());
    const qint64 gvPid = haveGoodvibes ? findDescendant(peer.processId(), "goodvibes") : -1;
    const Usage g = gvPid > 0 ? usageOf(gvPid) : Usage{};
    if (gvPid > 0) {
        // dbus-run-session would leave it running; once it ends, the session
        // bus goes with dbus-run-session.
        ::kill(pid_t(gvPid), SIGTERM);
        peer.waitForFinished(3000);
    }
    for (QProcess* p : {&klankor, &floor, &peer}) {
        if (p->state() == QProcess::NotRunning) continue;
        p->terminate();
        if (!p->waitForFinished(3000)) p->kill();
    }
    auto row = [&](const char* name, const Usage& u) {
        if (u.cpuSeconds < 0) {
            std::printf("  %-34s not measured\n", name);
            return;
        }
        std::printf(
            "  %-34s CPU %6.2f s (%5.2f%% of one core), ratio %5.2f | peak RSS %7.1f MiB, ratio "
            "%5.2f\n",
            name, u.cpuSeconds, 100.0 * u.cpuSeconds / seconds,
            f.cpuSeconds > 0 ? u.cpuSeconds / f.cpuSeconds : 0.0, u.peakKiB / 1024.0,
            f.peakKiB > 0 ? double(u.peakKiB) / f.peakKiB : 0.0);
    };
    row("gst-launch-1.0 playbin (baseline)", f);
    row("Klankor WindowsMediaPlayer", k);
    if (haveGoodvibes)
        row("Goodvibes 0.7 (sink: bare filesink)", g);
    else
        std::printf(
            "  Goodvibes                          skipped (needs /usr/bin/goodvibes and "
            "DISPLAY)\n");
}

double floorTimeToPlaying(const QString& url) {
    GError* error = nullptr;
    GstElement* sink = gst_parse_bin_from_description(kSinkDescription, TRUE, &error);
    g_clear_error(&error);
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    g_object_set(playbin, "uri", url.toUtf8().constData(), "flags", 0x12, "audio-sink", sink,
                 nullptr);
    QElapsedTimer clock;
    clock.start();
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(playbin);
    double ms = -1;
    while (clock.elapsed() < 20000) {
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, 100 * GST_MSECOND,
            GstMessageType(GST_MESSAGE_STATE_CHANGED | GST_MESSAGE_ERROR | GST_MESSAGE_BUFFERING));
        if (!m) continue;
        if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_BUFFERING) {
            gint percent = 0;
            gst_message_parse_buffering(m, &percent);
            gst_element_set_state(playbin, percent < 100 ? GST_STATE_PAUSED : GST_STATE_PLAYING);
        } else if (GST_MESSAGE_TYPE(m) == GST_MESSAGE_ERROR) {
            gst_message_unref(m);
            break;
        } else if (GST_MESSAGE_SRC(m) == GST_OBJECT(playbin)) {
            GstState old, now;
            gst_message_parse_state_changed(m, &old, &now, nullptr);
            if (now == GST_STATE_PLAYING) ms = clock.nsecsElapsed() / 1e6;
        }
        gst_message_unref(m);
        if (ms >= 0) break;
    }
    gst_object_unref(bus);
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
    return ms;
}

double playerTimeToPlaying(const QString& url) {
    media::WindowsMediaPlayer::SetDefaultAudioFile(QStringLiteral("/dev/null"));
    media::WindowsMediaPlayer player;
    QElapsedTimer clock;
    clock.start();
    player.SetURL(url);
    if (!waitFor([&] { return player.status().startsWith(QLatin1String("Playing")); }, 20000))
        return -1;
    const double ms = clock.nsecsElapsed() / 1e6;
    player.controls().stop();
    waitMs(300);
    return ms;
}

void compareStartup(const QString& url) {
    std::printf("\n-- time from play to sound (median of 3, alternating)\n");
    std::vector<double> floorMs, playerMs;
    for (int i = 0; i < 3; ++i) {
        floorMs.push_back(floorTimeToPlaying(url));
        playerMs.push_back(playerTimeToPlaying(url));
    }
    std::sort(floorMs.begin(), floorMs.end());
    std::sort(playerMs.begin(), playerMs.end());
    std::printf("  bare playbin to PLAYING (baseline) %8.0f ms\n", floorMs[1]);
    std::printf("  WindowsMediaPlayer to \"Playing\"    %8.0f ms, ratio %.2f\n", playerMs[1],
                floorMs[1] > 0 ? playerMs[1] / floorMs[1] : 0.0);
}

// A TCP relay on its own thread, standing in for a server that can vanish.
class Relay : public QObject {
public:
    Relay(QString host, quint16 port) : host_(std::move(host)), port_(port) {
        connect(&server_, &QTcpServer::newConnection, this, &Relay::onConnection);
    }
    quint16 listen(quint16 port = 0) {
        server_.listen(QHostAddress::LocalHost, port);
        return server_.serverPort();
    }
    void drop() {
        server_.close();
        for (QTcpSocket* s : findChildren<QTcpSocket*>()) s->abort();
    }

private:
    void onConnection() {
        while (QTcpSocket* in = server_.nextPendingConnection()) {
            in->setParent(this);
            auto* out = new QTcpSocket(this);
            out->connectToHost(host_, port_);
            connect(in, &QTcpSocket::readyRead, out, [in, out] { out->write(in->readAll()); });
            connect(out, &QTcpSocket::connected, in, [in, out] { out->write(in->readAll()); });
            connect(out, &QTcpSocket::readyRead, in, [in, out] { in->write(out->readAll()); });
            connect(in, &QTcpSocket::disconnected, out, &QTcpSocket::abort);
            connect(out, &QTcpSocket::disconnected, in, &QTcpSocket::abort);
            connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
            connect(out, &QTcpSocket::disconnected, out, &QObject::deleteLater);
        }
    }
    QTcpServer server_{this};  // a child, so it moves to the relay's thread
    QString host_;
    quint16 port_;
};

void compareStalls(const QUrl& station) {
    std::printf("\n-- longest stall of the Qt event loop (2 ms ticker on the GUI thread)\n");
    QThread relayThread;
    Relay relay(station.host(), quint16(station.port(80)));
    relay.moveToThread(&relayThread);
    relayThread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        &relay, [&] { return relay.listen(); }, Qt::BlockingQueuedConnection, &port);
    QUrl relayed = station;
    relayed.setHost(QStringLiteral("127.0.0.1"));
    relayed.setPort(port);

    qint64 worst = 0;
    QElapsedTimer gap;
    gap.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worst = std::max(worst, gap.nsecsElapsed());
        gap.restart();
    });
    ticker.start(2);
    auto phase = [&](const char* what, auto&& run) {
        waitMs(50);
        gap.restart();
        worst = 0;
        run();
        std::printf("  %-40s %7.2f ms\n", what, worst / 1e6);
        return worst / 1e6;
    };

    const double idle = phase("idle loop, 3 s (baseline)", [] { waitMs(3000); });
    media::WindowsMediaPlayer::SetDefaultAudioFile(QStringLiteral("/dev/null"));
    media::WindowsMediaPlayer player;
    auto playing = [&] { return player.status().startsWith(QLatin1String("Playing")); };
    const double connecting = phase("connect until \"Playing\"", [&] {
        player.SetURL(relayed.toString());
        waitFor(playing, 20000);
        waitMs(1000);
    });
    const double dropping = phase("server drops, retries for 4 s", [&] {
        QMetaObject::invokeMethod(&relay, [&] { relay.drop(); });
        waitMs(4000);
    });
    const double back = phase("server back, until \"Playing\"", [&] {
        QMetaObject::invokeMethod(&relay, [&] { relay.listen(port); });
        waitFor(playing, 30000);
        waitMs(500);
    });
    std::printf("  ratios to idle: connect %.1f, drop %.1f, reconnect %.1f; final status \"%s\"\n",
                connecting / idle, dropping / idle, back / idle, qPrintable(player.status()));
    player.controls().stop();
    QMetaObject::invokeMethod(
        &relay, [&] { relay.drop(); }, Qt::BlockingQueuedConnection);
    relayThread.quit();
    relayThread.wait();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    gst_init(&argc, &argv);
    media::WindowsMediaPlayer::SetDefaultAudioFile(qEnvironmentVariable("KLANKOR_AUDIO_FILE"));
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--play"))
        return playFor(args[2], args[3].toInt());

    QString url = qEnvironmentVariable("KLANKOR_BENCH_URL");
    // station 3's live MP3 mount, reached over http as the player reaches it
    if (url.isEmpty())
        url = media::PlaylistResolver::playableUrl(QUrl(Functies::StationUrl(3))).toString();
    const int seconds = qEnvironmentVariableIntValue("KLANKOR_BENCH_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("KLANKOR_BENCH_SECONDS")
                            : 60;

    bool startedNetwork = false;
    if (!reachable(QUrl(url))) {
        std::printf("%s does not answer; starting scripts/radionet\n", qPrintable(url));
        startedNetwork = QProcess::execute(QStringLiteral(KLANKOR_SOURCE_DIR "/scripts/radionet"),
                                           {QStringLiteral("start")}) == 0;
        if (!startedNetwork || !reachable(QUrl(url))) {
            std::printf("no stream at %s: nothing measured\n", qPrintable(url));
            return 0;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // KLANKOR_BENCH_PARTS picks parts: r(esources), s(tart-up), l(oop stalls).
    const QString parts = qEnvironmentVariable("KLANKOR_BENCH_PARTS", QStringLiteral("rsl"));
    if (parts.contains(QLatin1Char('r'))) compareResources(url, seconds);
    if (parts.contains(QLatin1Char('s'))) compareStartup(url);
    if (parts.contains(QLatin1Char('l'))) compareStalls(QUrl(url));
    if (startedNetwork)
        QProcess::execute(QStringLiteral(KLANKOR_SOURCE_DIR "/scripts/radionet"),
                          {QStringLiteral("stop")});
    return 0;
}

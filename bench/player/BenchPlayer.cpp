// Prints figures for the media player next to GStreamer's own floor,
// gst-launch-1.0 playbin, on streams of the local radio network:
//   c. click to the first sound at the sink, for a direct stream, an ASX
//      station and an mms station, from a server that bursts at connect
//      (icecast) and from one that does not; the floor is gst-launch's
//      launch to first sound on the stream itself (for the ASX station,
//      on the stream its playlist names);
//   j. the same player behind a relay that holds the stream back at random
//      moments: how soon sound starts against how often it stops, for
//      several start-up buffers (optional: it takes long);
//   l. the longest stall of the Qt event loop while connecting, while the
//      server drops, and while reconnecting, next to an idle loop; and, in a
//      fresh process each, a click the moment GStreamer's plugin preload
//      begins (half a second after the player is made, where nothing paints).
// Each run is a fresh process, as a user's click is; the compared runs take
// turns, and medians are printed. No figure passes or fails.
//
//   KLANKOR_BENCH_PARTS  parts to run (default "cl")
//   KLANKOR_BENCH_ROUNDS runs of each case (default 5)
//   KLANKOR_BENCH_COLD   1: part l drops the page cache before each fresh
//                        process (needs root)
//   KLANKOR_BENCH_BEFORE another build of bench_player, whose player runs in
//                        turn with this one's in part c (before and after)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

#include "SinkWatch.h"
#include "media/PlaylistResolver.h"
#include "media/Playlists.h"
#include "media/WindowsMediaPlayer.h"
#include "player/Functies.h"

namespace {

// The chain the player writes KLANKOR_AUDIO_FILE with, for the floor.
QString sinkDescription(const QString& file) {
    return QStringLiteral(
               "audioconvert ! audioresample ! "
               "capsfilter caps=audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved "
               "! filesink append=true sync=true buffer-mode=unbuffered location=") +
           file;
}

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

QByteArray fetch(const QUrl& url) {
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    waitFor([&] { return reply->isFinished(); }, 5000);
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : "";
    reply->deleteLater();
    return body;
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

double median(std::vector<double> v) {
    v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Child: a player made at start, as the main window makes it; a second
// later (a listener choosing) the click, whose moment it prints.
int clickChild(const QString& url, const QString& file, int cushionMs, int seconds) {
    if (cushionMs >= 0) media::WindowsMediaPlayer::SetDefaultStartBuffer(cushionMs);
    media::WindowsMediaPlayer player;
    player.SetAudioFile(file);
    waitMs(1000);
    std::printf("click %lld\n", bench::MonotonicNs());
    std::fflush(stdout);
    player.SetURL(url);
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

struct Heard {
    double firstMs = -1;  // from click (or launch) to the first write
    bench::Stalls stalls;
};

// The first sound at the sink after `since`, then, given `listenMs`, the
// stalls while listening on.
Heard hear(bench::SinkWatch& watch, long long since, int listenMs) {
    Heard heard;
    const long long first = watch.WaitForFirst(25000);
    if (since <= 0 || first <= 0) return heard;
    heard.firstMs = (first - since) / 1e6;
    if (listenMs > 0) {
        QThread::msleep(listenMs);
        heard.stalls = bench::StallsIn(watch.Writes(), bench::MonotonicNs());
    }
    return heard;
}

// Child: a click as the plugin preload begins; prints the longest stall of
// the event loop from the click to "Playing".
int preloadChild(const QString& url) {
    media::WindowsMediaPlayer player;
    player.SetAudioFile(QStringLiteral("/dev/null"));
    qint64 worst = -1;
    QElapsedTimer gap;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (worst >= 0) worst = std::max(worst, gap.nsecsElapsed());
        gap.restart();
    });
    ticker.start(2);
    // The player asks for the preload at 500 ms, on a timer made before this one.
    QTimer::singleShot(501, [&] {
        gap.restart();
        worst = 0;
        player.SetURL(url);
    });
    const bool played = waitFor([&] { return player.state() == media::State::Playing; }, 20000);
    std::printf("stall %lld\n", played ? worst : -1);
    return 0;
}

// Runs the player in a child and watches its sink for `listenMs` after the
// first sound (0: only the first sound).
Heard runPlayer(const QString& url, int cushionMs = -1, int listenMs = 0,
                QString binary = QString()) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sound.raw"));
    bench::SinkWatch watch(file);
    QProcess child;
    if (binary.isEmpty()) binary = QCoreApplication::applicationFilePath();
    child.start(binary, {QStringLiteral("--click"), url, file, QString::number(cushionMs),
                         QString::number(30 + listenMs / 1000)});
    Heard heard;
    if (!child.waitForReadyRead(10000)) return heard;
    const QByteArray line = child.readLine().trimmed();
    const long long click = line.startsWith("click ") ? line.mid(6).toLongLong() : -1;
    heard = hear(watch, click, listenMs);
    child.kill();
    child.waitForFinished(3000);
    return heard;
}

Heard runFloor(const QString& url, int listenMs = 0) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sound.raw"));
    bench::SinkWatch watch(file);
    QProcess floor;
    const long long launch = bench::MonotonicNs();
    floor.start(
        QStringLiteral("gst-launch-1.0"),
        {QStringLiteral("-q"), QStringLiteral("playbin"), QStringLiteral("uri=") + url,
         QStringLiteral("flags=0x12"), QStringLiteral("audio-sink=") + sinkDescription(file)});
    const Heard heard = hear(watch, launch, listenMs);
    floor.kill();
    floor.waitForFinished(3000);
    return heard;
}

// Answers every request with one fixed playlist, on its own thread.
class PlaylistServer : public QObject {
public:
    explicit PlaylistServer(QByteArray body) : body_(std::move(body)) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->readAll().contains("\r\n\r\n")) return;
                    s->write("HTTP/1.0 200 OK\r\nContent-Type: video/x-ms-asf\r\nContent-Length: " +
                             QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    quint16 listen() {
        server_.listen(QHostAddress::LocalHost);
        return server_.serverPort();
    }

private:
    QTcpServer server_{this};
    QByteArray body_;
};

// The stream an ASX station's playlist names, as the floor plays it.
QString namedStream(const QString& station) {
    const QUrl base(station);
    const QStringList entries =
        media::playlists::parseAsx(media::playlists::decodeText(fetch(base)));
    return entries.isEmpty() ? QString() : base.resolved(QUrl(entries.first())).toString();
}

QString overHttp(const QString& address) {
    return media::PlaylistResolver::playableUrl(QUrl(address)).toString();
}

// How long each run listens on after the first sound, for stops.
constexpr int kListenMs = 4000;

void compareClicks(int rounds) {
    std::printf(
        "\n-- click to the first sound at the sink, against gst-launch's launch to first sound\n"
        "   (ms, median of %d fresh processes each, taking turns)\n",
        rounds);
    const QString burstMount = overHttp(Functies::StationUrl(3));
    const QString quiet = overHttp(Functies::StationUrl(5));
    QThread serverThread;
    PlaylistServer asx("<asx version=\"3.0\"><entry><ref href=\"" + quiet.toUtf8() +
                       "\"/></entry></asx>");
    asx.moveToThread(&serverThread);
    serverThread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        &asx, [&] { return asx.listen(); }, Qt::BlockingQueuedConnection, &port);

    QString quietMms = quiet;
    quietMms.replace(0, 4, QStringLiteral("mms"));
    struct Case {
        const char* what;
        QString player, floor;
    };
    const std::vector<Case> cases = {
        {"burst: direct (station 3's mount)", burstMount, burstMount},
        {"burst: ASX (station 25)", Functies::StationUrl(25),
         namedStream(Functies::StationUrl(25))},
        {"burst: mms (station 3)", Functies::StationUrl(3), burstMount},
        {"no burst: direct (station 5)", quiet, quiet},
        {"no burst: ASX naming station 5", QStringLiteral("http://127.0.0.1:%1/5.asx").arg(port),
         quiet},
        {"no burst: mms (station 5 as mms:)", quietMms, quiet},
        {"burst: Ogg Opus (station 13)", Functies::StationUrl(13), Functies::StationUrl(13)},
    };
    const QString before = qEnvironmentVariable("KLANKOR_BENCH_BEFORE");
    std::printf("  %-40s %8s %8s %8s %7s %6s %7s  %s\n", "", "before", "Klankor", "floor", "extra",
                "ratio", "stops", "spread Klankor | floor");
    for (const Case& c : cases) {
        std::vector<double> old, mine, floor;
        int myStops = 0, floorStops = 0;
        for (int i = 0; i < rounds; ++i) {
            if (!before.isEmpty()) old.push_back(runPlayer(c.player, -1, 0, before).firstMs);
            const Heard m = runPlayer(c.player, -1, kListenMs);
            const Heard f = runFloor(c.floor, kListenMs);
            mine.push_back(m.firstMs);
            floor.push_back(f.firstMs);
            myStops += m.stalls.count;
            floorStops += f.stalls.count;
        }
        const double m = median(mine), f = median(floor);
        std::printf("  %-40s %8.0f %8.0f %8.0f %+7.0f %6.2f %3d|%-3d  %.0f..%.0f | %.0f..%.0f\n",
                    c.what, old.empty() ? -1.0 : median(old), m, f, m - f, f > 0 ? m / f : 0.0,
                    myStops, floorStops, *std::min_element(mine.begin(), mine.end()),
                    *std::max_element(mine.begin(), mine.end()),
                    *std::min_element(floor.begin(), floor.end()),
                    *std::max_element(floor.begin(), floor.end()));
    }
    std::printf(
        "  (stops: gaps over 150 ms in the sound within %d s of its start, all runs together)\n",
        kListenMs / 1000);
    serverThread.quit();
    serverThread.wait();
}

// A TCP relay on its own thread, standing in for a server that can vanish,
// or with holds for a congested path that holds the stream back at random
// moments: every 100 ms a hold of 0.2 to 1.5 s starts with a chance of one
// in twelve, and what comes meanwhile is passed on at the hold's end. Each
// connection draws from the same seed, so every player meets the same holds.
class Relay : public QObject {
public:
    Relay(QString host, quint16 port, bool holds = false)
        : host_(std::move(host)), port_(port), holds_(holds) {
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
    quint32 seed = 1;

private:
    void onConnection() {
        while (QTcpSocket* in = server_.nextPendingConnection()) {
            in->setParent(this);
            auto* out = new QTcpSocket(this);
            out->connectToHost(host_, port_);
            connect(in, &QTcpSocket::readyRead, out, [in, out] { out->write(in->readAll()); });
            connect(out, &QTcpSocket::connected, in, [in, out] { out->write(in->readAll()); });
            if (holds_)
                holdBack(in, out);
            else
                connect(out, &QTcpSocket::readyRead, in, [in, out] { in->write(out->readAll()); });
            connect(in, &QTcpSocket::disconnected, out, &QTcpSocket::abort);
            connect(out, &QTcpSocket::disconnected, in, &QTcpSocket::abort);
            connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
            connect(out, &QTcpSocket::disconnected, out, &QObject::deleteLater);
        }
    }
    void holdBack(QTcpSocket* in, QTcpSocket* out) {
        auto* tick = new QTimer(in);
        auto random = std::make_shared<QRandomGenerator>(seed);
        auto heldUntil = std::make_shared<QElapsedTimer>();
        auto holdMs = std::make_shared<qint64>(0);
        auto pending = std::make_shared<QByteArray>();
        heldUntil->start();
        connect(out, &QTcpSocket::readyRead, in, [=] {
            pending->append(out->readAll());
            if (heldUntil->elapsed() >= *holdMs) in->write(std::exchange(*pending, {}));
        });
        connect(tick, &QTimer::timeout, in, [=] {
            if (heldUntil->elapsed() < *holdMs) return;
            if (!pending->isEmpty()) in->write(std::exchange(*pending, {}));
            if (random->bounded(12) == 0) {
                heldUntil->restart();
                *holdMs = 200 + random->bounded(1300);
            }
        });
        tick->start(100);
    }
    QTcpServer server_{this};  // a child, so it moves to the relay's thread
    QString host_;
    quint16 port_;
    bool holds_;
};

// A relay of a station on a thread of its own, and the station's address
// through it. The thread is made before the relay moves to it and ends
// before the relay goes.
struct RelayedStation {
    RelayedStation(const QUrl& station, bool holds)
        : relay(station.host(), quint16(station.port(80)), holds) {
        relay.moveToThread(&thread);
        thread.start();
        quint16 port = 0;
        QMetaObject::invokeMethod(
            &relay, [&] { return relay.listen(); }, Qt::BlockingQueuedConnection, &port);
        url = station;
        url.setHost(QStringLiteral("127.0.0.1"));
        url.setPort(port);
    }
    ~RelayedStation() {
        thread.quit();
        thread.wait();
    }
    RelayedStation(const RelayedStation&) = delete;
    RelayedStation& operator=(const RelayedStation&) = delete;

    QThread thread;
    Relay relay;
    QUrl url;
};

void compareCushions(const QUrl& station, int rounds) {
    constexpr int kJitterListenMs = 20000;
    std::printf(
        "\n-- start-up buffer against a relay that holds %s back at random\n"
        "   (first sound from click, ms, median; stops over 150 ms and their summed length in\n"
        "   the first %d s of sound, all %d runs together; same holds for every buffer)\n",
        qPrintable(station.toString()), kJitterListenMs / 1000, rounds);
    RelayedStation relayed(station, true);
    const std::vector<int> cushions = {0, 250, 500, 1000, 2000};
    std::vector<std::vector<double>> firsts(cushions.size() + 1);
    std::vector<bench::Stalls> stops(cushions.size() + 1);
    for (int r = 0; r < rounds; ++r) {
        QMetaObject::invokeMethod(
            &relayed.relay, [&] { relayed.relay.seed = quint32(r + 1); },
            Qt::BlockingQueuedConnection);
        for (size_t i = 0; i <= cushions.size(); ++i) {
            const Heard h = i < cushions.size()
                                ? runPlayer(relayed.url.toString(), cushions[i], kJitterListenMs)
                                : runFloor(relayed.url.toString(), kJitterListenMs);
            firsts[i].push_back(h.firstMs);
            stops[i].count += h.stalls.count;
            stops[i].seconds += h.stalls.seconds;
        }
    }
    for (size_t i = 0; i <= cushions.size(); ++i) {
        const QString what = i < cushions.size()
                                 ? QStringLiteral("Klankor, start buffer %1 ms").arg(cushions[i])
                                 : QStringLiteral("gst-launch playbin (floor)");
        std::printf("  %-36s first sound %6.0f ms   stops %3d, %5.1f s\n", qPrintable(what),
                    median(firsts[i]), stops[i].count, stops[i].seconds);
    }
}

void compareStalls(const QUrl& station) {
    std::printf("\n-- longest stall of the Qt event loop (2 ms ticker on the GUI thread)\n");
    RelayedStation relayed(station, false);
    Relay& relay = relayed.relay;

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
        player.SetURL(relayed.url.toString());
        waitFor(playing, 20000);
        waitMs(1000);
    });
    const double dropping = phase("server drops, until retrying + 2 s", [&] {
        QMetaObject::invokeMethod(&relay, [&] { relay.drop(); });
        // What was buffered plays out first.
        waitFor([&] { return !playing(); }, 20000);
        waitMs(2000);
    });
    const double back = phase("server back, until \"Playing\"", [&] {
        QMetaObject::invokeMethod(&relay, [&] { relay.listen(relayed.url.port()); });
        waitFor(playing, 30000);
        waitMs(500);
    });
    std::printf("  ratios to idle: connect %.1f, drop %.1f, reconnect %.1f; final status \"%s\"\n",
                connecting / idle, dropping / idle, back / idle, qPrintable(player.status()));
    player.controls().stop();

    // KLANKOR_BENCH_COLD=1 (as root): the page cache is dropped before each
    // process, as at login, where the preload takes longest.
    const bool cold = qEnvironmentVariableIntValue("KLANKOR_BENCH_COLD") == 1;
    std::vector<double> duringPreload;
    for (int i = 0; i < 5; ++i) {
        if (cold) {
            ::sync();
            QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
            if (drop.open(QIODevice::WriteOnly)) drop.write("3");
        }
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--during-preload"), relayed.url.toString()});
        waitFor([&] { return child.state() == QProcess::NotRunning; }, 30000);
        const QByteArray line = child.readAllStandardOutput().trimmed();
        duringPreload.push_back(line.startsWith("stall ") ? line.mid(6).toLongLong() / 1e6 : -1);
    }
    std::printf("  %-40s %7.2f ms (median of 5 fresh%s processes; ratio to idle %.1f)\n",
                "a click as the plugin preload begins", median(duringPreload), cold ? ", cold" : "",
                median(duringPreload) / idle);
    QMetaObject::invokeMethod(
        &relay, [&] { relay.drop(); }, Qt::BlockingQueuedConnection);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == QLatin1String("--click"))
        return clickChild(args[2], args[3], args[4].toInt(), args[5].toInt());
    if (args.size() == 3 && args[1] == QLatin1String("--during-preload"))
        return preloadChild(args[2]);

    const QString station3 = overHttp(Functies::StationUrl(3));
    bool startedNetwork = false;
    if (!reachable(QUrl(station3))) {
        std::printf("%s does not answer; starting scripts/radionet\n", qPrintable(station3));
        startedNetwork = QProcess::execute(QStringLiteral(KLANKOR_SOURCE_DIR "/scripts/radionet"),
                                           {QStringLiteral("start")}) == 0;
        if (!startedNetwork || !reachable(QUrl(station3))) {
            std::printf("no stream at %s: nothing measured\n", qPrintable(station3));
            return 0;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QString parts = qEnvironmentVariable("KLANKOR_BENCH_PARTS", QStringLiteral("cl"));
    const int rounds = qMax(1, qEnvironmentVariableIntValue("KLANKOR_BENCH_ROUNDS"));
    const int n = qEnvironmentVariableIsSet("KLANKOR_BENCH_ROUNDS") ? rounds : 5;
    if (parts.contains(QLatin1Char('c'))) compareClicks(n);
    if (parts.contains(QLatin1Char('j')))
        compareCushions(QUrl(overHttp(Functies::StationUrl(5))), n);
    if (parts.contains(QLatin1Char('l'))) compareStalls(QUrl(station3));
    if (startedNetwork)
        QProcess::execute(QStringLiteral(KLANKOR_SOURCE_DIR "/scripts/radionet"),
                          {QStringLiteral("stop")});
    return 0;
}

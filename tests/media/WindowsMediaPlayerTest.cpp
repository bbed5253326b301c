// The player with a real GStreamer pipeline, listening through
// a file instead of a sound card, fed by a loopback server.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>

#include "FixtureServer.h"
#include "media/WindowsMediaPlayer.h"

using media::WindowsMediaPlayer;
using Route = FixtureServer::Route;
using Mode = FixtureServer::Mode;

namespace {

constexpr int kToneSeconds = 40;

struct Loudness {
    double left = 0;  // RMS, full scale 1.0
    double right = 0;
    qint64 frames = 0;
};

// RMS of each channel of an S16LE stereo file, skipping its first half second.
Loudness measure(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    const auto* samples = reinterpret_cast<const qint16*>(data.constData());
    const qint64 frames = data.size() / 4;
    double l = 0, r = 0;
    Loudness out;
    for (qint64 i = 22050; i < frames; ++i) {
        l += double(samples[2 * i]) * samples[2 * i];
        r += double(samples[2 * i + 1]) * samples[2 * i + 1];
        ++out.frames;
    }
    if (out.frames == 0) return out;
    out.left = std::sqrt(l / out.frames) / 32768.0;
    out.right = std::sqrt(r / out.frames) / 32768.0;
    return out;
}

class Player : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        gst_init(nullptr, nullptr);
        tone_ = new QByteArray(encodeTone());
    }
    static void TearDownTestSuite() {
        delete tone_;
        tone_ = nullptr;
    }

    // A stereo 440 Hz sine at half scale, as MP3 at a constant 128 kbit/s
    // (so the server can pace it by bytes, as a radio station's is).
    static QByteArray encodeTone() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.mp3"));
        const QByteArray description =
            "audiotestsrc wave=sine freq=440 volume=0.5 samplesperbuffer=4410 num-buffers=" +
            QByteArray::number(kToneSeconds * 10) +
            " ! audio/x-raw,rate=44100,channels=2 ! audioconvert "
            "! lamemp3enc target=bitrate bitrate=128 cbr=true ! filesink location=\"" +
            path.toUtf8() + "\"";
        GstElement* pipeline = gst_parse_launch(description.constData(), nullptr);
        if (!pipeline) return {};
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* end = gst_bus_timed_pop_filtered(
            bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (end) gst_message_unref(end);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void SetUp() override {
        ASSERT_TRUE(tone_ && tone_->size() > 10000) << "could not encode the test tone";
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(server.start());
        Route live;
        live.contentType = "audio/mpeg";
        live.body = *tone_;
        live.mode = Mode::Stream;
        live.bytesPerSecond = int(tone_->size() / kToneSeconds);
        live.burstBytes = 64 * 1024;  // as icecast's burst on connect
        server.route(QStringLiteral("/live.mp3"), live);
        Route list;
        list.contentType = "audio/x-mpegurl";
        list.body = "#EXTM3U\r\nlive.mp3\r\n";
        server.route(QStringLiteral("/station.m3u"), list);
    }

    // A player writing its sound into a fresh file, recording its statuses.
    std::unique_ptr<WindowsMediaPlayer> makePlayer(const QString& name) {
        audioFile = dir_.filePath(name);
        QFile::remove(audioFile);
        auto player = std::make_unique<WindowsMediaPlayer>();
        player->SetAudioFile(audioFile);
        clock.start();
        QObject::connect(player.get(), &WindowsMediaPlayer::StatusChange, player.get(),
                         [this, p = player.get()] {
                             statuses.append(p->status());
                             if (qEnvironmentVariableIsSet("KLANKOR_TEST_TRACE"))
                                 qInfo("%lld %s", clock.elapsed(), qPrintable(p->status()));
                             if (QThread::currentThread() != qApp->thread()) offThread = true;
                         });
        return player;
    }

    bool waitForStatus(WindowsMediaPlayer& player, const QString& start, int ms) {
        return QTest::qWaitFor([&] { return player.status().startsWith(start); }, ms);
    }

    bool sawStatus(const QString& part) const {
        for (const QString& s : statuses)
            if (s.contains(part)) return true;
        return false;
    }

    std::string history() const { return statuses.join(QStringLiteral(" | ")).toStdString(); }

    // Plays the station for a while at the given settings and measures it.
    Loudness listen(int volume, int balance, const QString& name) {
        auto player = makePlayer(name);
        player->settings().SetVolume(volume);
        player->settings().SetBalance(balance);
        player->SetURL(server.url(QStringLiteral("/live.mp3")).toString());
        EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
        EXPECT_TRUE(heardSeconds(3)) << history();
        player->controls().stop();
        return measure(audioFile);
    }

    // Whether the sink has had that much sound, waiting for it as long as
    // the stream takes to send it.
    bool heardSeconds(double seconds, qint64 after = 0) {
        return QTest::qWaitFor(
            [&] { return QFile(audioFile).size() >= after + qint64(seconds * 44100) * 4; },
            int(seconds * 1000) + 10000);
    }

    static QByteArray* tone_;
    QTemporaryDir dir_;
    FixtureServer server;
    QString audioFile;
    QStringList statuses;
    QElapsedTimer clock;
    bool offThread = false;
};

QByteArray* Player::tone_ = nullptr;

}  // namespace

TEST_F(Player, PlaysAPlaylistStationAndReportsOnTheGuiThread) {
    auto player = makePlayer(QStringLiteral("play.raw"));
    EXPECT_EQ(player->settings().volume(), 50);
    EXPECT_EQ(player->settings().balance(), 0);
    const QString url = server.url(QStringLiteral("/station.m3u")).toString();
    player->SetURL(url);
    player->controls().play();  // as the main window does: no second start
    EXPECT_EQ(player->status(), QStringLiteral("Connecting to 127.0.0.1..."));
    ASSERT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
    ASSERT_TRUE(heardSeconds(2)) << history();
    EXPECT_TRUE(player->status().startsWith(QLatin1String("Playing"))) << history();

    // Each address is asked for by the resolver and at most once more by a
    // pipeline started beside it, whichever answers first; the stream's
    // pipeline is kept, and play() after SetURL starts nothing more.
    EXPECT_LE(server.hits(QStringLiteral("/station.m3u")), 2);
    EXPECT_LE(server.hits(QStringLiteral("/live.mp3")), 2);
    player->controls().stop();
    EXPECT_EQ(player->status(), QStringLiteral("Stopped"));
    EXPECT_EQ(player->URL(), url);
    EXPECT_EQ(statuses.first(), QStringLiteral("Connecting to 127.0.0.1..."));
    EXPECT_FALSE(offThread);
    for (const QString& s : statuses) {
        EXPECT_FALSE(s.contains(QLatin1String("Internal data stream"))) << history();
        EXPECT_FALSE(s.contains(QLatin1String("retry"))) << history();
    }

    const Loudness heard = measure(audioFile);
    EXPECT_GT(heard.frames, 44100) << "less than a second of sound reached the sink";
    EXPECT_GT(heard.left, 0.01);

    // Play again after stop: the same URL comes back.
    statuses.clear();
    player->controls().play();
    EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
}

TEST_F(Player, VolumeAndBalanceShapeTheSound) {
    const Loudness normal = listen(50, 0, QStringLiteral("v50.raw"));
    const Loudness silent = listen(0, 0, QStringLiteral("v0.raw"));
    const Loudness left = listen(50, -50, QStringLiteral("b-50.raw"));

    ASSERT_GT(normal.frames, 44100);
    ASSERT_GT(silent.frames, 44100);
    ASSERT_GT(left.frames, 44100);
    // Half-scale sine (RMS 0.35) at cubic volume 0.5 (factor 0.125).
    EXPECT_NEAR(normal.left, 0.354 * 0.125, 0.01);
    EXPECT_NEAR(normal.left / normal.right, 1.0, 0.05);
    EXPECT_LT(silent.left, 1e-4);
    EXPECT_LT(silent.right, 1e-4);
    const double db = 20 * std::log10(left.left / left.right);
    EXPECT_NEAR(db, 6.0, 0.5);
    EXPECT_NEAR(left.left, normal.left, 0.005);  // the other side is turned down
}

TEST_F(Player, ReconnectsWhenTheServerGoesAwayAndComesBack) {
    // The playlist on one host names the stream on another: the status
    // names the one that is gone.
    FixtureServer far;
    ASSERT_TRUE(far.start(0, QHostAddress(QStringLiteral("127.0.0.2"))));
    far.route(QStringLiteral("/live.mp3"), server.routeFor(QStringLiteral("/live.mp3")));
    Route list;
    list.contentType = "audio/x-mpegurl";
    list.body = far.url(QStringLiteral("/live.mp3")).toEncoded() + "\n";
    server.route(QStringLiteral("/far.m3u"), list);
    auto player = makePlayer(QStringLiteral("drop.raw"));
    player->SetURL(server.url(QStringLiteral("/far.m3u")).toString());
    ASSERT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();

    const quint16 port = far.port();
    far.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sawStatus(QStringLiteral("(retry 2)")); }, 20000))
        << history();
    EXPECT_TRUE(player->status().startsWith(QLatin1String("Connecting to 127.0.0.2...")))
        << history();
    const qint64 before = QFile(audioFile).size();

    ASSERT_TRUE(far.start(port, QHostAddress(QStringLiteral("127.0.0.2"))));
    ASSERT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 20000)) << history();
    EXPECT_TRUE(heardSeconds(0.5, before)) << "no sound after the reconnect";
    EXPECT_FALSE(offThread);
}

TEST_F(Player, AStalledStationIsReconnected) {
    auto player = makePlayer(QStringLiteral("stall.raw"));
    Route stalling;
    stalling.contentType = "audio/mpeg";
    stalling.body = tone_->left(tone_->size() / kToneSeconds * 8);  // eight seconds, then silence
    stalling.mode = Mode::Stream;
    stalling.bytesPerSecond = int(tone_->size() / kToneSeconds);
    stalling.burstBytes = stalling.body.size();
    stalling.hangAtEnd = true;
    server.route(QStringLiteral("/stalling.mp3"), stalling);
    player->SetURL(server.url(QStringLiteral("/stalling.mp3")).toString());
    ASSERT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
    statuses.clear();
    // The connection stays open but nothing comes: no "Playing" while the
    // sound is gone, then a retry after the read time-out, then sound again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sawStatus(QStringLiteral("(retry 1)")); }, 25000))
        << history();
    EXPECT_TRUE(sawStatus(QStringLiteral("Buffering"))) << history();
    EXPECT_FALSE(statuses.first().startsWith(QLatin1String("Playing"))) << history();
    EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
}

// Stopping cancels the source's request, which libsoup must not see between
// the server's answer and its delivery: a stop lets a request under way be
// answered, and then hangs up.
TEST_F(Player, AStopLetsARequestUnderWayBeAnsweredThenHangsUp) {
    Route late = server.routeFor(QStringLiteral("/live.mp3"));
    late.answerAfterMs = 400;
    server.route(QStringLiteral("/late.mp3"), late);
    auto player = makePlayer(QStringLiteral("late.raw"));
    player->SetURL(server.url(QStringLiteral("/late.mp3")).toString());
    // the resolver's look and the pipeline beside it both wait
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return server.hits(QStringLiteral("/late.mp3")) >= 2; }, 5000));
    player->controls().stop();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return server.heard(QStringLiteral("/late.mp3")) >= 1; }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.connections() == 0; }, 3000));
}

TEST_F(Player, NotFoundWhileReconnectingIsFinal) {
    auto player = makePlayer(QStringLiteral("giveup.raw"));
    Route brief;
    brief.contentType = "audio/mpeg";
    brief.body = tone_->left(tone_->size() / kToneSeconds * 6);  // six seconds, then it hangs up
    brief.mode = Mode::Stream;
    brief.bytesPerSecond = int(tone_->size() / kToneSeconds);
    brief.burstBytes = brief.body.size();
    server.route(QStringLiteral("/brief.mp3"), brief);
    player->SetURL(server.url(QStringLiteral("/brief.mp3")).toString());
    ASSERT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
    Route gone;
    gone.status = 404;
    server.route(QStringLiteral("/brief.mp3"), gone);
    // A 404 while reconnecting is final: no retry loop, a clear cause.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return player->status() == QLatin1String("Not found (404)"); }, 20000))
        << history();
    EXPECT_TRUE(sawStatus(QStringLiteral("(retry 1)"))) << history();
    EXPECT_FALSE(sawStatus(QStringLiteral("(retry 2)"))) << history();
}

TEST_F(Player, FailuresShowTheirCauseNotGStreamerText) {
    auto player = makePlayer(QStringLiteral("fail.raw"));
    Route junk;
    junk.contentType = "audio/ogg";
    junk.body = QByteArray("OggS\0\0garbage garbage\x01\x02", 24).repeated(5000);
    server.route(QStringLiteral("/junk.ogg"), junk);

    player->SetURL(server.url(QStringLiteral("/junk.ogg")).toString());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !player->status().startsWith(QLatin1String("Connecting")) &&
                   !player->status().startsWith(QLatin1String("Buffering"));
        },
        15000));
    EXPECT_TRUE(player->status() == QLatin1String("Not an audio stream") ||
                player->status() == QLatin1String("Damaged or unknown audio stream") ||
                player->status() == QLatin1String("Unsupported audio format"))
        << history();

    player->SetURL(server.url(QStringLiteral("/nothing-here")).toString());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return player->status() == QLatin1String("Not found (404)"); }, 10000))
        << history();

    const quint16 port = server.port();
    server.stop();
    player->SetURL(QStringLiteral("http://127.0.0.1:%1/live.mp3").arg(port));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return player->status() == QLatin1String("Connection refused by 127.0.0.1"); },
        10000))
        << history();

    player->SetURL(QStringLiteral("file:///etc/passwd"));
    EXPECT_TRUE(player->status().startsWith(QLatin1String("Unsupported address"))) << history();
    EXPECT_FALSE(sawStatus(QStringLiteral("Playing"))) << history();
    EXPECT_FALSE(offThread);
}

// Bytes that never become sound (here an ID3 tag that claims 256 MB, so
// the tag reader waits for ever): one fresh connection, then a cause.
TEST_F(Player, AStreamThatMakesNoSoundIsTriedOnceMoreThenNamed) {
    auto player = makePlayer(QStringLiteral("nosound.raw"));
    Route tag;
    tag.contentType = "audio/mpeg";
    tag.body = QByteArray("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) + QByteArray(400000, '\0');
    tag.mode = Mode::Stream;
    tag.bytesPerSecond = 16000;
    tag.burstBytes = 64 * 1024;
    server.route(QStringLiteral("/tag.mp3"), tag);

    player->SetURL(server.url(QStringLiteral("/tag.mp3")).toString());
    EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Damaged or unknown audio stream"), 25000))
        << history();
    // Beside the resolver's look and the pipeline, one fresh connection
    // (the pipeline beside the resolver may have been replaced once).
    EXPECT_GE(server.hits(QStringLiteral("/tag.mp3")), 3);
    EXPECT_LE(server.hits(QStringLiteral("/tag.mp3")), 4);
}

TEST_F(Player, MmsStationPlaysOverHttp) {
    Route chunked = server.routeFor(QStringLiteral("/live.mp3"));
    chunked.chunked = true;  // as some servers send a live stream
    server.route(QStringLiteral("/chunked.mp3"), chunked);
    auto player = makePlayer(QStringLiteral("mms.raw"));
    player->SetURL(QStringLiteral("mms://127.0.0.1:%1/chunked.mp3").arg(server.port()));
    EXPECT_EQ(player->status(), QStringLiteral("Connecting to 127.0.0.1..."));
    EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
}

TEST_F(Player, ShoutcastStationPlaysWithItsTitleAsPlainText) {
    Route shoutcast = server.routeFor(QStringLiteral("/live.mp3"));
    shoutcast.statusLine = "ICY 200 OK";
    shoutcast.metaInterval = 8192;
    shoutcast.title = "DJ \xE2\x80\xAEX\x01 <b>Night</b>\n   Mix";  // U+202E, a control, a break
    // Joined mid-frame, in short pieces: a first piece starting with '['
    // reads as LRC subtitles to GStreamer's typefinders.
    shoutcast.body.prepend("[garbage]");
    shoutcast.burstBytes = 700;
    shoutcast.bytesPerSecond *= 4;  // sound for the buffer sooner
    server.route(QStringLiteral("/shoutcast"), shoutcast);

    auto player = makePlayer(QStringLiteral("shoutcast.raw"));
    int titleChanges = 0;
    QObject::connect(player.get(), &WindowsMediaPlayer::TitleChange, [&] { ++titleChanges; });
    player->SetURL(server.url(QStringLiteral("/shoutcast")).toString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player->title().isEmpty(); }, 15000)) << history();
    EXPECT_EQ(player->title(), QStringLiteral("DJ X <b>Night</b> Mix"));
    EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Playing"), 15000)) << history();
    EXPECT_EQ(player->status(), QStringLiteral("Playing"));  // the title is apart

    player->controls().stop();
    EXPECT_TRUE(player->title().isEmpty());
    EXPECT_EQ(titleChanges, 2);
}

TEST_F(Player, ALivePlaylistNamingAFileLaterIsRefusedBeforeItOpens) {
    // Checked when resolved, changed when GStreamer fetches it again.
    Route live;
    live.contentType = "application/vnd.apple.mpegurl";
    live.body = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nseg1.ts\n";
    live.laterBody = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nfile://" +
                     QFile::encodeName(dir_.filePath(QStringLiteral("secret.ts"))) + "\n";
    server.route(QStringLiteral("/live.m3u8"), live);
    auto player = makePlayer(QStringLiteral("hls.raw"));
    player->SetURL(server.url(QStringLiteral("/live.m3u8")).toString());
    EXPECT_TRUE(waitForStatus(*player, QStringLiteral("Playlist address refused (file:)"), 10000))
        << history();
    EXPECT_GE(server.hits(QStringLiteral("/live.m3u8")), 2);
}

// The resolver against a real HTTP server on loopback.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "media/PlaylistResolver.h"

using media::MediaFailure;
using media::PlaylistResolver;
using Route = FixtureServer::Route;
using Mode = FixtureServer::Mode;

namespace {

Route text(const QByteArray& body, const QByteArray& type = "audio/x-mpegurl") {
    Route r;
    r.contentType = type;
    r.body = body;
    return r;
}

Route audio(Mode mode = Mode::Whole) {
    Route r;
    r.contentType = "audio/ogg";
    r.body = QByteArray("OggS\0\x02", 6).repeated(2000);
    r.mode = mode;
    return r;
}

class Resolver : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    struct Outcome {
        bool done = false;
        QUrl stream;
        MediaFailure failure;
        qint64 ms = 0;
    };

    Outcome run(const QUrl& address, int waitMs = 15000) {
        Outcome out;
        QMetaObject::Connection a =
            QObject::connect(&resolver, &PlaylistResolver::resolved, [&](const QUrl& u) {
                out.done = true;
                out.stream = u;
            });
        QMetaObject::Connection b =
            QObject::connect(&resolver, &PlaylistResolver::failed, [&](const MediaFailure& f) {
                out.done = true;
                out.failure = f;
            });
        QElapsedTimer clock;
        clock.start();
        resolver.resolve(address);
        (void)QTest::qWaitFor([&] { return out.done; }, waitMs);
        out.ms = clock.elapsed();
        QObject::disconnect(a);
        QObject::disconnect(b);
        EXPECT_TRUE(out.done) << "no outcome for " << address.toString().toStdString();
        return out;
    }

    FixtureServer server;
    PlaylistResolver resolver;
};

}  // namespace

TEST_F(Resolver, FollowsRedirectsAndResolvesRelativeEntriesAgainstTheFinalAddress) {
    Route moved;
    moved.status = 302;
    moved.location = server.url(QStringLiteral("/lists/deep/station.m3u")).toEncoded();
    server.route(QStringLiteral("/station.asp"), moved);
    server.route(QStringLiteral("/lists/deep/station.m3u"), text("#EXTM3U\r\n../live.pls\r\n"));
    server.route(QStringLiteral("/lists/live.pls"),
                 text("[playlist]\nFile1=/streams/live.ogg?id=1\n", "audio/x-scpls"));
    server.route(QStringLiteral("/streams/live.ogg?id=1"), audio());

    const Outcome out = run(server.url(QStringLiteral("/station.asp")));
    EXPECT_EQ(out.stream, server.url(QStringLiteral("/streams/live.ogg?id=1")));
}

TEST_F(Resolver, MessyAsxLeadsToItsStream) {
    server.route(QStringLiteral("/asx/radio.asp"),
                 text("<ASX version=\"3.0\"><Entry><REF HREF=\"/live?a=1&b=2\"></entry></asx>",
                      "video/x-ms-asf"));
    server.route(QStringLiteral("/live?a=1&b=2"), audio());
    EXPECT_EQ(run(server.url(QStringLiteral("/asx/radio.asp"))).stream,
              server.url(QStringLiteral("/live?a=1&b=2")));
}

TEST_F(Resolver, LaterEntriesStandInForFailingOnes) {
    server.route(QStringLiteral("/list.m3u"), text("/gone.ogg\n/live.ogg\n"));
    server.route(QStringLiteral("/live.ogg"), audio());
    EXPECT_EQ(run(server.url(QStringLiteral("/list.m3u"))).stream,
              server.url(QStringLiteral("/live.ogg")));
    EXPECT_EQ(server.hits(QStringLiteral("/gone.ogg")), 1);
}

TEST_F(Resolver, NestingStopsAfterFiveLevels) {
    // n0 .. n5: six playlists in a chain, then the stream.
    for (int i = 0; i < 6; ++i)
        server.route(QStringLiteral("/n%1.m3u").arg(i),
                     text(QStringLiteral("/n%1.m3u\n").arg(i + 1).toUtf8()));
    server.route(QStringLiteral("/n6.m3u"), audio());

    EXPECT_EQ(run(server.url(QStringLiteral("/n1.m3u"))).stream,
              server.url(QStringLiteral("/n6.m3u")));
    const Outcome deep = run(server.url(QStringLiteral("/n0.m3u")));
    EXPECT_EQ(deep.failure.kind, MediaFailure::Kind::PlaylistTooDeep);
    EXPECT_EQ(server.hits(QStringLiteral("/n6.m3u")), 1);  // only from the first run
}

TEST_F(Resolver, LoopsEndWithoutFetchingForever) {
    server.route(QStringLiteral("/self.m3u"), text("self.m3u\n#again\n./self.m3u#x\n"));
    server.route(QStringLiteral("/a.pls"), text("[playlist]\nFile1=b.asx\n", "audio/x-scpls"));
    server.route(QStringLiteral("/b.asx"),
                 text("<asx><entry><ref href=\"a.pls\"/></entry></asx>", "video/x-ms-asx"));

    const Outcome self = run(server.url(QStringLiteral("/self.m3u")));
    EXPECT_EQ(self.failure.kind, MediaFailure::Kind::PlaylistLoop);
    EXPECT_FALSE(self.failure.retryable());
    EXPECT_EQ(server.hits(QStringLiteral("/self.m3u")), 1);

    EXPECT_EQ(run(server.url(QStringLiteral("/a.pls"))).failure.kind,
              MediaFailure::Kind::PlaylistLoop);
    EXPECT_EQ(server.hits(QStringLiteral("/a.pls")), 1);
}

TEST_F(Resolver, EndlessAndSlowBodiesAreCutOff) {
    Route endless = text("http://127.0.0.1/entry\n", "text/plain");
    endless.mode = Mode::Endless;
    server.route(QStringLiteral("/endless"), endless);
    const Outcome big = run(server.url(QStringLiteral("/endless")));
    EXPECT_EQ(big.failure.kind, MediaFailure::Kind::PlaylistTooLarge);
    EXPECT_LT(big.ms, 5000);

    Route slow = text("#EXTM3U\nhttp://127.0.0.1/x.ogg\n");
    slow.mode = Mode::Slow;
    server.route(QStringLiteral("/slow.m3u"), slow);
    Route silent;
    silent.mode = Mode::Silent;
    server.route(QStringLiteral("/silent"), silent);
    resolver.setLimits({128 * 1024, 1000, 5});
    for (const char* path : {"/slow.m3u", "/silent"}) {
        const Outcome late = run(server.url(QString::fromLatin1(path)));
        EXPECT_EQ(late.failure.kind, MediaFailure::Kind::ServerNotResponding) << path;
        EXPECT_TRUE(late.failure.text.startsWith(QLatin1String("Server not responding")));
        EXPECT_GE(late.ms, 900);
        EXPECT_LT(late.ms, 4000);
    }
}

TEST_F(Resolver, OnlyHttpHttpsAndMmsEntriesAreFollowed) {
    server.route(QStringLiteral("/local.m3u"),
                 text("file:///etc/passwd\nudp://239.0.0.1:1234\nrtsp://127.0.0.1/x\n"
                      "ftp://127.0.0.1/x.mp3\n"));
    const Outcome refused = run(server.url(QStringLiteral("/local.m3u")));
    EXPECT_EQ(refused.failure.kind, MediaFailure::Kind::PlaylistEmpty);
    EXPECT_EQ(refused.failure.text,
              QStringLiteral("Playlist address refused (file:, udp:, rtsp:, ftp:)"));

    server.route(QStringLiteral("/mixed.m3u"), text("file:///etc/passwd\n/live.ogg\n"));
    server.route(QStringLiteral("/live.ogg"), audio());
    EXPECT_EQ(run(server.url(QStringLiteral("/mixed.m3u"))).stream,
              server.url(QStringLiteral("/live.ogg")));

    EXPECT_EQ(run(QUrl(QStringLiteral("file:///etc/passwd"))).failure.kind,
              MediaFailure::Kind::UnsupportedAddress);
}

TEST_F(Resolver, MmsIsTriedAsHttp) {
    server.route(QStringLiteral("/arrowrock"), audio());
    QUrl mms = server.url(QStringLiteral("/arrowrock"));
    mms.setScheme(QStringLiteral("mms"));
    EXPECT_EQ(run(mms).stream, server.url(QStringLiteral("/arrowrock")));
    EXPECT_EQ(server.hits(QStringLiteral("/arrowrock")), 1);
}

TEST_F(Resolver, AudioIsHandedThroughWithoutReadingIt) {
    // An endless audio body: resolving must not wait for it or store it.
    server.route(QStringLiteral("/live"), audio(Mode::Endless));
    const Outcome typed = run(server.url(QStringLiteral("/live")));
    EXPECT_EQ(typed.stream, server.url(QStringLiteral("/live")));
    EXPECT_LT(typed.ms, 2000);

    // No telling Content-Type: the first bytes show it is no playlist.
    Route untyped = audio(Mode::Endless);
    untyped.contentType = "application/octet-stream";
    server.route(QStringLiteral("/untyped"), untyped);
    EXPECT_EQ(run(server.url(QStringLiteral("/untyped"))).stream,
              server.url(QStringLiteral("/untyped")));
}

TEST_F(Resolver, FailuresNameTheirCause) {
    server.route(QStringLiteral("/page"), text("<!DOCTYPE html><html>Hi</html>", "text/html"));
    Route denied;
    denied.status = 403;
    server.route(QStringLiteral("/denied"), denied);
    // a chain that breaks half-way, on another host: that host is named
    FixtureServer far;
    ASSERT_TRUE(far.start(0, QHostAddress(QStringLiteral("127.0.0.2"))));
    Route broken;
    broken.status = 503;
    far.route(QStringLiteral("/broken"), broken);
    far.route(QStringLiteral("/chain.m3u"), text(far.url(QStringLiteral("/broken")).toEncoded()));
    server.route(QStringLiteral("/chain.asx"),
                 text("<asx><entry><ref href=\"" +
                          far.url(QStringLiteral("/chain.m3u")).toEncoded() + "\"/></entry></asx>",
                      "video/x-ms-asx"));

    const Outcome missing = run(server.url(QStringLiteral("/missing")));
    EXPECT_EQ(missing.failure.kind, MediaFailure::Kind::NotFound);
    EXPECT_EQ(missing.failure.text, QStringLiteral("Not found (404)"));
    EXPECT_FALSE(missing.failure.retryable());

    EXPECT_EQ(run(server.url(QStringLiteral("/denied"))).failure.kind,
              MediaFailure::Kind::AccessDenied);
    const Outcome busy = run(server.url(QStringLiteral("/chain.asx")));
    EXPECT_EQ(busy.failure.kind, MediaFailure::Kind::ServerError);
    EXPECT_EQ(busy.failure.text, QStringLiteral("Server error (503) at 127.0.0.2"));
    EXPECT_TRUE(busy.failure.retryable());
    EXPECT_EQ(run(server.url(QStringLiteral("/page"))).failure.kind, MediaFailure::Kind::NotAudio);

    const QUrl closed = server.url(QStringLiteral("/x"));
    server.stop();
    const Outcome refused = run(closed);
    EXPECT_EQ(refused.failure.kind, MediaFailure::Kind::ConnectionRefused);
    EXPECT_EQ(refused.failure.text, QStringLiteral("Connection refused by 127.0.0.1"));
    EXPECT_TRUE(refused.failure.retryable());
}

TEST_F(Resolver, RefusedAddressesAreNamedByTheirOwnScheme) {
    Route toFile;
    toFile.status = 302;
    toFile.location = "file:///etc/passwd";
    server.route(QStringLiteral("/moved"), toFile);
    const Outcome moved = run(server.url(QStringLiteral("/moved")));
    EXPECT_EQ(moved.failure.kind, MediaFailure::Kind::UnsupportedAddress);
    EXPECT_EQ(moved.failure.text, QStringLiteral("Unsupported address (file:)"));

    // GStreamer fetches what a live playlist names, so all of it is checked.
    const QByteArray hls =
        "#EXTM3U\n#EXT-X-TARGETDURATION:10\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"data:text/plain;base64,AAAA\"\n"
        "#EXTINF:10,\nseg1.aac\n#EXTINF:10,\nfile:///etc/passwd\n";
    server.route(QStringLiteral("/live.m3u8"), text(hls, "application/vnd.apple.mpegurl"));
    const Outcome live = run(server.url(QStringLiteral("/live.m3u8")));
    EXPECT_EQ(live.failure.kind, MediaFailure::Kind::UnsupportedAddress);
    EXPECT_EQ(live.failure.text, QStringLiteral("Playlist address refused (data:, file:)"));
}

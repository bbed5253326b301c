// Every catalogue address against the local radio network (scripts/radionet):
// each resolves to a live stream, and a few of each kind really play.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "media/PlaylistResolver.h"
#include "media/WindowsMediaPlayer.h"
#include "player/Functies.h"

using media::MediaFailure;
using media::PlaylistResolver;

namespace {

// Station 19 plays over HTTPS, signed by the radio network's own authority.
void trustTheNetworksAuthority() {
    const QString ca = qEnvironmentVariable("RADIONET_DIR") + QStringLiteral("/tls/ca.pem");
    if (!qEnvironmentVariableIsSet("SSL_CERT_FILE") && QFile::exists(ca))
        qputenv("SSL_CERT_FILE", QFile::encodeName(ca));
}

}  // namespace

TEST(Stations, EveryAddressResolvesToAStream) {
    trustTheNetworksAuthority();
    PlaylistResolver resolver;
    for (short n = 1; n <= 32; ++n) {
        const QString address = Functies::StationUrl(n);
        bool done = false;
        QUrl stream;
        QString failure;
        auto a = QObject::connect(&resolver, &PlaylistResolver::resolved, [&](const QUrl& u) {
            done = true;
            stream = u;
        });
        auto b = QObject::connect(&resolver, &PlaylistResolver::failed, [&](const MediaFailure& f) {
            done = true;
            failure = f.text;
        });
        resolver.resolve(QUrl(address));
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 15000)) << n;
        QObject::disconnect(a);
        QObject::disconnect(b);
        EXPECT_TRUE(failure.isEmpty())
            << n << " " << address.toStdString() << ": " << failure.toStdString();
        EXPECT_TRUE(stream.scheme() == QLatin1String("http") ||
                    stream.scheme() == QLatin1String("https"))
            << n;
    }
}

TEST(Stations, OneOfEachKindPlays) {
    trustTheNetworksAuthority();
    QTemporaryDir dir;
    // 1 ASX from a script address, 3 mms, 5 bare host (chunked, no burst),
    // 7 Ogg Vorbis, 10 AAC+ (audio/aacp), 12 AAC, 13 Ogg Opus, 16 HLS,
    // 17 M3U, 19 ASX naming an HTTPS stream, 31 SHOUTcast v1 on its own port.
    for (short n : {1, 3, 5, 7, 10, 12, 13, 16, 17, 19, 31}) {
        const QString file = dir.filePath(QStringLiteral("station%1.raw").arg(n));
        media::WindowsMediaPlayer player;
        player.SetAudioFile(file);
        player.SetURL(Functies::StationUrl(n));
        player.controls().play();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return player.status().startsWith(QLatin1String("Playing")); }, 20000))
            << n << ": " << player.status().toStdString();
        QTest::qWait(1500);
        player.controls().stop();
        QTest::qWait(300);
        EXPECT_GT(QFile(file).size(), 44100 * 4) << n << ": under a second of sound";
    }
}

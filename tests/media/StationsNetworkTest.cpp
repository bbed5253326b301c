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

TEST(Stations, EveryAddressResolvesToAStream) {
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
        EXPECT_EQ(stream.scheme(), QStringLiteral("http")) << n;
    }
}

TEST(Stations, OneOfEachKindPlays) {
    QTemporaryDir dir;
    // 1 ASX from a script address, 3 mms, 5 bare host, 7 Ogg, 17 M3U, 31 own port.
    for (short n : {1, 3, 5, 7, 17, 31}) {
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

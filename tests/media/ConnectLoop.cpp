// Connects to one station again and again and counts how each attempt
// ends, with the time to the first sound: for measuring how often a
// stream's type is misjudged. Not a test; prints figures.
//
//   media_connect_loop URL COUNT [SECONDS [LISTEN]]
//
// SECONDS: how long one connect may take (8); LISTEN: seconds to listen
// after it plays, to count the sound that really came out (0).
//
// Run with GST_DEBUG=icydemux:5 to see what each ICY stream was taken for.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

#include "media/WindowsMediaPlayer.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: media_connect_loop URL COUNT [SECONDS [LISTEN]]\n");
        return 2;
    }
    const QString url = args[1];
    const int count = args[2].toInt();
    const int limitMs = (args.size() > 3 ? args[3].toInt() : 8) * 1000;
    const int listenMs = (args.size() > 4 ? args[4].toInt() : 0) * 1000;

    QMap<QString, int> outcomes;
    QList<qint64> startMs;
    QTemporaryDir dir;
    const QString sound = dir.filePath(QStringLiteral("sound.raw"));
    media::WindowsMediaPlayer player;
    player.SetAudioFile(listenMs > 0 ? sound : QStringLiteral("/dev/null"));
    for (int i = 0; i < count; ++i) {
        QElapsedTimer clock;
        clock.start();
        player.SetURL(url);
        const bool ended = QTest::qWaitFor(
            [&] {
                return player.state() == media::State::Playing ||
                       player.state() == media::State::Failed;
            },
            limitMs);
        QString outcome = ended ? player.status() : QStringLiteral("(no outcome)");
        if (player.state() == media::State::Playing) startMs.append(clock.elapsed());
        if (listenMs > 0 && player.state() == media::State::Playing) {
            const qint64 before = QFile(sound).size();
            QTest::qWait(listenMs);
            // S16LE stereo at 44100 Hz: 176400 bytes a second.
            const double heard = (QFile(sound).size() - before) / 176400.0;
            outcome += heard > listenMs / 2000.0 ? QStringLiteral(", sound")
                                                 : QStringLiteral(", no sound");
        }
        // One line each, at once: a crash loses nothing of what came before.
        std::printf("connect %d: %s after %lld ms\n", i + 1, qPrintable(outcome), clock.elapsed());
        std::fflush(stdout);
        outcomes[outcome] += 1;
        player.Stop();
    }
    std::sort(startMs.begin(), startMs.end());
    std::printf("%d connects to %s\n", count, qPrintable(url));
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        std::printf("  %5d  %s\n", it.value(), qPrintable(it.key()));
    if (!startMs.isEmpty())
        std::printf("time to Playing: median %lld ms, 90th percentile %lld ms\n",
                    startMs[startMs.size() / 2], startMs[startMs.size() * 9 / 10]);
    return 0;
}

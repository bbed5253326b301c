// The soak driver: the real main window and player, offscreen, switching
// stations of the local radio network again and again by clicking the
// station boxes, as a listener does at human speed and an impatient one
// does every 300 ms. One line per switch on stdout; scripts/soak runs it,
// restarts it after a crash and adds everything up.
//
//   klankor_soak --switches N [--start I] [--seed S] --audio FILE
//
// The plan is rounds of all 32 stations in a shuffled order, human and
// impatient rounds taking turns, so a run of 64 switches or more gives
// every station at least one human-speed try.

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "media/WindowsMediaPlayer.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"

using platform::Forms;

namespace {

constexpr int kStations = 32;
constexpr int kImpatientMs = 300;
constexpr int kConnectMs = 15000;              // a human waits this long for sound
constexpr qint64 kSoundBytes = 44100 * 4 / 2;  // half a second of it

struct Switch {
    short station;
    bool human;
};

std::vector<Switch> plan(int switches, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Switch> out;
    for (int round = 0; int(out.size()) < switches; ++round) {
        std::vector<short> order(kStations);
        for (short n = 1; n <= kStations; ++n) order[size_t(n - 1)] = n;
        std::shuffle(order.begin(), order.end(), random);
        for (short n : order) out.push_back({n, round % 2 == 0});
    }
    out.resize(size_t(switches));
    return out;
}

long peakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Root mean square of the S16LE samples in the file from `offset` on.
double loudness(const QString& file, qint64 offset) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || !in.seek(offset)) return 0;
    const QByteArray data = in.read(kSoundBytes * 4);
    const auto* samples = reinterpret_cast<const qint16*>(data.constData());
    const qsizetype count = data.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / double(count)) : 0;
}

void click(Hoofd& hoofd, short station) {
    if (station <= hoofd.VScroll1.Max() + 1) {
        hoofd.VScroll1.SetValue(short(station - 1));
        QTest::mouseClick(&hoofd.ZendersBox1, Qt::LeftButton);
    } else {
        hoofd.VScroll2.SetValue(short(station - hoofd.VScroll1.Max() - 2));
        QTest::mouseClick(&hoofd.ZendersBox2, Qt::LeftButton);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addOptions({{"switches", "how many switches", "N", "100"},
                        {"start", "first switch of the plan to run", "I", "0"},
                        {"seed", "seed of the plan", "S", "1"},
                        {"audio", "file the sound goes to", "FILE"}});
    options.process(app);
    const QString audio = options.value("audio");
    if (audio.isEmpty()) options.showHelp(2);
    media::WindowsMediaPlayer::SetDefaultAudioFile(audio);
    QFile::remove(audio);

    Hoofd& hoofd = Forms::Get<Hoofd>();
    const std::vector<Switch> all =
        plan(options.value("switches").toInt(), options.value("seed").toUInt());
    for (size_t i = options.value("start").toUInt(); i < all.size(); ++i) {
        const Switch s = all[i];
        QElapsedTimer clock;
        clock.start();
        click(hoofd, s.station);
        // Sound: the player plays this station and the sink takes half a
        // second of samples after that.
        qint64 from = -1;
        bool sound = false;
        const int patience = s.human ? kConnectMs : kImpatientMs;
        while (clock.elapsed() < patience && !sound) {
            QTest::qWait(20);
            if (from < 0 && hoofd.WMP.state() == media::State::Playing) from = QFile(audio).size();
            sound = from >= 0 && QFile(audio).size() - from >= kSoundBytes &&
                    loudness(audio, from) > 100;
        }
        std::printf("switch %zu station %d %s %s %lld ms: %s\n", i, s.station,
                    s.human ? "human" : "impatient", sound ? "sound" : "silent",
                    static_cast<long long>(clock.elapsed()), qPrintable(hoofd.WMP.status()));
        if (s.human && sound) QTest::qWait(1000);  // a listener listens a little
        if (i % 25 == 0) std::printf("memory %ld KiB\n", peakKiB());
        std::fflush(stdout);
    }
    Forms::Unload<Hoofd>();
    std::printf("memory %ld KiB\n", peakKiB());
    return 0;
}

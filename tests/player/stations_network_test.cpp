// Every station of the catalogue, played for real from the local radio
// network: the status line reaches "Afspelen" and sound reaches the sink.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include <gtest/gtest.h>

#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "support/Desktop.h"

using platform::Forms;

namespace {

// Root mean square of the 16-bit samples in a raw S16LE file, skipping the
// first `skip` bytes.
double rms(const QString& path, qint64 skip = 0) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    file.seek(skip);
    const QByteArray data = file.readAll();
    const auto* samples = reinterpret_cast<const qint16*>(data.constData());
    const qsizetype count = data.size() / 2;
    if (count == 0) return 0;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(count));
}

using desktop::WaitFor;

class Stations : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", dir->path().toLocal8Bit());
    }
    static void TearDownTestSuite() {
        Forms::Unload<Hoofd>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete dir;
    }
    static inline QTemporaryDir* dir = nullptr;
};

TEST_P(Stations, ReachesAfspelenWithSound) {
    const short station = static_cast<short>(GetParam());
    const QString audio = dir->path() + QStringLiteral("/station%1.raw").arg(station);
    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.WMP.SetAudioFile(audio);
    if (station <= hoofd.VScroll1.Max() + 1) {
        hoofd.VScroll1.SetValue(static_cast<short>(station - 1));
        QTest::mouseClick(&hoofd.ZendersBox1, Qt::LeftButton);
    } else {
        hoofd.VScroll2.SetValue(static_cast<short>(station - hoofd.VScroll1.Max() - 2));
        QTest::mouseClick(&hoofd.ZendersBox2, Qt::LeftButton);
    }
    EXPECT_EQ(hoofd.lblPlaying.Tag(), QString::number(station));
    ASSERT_TRUE(WaitFor([&] { return hoofd.lblStatus.Caption().startsWith("Afspelen"); }, 20000))
        << "station " << station << " status: " << hoofd.lblStatus.Caption().toStdString();
    // a second of sound, and it is not silence
    ASSERT_TRUE(WaitFor([&] { return QFile(audio).size() > 44100 * 4; }, 10000))
        << "station " << station << " wrote " << QFile(audio).size() << " bytes";
    EXPECT_GT(rms(audio), 300.0) << "station " << station;
    hoofd.WMP.controls().stop();
}

INSTANTIATE_TEST_SUITE_P(AllOfThem, Stations, ::testing::Range(1, 33));

}  // namespace

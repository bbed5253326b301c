// The volume slider with a real station playing: what the sink receives
// follows the thumb.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include <gtest/gtest.h>

#include "controls/frmControls.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"
#include "support/Desktop.h"

using desktop::WaitFor;
using platform::Forms;

namespace {

// Loudness of what arrived after `from` bytes of the raw S16LE file.
double rmsSince(const QString& path, qint64 from) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from)) return -1;
    const QByteArray data = file.readAll();
    const auto* samples = reinterpret_cast<const qint16*>(data.constData());
    const qsizetype count = data.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / double(count)) : -1;
}

// Drags the thumb of a slider to the given value with the mouse.
void dragTo(ucSlider& slider, int value) {
    const int y = static_cast<int>(slider.ScaleHeight() / 2);
    int x = static_cast<int>(slider.imgSlider.Left + slider.imgSlider.Width / 2);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, y));
    const int step = value > slider.Value() ? 1 : -1;
    while (slider.Value() != value && x > -10 && x < slider.width() + 10) {
        x += step;
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), slider.mapToGlobal(QPointF(x, y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&slider, &move);
    }
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, y));
}

TEST(SoundControlsWithAStation, TheSinkFollowsTheVolumeThumb) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    const QString audio = dir.filePath(QStringLiteral("audio.raw"));
    media::WindowsMediaPlayer::SetDefaultAudioFile(audio);

    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.VScroll1.SetValue(11);  // station 12, a direct stream
    QTest::mouseClick(&hoofd.ZendersBox1, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return hoofd.lblStatus.Caption().startsWith("Afspelen"); }, 20000))
        << hoofd.lblStatus.Caption().toStdString();
    ucSlider& volume = Forms::Get<frmControls>().ucSlider1;

    // Each level is judged on a second of sound after the next one and a
    // half, which may have been on its way when the thumb stopped.
    const auto arrived = [&](qint64 from, qint64 bytes) {
        return WaitFor([&] { return QFile(audio).size() > from + bytes; }, 10000);
    };
    auto level = [&](int value) {
        dragTo(volume, value);
        EXPECT_EQ(hoofd.WMP.settings().volume(), value);
        EXPECT_TRUE(arrived(QFile(audio).size(), 44100 * 4 * 3 / 2));
        const qint64 from = QFile(audio).size();
        EXPECT_TRUE(arrived(from, 44100 * 4));
        return rmsSince(audio, from);
    };
    const double half = level(50);
    const double none = level(0);
    const double full = level(100);
    EXPECT_GT(half, 100.0);  // the control: the station is audible at the start value
    EXPECT_LT(none, 1.0);
    EXPECT_GT(full, half * 4);  // cubic: half way is an eighth of full loudness

    Forms::Unload<Hoofd>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

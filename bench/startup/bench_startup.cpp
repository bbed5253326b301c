// Start-up to the first shown frame of the main window, against a plain Qt
// window showing a picture of the same size, each measured in a fresh
// process so fonts, plugins and pictures load as they do for a user.
//
//   bench_startup            runs both, several rounds, and prints figures
//   bench_startup --klankor  one start of the main window (used internally)
//   bench_startup --plain    one start of the plain window (used internally)

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/host/Form.h"
#include "player/Hoofd.h"

namespace {

// Reports when the first frame of a window has been painted.
class FirstFrame : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
    bool painted = false;
};

class Plain : public QWidget {
public:
    Plain() {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        picture_ = QPixmap(QStringLiteral(":/skin/hoofd.gif"));
        resize(700, 200);
    }
    void paintEvent(QPaintEvent*) override { QPainter(this).drawPixmap(0, 0, picture_); }

private:
    QPixmap picture_;
};

int once(int argc, char** argv, bool klankor, qint64 started) {
    QApplication app(argc, argv);
    FirstFrame frame;
    QWidget* window = nullptr;
    if (klankor) {
        platform::Forms::SetOnLastUnload([] {});
        window = &platform::Forms::Get<Hoofd>();
    } else {
        window = new Plain;
        window->show();
    }
    window->installEventFilter(&frame);
    while (!frame.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::printf("%lld\n", static_cast<long long>(now - started));
    return 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && (qstrcmp(argv[1], "--klankor") == 0 || qstrcmp(argv[1], "--plain") == 0)) {
        return once(argc, argv, qstrcmp(argv[1], "--klankor") == 0,
                    QByteArray(argv[2]).toLongLong());
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const int rounds = 9;
    std::vector<double> klankor, plain;
    for (int i = 0; i < rounds; ++i) {
        for (bool k : {true, false}) {
            QProcess p;
            const qint64 started = QDateTime::currentMSecsSinceEpoch();
            p.start(QCoreApplication::applicationFilePath(),
                    {k ? "--klankor" : "--plain", QString::number(started)});
            p.waitForFinished(30000);
            const double ms = p.readAllStandardOutput().trimmed().toDouble();
            (k ? klankor : plain).push_back(ms);
        }
    }
    std::printf("start-up to first frame, median of %d fresh processes:\n", rounds);
    std::printf("  Klankor main window     %7.1f ms\n", median(klankor));
    std::printf("  plain Qt window (base)  %7.1f ms\n", median(plain));
    std::printf("  ratio                   %7.2f x\n", median(klankor) / median(plain));
    return 0;
}

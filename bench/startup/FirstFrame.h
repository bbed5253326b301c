#pragma once
// What both start-up programs share: the clock the parent and its children
// read, the plain window that is the baseline, and the wait for a window's
// first painted frame.

#include <sys/resource.h>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace startup {

// Microseconds of the wall clock, which every process on the machine shares.
inline long long Now() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// CPU time of the whole process so far, every thread, in microseconds: what
// a start costs the machine, which a busy machine does not stretch as it
// stretches the wall clock.
inline long long CpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval& t) { return t.tv_sec * 1000000LL + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

// Marks the start of main: what came before is the loading of the program
// and its libraries.
inline void AtMain(long long started) {
    std::printf("main %lld\n", Now() - started);
}

// A frameless window of the main window's size showing its picture, as a
// plain Qt program would.
class PlainWindow : public QWidget {
public:
    explicit PlainWindow(const QString& picture)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), picture_(picture) {
        resize(700, 200);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawPixmap(0, 0, picture_); }

private:
    QPixmap picture_;
};

// Prints the microseconds from started to the end of the first paint of the
// window that isWatched picks (all its children painted and the frame handed
// to the window system), and the CPU time used by then; then ends the
// process at once.
class FirstFrame : public QObject {
public:
    FirstFrame(long long started, std::function<bool(QObject*)> isWatched)
        : started_(started), isWatched_(std::move(isWatched)) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_ && isWatched_(object)) {
            seen_ = true;
            // Runs once the paint that is starting now has been flushed.
            QTimer::singleShot(0, [this] {
                std::printf("frame %lld\ncpu %lld\n", Now() - started_, CpuTime());
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    long long started_;
    std::function<bool(QObject*)> isWatched_;
    bool seen_ = false;
};

}  // namespace startup

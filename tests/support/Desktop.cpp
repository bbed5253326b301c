#include "support/Desktop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace desktop {

void Xdotool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(process.waitForStarted()) << "xdotool is missing";
    while (process.state() != QProcess::NotRunning) QTest::qWait(10);
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

void ClickAt(QPoint global, int button) {
    const QString b = QString::number(button);
    Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
    QTest::qWait(60);
    Xdotool({"mousedown", b});
    QTest::qWait(60);
    Xdotool({"mouseup", b});
}

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) return false;
        QTest::qWait(20);
    }
    return true;
}

EventCounter::EventCounter(QEvent::Type type) : type_(type) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool EventCounter::eventFilter(QObject* target, QEvent* event) {
    // Once per event: a widget that passes it on to its parent would count it again.
    if (event->type() == type_ && target->isWindowType()) ++count_;
    return false;
}

}  // namespace desktop

#include "support/Desktop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace desktop {

namespace {

// Runs xdotool with the event loop running meanwhile; its output, and
// whether it did what it was asked.
QByteArray run(const QStringList& args, bool& ok) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    ok = process.waitForStarted();
    while (process.state() != QProcess::NotRunning) QTest::qWait(10);
    ok = ok && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput() : process.readAllStandardError();
}

}  // namespace

void Xdotool(const QStringList& args) {
    bool ok = false;
    const QByteArray said = run(args, ok);
    ASSERT_TRUE(ok) << "xdotool " << args.join(' ').toStdString() << ": " << said.toStdString();
}

void ClickAt(QPoint global, int button) {
    const QString b = QString::number(button);
    // One run, so the press follows the move in the X server's order.
    Xdotool(
        {"mousemove", QString::number(global.x()), QString::number(global.y()), "mousedown", b});
    // Held a moment, as a hand holds it: the window manager takes up the press
    // (focus, raise, a window move) before the release, and nothing a test
    // could wait for marks that when the window is another program's.
    QTest::qWait(60);
    Xdotool({"mouseup", b});
}

bool ActiveForTheWindowManager(QWidget& window) {
    bool ok = false;
    const QByteArray id = run({QStringLiteral("getactivewindow")}, ok);
    return ok && id.trimmed().toULongLong() == window.winId();
}

namespace {

// Where the X server has a window, by its id.
std::optional<QRect> placeOf(const QString& id) {
    bool measured = false;
    const QString geometry =
        QString::fromLatin1(run({"getwindowgeometry", "--shell", id}, measured));
    if (!measured) return std::nullopt;
    QRect r;
    for (const QString& line : geometry.split(u'\n')) {
        const int value = line.section(u'=', 1).toInt();
        if (line.startsWith(u"X=")) r.moveLeft(value);
        if (line.startsWith(u"Y=")) r.moveTop(value);
        if (line.startsWith(u"WIDTH=")) r.setWidth(value);
        if (line.startsWith(u"HEIGHT=")) r.setHeight(value);
    }
    return r;
}

}  // namespace

std::optional<QRect> PlaceOnScreen(QWidget& window) {
    return placeOf(QString::number(window.winId()));
}

std::optional<QRect> ActiveWindowNamed(const QString& name, int milliseconds) {
    std::optional<QRect> place;
    WaitFor(
        [&] {
            // Shown as well as active: before it is mapped it may not be in its place yet.
            bool active = false, shown = false;
            const QByteArray id = run({"getactivewindow"}, active).trimmed();
            const QList<QByteArray> named =
                run({"search", "--onlyvisible", "--name", "^" + name + "$"}, shown).split('\n');
            if (!active || !shown || !named.contains(id)) return false;
            place = placeOf(QString::fromLatin1(id));
            return place.has_value();
        },
        milliseconds);
    return place;
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

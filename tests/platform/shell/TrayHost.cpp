#include "TrayHost.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace trayhost {
namespace {

QString run(const QString& program, const QStringList& args, bool* ok = nullptr) {
    QProcess process;
    process.start(program, args);
    bool fine = process.waitForStarted();
    while (fine && process.state() != QProcess::NotRunning) QTest::qWait(5);
    fine = fine && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok) *ok = fine;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

}  // namespace

QString Tree() {
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
}

QList<Window> Icons() {
    // Lines look like
    //   0x600003 "trayer": ("trayer" "Trayer")  120x32+0+0  +1160+0
    //      1 child:
    //      0x600004 (has no name): ()  120x32+0+0  +1160+0
    // trayer's panel holds one socket window per icon, each holding the
    // embedded client; the clients are the deepest windows under trayer.
    static const QRegularExpression line(QStringLiteral(
        R"(^(\s*)(0x[0-9a-f]+) .*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$)"));
    QList<Window> icons;
    int trayerIndent = -1;
    QList<std::pair<int, Window>> under;
    for (const QString& text : Tree().split(QLatin1Char('\n'))) {
        const auto match = line.match(text);
        if (!match.hasMatch()) continue;
        const int indent = static_cast<int>(match.captured(1).size());
        if (trayerIndent >= 0 && indent <= trayerIndent) trayerIndent = -1;
        if (trayerIndent < 0) {
            if (text.contains(QLatin1String("\"trayer\""))) trayerIndent = indent;
            continue;
        }
        const Window window{match.captured(2),
                            QRect(match.captured(5).toInt(), match.captured(6).toInt(),
                                  match.captured(3).toInt(), match.captured(4).toInt())};
        under.append({indent, window});
    }
    int deepest = -1;
    for (const auto& [indent, window] : under) deepest = std::max(deepest, indent);
    for (const auto& [indent, window] : under) {
        if (indent == deepest && window.geometry.width() > 1) icons.append(window);
    }
    return icons;
}

bool WaitForIcons(qsizetype count, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        if (Icons().size() == count) return true;
        QTest::qWait(50);
    }
    return Icons().size() == count;
}

bool WaitForIconOf(const QSystemTrayIcon& icon, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    for (;;) {
        const QList<Window> icons = Icons();
        if (icons.size() == 1 && icons.at(0).geometry == icon.geometry()) return true;
        if (deadline.hasExpired()) return false;
        QTest::qWait(50);
    }
}

bool Xdotool(const QStringList& args) {
    bool ok = false;
    run(QStringLiteral("xdotool"), args, &ok);
    return ok;
}

bool Press(const Window& window, int button) {
    const QPoint c = window.geometry.center();
    if (!Xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y())}))
        return false;
    // A pointer that has just come over a new icon: a press at once missed
    // about one run in five (no menu for the right button), and what the tray
    // or the icon still does then shows nowhere a test can look.
    QTest::qWait(50);
    return Xdotool({QStringLiteral("mousedown"), QString::number(button)});
}

bool Release(int button) {
    return Xdotool({QStringLiteral("mouseup"), QString::number(button)});
}

bool Click(const Window& window, int button) {
    if (!Press(window, button)) return false;
    // Held a moment, as a hand holds it: the icon may be another program's,
    // whose taking up of the press nothing here can see.
    QTest::qWait(50);
    return Release(button);
}

}  // namespace trayhost

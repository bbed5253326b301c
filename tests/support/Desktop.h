#pragma once
// Driving a real desktop from a test: xdotool for the pointer, and waiting
// for the program's windows while its event loop keeps running.

#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

namespace desktop {

// Runs xdotool and lets the event loop run meanwhile; fails the test when
// xdotool does.
void Xdotool(const QStringList& args);
// Moves to a point of the screen and clicks there with the given button,
// holding it the moment a window manager needs to take up the press.
void ClickAt(QPoint global, int button = 1);
// Runs the event loop until `done` holds or the time is up.
bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000);
// Whether the window manager holds this window active, which may come after
// Qt thinks it is: a click or key before then can go astray.
bool ActiveForTheWindowManager(QWidget& window);
// Where the window is that the window manager holds active, once that is a
// window of the given name (of any program); nothing if it never is.
std::optional<QRect> ActiveWindowNamed(const QString& name, int milliseconds = 15000);
// Where the X server has one of the program's windows now: also while the
// window manager moves it, which the program hears of only at the end.
std::optional<QRect> PlaceOnScreen(QWidget& window);

// Counts the events of one type that reach the program's windows, so a test
// can wait until what it did has arrived, also when it should change nothing.
class EventCounter : public QObject {
public:
    explicit EventCounter(QEvent::Type type);
    int count() const { return count_; }

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    QEvent::Type type_;
    int count_ = 0;
};

}  // namespace desktop

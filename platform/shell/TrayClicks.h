#pragma once
// Qt reports a click on a tray icon when the button goes down; Windows tells
// the program when it comes up. This turns QSystemTrayIcon's activations into
// the mouse messages of the release: one WM_LBUTTONUP per left click, one
// WM_RBUTTONUP per right click, WM_MBUTTONUP for the middle button, and
// WM_LBUTTONDBLCLK on the second press of a double click.

#include <QObject>
#include <QSystemTrayIcon>
#include <cstdint>

namespace platform::shell {

class TrayClicks : public QObject {
    Q_OBJECT

public:
    explicit TrayClicks(QObject* parent = nullptr) : QObject(parent) {}

    void activated(QSystemTrayIcon::ActivationReason reason);

signals:
    void message(std::uint32_t number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sends the message now when the button is no longer down (the host
    // reported a finished click), else when this program sees it released.
    void onRelease(Qt::MouseButton button, std::uint32_t number);
    void stopWaiting();

    Qt::MouseButton pending_ = Qt::NoButton;
    std::uint32_t pendingMessage_ = 0;
};

}  // namespace platform::shell

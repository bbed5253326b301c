#pragma once

// The media player the main window embeds as WMP: give it an address and it
// opens and plays it, reporting progress as a short English status text.
// Built on GStreamer's playbin; every call and every StatusChange happens on
// the thread that owns the object (the user-interface thread), and no call
// waits for the network or for GStreamer.

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "platform/media/PlaylistResolver.h"

namespace platform {

class WindowsMediaPlayer : public QObject {
    Q_OBJECT
public:
    class Controls {
    public:
        void play();  // starts the current URL unless it is already opening or playing
        void stop();  // stops playing; URL keeps its value

    private:
        friend class WindowsMediaPlayer;
        explicit Controls(WindowsMediaPlayer& player) : player_(player) {}
        WindowsMediaPlayer& player_;
    };

    class Settings {
    public:
        int volume() const { return volume_; }
        void SetVolume(int volume);  // 0..100, perceptual (cubic) loudness
        int balance() const { return balance_; }
        void SetBalance(int balance);  // -100 (left) .. 100 (right)

    private:
        friend class WindowsMediaPlayer;
        explicit Settings(WindowsMediaPlayer& player) : player_(player) {}
        WindowsMediaPlayer& player_;
        int volume_ = 50;
        int balance_ = 0;
    };

    explicit WindowsMediaPlayer(QObject* parent = nullptr);
    ~WindowsMediaPlayer() override;

    QString URL() const { return url_; }
    void SetURL(const QString& url);  // autoStart: a new URL starts playing

    Controls& controls() { return controls_; }
    Settings& settings() { return settings_; }

    QString status() const { return status_; }

signals:
    void StatusChange();

protected:
    void customEvent(QEvent* event) override;

private:
    struct Engine;

    void play();
    void start();
    void stop();
    void startAttempt();
    void onResolved(const QUrl& stream);
    void onFailed(const MediaFailure& failure);
    void applyVolume();
    void applyBalance();
    void setStatus(const QString& status);
    QString connectingText() const;
    void showPlaying();

    Controls controls_{*this};
    Settings settings_{*this};
    QString url_;
    QString status_;
    QString title_;
    PlaylistResolver resolver_;
    QTimer retryTimer_;
    std::unique_ptr<Engine> engine_;
    int retries_ = 0;         // failed reconnection attempts in a row
    bool hasPlayed_ = false;  // reached Playing since the last play()
};

}  // namespace platform

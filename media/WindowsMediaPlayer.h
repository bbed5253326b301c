#pragma once

// The media player the main window embeds as WMP: give it an address and it
// opens and plays it, reporting progress as a short English status text.
// Built on GStreamer's playbin; every call and every StatusChange happens on
// the thread that owns the object (the user-interface thread), and no call
// waits for the network or for GStreamer.
//
// Each address the resolver asks a server for is also handed to a pipeline
// at once, which connects and gathers sound beside the resolver's request
// but stays silent until the resolver says the address is the stream: a
// station whose address is its stream costs one round trip, not two.

#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

#include "media/BufferingRules.h"
#include "media/BusBridge.h"
#include "media/Pipeline.h"
#include "media/Player.h"
#include "media/PlaylistResolver.h"
#include "media/Reconnection.h"

namespace media {

class WindowsMediaPlayer : public Player {
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

    // Where the sound goes: the sound card, or for tests and benchmarks a
    // file of S16LE stereo 44100 Hz samples after volume and balance,
    // written in real time like a sound card. An empty name means the
    // sound card. The default is for players made from then on.
    static void SetDefaultAudioFile(const QString& file);
    void SetAudioFile(const QString& file) { audioFile_ = file; }

    // How much sound a player gathers before it plays, in milliseconds,
    // from a server that does not send a burst at once (one that does
    // plays as soon as the burst is in); also what it gathers again after
    // the sound ran out. For players made from then on; benchmarks try
    // other values than the default.
    static void SetDefaultStartBuffer(int milliseconds);

    QString URL() const override { return url_; }
    void SetURL(const QString& url);  // autoStart: a new URL starts playing

    Controls& controls() { return controls_; }
    Settings& settings() { return settings_; }

    State state() const override { return state_; }
    QString status() const override;  // plain text; "Playing" never carries the title
    QString title() const override { return title_; }

    // The player seen by the other windows.
    void Play() override { play(); }
    void Stop() override { stop(); }
    int volume() const override { return settings_.volume(); }
    void SetVolume(int volume) override { settings_.SetVolume(volume); }
    int balance() const override { return settings_.balance(); }
    void SetBalance(int balance) override { settings_.SetBalance(balance); }
    void NetworkChange(bool online) override;
    void Suspend() override;
    void Resume() override;

protected:
    void customEvent(QEvent* event) override;

private:
    // A pipeline asked for while the plugin preload runs, built after it.
    struct Asked {
        QUrl address;
        bool confirmed;
    };

    void play();
    void start();
    void stop();
    void halt();
    void startAttempt();
    void reconnectNow();
    void onFetching(const QUrl& address);
    void onResolved(const QUrl& stream);
    void onFailed(const MediaFailure& failure);
    void open(const QUrl& address, bool confirmed);
    void build(const QUrl& address, bool confirmed);
    void failToBuild(bool confirmed);
    void watchForSound();
    void checkForSound();
    void soundWhenReady();
    void follow(BufferingRules::Do answer);
    BufferingRules::Levels levels(int percent, GstObject* queue);
    void onBusMessage(GstMessage* message);
    void onBuffering(GstMessage* message);
    void setState(State state);
    void fail(const QString& text);
    void setTitle(const QString& title);

    Controls controls_{*this};
    Settings settings_{*this};
    QString url_;
    QString audioFile_;
    State state_ = State::Undefined;
    QString shownStatus_;  // the text last announced by StatusChange
    QString failure_;      // what the Failed state reports
    int bufferPercent_ = 0;
    QString title_;
    QString host_;  // the server being asked or played from: errors name it
    PlaylistResolver resolver_;
    Reconnection reconnection_;
    QTimer retryTimer_;
    QTimer noSoundTimer_;  // an approved pipeline that takes bytes but makes no sound
    bool reopenedSilent_ = false;
    std::shared_ptr<Mailbox> mailbox_;  // GStreamer's threads post here
    Pipeline pipeline_;
    std::optional<Asked> waitingToBuild_;
    BufferingRules buffering_;
    QTimer bufferingTimer_;  // when the buffering rules want to be asked again
    bool asleep_ = false;
    // Back from waiting and not yet sounding: the status keeps saying it
    // waits, so a wake-up is not taken for a stop or a new station.
    bool resuming_ = false;
};

}  // namespace media

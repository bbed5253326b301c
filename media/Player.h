#pragma once
// The player as the windows other than the main one (and the desktop bus)
// see it: start, stop, loudness and what it is doing. The main window owns
// the real one and hands this out, so nobody else needs to know it.

#include <QObject>
#include <QString>

namespace media {

// What the player is doing; its English status text is made from this.
enum class State {
    Undefined,   // no address chosen in this run
    Connecting,  // opening the address (also while retrying after a drop)
    Buffering,   // connected, waiting for enough sound
    Playing,     // sound comes out
    Stopped,     // stopped by the user
    Ready,       // finite media played to its end
    Failed,      // gave up; the status names the cause
    Waiting,     // the network is gone or the machine sleeps: the station comes back after
};

// The listener asked for sound and has it, or will have it again: neither
// stopped nor given up.
inline bool WantsSound(State state) {
    return state == State::Connecting || state == State::Buffering || state == State::Playing ||
           state == State::Waiting;
}

class Player : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void Play() = 0;  // starts (or restarts) the current address
    virtual void Stop() = 0;  // stops; the address stays
    virtual State state() const = 0;
    virtual QString status() const = 0;  // short English text, as the status line shows it
    // What the station says it plays now (artist and title as it sends
    // them), as plain text: never markup, whatever the station sent. Empty
    // when it says nothing, and after Stop or a new address.
    virtual QString title() const = 0;
    virtual QString URL() const = 0;  // empty until an address is chosen
    virtual int volume() const = 0;   // 0..100
    virtual void SetVolume(int volume) = 0;
    virtual int balance() const = 0;  // -100 (left) .. 100 (right)
    virtual void SetBalance(int balance) = 0;

    // The desktop's word on the network, and the machine going to sleep and
    // waking up. A station the listener asked for waits through both and
    // comes back after; until the desktop says anything there is a network.
    virtual void NetworkChange(bool online) = 0;
    virtual void Suspend() = 0;
    virtual void Resume() = 0;

signals:
    void StatusChange();
    void TitleChange();  // title() changed; on the thread that owns the player
};

}  // namespace media

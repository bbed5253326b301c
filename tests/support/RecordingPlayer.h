#pragma once
// A player for the windows that reach it through the player seam: it is
// handed out for its lifetime, notes every call in order, and is in
// whatever state a test puts it.

#include <QStringList>

#include <ostream>

#include "media/Player.h"
#include "media/PlayerSeam.h"

class RecordingPlayer : public media::Player {
public:
    RecordingPlayer() { PlayerSeam::HandOut(this); }
    ~RecordingPlayer() override { PlayerSeam::HandOut(nullptr); }

    void Play() override { calls << QStringLiteral("Play"); }
    void Stop() override { calls << QStringLiteral("Stop"); }
    media::State state() const override { return now; }
    QString status() const override { return {}; }
    QString URL() const override { return url; }
    QString title() const override { return {}; }
    int volume() const override { return 0; }
    void SetVolume(int volume) override { calls << QStringLiteral("volume %1").arg(volume); }
    int balance() const override { return 0; }
    void SetBalance(int balance) override { calls << QStringLiteral("balance %1").arg(balance); }
    void NetworkChange(bool online) override {
        calls << (online ? QStringLiteral("online") : QStringLiteral("offline"));
    }
    void Suspend() override { calls << QStringLiteral("Suspend"); }
    void Resume() override { calls << QStringLiteral("Resume"); }

    media::State now = media::State::Undefined;
    QString url;
    QStringList calls;
};

// The calls, readable in a failure.
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

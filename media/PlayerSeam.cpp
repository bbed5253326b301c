#include "media/PlayerSeam.h"

#include <QPointer>

namespace PlayerSeam {
namespace {

class NoPlayer : public media::Player {
public:
    void Play() override {}
    void Stop() override {}
    media::State state() const override { return media::State::Undefined; }
    QString status() const override { return QString(); }
    QString URL() const override { return QString(); }
    int volume() const override { return 50; }
    void SetVolume(int) override {}
    int balance() const override { return 0; }
    void SetBalance(int) override {}
    QString title() const override { return QString(); }
    void NetworkChange(bool) override {}
    void Suspend() override {}
    void Resume() override {}
};

QPointer<media::Player>& handedOut() {
    static QPointer<media::Player> player;
    return player;
}

QPointer<Remote>& handedOutRemote() {
    static QPointer<Remote> remote;
    return remote;
}

}  // namespace

media::Player& Player() {
    static NoPlayer none;
    media::Player* player = handedOut();
    return player ? *player : none;
}

void HandOut(media::Player* player) {
    handedOut() = player;
}

Remote* MainWindow() {
    return handedOutRemote();
}

void HandOutRemote(Remote* remote) {
    handedOutRemote() = remote;
}

}  // namespace PlayerSeam

#include "player/PlayerSeam.h"

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
};

QPointer<media::Player>& handedOut() {
    static QPointer<media::Player> player;
    return player;
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

}  // namespace PlayerSeam

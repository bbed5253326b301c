#pragma once
// The desktop's word on the network, from NetworkManager through Qt's
// network information, handed to the player: while there is no network a
// station waits for it instead of being given up.

#include <QNetworkInformation>
#include <QObject>

namespace session {

class NetworkWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Follows NetworkManager from now on. Where none answers, the player
    // hears nothing and goes on as if there were a network.
    void Start();

private:
    void follow(QNetworkInformation::Reachability reachability);
};

}  // namespace session

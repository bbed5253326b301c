#include "session/NetworkWatch.h"

#include "media/PlayerSeam.h"

namespace session {

void NetworkWatch::Start() {
    // By name: the glib backend, also installed, takes a machine that has
    // only loopback for one without a network.
    if (!QNetworkInformation::loadBackendByName(u"networkmanager")) return;
    QNetworkInformation* information = QNetworkInformation::instance();
    connect(information, &QNetworkInformation::reachabilityChanged, this, &NetworkWatch::follow);
    follow(information->reachability());
}

void NetworkWatch::follow(QNetworkInformation::Reachability reachability) {
    // Connecting, a local or a limited network may still reach the station;
    // only none at all is worth waiting out.
    PlayerSeam::Player().NetworkChange(reachability !=
                                       QNetworkInformation::Reachability::Disconnected);
}

}  // namespace session

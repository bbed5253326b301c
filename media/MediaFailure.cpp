#include "media/MediaFailure.h"

namespace media {

MediaFailure MediaFailure::Network(Kind kind, const QString& host) {
    switch (kind) {
        case Kind::HostNotFound: return {kind, QStringLiteral("Host not found: %1").arg(host)};
        case Kind::ConnectionRefused:
            return {kind, QStringLiteral("Connection refused by %1").arg(host)};
        case Kind::ServerNotResponding:
            return {kind, QStringLiteral("Server not responding: %1").arg(host)};
        default: return {Kind::ConnectionLost, QStringLiteral("Connection to %1 lost").arg(host)};
    }
}

bool MediaFailure::retryable() const {
    switch (kind) {
        case Kind::HostNotFound:
        case Kind::ConnectionRefused:
        case Kind::ServerNotResponding:
        case Kind::ServerError:
        case Kind::ConnectionLost: return true;
        default: return false;
    }
}

}  // namespace media

#include "media/MediaFailure.h"

namespace media {

MediaFailure MediaFailure::Network(Kind kind, const QString& host) {
    switch (kind) {
        case Kind::HostNotFound: return {kind, QStringLiteral("Host not found: %1").arg(host)};
        case Kind::ConnectionRefused:
            return {kind, QStringLiteral("Connection refused by %1").arg(host)};
        case Kind::ServerNotResponding:
            return {kind, QStringLiteral("Server not responding: %1").arg(host)};
        case Kind::SecureConnectionFailed:
            return {kind, QStringLiteral("Secure connection to %1 failed").arg(host)};
        default: return {Kind::ConnectionLost, QStringLiteral("Connection to %1 lost").arg(host)};
    }
}

MediaFailure MediaFailure::Http(int status, const QString& host) {
    if (status == 404 || status == 410)
        return {Kind::NotFound, QStringLiteral("Not found (%1)").arg(status)};
    if (status == 401 || status == 403 || status == 407)
        return {Kind::AccessDenied, QStringLiteral("Access denied (%1)").arg(status)};
    if (status >= 500)
        return {Kind::ServerError, QStringLiteral("Server error (%1) at %2").arg(status).arg(host)};
    return {Kind::NotFound, QStringLiteral("Refused by server (%1)").arg(status)};
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

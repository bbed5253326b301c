#pragma once
// Why a station does not play, as a kind the player can act on and the
// status text the listener reads.

#include <QMetaType>
#include <QString>

namespace media {

struct MediaFailure {
    enum class Kind {
        None,
        HostNotFound,
        ConnectionRefused,
        NotFound,
        AccessDenied,
        ServerNotResponding,
        ServerError,
        ConnectionLost,
        SecureConnectionFailed,  // certificate not trusted, or no common protocol
        NotAudio,
        UnsupportedAddress,
        PlaylistTooLarge,
        PlaylistTooDeep,
        PlaylistLoop,
        PlaylistEmpty,
        AudioDevice,
    };

    MediaFailure() = default;
    MediaFailure(Kind k, QString t) : kind(k), text(std::move(t)) {}

    // A failure to reach `host`, in the same words wherever it is noticed:
    // HostNotFound, ConnectionRefused, ServerNotResponding,
    // SecureConnectionFailed or ConnectionLost.
    static MediaFailure Network(Kind kind, const QString& host);

    // An HTTP error status (400 and up) from `host`.
    static MediaFailure Http(int status, const QString& host);

    Kind kind = Kind::None;
    QString text;  // the status text shown for it

    // Worth trying again later: the station may come back.
    bool retryable() const;
};

}  // namespace media

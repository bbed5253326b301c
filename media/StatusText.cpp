#include "media/StatusText.h"

#include "media/PlainText.h"

namespace media {
namespace {

QString statusOf(const StatusFacts& f) {
    const QString waiting = QStringLiteral("Waiting for network");
    // Until the sound is back, a wake-up or the network's return is not
    // taken for a new station.
    if (f.resuming && (f.state == State::Connecting || f.state == State::Buffering)) return waiting;
    switch (f.state) {
        case State::Undefined: return QString();
        case State::Connecting: {
            const QString connecting = f.host.isEmpty()
                                           ? QStringLiteral("Connecting...")
                                           : QStringLiteral("Connecting to %1...").arg(f.host);
            return f.retries > 0 ? QStringLiteral("%1 (retry %2)").arg(connecting).arg(f.retries)
                                 : connecting;
        }
        case State::Buffering: return QStringLiteral("Buffering (%1%)").arg(f.bufferPercent);
        case State::Waiting: return waiting;
        case State::Playing: return QStringLiteral("Playing");
        case State::Stopped: return QStringLiteral("Stopped");
        case State::Ready: return QStringLiteral("Ready");
        case State::Failed: return f.failure;
    }
    return QString();
}

}  // namespace

QString StatusText(const StatusFacts& facts) {
    return plainText(statusOf(facts));
}

}  // namespace media

#include "session/SleepWatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "media/PlayerSeam.h"

namespace session {
namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

void SleepWatch::Start(const QDBusConnection& systemBus) {
    bus_ = systemBus;
    if (!bus_.isConnected()) return;
    bus_.connect(kLogin, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                 SLOT(PrepareForSleep(bool)));
    takeLock();
}

void SleepWatch::takeLock() {
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kLogin, kPath, kManager, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep") << QStringLiteral("Klankor")
            << QStringLiteral("De zender stopt netjes voor de slaapstand")
            << QStringLiteral("delay");
    auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(inhibit), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        // A lock that comes after the machine began to sleep would only make
        // it wait longer.
        if (reply.isValid() && !asleep_) lock_ = reply.value();
        w->deleteLater();
    });
}

void SleepWatch::PrepareForSleep(bool start) {
    asleep_ = start;
    if (start) {
        // The stop returns at once (the pipeline goes down on another
        // thread), so the lock goes back well within logind's patience.
        PlayerSeam::Player().Suspend();
        lock_ = QDBusUnixFileDescriptor();
        return;
    }
    takeLock();
    PlayerSeam::Player().Resume();
}

}  // namespace session

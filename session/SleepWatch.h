#pragma once
// The machine going to sleep, from logind. Klankor holds a delay lock, so
// that before the machine sleeps the station stops cleanly rather than
// being cut off by the sleeping network; after waking it plays again.

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

namespace session {

class SleepWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes the lock and listens from now on; where no logind answers,
    // nothing happens.
    void Start(const QDBusConnection& systemBus);

private slots:
    void PrepareForSleep(bool start);

private:
    void takeLock();

    QDBusConnection bus_{QString()};
    QDBusUnixFileDescriptor lock_;  // held for as long as the machine may not sleep yet
    bool asleep_ = false;
};

}  // namespace session

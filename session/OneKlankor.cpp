#include "session/OneKlankor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

#include "platform/registry/XdgConfig.h"
#include "media/PlayerSeam.h"
#include "session/Mpris.h"

namespace session {
namespace {

constexpr int kAnswerMs = 5000;
const QByteArray kRaise = "raise\n";
const QByteArray kRaised = "ok\n";

// A folder only its owner, the user, can enter.
bool isPrivate(const QString& folder) {
    if (folder.isEmpty() || QDir::isRelativePath(folder)) return false;
    const QFileInfo info(folder);
    return info.isDir() && !info.isSymLink() && info.ownerId() == ::getuid() &&
           (info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                  QFile::ReadOther | QFile::WriteOther | QFile::ExeOther)) == 0;
}

QString privateFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivate(runtime)) return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/klankor-%1").arg(::getuid());
    platform::registry::makePrivatePath(own);
    return isPrivate(own) ? own : QString();
}

void warn(const QString& why) {
    qWarning("Klankor kan niet nagaan of het al draait (%s); het start toch.", qPrintable(why));
}

}  // namespace

OneKlankor::Outcome OneKlankor::Claim(const QDBusConnection& bus) {
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon) return claimSocket();
    const QString name = QLatin1String(kMprisService);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claimed =
        daemon->registerService(name, QDBusConnectionInterface::DontQueueService,
                                QDBusConnectionInterface::DontAllowReplacement);
    if (!claimed.isValid()) return claimSocket();  // the bus will not say: the socket can
    if (claimed.value() == QDBusConnectionInterface::ServiceRegistered) return Outcome::First;
    const QDBusMessage raised =
        bus.call(QDBusMessage::createMethodCall(name, QLatin1String(kMprisPath),
                                                QLatin1String(kMprisRoot), QStringLiteral("Raise")),
                 QDBus::Block, kAnswerMs);
    return raised.type() == QDBusMessage::ReplyMessage ? Outcome::Raised : Outcome::NoAnswer;
}

OneKlankor::Outcome OneKlankor::claimSocket() {
    const QString folder = privateFolder();
    if (folder.isEmpty()) {
        warn(QStringLiteral("geen map van jou alleen"));
        return Outcome::First;
    }
    const QString socket = folder + QStringLiteral("/klankor.socket");
    lock_ = std::make_unique<QLockFile>(folder + QStringLiteral("/klankor.lock"));
    lock_->setStaleLockTime(0);  // held for the whole run: stale only when its holder is gone
    if (lock_->tryLock(0)) {
        QLocalServer::removeServer(socket);  // left behind by a run that did not end
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        connect(&server_, &QLocalServer::newConnection, this, &OneKlankor::answer);
        if (!server_.listen(socket)) warn(server_.errorString());
        return Outcome::First;
    }
    const bool held = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
    if (!held) {
        warn(folder + QStringLiteral("/klankor.lock"));
        return Outcome::First;
    }
    // The other one listens right after it took the lock: give it a moment.
    QLocalSocket other;
    for (int attempt = 0; attempt < 50 && other.state() != QLocalSocket::ConnectedState;
         ++attempt) {
        other.connectToServer(socket);
        if (!other.waitForConnected(100)) QThread::msleep(50);
    }
    if (other.state() != QLocalSocket::ConnectedState) return Outcome::NoAnswer;
    other.write(kRaise);
    while (other.bytesAvailable() < kRaised.size() && other.waitForReadyRead(kAnswerMs)) {
    }
    return other.readLine(16) == kRaised ? Outcome::Raised : Outcome::NoAnswer;
}

void OneKlankor::answer() {
    while (QLocalSocket* caller = server_.nextPendingConnection()) {
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        connect(caller, &QLocalSocket::readyRead, caller, [caller] {
            if (!caller->canReadLine()) {
                if (caller->bytesAvailable() > kRaise.size()) caller->abort();
                return;
            }
            if (caller->readLine(16) == kRaise) {
                if (PlayerSeam::Remote* main = PlayerSeam::MainWindow()) main->Raise();
                caller->write(kRaised);
            }
            caller->disconnectFromServer();
        });
    }
}

}  // namespace session

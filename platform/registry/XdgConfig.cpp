#include "platform/registry/XdgConfig.h"

#include "platform/registry/ShellError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform::registry {

QString xdgConfigHome() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_CONFIG_HOME");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!fromEnvironment.isEmpty() && QDir::isRelativePath(fromEnvironment))
        folder = QDir::homePath() + QStringLiteral("/.config");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        throw ShellError(ShellError::AccessDenied, QStringLiteral("no config folder"));
    return folder;
}

bool makePrivatePath(const QString& folder) {
    const QString path = QDir::cleanPath(folder);
    const QFileInfo info(path);
    if (info.isDir()) return true;
    if (info.exists() || info.isSymLink() || info.path() == path) return false;
    if (!makePrivatePath(info.path())) return false;
    constexpr auto kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    // mkdir's mode goes through the umask, which may take the owner's own
    // bits away; the chmod after it puts them back.
    if (!QDir().mkdir(path, kOwnerOnly)) return QFileInfo(path).isDir();  // made by another
    return QFile::setPermissions(path, kOwnerOnly);
}

void setAside(const QString& file) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString backup = file + QStringLiteral(".bad-") + stamp +
                               (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        const QFileInfo taken(backup);
        if (taken.exists() || taken.isSymLink()) continue;
        if (QDir().rename(file, backup)) return;
        break;
    }
    throw ShellError(ShellError::AccessDenied, QStringLiteral("cannot set the file aside"));
}

}  // namespace platform::registry

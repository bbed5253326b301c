#include "platform/registry/XdgConfig.h"

#include "platform/registry/ShellError.h"

#include <QDir>
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

}  // namespace platform::registry

#pragma once

#include "platform/registry/ShellError.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace platform {

// Stand-in for the scripting shell object's registry methods. Values live in
// the per-user store file; the run-at-logon value of this program is the XDG
// autostart entry. Holds nothing: every call goes to the store afresh.
// Failures raise ShellError, as the object raises its errors.
class WScriptShell {
public:
    // Creates or replaces a value; Type is "REG_SZ" (the default) or "REG_DWORD".
    void RegWrite(const QString& Name, const QVariant& Value,
                  const QString& Type = QStringLiteral("REG_SZ"));
    // A text value as QString, a number value as int. Raises if it does not exist.
    QVariant RegRead(const QString& Name);
    // Raises if the value does not exist.
    void RegDelete(const QString& Name);
};

// CreateObject for the program identifier "WScript.Shell" (in any letter case);
// raises ShellError(CannotCreate) for any other.
std::unique_ptr<WScriptShell> CreateObject(const QString& ProgId);

}  // namespace platform

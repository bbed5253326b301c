#include "platform/registry/WScriptShell.h"

#include "platform/registry/Autostart.h"
#include "platform/registry/RegistryFile.h"

#include <limits>

namespace platform {

namespace {

// Where Windows keeps the programs it starts at logon; our own entry there
// becomes the desktop's autostart entry, other names stay ordinary values.
bool isOwnRunEntry(const registry::ValuePath& at) {
    return at.key.compare(
               QLatin1String(
                   "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
               Qt::CaseInsensitive) == 0 &&
           at.name.compare(QLatin1String("Klankor"), Qt::CaseInsensitive) == 0;
}

qint32 toDword(const QVariant& value) {
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    // Any 32 bits will do: -50 and 4294967246 are the same dword.
    if (!ok || number < std::numeric_limits<qint32>::min() ||
        number > std::numeric_limits<quint32>::max())
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("type mismatch"));
    return static_cast<qint32>(static_cast<quint32>(number));
}

}  // namespace

void WScriptShell::RegWrite(const QString& Name, const QVariant& Value, const QString& Type) {
    const registry::ValuePath at = registry::splitValuePath(Name);
    if (Type.compare(QLatin1String("REG_SZ"), Qt::CaseInsensitive) == 0) {
        if (isOwnRunEntry(at))
            autostart::write(Value.toString());
        else
            registry::RegistryFile::writeString(at, Value.toString());
    } else if (Type.compare(QLatin1String("REG_DWORD"), Qt::CaseInsensitive) == 0) {
        if (isOwnRunEntry(at))
            throw ShellError(ShellError::InvalidArgument, QStringLiteral("not a program path"));
        registry::RegistryFile::writeDword(at, toDword(Value));
    } else {
        throw ShellError(ShellError::InvalidArgument, QStringLiteral("unsupported value type"));
    }
}

QVariant WScriptShell::RegRead(const QString& Name) {
    const registry::ValuePath at = registry::splitValuePath(Name);
    if (isOwnRunEntry(at)) return autostart::read();
    const registry::Value value = registry::RegistryFile::read(at);
    if (value.kind == registry::Value::Kind::Dword) return QVariant(static_cast<int>(value.number));
    return value.text;
}

void WScriptShell::RegDelete(const QString& Name) {
    const registry::ValuePath at = registry::splitValuePath(Name);
    if (at.name.isEmpty())
        throw ShellError(ShellError::InvalidArgument,
                         QStringLiteral("deleting keys is not supported"));
    if (isOwnRunEntry(at))
        autostart::remove();
    else
        registry::RegistryFile::remove(at);
}

std::unique_ptr<WScriptShell> CreateObject(const QString& ProgId) {
    if (ProgId.compare(QLatin1String("WScript.Shell"), Qt::CaseInsensitive) != 0)
        throw ShellError(ShellError::CannotCreate, QStringLiteral("cannot create object"));
    return std::make_unique<WScriptShell>();
}

}  // namespace platform

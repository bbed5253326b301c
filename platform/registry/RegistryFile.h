#pragma once

#include <QString>

namespace platform::registry {

// One registry value as the store holds it.
struct Value {
    enum class Kind { String, Dword };
    Kind kind = Kind::String;
    QString text;     // Kind::String
    qint32 number{};  // Kind::Dword, the 32 bits read as signed
};

// A value path split into its key ("HKEY_CURRENT_USER\Software\...", root
// spelled out) and value name (empty for the key's default value "@").
struct ValuePath {
    QString key;
    QString name;
};

// Splits "ROOT\key\...\name"; a trailing backslash names the default value.
// Throws ShellError(InvalidArgument) for an unknown root, an empty part or
// characters a .reg line cannot hold.
ValuePath splitValuePath(const QString& path);

// The per-user store: one file in regedit's export format
// ($XDG_CONFIG_HOME/klankor/klankor.reg). Every call opens the file afresh;
// writes rewrite it atomically under a lock, keeping everything they do not
// touch as it was. Failures throw ShellError.
namespace RegistryFile {

QString fileName();  // where the store lives now (follows XDG_CONFIG_HOME)

Value read(const ValuePath& at);  // NotFound if absent, InvalidData if unusable
void writeString(const ValuePath& at, const QString& text);
void writeDword(const ValuePath& at, qint32 number);
void remove(const ValuePath& at);  // NotFound if absent

// Stores larger than this are not parsed but set aside like corrupt ones.
constexpr qint64 MaxBytes = 2 * 1024 * 1024;
// How long a write waits for another writer before it gives up.
constexpr int LockWaitMs = 400;

}  // namespace RegistryFile

}  // namespace platform::registry

#pragma once
// Every value the program keeps between runs, by its full path; RegEdit
// reads and writes them.

#include <QString>

namespace RegPaths {

inline const QString Zender =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\zender");
inline const QString Autostream =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\autostream");
inline const QString Minsys =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\minsys");
inline const QString Volume =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\volume");
inline const QString Balance =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\balance");
// The run-at-logon entry: the program's own path while it starts at logon.
inline const QString Run =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Klankor");

}  // namespace RegPaths

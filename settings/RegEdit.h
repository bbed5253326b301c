#pragma once

#include <QString>

// The program's only way into its stored settings. Every operation is
// silent: failures change nothing, and a read that fails gives "".
// Paths are full value paths such as
// "HKEY_CURRENT_USER\Software\Quelmo\Klankor\zender".
namespace RegEdit {

void WriteRegString(const QString& Path, const QString& Value);
void WriteRegDword(const QString& Path, short Value);
QString ReadRegValue(const QString& Path);
void DeleteRegValue(const QString& Path);

}  // namespace RegEdit

#pragma once

#include <QString>

// The run-at-logon entry as an XDG autostart desktop entry
// ($XDG_CONFIG_HOME/autostart/klankor.desktop). Failures throw ShellError.
namespace platform::autostart {

QString fileName();

// Writes an entry that starts `program`. Paths a desktop entry cannot carry
// safely (line breaks, control characters, '%') are refused.
void write(const QString& program);
// The program the entry starts, unquoted. NotFound if there is no entry.
QString read();
// NotFound if there is no entry.
void remove();

}  // namespace platform::autostart

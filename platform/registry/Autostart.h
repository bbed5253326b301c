#pragma once

#include <QString>

// The run-at-logon entry as an XDG autostart desktop entry
// ($XDG_CONFIG_HOME/autostart/klankor.desktop). The desktop's own start-up
// tools make and switch off entries of that name too, so an entry is judged
// by the program its Exec starts (a name on PATH, a link, a hard link all
// count as that program) and one the desktop switched off reads as absent.
// The file is only ever written whole (never through a link in its place),
// and a file that is not a desktop entry is never written over or deleted.
// Failures throw ShellError.
namespace platform::autostart {

QString fileName();

// Switches the entry on for `program`. An existing entry keeps its other
// keys and groups, and its Exec if that already starts `program`; a file
// that is no desktop entry at all is set aside first. Paths a desktop entry
// cannot carry safely (line breaks, control characters, '%') are refused.
void write(const QString& program);
// The program the entry starts: this program's own path when Exec starts
// it, otherwise the single unquoted argument or Exec as written. NotFound if
// there is no entry or it is switched off; InvalidData or AccessDenied for
// a file that is no usable desktop entry.
QString read();
// An entry that starts this program is switched off in place (deleted only
// when it is exactly as write() makes it); one for another program is
// deleted. NotFound if there is no entry or it is already off.
void remove();

}  // namespace platform::autostart

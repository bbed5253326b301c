#pragma once

#include <QString>

namespace platform::registry {

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or relative (the
// XDG rules say a relative one is to be ignored; Qt 6.4 would take it
// relative to the working folder). Throws ShellError(AccessDenied) when
// there is no home folder either.
QString xdgConfigHome();

// Creates `folder` and whatever parents it lacks with mode 0700, whatever
// the umask: what we keep under the config folder is nobody else's
// business. Folders that exist keep their modes. False if it cannot be made.
bool makePrivatePath(const QString& folder);

// Moves a file we cannot use to "<file>.bad-<time>" rather than writing
// over it. Throws ShellError(AccessDenied) if it cannot be moved.
void setAside(const QString& file);

}  // namespace platform::registry

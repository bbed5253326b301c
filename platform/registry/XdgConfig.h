#pragma once

#include <QString>

namespace platform::registry {

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or relative (the
// XDG rules say a relative one is to be ignored; Qt 6.4 would take it
// relative to the working folder). Throws ShellError(AccessDenied) when
// there is no home folder either.
QString xdgConfigHome();

}  // namespace platform::registry

#pragma once
// The end of the session as it reaches a program on Linux: the session
// manager asking it to save before the user logs out, or a signal that ends
// the process (SIGTERM when the desktop stops it, SIGHUP when its terminal
// goes, SIGINT for Ctrl+C). Windows sends the program's windows their
// unload instead; here both come to one handler on the event loop.

#include <functional>

namespace platform::session {

// Installs the handlers; `end` runs once, on the GUI thread, whichever
// comes first. A second signal while it runs ends the process at once.
void OnEnd(std::function<void()> end);

}  // namespace platform::session

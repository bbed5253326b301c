#pragma once
// What Klankor answers on the command line without starting: --help and
// --version. It takes nothing else of its own; Qt's options (-platform,
// -display, -style, -session ...) pass through to Qt.

#include <optional>

// The exit status when the run ends here (an answer, or an option it does
// not know), nothing when the program should start. Needs no X server.
std::optional<int> AnswerCommandLine(int argc, char** argv);

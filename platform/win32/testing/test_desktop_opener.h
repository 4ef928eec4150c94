// The desktop's opener of a test program: only the program a test named, started by its full
// path. Until a test names one, every start fails: a test never reaches the desktop's opener.
#pragma once

#include <string>
#include <vector>

namespace orva::testing {

// From now on the opener is command[0] (a full path) with the rest of command before the file.
void UseDesktopOpener(std::vector<std::string> command);
// No opener again: starts fail.
void UseNoDesktopOpener();

}  // namespace orva::testing

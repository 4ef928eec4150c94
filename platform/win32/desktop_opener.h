// Starting the desktop's opener for a file: the program a workbook or a help document is handed
// to. Defined once per executable by the machine it links: orva_machine for the program (the
// desktop's xdg-open, found on PATH), the tests' own for the test programs (only the program a
// test named, never the desktop's).
#pragma once

#include <sys/types.h>

#include <string>

namespace orva::win32 {

// Starts the opener for file as a child of this process. Gives 0 and the child's id in pid, or
// the system's error number when it could not be started.
int StartDesktopOpener(const std::string& file, pid_t& pid);

}  // namespace orva::win32

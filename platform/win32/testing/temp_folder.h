// Folders of tests and benchmarks in the system's temporary folder ($TMPDIR when it is set, else
// /tmp), named <prefix>-XXXXXX.
#pragma once

#include <string>

namespace orva::testing {

// A new folder; the caller removes it. Empty when none could be made.
std::string MakeTempFolder(const std::string& prefix);
// A new folder that is removed with all it holds when the process ends. Empty when none could be
// made.
std::string MakeProcessTempFolder(const std::string& prefix);

}  // namespace orva::testing

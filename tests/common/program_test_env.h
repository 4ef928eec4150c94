// Test set-up shared by the suites that run the program's window: no port of the machine, only
// the ports a test registers, and the shared settings as the program starts with them.
#pragma once

#include <filesystem>

namespace orva::testenv {

// Points the port scan at an empty sysfs tree and an empty virtual-port folder inside a fresh
// temporary folder (named after prefix), which it returns.
std::filesystem::path UsePrivatePortTable(const char* prefix);
// Gives the machine's port table back and removes the folder.
void RestoreMachinePortTable(const std::filesystem::path& root);

// The program image's initial values of what the window, its pages and acquisition share,
// so that an earlier dialog of the same test process leaves nothing behind.
void ResetSharedSettings();

}  // namespace orva::testenv

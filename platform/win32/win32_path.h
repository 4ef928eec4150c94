// Windows-style paths of the program ("c:\QZWLog.txt", ".\user.doc") mapped to real places:
// the drive to a per-user folder, "." to the working directory, backslashes to slashes.
#pragma once

#include <string>

namespace orva::paths {

// $XDG_STATE_HOME/orva-fg/drive_c, falling back to ~/.local/state/orva-fg/drive_c.
std::string DriveCRoot();

// "c:\a\b.txt" -> <DriveCRoot>/a/b.txt; ".\user.doc" -> ./user.doc; other paths keep their
// text with backslashes turned into slashes.
std::string MapWindowsPath(const std::string& path);

}  // namespace orva::paths

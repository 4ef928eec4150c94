// For platform code only (Qt): opens a QSaveFile for the path as SavedFile does, so that the
// CSV report and the graph's picture are written the same careful way.
#pragma once

#include <QSaveFile>
#include <string>

namespace orva::files {

// False with the reason when the path names something that must not be written (not a regular
// file, not writable by the user) or the file cannot be opened.
bool OpenForSaving(QSaveFile& file, const std::string& path, std::string& reason);

// True when the open file is written in place (the folder took no new file).
bool WritesInPlace(QSaveFile& file, const std::string& path);

}  // namespace orva::files

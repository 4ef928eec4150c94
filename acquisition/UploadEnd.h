// The text shown when an upload ends, and the upload's time-out.
#pragma once

#include <string>

// "Data uploaded successfully!" and its follow-up lines; when frames were refused for their
// checksum, received bytes were lost or the gauge sent more records than the upload keeps, a
// warning line that says so follows.
std::string UploadEndText(int badFrames, bool overflow, int recordsNotStored = 0);

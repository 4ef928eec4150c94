// Fills the sample store as a test at 1000 readings per second without live display would, for
// tests and benchmarks of what a stop does with a full store. The readings go through the
// thread's parser; nothing is drawn or listed on the way.
#pragma once

#include <cstdint>

class CKvDlg;

// Readings 1..count (count at most 3,599,999) with loads following a ramp and hold, unit " N".
// Returns the outcome of one more reading offered after them: true when it stopped the test
// (the store was full).
bool FillStoreLikeATest(CKvDlg& dlg, std::int32_t count, bool offerOneMore = false);

// Resident memory of the process in bytes (VmRSS).
std::int64_t ResidentBytes();
// Resident bytes of an address range (mincore).
std::int64_t ResidentBytesOf(const void* begin, std::size_t size);

// The wrap-up of a test that the acquisition thread ended itself (break, stop load, full store).
#pragma once

#include <cstdint>
#include <string>

class CKvDlg;

// Posts the wrap-up to the UI thread; the thread returns after it. It runs once, and not at all
// when the test was stopped another way before it ran. The stopping reading's live row (when
// `listRow`) is added there, in order, at row index - 1.
void PostAutoStop(CKvDlg& dlg, bool listRow, std::int32_t index, const std::string& row,
                  const std::string& value, const std::string& time);

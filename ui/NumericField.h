// The rule of the setup pages' numeric fields.
#pragma once

#include <string>

#include "afx.h"

// Only the digits and '.' pass; at the first other character the whole text is replaced by the
// reset text, which is written back (the nested notification then sees the reset text).
std::string CheckedNumericText(CWnd& edit, const char* resetText);

#include "com_error.h"

#include <cstdio>

namespace {

struct SystemText {
    HRESULT code;
    const char* text;
};

// The system's message table for the codes it knows, each ending in a line end as the system
// gives it.
constexpr SystemText kSystemTexts[] = {
    {E_POINTER, "Invalid pointer\r\n"},
    {E_FAIL, "Unspecified error\r\n"},
    {E_INVALIDARG, "The parameter is incorrect.\r\n"},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation.\r\n"},
    {DISP_E_TYPEMISMATCH, "Type mismatch.\r\n"},
    {REGDB_E_CLASSNOTREG, "Class not registered\r\n"},
};

constexpr unsigned long kDispatchErrorBase = 0x80040200ul;
constexpr unsigned long kDispatchErrorLast = 0x8004FFFFul;

}  // namespace

std::string _com_error::ErrorMessage() const {
    for (const SystemText& s : kSystemTexts) {
        if (s.code != m_hr) continue;
        std::string text = s.text;
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
            if (!text.empty() && text.back() == '\r') text.pop_back();
        }
        return text;
    }
    char buf[64];
    unsigned long code = static_cast<ULONG>(m_hr);
    if (code > kDispatchErrorBase && code <= kDispatchErrorLast)
        std::snprintf(buf, sizeof buf, "IDispatch error #%d", static_cast<int>(code - kDispatchErrorBase));
    else
        std::snprintf(buf, sizeof buf, "Unknown error 0x%0lX", code);
    return buf;
}

void _com_issue_error(HRESULT hr) {
    throw _com_error(hr);
}

#include "ole_exceptions.h"

#include <cstdio>

namespace {

std::string CodeText(ole::HRESULT sc) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(sc));
    return buf;
}

std::string DispatchText(const ole::EXCEPINFO& info) {
    const std::string description = ole::ToNarrow(info.bstrDescription);
    if (!description.empty()) return description;
    return "The spreadsheet server reported an error (" + CodeText(info.scode) + ").";
}

}  // namespace

COleException::COleException(ole::HRESULT sc)
    : std::runtime_error("A call to the spreadsheet server failed (" + CodeText(sc) + ")."), m_sc(sc) {}

COleDispatchException::COleDispatchException(const ole::EXCEPINFO& info)
    : std::runtime_error(DispatchText(info)),
      m_wCode(info.wCode),
      m_strDescription(ole::ToNarrow(info.bstrDescription)),
      m_strSource(ole::ToNarrow(info.bstrSource)),
      m_strHelpFile(ole::ToNarrow(info.bstrHelpFile)),
      m_dwHelpContext(info.dwHelpContext),
      m_scError(info.scode) {}

// The errors of automation calls. Both are thrown by value and caught as std::exception by the
// dialog's message loop, which shows what() in an error box.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "ole_types.h"

// A call or a conversion that failed with a status code.
class COleException : public std::runtime_error {
public:
    explicit COleException(ole::HRESULT sc);

    ole::HRESULT m_sc;
};

// The server raised an error of its own while running a call; its exception record, in the
// program's text.
class COleDispatchException : public std::runtime_error {
public:
    explicit COleDispatchException(const ole::EXCEPINFO& info);

    std::uint16_t m_wCode;
    std::string m_strDescription;
    std::string m_strSource;
    std::string m_strHelpFile;
    std::uint32_t m_dwHelpContext;
    ole::HRESULT m_scError;
};

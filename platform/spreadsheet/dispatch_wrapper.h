// A plain dispatch driver for an interface handed out by a getter or a method: it takes over the
// caller's reference and releases it when it goes. The numbered members are the interface's own
// calls by dispatch id; nothing in the program needs them.
#pragma once

#include <cstdint>

#include "ole_dispatch_driver.h"

class CDispatchWrapper : public COleDispatchDriver {
public:
    CDispatchWrapper() = default;
    explicit CDispatchWrapper(ole::IDispatch* dispatch) : COleDispatchDriver(dispatch, true) {}

    void Method5();
    void Method6();
    std::int32_t GetProperty1();
    std::int32_t GetProperty54();
    void SetProperty54(std::int32_t value);
    std::int32_t GetProperty56();
    void SetProperty56(std::int32_t value);
    int GetProperty57();
    void SetProperty57(int value);
};

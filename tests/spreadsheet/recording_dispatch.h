// A dispatch interface that notes every call and answers with what the test sets.
#pragma once

#include <vector>

#include "ole_types.h"

namespace xlsx_test {

struct Call {
    ole::DISPID dispid = 0;
    std::uint16_t flags = 0;
    std::vector<ole::VARIANT> args;  // as placed: the last argument first
    std::vector<ole::DISPID> named;
    bool wantsResult = false;
};

class RecordingDispatch : public ole::IDispatch {
public:
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }

    ole::HRESULT Invoke(ole::DISPID dispid, std::uint16_t flags, ole::DISPPARAMS* params,
                        ole::VARIANT* result, ole::EXCEPINFO* info) override {
        Call call{dispid, flags, {}, {}, result != nullptr};
        for (unsigned i = 0; i < params->cArgs; ++i) call.args.push_back(params->rgvarg[i]);
        for (unsigned i = 0; i < params->cNamedArgs; ++i) call.named.push_back(params->rgdispidNamedArgs[i]);
        calls.push_back(call);
        if (answer == ole::DISP_E_EXCEPTION && info) *info = exception;
        if (result && answer >= 0) *result = reply;
        return answer;
    }

    int refs = 1;  // the reference its maker holds
    std::vector<Call> calls;
    ole::HRESULT answer = ole::S_OK;
    ole::VARIANT reply;
    ole::EXCEPINFO exception;
};

}  // namespace xlsx_test

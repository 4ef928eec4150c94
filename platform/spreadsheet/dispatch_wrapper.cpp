#include "dispatch_wrapper.h"

using namespace ole;

void CDispatchWrapper::Method5() {
    InvokeHelper(5, DISPATCH_METHOD, VT_EMPTY, nullptr);
}

void CDispatchWrapper::Method6() {
    InvokeHelper(6, DISPATCH_METHOD, VT_EMPTY, nullptr);
}

std::int32_t CDispatchWrapper::GetProperty1() {
    std::int32_t result = 0;
    InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &result);
    return result;
}

std::int32_t CDispatchWrapper::GetProperty54() {
    std::int32_t result = 0;
    InvokeHelper(54, DISPATCH_PROPERTYGET, VT_I4, &result);
    return result;
}

void CDispatchWrapper::SetProperty54(std::int32_t value) {
    InvokeHelper(54, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {DispArg::I4(value)});
}

std::int32_t CDispatchWrapper::GetProperty56() {
    std::int32_t result = 0;
    InvokeHelper(56, DISPATCH_PROPERTYGET, VT_I4, &result);
    return result;
}

void CDispatchWrapper::SetProperty56(std::int32_t value) {
    InvokeHelper(56, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {DispArg::I4(value)});
}

int CDispatchWrapper::GetProperty57() {
    int result = 0;
    InvokeHelper(57, DISPATCH_PROPERTYGET, VT_BOOL, &result);
    return result;
}

void CDispatchWrapper::SetProperty57(int value) {
    InvokeHelper(57, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, {DispArg::Bool(value)});
}

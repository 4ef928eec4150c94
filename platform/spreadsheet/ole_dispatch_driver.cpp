#include "ole_dispatch_driver.h"

#include <cstring>
#include <new>
#include <vector>

#include "workbook_server.h"

using namespace ole;

DispArg DispArg::I4(std::int32_t v) {
    DispArg a;
    a.vt = VT_I4;
    a.lVal = v;
    return a;
}

DispArg DispArg::R8(double v) {
    DispArg a;
    a.vt = VT_R8;
    a.dblVal = v;
    return a;
}

DispArg DispArg::Bool(int v) {
    DispArg a;
    a.vt = VT_BOOL;
    a.lVal = v;
    return a;
}

DispArg DispArg::Text(const char* v) {
    DispArg a;
    a.vt = VT_BSTR;
    a.text = v;
    return a;
}

DispArg DispArg::Variant(const VARIANT& v) {
    DispArg a;
    a.vt = VT_VARIANT;
    a.var = &v;
    return a;
}

DispArg DispArg::Dispatch(IDispatch* v) {
    DispArg a;
    a.vt = VT_DISPATCH;
    a.disp = v;
    return a;
}

DispArg DispArg::Unknown(IUnknown* v) {
    DispArg a;
    a.vt = VT_UNKNOWN;
    a.unk = v;
    return a;
}

DispArg DispArg::DispatchRef(IDispatch** v) {
    DispArg a;
    a.vt = VT_DISPATCH | VT_BYREF;
    a.ppdisp = v;
    return a;
}

COleDispatchDriver::COleDispatchDriver(IDispatch* dispatch, bool autoRelease)
    : m_lpDispatch(dispatch), m_bAutoRelease(autoRelease) {}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other)
    : m_lpDispatch(other.m_lpDispatch), m_bAutoRelease(true) {
    if (m_lpDispatch) m_lpDispatch->AddRef();
}

COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) {
    // The new reference is taken first, so that assigning a wrapper to itself keeps it alive.
    IDispatch* held = other.m_lpDispatch;
    if (held) held->AddRef();
    ReleaseDispatch();
    m_lpDispatch = held;
    m_bAutoRelease = true;
    return *this;
}

COleDispatchDriver::~COleDispatchDriver() {
    ReleaseDispatch();
}

bool COleDispatchDriver::CreateDispatch(const char* progId, COleException* error) {
    IDispatch* created = nullptr;
    HRESULT sc = CO_E_CLASSSTRING;
    if (progId && std::strcmp(progId, "Excel.Application") == 0) {
        created = orva::sheet::CreateApplicationObject();
        sc = created ? S_OK : E_OUTOFMEMORY;
    }
    if (!created) {
        if (error) error->m_sc = sc;
        return false;
    }
    AttachDispatch(created, true);
    return true;
}

void COleDispatchDriver::AttachDispatch(IDispatch* dispatch, bool autoRelease) {
    ReleaseDispatch();
    m_lpDispatch = dispatch;
    m_bAutoRelease = autoRelease;
}

IDispatch* COleDispatchDriver::DetachDispatch() {
    IDispatch* held = m_lpDispatch;
    m_lpDispatch = nullptr;
    return held;
}

void COleDispatchDriver::ReleaseDispatch() {
    if (m_lpDispatch && m_bAutoRelease) m_lpDispatch->Release();
    m_lpDispatch = nullptr;
}

namespace {

VARIANT ToVariant(const DispArg& a) {
    VARIANT v;
    switch (a.vt) {
        case VT_BOOL:
            v.vt = VT_BOOL;
            v.boolVal = a.lVal != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_BSTR:
            v.vt = VT_BSTR;
            v.bstrVal = ToWide(a.text ? a.text : "");
            break;
        case VT_VARIANT:
            // A copy for the call only: interface pointers in it are not counted again.
            v = *a.var;
            break;
        case VT_I4:
            v.vt = VT_I4;
            v.lVal = a.lVal;
            break;
        case VT_R8:
            v.vt = VT_R8;
            v.dblVal = a.dblVal;
            break;
        case VT_DISPATCH:
            v.vt = VT_DISPATCH;
            v.pdispVal = a.disp;
            break;
        case VT_UNKNOWN:
            v.vt = VT_UNKNOWN;
            v.punkVal = a.unk;
            break;
        default:
            v.vt = a.vt;
            v.ppdispVal = a.ppdisp;
            break;
    }
    return v;
}

// Drops a result without counting interfaces twice.
[[noreturn]] void FailConversion(VARIANT& result) {
    VariantClear(result);
    throw COleException(DISP_E_TYPEMISMATCH);
}

void StoreResult(VARIANT& result, VARTYPE vtRet, void* pvRet) {
    switch (vtRet) {
        case VT_I4:
            if (result.vt == VT_I4)
                *static_cast<std::int32_t*>(pvRet) = result.lVal;
            else if (result.vt == VT_BOOL)
                *static_cast<std::int32_t*>(pvRet) = result.boolVal;
            else
                FailConversion(result);
            break;
        case VT_R8:
            if (result.vt == VT_R8)
                *static_cast<double*>(pvRet) = result.dblVal;
            else if (result.vt == VT_I4)
                *static_cast<double*>(pvRet) = result.lVal;
            else
                FailConversion(result);
            break;
        case VT_BOOL:
            if (result.vt == VT_BOOL)
                *static_cast<int*>(pvRet) = result.boolVal != 0 ? 1 : 0;
            else if (result.vt == VT_I4)
                *static_cast<int*>(pvRet) = result.lVal != 0 ? 1 : 0;
            else
                FailConversion(result);
            break;
        case VT_BSTR:
            if (result.vt != VT_BSTR) FailConversion(result);
            *static_cast<std::string*>(pvRet) = ToNarrow(result.bstrVal);
            break;
        case VT_DISPATCH:
            if (result.vt != VT_DISPATCH) FailConversion(result);
            *static_cast<IDispatch**>(pvRet) = result.pdispVal;
            break;
        case VT_UNKNOWN:
            if (result.vt == VT_UNKNOWN)
                *static_cast<IUnknown**>(pvRet) = result.punkVal;
            else if (result.vt == VT_DISPATCH)
                *static_cast<IUnknown**>(pvRet) = result.pdispVal;
            else
                FailConversion(result);
            break;
        case VT_VARIANT:
            *static_cast<VARIANT*>(pvRet) = std::move(result);
            break;
        default:
            FailConversion(result);
    }
}

}  // namespace

void COleDispatchDriver::InvokeHelper(DISPID dispid, std::uint16_t flags, VARTYPE vtRet, void* pvRet,
                                      std::initializer_list<DispArg> args) {
    if (!m_lpDispatch) return;

    // The last argument goes first.
    std::vector<VARIANT> params;
    params.reserve(args.size());
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) params.push_back(ToVariant(*it));

    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS dispParams;
    dispParams.rgvarg = params.empty() ? nullptr : params.data();
    dispParams.cArgs = static_cast<unsigned>(params.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        dispParams.rgdispidNamedArgs = &named;
        dispParams.cNamedArgs = 1;
    }

    VARIANT result;
    EXCEPINFO info;
    const HRESULT sc =
        m_lpDispatch->Invoke(dispid, flags, &dispParams, vtRet != VT_EMPTY ? &result : nullptr, &info);
    if (Failed(sc)) {
        VariantClear(result);
        if (sc == DISP_E_EXCEPTION) {
            if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
            throw COleDispatchException(info);
        }
        throw COleException(sc);
    }
    if (vtRet != VT_EMPTY) StoreResult(result, vtRet, pvRet);
}

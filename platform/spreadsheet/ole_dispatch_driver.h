// The dispatch driver: one interface pointer and whether the driver releases it. Every member of
// the interface classes is one InvokeHelper call.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "ole_exceptions.h"
#include "ole_types.h"

// One argument of a dispatch call, with the type it is passed as.
struct DispArg {
    ole::VARTYPE vt = ole::VT_EMPTY;
    union {
        std::int32_t lVal = 0;
        double dblVal;
        const char* text;  // VT_BSTR: the program's text
        const ole::VARIANT* var;
        ole::IDispatch* disp;
        ole::IUnknown* unk;
        ole::IDispatch** ppdisp;
    };

    static DispArg I4(std::int32_t v);
    static DispArg R8(double v);
    static DispArg Bool(int v);
    static DispArg Text(const char* v);
    static DispArg Variant(const ole::VARIANT& v);
    static DispArg Dispatch(ole::IDispatch* v);
    static DispArg Unknown(ole::IUnknown* v);
    static DispArg DispatchRef(ole::IDispatch** v);
};

class COleDispatchDriver {
public:
    COleDispatchDriver() = default;
    // Takes over the caller's reference.
    explicit COleDispatchDriver(ole::IDispatch* dispatch, bool autoRelease = true);
    COleDispatchDriver(const COleDispatchDriver& other);
    COleDispatchDriver& operator=(const COleDispatchDriver& other);
    ~COleDispatchDriver();

    // Creates the server object registered under progId. False (and the code in *error) when
    // there is no such server or it cannot be created.
    bool CreateDispatch(const char* progId, COleException* error = nullptr);
    void AttachDispatch(ole::IDispatch* dispatch, bool autoRelease = true);
    ole::IDispatch* DetachDispatch();
    void ReleaseDispatch();

    // One dispatch call. pvRet points to the result of type vtRet: std::int32_t (VT_I4), double
    // (VT_R8), int (VT_BOOL, 0 or 1), std::string (VT_BSTR), IDispatch* (VT_DISPATCH), IUnknown*
    // (VT_UNKNOWN) or VARIANT (VT_VARIANT); nothing for VT_EMPTY. Throws COleDispatchException
    // for an error the server raised, COleException for any other failure.
    void InvokeHelper(ole::DISPID dispid, std::uint16_t flags, ole::VARTYPE vtRet, void* pvRet,
                      std::initializer_list<DispArg> args = {});

    ole::IDispatch* m_lpDispatch = nullptr;
    bool m_bAutoRelease = true;
};

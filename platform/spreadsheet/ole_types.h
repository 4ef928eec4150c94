// The automation types the spreadsheet server and its callers share: status codes, variants,
// argument lists, exception records and the dispatch interface. Text crosses the interface as
// wide text (UTF-16); the program's own text is UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace ole {

using HRESULT = std::int32_t;
using DISPID = std::int32_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using BSTR = std::u16string;

constexpr HRESULT S_OK = 0;
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_BYREF = 0x4000,
};

// Dispatch kinds.
constexpr std::uint16_t DISPATCH_METHOD = 1;
constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 8;
constexpr DISPID DISPID_PROPERTYPUT = -3;

class IUnknown {
public:
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IDispatch;

// A variant. Interface pointers are not counted by the variant itself: whoever fills one with a
// pointer hands over the reference it carries, and VariantClear releases it.
struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        std::int32_t lVal = 0;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        IDispatch* pdispVal;
        IUnknown* punkVal;
        IDispatch** ppdispVal;
    };
    BSTR bstrVal;
};

void VariantClear(VARIANT& v);
VARIANT MakeI4(std::int32_t value);
VARIANT MakeText(const std::string& utf8);
// The variant that stands for an argument left out.
VARIANT MakeOmitted();

struct DISPPARAMS {
    VARIANT* rgvarg = nullptr;  // the arguments, the last one first
    DISPID* rgdispidNamedArgs = nullptr;
    unsigned cArgs = 0;
    unsigned cNamedArgs = 0;
};

struct EXCEPINFO {
    std::uint16_t wCode = 0;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    std::uint32_t dwHelpContext = 0;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
    HRESULT scode = S_OK;
};

class IDispatch : public IUnknown {
public:
    // Locale and interface id are always the defaults here and are left out.
    virtual HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepInfo) = 0;
};

// UTF-8 to wide text; bytes that are not UTF-8 become U+FFFD, everything valid is kept.
BSTR ToWide(const std::string& utf8);
std::string ToNarrow(const BSTR& wide);

}  // namespace ole

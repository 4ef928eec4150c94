// Variants and the conversions between the program's text and the interface's wide text.
#include <QString>

#include "ole_types.h"

namespace ole {

void VariantClear(VARIANT& v) {
    if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->Release();
    if (v.vt == VT_UNKNOWN && v.punkVal) v.punkVal->Release();
    v.vt = VT_EMPTY;
    v.lVal = 0;
    v.bstrVal.clear();
}

VARIANT MakeI4(std::int32_t value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT MakeText(const std::string& utf8) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = ToWide(utf8);
    return v;
}

VARIANT MakeOmitted() {
    VARIANT v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

BSTR ToWide(const std::string& utf8) {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return BSTR(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

std::string ToNarrow(const BSTR& wide) {
    const QString text = QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace ole

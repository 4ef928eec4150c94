// The server's objects. Each is counted by references and keeps alive what it belongs to.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "cell_text.h"
#include "workbook_file.h"
#include "workbook_server.h"

namespace orva::sheet {

using namespace ole;

namespace {

struct Workbook {
    std::vector<std::unique_ptr<Sheet>> sheets;
    bool changed = true;
};

struct Server {
    std::vector<std::shared_ptr<Workbook>> workbooks;
    bool visible = false;
};

// Dispatch ids the server answers.
constexpr DISPID kVisible = 0x22E;
constexpr DISPID kWorkbooks = 0x23C;
constexpr DISPID kQuit = 0x12E;
constexpr DISPID kAdd = 0xB5;
constexpr DISPID kWorksheets = 0x1EE;
constexpr DISPID kItem = 0xAA;
constexpr DISPID kName = 0x6E;
constexpr DISPID kCells = 0xEE;
constexpr DISPID kColumnWidth = 0xF2;

HRESULT Raise(EXCEPINFO* info, const std::string& text) {
    if (info) {
        info->bstrSource = ToWide("ORVA-FG workbook");
        info->bstrDescription = ToWide(text);
        info->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

class ObjectBase : public IDispatch {
public:
    std::uint32_t AddRef() override { return ++m_refs; }
    std::uint32_t Release() override {
        const std::uint32_t left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<std::uint32_t> m_refs{1};
};

// The value of a property put (named argument) and the plain arguments before it.
bool IsPut(std::uint16_t flags, const DISPPARAMS* p) {
    return (flags & DISPATCH_PROPERTYPUT) && p && p->cArgs >= 1 && p->cNamedArgs == 1 &&
           p->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
}

HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
    if (!result) {
        object->Release();
        return S_OK;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    return S_OK;
}

// An index given as a whole number. A double beyond any 64-bit index (NaN and the infinities
// too) comes back as kBeyondAnyIndex, which every range check refuses; a fraction is no index.
constexpr std::int64_t kBeyondAnyIndex = std::numeric_limits<std::int64_t>::max();

bool IntegerOf(const VARIANT& v, std::int64_t& out) {
    if (v.vt == VT_I4) {
        out = v.lVal;
        return true;
    }
    if (v.vt != VT_R8) return false;
    const double d = v.dblVal;
    // 2^63 is exact as a double; every double below it and from -2^63 on converts.
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
        out = kBeyondAnyIndex;
        return true;
    }
    if (d != std::trunc(d)) return false;
    out = static_cast<std::int64_t>(d);
    return true;
}

// An index as the caller gave it, for the error text.
std::string IndexText(const VARIANT& v) {
    if (v.vt == VT_R8) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", v.dblVal);
        return text;
    }
    return v.vt == VT_I4 ? std::to_string(v.lVal) : std::string("?");
}

class RangeObject : public ObjectBase {
public:
    RangeObject(std::shared_ptr<Workbook> book, Sheet* sheet) : m_book(std::move(book)), m_sheet(sheet) {}

    HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS* p, VARIANT*, EXCEPINFO* info) override {
        if (dispid == kItem && IsPut(flags, p)) {
            if (p->cArgs != 3) return DISP_E_BADPARAMCOUNT;
            const VARIANT& value = p->rgvarg[0];
            std::int64_t column = 0, row = 0;
            if (!IntegerOf(p->rgvarg[1], column) || !IntegerOf(p->rgvarg[2], row)) return DISP_E_TYPEMISMATCH;
            if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
                return Raise(info, "The cell (row " + IndexText(p->rgvarg[2]) + ", column " +
                                       IndexText(p->rgvarg[1]) + ") lies outside the sheet.");
            if (value.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
            std::string text = ToNarrow(value.bstrVal);
            std::erase(text, '\0');
            // Held against the limit as it is written, so that no text taken here stops the
            // workbook later.
            if (value.bstrVal.size() > kMaxCellCharacters || text.size() > kMaxCellText ||
                WrittenCharacters(text) > kMaxCellCharacters)
                return Raise(info, "A cell holds at most 32767 characters.");
            if (!m_sheet->cells.Set(static_cast<std::uint32_t>(row - 1),
                                    static_cast<std::uint32_t>(column - 1), text))
                return Raise(info, "The sheet holds more text than a workbook can be made of.");
            m_book->changed = true;
            return S_OK;
        }
        if (dispid == kColumnWidth && IsPut(flags, p)) {
            const VARIANT& value = p->rgvarg[0];
            const double width = value.vt == VT_I4 ? value.lVal : value.vt == VT_R8 ? value.dblVal : -1;
            if (width < 0 || width > 255) return Raise(info, "A column width lies between 0 and 255.");
            m_sheet->columnWidth = width;
            m_book->changed = true;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::shared_ptr<Workbook> m_book;
    Sheet* m_sheet;
};

bool ValidSheetName(const std::string& name) {
    if (name.empty() || ToWide(name).size() > 31 || name.front() == '\'' || name.back() == '\'') return false;
    return name.find_first_of("[]:*?/\\") == std::string::npos;
}

class WorksheetObject : public ObjectBase {
public:
    WorksheetObject(std::shared_ptr<Workbook> book, Sheet* sheet) : m_book(std::move(book)), m_sheet(sheet) {}

    HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS* p, VARIANT* result,
                   EXCEPINFO* info) override {
        if (dispid == kName && IsPut(flags, p)) {
            if (p->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
            const std::string name = ToNarrow(p->rgvarg[0].bstrVal);
            if (!ValidSheetName(name)) return Raise(info, "\"" + name + "\" cannot name a sheet.");
            m_sheet->name = name;
            m_book->changed = true;
            return S_OK;
        }
        if (dispid == kName && (flags & DISPATCH_PROPERTYGET) && result) {
            result->vt = VT_BSTR;
            result->bstrVal = ToWide(m_sheet->name);
            return S_OK;
        }
        if (dispid == kCells && (flags & DISPATCH_PROPERTYGET))
            return ReturnObject(result, new RangeObject(m_book, m_sheet));
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::shared_ptr<Workbook> m_book;
    Sheet* m_sheet;
};

class WorksheetsObject : public ObjectBase {
public:
    explicit WorksheetsObject(std::shared_ptr<Workbook> book) : m_book(std::move(book)) {}

    HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS* p, VARIANT* result,
                   EXCEPINFO* info) override {
        if ((dispid == kItem || dispid == 0) && (flags & DISPATCH_PROPERTYGET)) {
            if (!p || p->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            const VARIANT& index = p->rgvarg[0];
            std::int64_t n = 0;
            if (IntegerOf(index, n)) {
                if (n < 1 || n > static_cast<std::int64_t>(m_book->sheets.size())) return DISP_E_BADINDEX;
                return ReturnObject(result, new WorksheetObject(m_book, m_book->sheets[n - 1].get()));
            }
            if (index.vt == VT_BSTR) {
                const std::string name = ToNarrow(index.bstrVal);
                for (auto& sheet : m_book->sheets)
                    if (sheet->name == name)
                        return ReturnObject(result, new WorksheetObject(m_book, sheet.get()));
                return Raise(info, "There is no sheet \"" + name + "\".");
            }
            return DISP_E_TYPEMISMATCH;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::shared_ptr<Workbook> m_book;
};

class WorkbookObject : public ObjectBase {
public:
    explicit WorkbookObject(std::shared_ptr<Workbook> book) : m_book(std::move(book)) {}

    HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*) override {
        if (dispid == kWorksheets && (flags & DISPATCH_PROPERTYGET))
            return ReturnObject(result, new WorksheetsObject(m_book));
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::shared_ptr<Workbook> m_book;
};

class WorkbooksObject : public ObjectBase {
public:
    explicit WorkbooksObject(std::shared_ptr<Server> server) : m_server(std::move(server)) {}

    HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*) override {
        if (dispid == kAdd && (flags & DISPATCH_METHOD)) {
            // A new workbook has one empty sheet; templates are not read.
            auto book = std::make_shared<Workbook>();
            book->sheets.push_back(std::make_unique<Sheet>());
            book->sheets.back()->name = "Sheet1";
            m_server->workbooks.push_back(book);
            return ReturnObject(result, new WorkbookObject(book));
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    std::shared_ptr<Server> m_server;
};

class ApplicationObject : public ObjectBase {
public:
    ApplicationObject() : m_server(std::make_shared<Server>()) {}

    HRESULT Invoke(DISPID dispid, std::uint16_t flags, DISPPARAMS* p, VARIANT* result,
                   EXCEPINFO* info) override {
        if (dispid == kVisible && IsPut(flags, p)) {
            if (p->rgvarg[0].vt != VT_BOOL) return DISP_E_TYPEMISMATCH;
            m_server->visible = p->rgvarg[0].boolVal != VARIANT_FALSE;
            return m_server->visible ? Publish(info) : S_OK;
        }
        if (dispid == kVisible && (flags & DISPATCH_PROPERTYGET) && result) {
            result->vt = VT_BOOL;
            result->boolVal = m_server->visible ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        if (dispid == kWorkbooks && (flags & DISPATCH_PROPERTYGET))
            return ReturnObject(result, new WorkbooksObject(m_server));
        if (dispid == kQuit && (flags & DISPATCH_METHOD)) {
            const HRESULT sc = Publish(info);
            if (sc == S_OK) m_server->workbooks.clear();
            return sc;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    // Hands every changed workbook to the desktop: a new file each time.
    HRESULT Publish(EXCEPINFO* info) {
        try {
            for (auto& book : m_server->workbooks) {
                if (!book->changed) continue;
                const std::string path = WriteWorkbook(WorkbookFolder(), book->sheets);
                book->changed = false;
                OpenWithDesktop(path);
            }
        } catch (const WorkbookError& e) {
            return Raise(info, e.what());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    std::shared_ptr<Server> m_server;
};

}  // namespace

IDispatch* CreateApplicationObject() {
    return new ApplicationObject();
}

}  // namespace orva::sheet

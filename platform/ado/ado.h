// The data-access objects with the Jet provider: a Connection to a Jet database file and
// forward-reading Recordsets over it, behind reference-counted smart pointers. The provider
// reads the file with libmdb and runs the query shapes this program uses itself:
//   SELECT [DISTINCT] column|* FROM table [ORDER BY column [ASC|DESC]]
// Text compares without regard to case (text_collation.h says how). Every failure throws
// _com_error.
// One thread at a time per connection and its recordsets.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com_error.h"
#include "variant.h"

enum CursorTypeEnum {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4
};
enum CommandTypeEnum { adCmdUnspecified = -1, adCmdText = 1, adCmdTable = 2, adCmdUnknown = 8 };
enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

struct CLSID {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
    friend bool operator==(const CLSID&, const CLSID&) = default;
};

constexpr CLSID CLSID_Connection = {
    0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr CLSID CLSID_Recordset = {
    0x00000535, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
constexpr DWORD CLSCTX_ALL = 0x17;

// A reference-counted pointer to a data-access object. Calling through an empty one throws
// E_POINTER.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}

    // Releases the object held, then creates a new one of the class; REGDB_E_CLASSNOTREG
    // leaves the pointer empty.
    HRESULT CreateInstance(const CLSID& clsid, void* outer = nullptr, DWORD context = CLSCTX_ALL) {
        (void)outer;
        (void)context;
        m_p.reset();
        if (!(clsid == T::kClassId)) return REGDB_E_CLASSNOTREG;
        m_p = std::make_shared<T>();
        return S_OK;
    }

    T* operator->() const {
        if (!m_p) _com_issue_error(E_POINTER);
        return m_p.get();
    }
    explicit operator bool() const { return m_p != nullptr; }
    T* GetInterfacePtr() const { return m_p.get(); }
    // Another reference to the object, as an interface variant holds it.
    operator std::shared_ptr<T>() const { return m_p; }
    void Release() { m_p.reset(); }

private:
    std::shared_ptr<T> m_p;
};

namespace ado_detail {
class JetDatabase;
struct ResultRows;
}  // namespace ado_detail

class Connection {
public:
    static constexpr CLSID kClassId = CLSID_Connection;

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>": a relative file name is taken in
    // the working directory. User name and password are not checked (the file has none).
    HRESULT Open(const _bstr_t& ConnectionString, const _bstr_t& UserID, const _bstr_t& Password,
                 long Options);
    HRESULT Close();
    long GetState() const;

    ado_detail::JetDatabase& Database();  // throws when closed

private:
    std::unique_ptr<ado_detail::JetDatabase> m_db;
};

class Recordset {
public:
    static constexpr CLSID kClassId = CLSID_Recordset;

    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Source: the query text; ActiveConnection: an interface variant of an open connection.
    // The rows are read when the recordset opens; the cursor and lock types do not change what
    // is read.
    HRESULT Open(const _variant_t& Source, const _variant_t& ActiveConnection, CursorTypeEnum CursorType,
                 LockTypeEnum LockType, long Options);
    HRESULT Close();
    long GetState() const;

    VARIANT_BOOL GetadoEOF() const;
    // The current row's field by column name (any case) or by its number.
    _variant_t GetCollect(const _variant_t& Index) const;
    HRESULT MoveNext();

private:
    void RequireOpen() const;

    std::shared_ptr<Connection> m_connection;
    std::unique_ptr<ado_detail::ResultRows> m_rows;
    std::size_t m_current = 0;
};

using _ConnectionPtr = ComPtr<Connection>;
using _RecordsetPtr = ComPtr<Recordset>;

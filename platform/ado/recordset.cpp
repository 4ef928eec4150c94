#include "ado.h"
#include "jet_database.h"
#include "select_query.h"
#include "text_collation.h"

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

HRESULT Recordset::Open(const _variant_t& Source, const _variant_t& ActiveConnection, CursorTypeEnum,
                        LockTypeEnum, long Options) {
    if (m_rows) _com_issue_error(ADO_E_OBJECTOPEN);
    if (ActiveConnection.vt != VT_DISPATCH || !ActiveConnection.pdispVal)
        _com_issue_error(ADO_E_INVALIDCONNECTION);
    if (Options != adCmdText && Options != adCmdUnknown && Options != adCmdUnspecified)
        _com_issue_error(E_INVALIDARG);
    if (Source.vt != VT_BSTR) _com_issue_error(E_INVALIDARG);

    std::shared_ptr<Connection> connection = ActiveConnection.pdispVal;
    std::optional<ado_detail::SelectQuery> query = ado_detail::ParseSelect(Source.bstrVal);
    if (!query) _com_issue_error(DB_E_ERRORSINCOMMAND);
    auto rows =
        std::make_unique<ado_detail::ResultRows>(ado_detail::RunSelect(connection->Database(), *query));
    m_connection = std::move(connection);
    m_rows = std::move(rows);
    m_current = 0;
    return S_OK;
}

HRESULT Recordset::Close() {
    RequireOpen();
    m_rows.reset();
    m_connection.reset();
    m_current = 0;
    return S_OK;
}

long Recordset::GetState() const {
    return m_rows ? adStateOpen : adStateClosed;
}

void Recordset::RequireOpen() const {
    if (!m_rows) _com_issue_error(ADO_E_OBJECTCLOSED);
}

VARIANT_BOOL Recordset::GetadoEOF() const {
    RequireOpen();
    return m_current >= m_rows->rows.size() ? VARIANT_TRUE : VARIANT_FALSE;
}

_variant_t Recordset::GetCollect(const _variant_t& Index) const {
    RequireOpen();
    std::size_t column = m_rows->names.size();
    if (Index.vt == VT_BSTR) {
        for (std::size_t i = 0; i < m_rows->names.size() && column == m_rows->names.size(); ++i)
            if (ado_detail::SameName(m_rows->names[i], Index.bstrVal)) column = i;
    } else if (Index.vt == VT_I2 || Index.vt == VT_I4) {
        long i = Index.vt == VT_I2 ? Index.iVal : Index.lVal;
        if (i >= 0) column = static_cast<std::size_t>(i);
    }
    if (column >= m_rows->names.size()) _com_issue_error(ADO_E_ITEMNOTFOUND);
    if (m_current >= m_rows->rows.size()) _com_issue_error(ADO_E_NOCURRENTRECORD);
    return m_rows->rows[m_current][column];
}

HRESULT Recordset::MoveNext() {
    RequireOpen();
    if (m_current >= m_rows->rows.size()) _com_issue_error(ADO_E_NOCURRENTRECORD);
    ++m_current;
    return S_OK;
}

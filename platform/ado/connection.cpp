#include "ado.h"
#include "jet_database.h"
#include "text_collation.h"
#include "win32_path.h"

namespace {

constexpr const char* kJetProvider = "Microsoft.Jet.OLEDB.4.0";

std::string Trimmed(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && ado_detail::IsAsciiSpace(s[b])) ++b;
    while (e > b && ado_detail::IsAsciiSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// "key=value;key=value": keys without regard to case, blanks around keys and values dropped.
std::string Setting(const std::string& connectionString, const std::string& key) {
    std::size_t pos = 0;
    while (pos <= connectionString.size()) {
        std::size_t end = connectionString.find(';', pos);
        if (end == std::string::npos) end = connectionString.size();
        std::string part = connectionString.substr(pos, end - pos);
        std::size_t eq = part.find('=');
        if (eq != std::string::npos && ado_detail::SameName(Trimmed(part.substr(0, eq)), key))
            return Trimmed(part.substr(eq + 1));
        pos = end + 1;
    }
    return "";
}

}  // namespace

Connection::Connection() = default;
Connection::~Connection() = default;

HRESULT Connection::Open(const _bstr_t& ConnectionString, const _bstr_t&, const _bstr_t&, long) {
    if (m_db) _com_issue_error(ADO_E_OBJECTOPEN);
    const std::string text = ConnectionString.str();
    if (!ado_detail::SameName(Setting(text, "Provider"), kJetProvider))
        _com_issue_error(ADO_E_PROVIDERNOTFOUND);
    const std::string source = Setting(text, "Data Source");
    if (source.empty()) _com_issue_error(E_FAIL);
    // A name without a directory is the working directory's file; Windows paths map as all the
    // program's paths do.
    m_db = ado_detail::JetDatabase::Open(orva::paths::MapWindowsPath(source));
    if (!m_db) _com_issue_error(E_FAIL);
    return S_OK;
}

HRESULT Connection::Close() {
    if (!m_db) _com_issue_error(ADO_E_OBJECTCLOSED);
    m_db.reset();
    return S_OK;
}

long Connection::GetState() const {
    return m_db ? adStateOpen : adStateClosed;
}

ado_detail::JetDatabase& Connection::Database() {
    if (!m_db) _com_issue_error(ADO_E_INVALIDCONNECTION);
    return *m_db;
}

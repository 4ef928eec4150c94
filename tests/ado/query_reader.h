// Reads a query's column back as texts, NULL as "<NULL>".
#pragma once

#include <string>
#include <vector>

#include "ado.h"

namespace ado_test {

inline _ConnectionPtr OpenDatabase(const std::string& file) {
    _ConnectionPtr c;
    c.CreateInstance(CLSID_Connection);
    c->Open(("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file).c_str(), "", "", 0);
    return c;
}

inline std::vector<std::string> ReadColumn(const _ConnectionPtr& c, const std::string& query,
                                           const std::string& column) {
    _RecordsetPtr r;
    r.CreateInstance(CLSID_Recordset);
    r->Open(query.c_str(), _variant_t(c), adOpenDynamic, adLockOptimistic, adCmdText);
    std::vector<std::string> out;
    while (!r->GetadoEOF()) {
        _variant_t v = r->GetCollect(column.c_str());
        out.push_back(v.vt == VT_NULL ? "<NULL>" : std::string(static_cast<const char*>(_bstr_t(v))));
        r->MoveNext();
    }
    r->Close();
    return out;
}

}  // namespace ado_test

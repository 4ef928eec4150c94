// The lister of the results database: seven lists of the main dialog filled with the distinct
// values of five queries, each list headed by a fixed first entry.
#include "KvDlg.h"

namespace {

constexpr const char* kConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=kv.mdb";
constexpr const char* kLinkFailText = "Database link fail!";

constexpr const char* kIndexNameQuery = "SELECT distinct indexname FROM result1 order by indexname asc";
// DISTINCT over whole rows: a material (or hard value) is listed once per set of other columns
// it comes with.
constexpr const char* kMaterialQuery = "SELECT distinct * FROM material";
constexpr const char* kHardQuery = "SELECT distinct * FROM hard";
constexpr const char* kIdrQuery = "SELECT distinct idr FROM result1 order by idr  asc ";
constexpr const char* kDataQuery = "SELECT distinct data FROM result1 order by data  asc ";

constexpr const char* kAllIndexNames = "全部索引名";
constexpr const char* kAllMaterials = "全部材料";
constexpr const char* kHardFirst = "kgf";
constexpr const char* kAllNumbers = "全部编号";
constexpr const char* kData1First = "999";
constexpr const char* kData2First = "000";

void StartList(CComboBox& list, const char* first) {
    list.ResetContent();
    list.AddString(first);
    list.SetCurSel(0);
}

}  // namespace

BOOL CKvDlg::LoadQueryLists() {
    try {
        m_pConnection.CreateInstance(CLSID_Connection);
        m_pConnection->Open(kConnectionString, "", "", 0);
    } catch (const _com_error&) {
        AfxMessageBox(kLinkFailText);
        return 0;
    }

    StartList(m_cbIndexName, kAllIndexNames);
    if (!ReadQueryList(kIndexNameQuery, "indexname", &m_cbIndexName)) return 0;

    StartList(m_cbMaterial, kAllMaterials);
    if (!ReadQueryList(kMaterialQuery, "material", &m_cbMaterial)) return 0;

    StartList(m_cbHard, kHardFirst);
    if (!ReadQueryList(kHardQuery, "hard", &m_cbHard)) return 0;

    StartList(m_cbIdr1, kAllNumbers);
    StartList(m_cbIdr2, kAllNumbers);
    if (!ReadQueryList(kIdrQuery, "idr", &m_cbIdr1, &m_cbIdr2)) return 0;

    StartList(m_cbData1, kData1First);
    StartList(m_cbData2, kData2First);
    if (!ReadQueryList(kDataQuery, "data", &m_cbData1, &m_cbData2)) return 0;

    return 1;
}

BOOL CKvDlg::ReadQueryList(const char* query, const char* column, CComboBox* first, CComboBox* second) {
    _RecordsetPtr recordset;
    try {
        recordset.CreateInstance(CLSID_Recordset);
        recordset->Open(query, _variant_t(m_pConnection), adOpenDynamic, adLockOptimistic, adCmdText);
    } catch (const _com_error& e) {
        AfxMessageBox(e.ErrorMessage());
        return 0;
    }
    while (!recordset->GetadoEOF()) {
        _variant_t value = recordset->GetCollect(column);
        // A NULL field has no text: the row adds nothing (rather than the previous row's text
        // once more).
        if (value.vt != VT_NULL) {
            const _bstr_t text(value);
            first->AddString(static_cast<const char*>(text));
            if (second) second->AddString(static_cast<const char*>(text));
        }
        recordset->MoveNext();
    }
    recordset->Close();
    return 1;
}

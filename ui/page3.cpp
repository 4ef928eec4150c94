#include "page3.h"

#include "AboutMenu.h"
#include "resources.h"

namespace page3_ids = orva::resources::page3;

namespace {
// One font object shared by every page of this kind.
CFont g_page3Font;
constexpr BYTE kAnsiCharset = 0;
constexpr BYTE kDefaultPrecision = 0;
constexpr BYTE kDefaultQuality = 0;
constexpr BYTE kSwissFamily = 32;
}  // namespace

cpage3::cpage3(CWnd* pParent) : CDialog(cpage3::IDD, pParent) {}

cpage3::~cpage3() = default;

void cpage3::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, page3_ids::kLoadEdit, m_edLoad);
}

BEGIN_MESSAGE_MAP(cpage3, CDialog)
ON_EN_CHANGE(page3_ids::kLoadEdit, &cpage3::OnEnChangeLoad)
END_MESSAGE_MAP()

BOOL cpage3::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendAboutItem(*this);
    if (!g_page3Font.IsCreated()) {
        g_page3Font.CreateFont(120, 0, 0, 0, 400, FALSE, FALSE, 0, kAnsiCharset, kDefaultPrecision,
                               kDefaultPrecision, kDefaultQuality, kSwissFamily, "Arial");
    }
    m_edLoad.SetFont(&g_page3Font, TRUE);
    return TRUE;
}

void cpage3::OnEnChangeLoad() {}

void cpage3::OnLoadShown() {}

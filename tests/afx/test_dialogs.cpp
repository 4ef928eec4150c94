#include "test_dialogs.h"

namespace afxtest {

BEGIN_MESSAGE_MAP(RecordingPage, CDialog)
ON_EN_CHANGE(kPageEdit, &RecordingPage::OnPageEditChange)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(RecordingDialog, CDialog)
ON_EN_UPDATE(kEdit, &RecordingDialog::OnEditUpdate)
ON_EN_CHANGE(kEdit, &RecordingDialog::OnEditChange)
ON_BN_CLICKED(kButton, &RecordingDialog::OnButton)
ON_BN_CLICKED(kCheck, &RecordingDialog::OnCheck)
ON_BN_CLICKED(kRadioA, &RecordingDialog::OnRadioA)
ON_CBN_SELCHANGE(kCombo, &RecordingDialog::OnComboSel)
ON_CBN_DROPDOWN(kCombo, &RecordingDialog::OnComboDrop)
ON_CBN_EDITCHANGE(kSimpleCombo, &RecordingDialog::OnSimpleEdit)
ON_STN_CLICKED(kNotifyStatic, &RecordingDialog::OnStaticClicked)
ON_NOTIFY(TCN_SELCHANGE, kTab, &RecordingDialog::OnTabChange)
ON_MESSAGE(WM_USER + 5, &RecordingDialog::OnPrivate)
ON_WM_CLOSE()
ON_WM_SYSCOMMAND()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

}  // namespace afxtest

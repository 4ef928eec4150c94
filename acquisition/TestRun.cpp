#include "TestRun.h"

#include "KvDlg.h"
#include "RunState.h"
#include "afx_thread.h"
#include "resources.h"

namespace main_dialog = orva::resources::main_dialog;

unsigned BeginRun(CKvDlg& dlg) {
    unsigned run = ++dlg.m_nRunCounter;
    if (run == 0) run = ++dlg.m_nRunCounter;
    dlg.m_nActiveRun.store(run);
    return run;
}

unsigned ActiveRun(const CKvDlg& dlg) {
    return dlg.m_nActiveRun.load();
}

bool RunIsLive(const CKvDlg& dlg, unsigned run) {
    return run != 0 && dlg.m_nActiveRun.load() == run && g_nTickTimerId.load() != 0;
}

bool RunIsActive(const CKvDlg& dlg, unsigned run) {
    return run != 0 && dlg.m_nActiveRun.load() == run;
}

bool EndRun(CKvDlg& dlg, unsigned run) {
    unsigned expected = run;
    return run != 0 && dlg.m_nActiveRun.compare_exchange_strong(expected, 0);
}

void PostToDialog(CKvDlg& dlg, std::function<void(CKvDlg&)> fn) {
    CKvDlg* const target = &dlg;
    afx::PostToWindow(dlg, [target, fn = std::move(fn)] { fn(*target); });
}

void ShowFinalReport(CKvDlg& dlg) {
    dlg.SetDlgItemText(main_dialog::kReportText, dlg.m_strResult);
    PostToDialog(dlg, [](CKvDlg& d) { d.SetDlgItemText(main_dialog::kReportText, d.m_strResult); });
}

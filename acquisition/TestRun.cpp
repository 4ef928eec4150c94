#include "TestRun.h"

#include "KvDlg.h"
#include "SharedState.h"
#include "wnd_core.h"

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
    // The window's state outlives the dialog object; a destroyed or rebuilt window no longer
    // names this object as its owner.
    auto core = dlg.Core();
    CKvDlg* const target = &dlg;
    afx::PostToUi([core, target, fn = std::move(fn)] {
        if (!core || core->owner.load() != target || !target->IsWindow()) return;
        fn(*target);
    });
}

void ShowFinalReport(CKvDlg& dlg) {
    dlg.SetDlgItemText(1054, dlg.m_strResult);
    PostToDialog(dlg, [](CKvDlg& d) { d.SetDlgItemText(1054, d.m_strResult); });
}

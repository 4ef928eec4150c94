#include "ControlStates.h"

#include "DialogControls.h"
#include "KvDlg.h"
#include "resources.h"

namespace acquisition_page = orva::resources::acquisition_page;
namespace main_dialog = orva::resources::main_dialog;
namespace test_setup_page = orva::resources::test_setup_page;

void EnableUploadControls(CKvDlg& dlg, BOOL enable) {
    EnableControl(dlg, main_dialog::kStartAcquisition, enable);
    EnableControl(dlg, main_dialog::kExportData, enable);
    EnableControl(dlg, main_dialog::kExportImage, enable);
    EnableControl(dlg.m_page1, acquisition_page::kDrawGraph, enable);
    EnableControl(dlg.m_page1, acquisition_page::kLoadUnit, enable);
}

void EnableSetupAfterTest(CKvDlg& dlg) {
    for (int id : {acquisition_page::kViewAll, acquisition_page::kMouseZoom, acquisition_page::kInvertLoad,
                   acquisition_page::kLoadUnit, acquisition_page::kReadingsPerSecond,
                   acquisition_page::kReportName, acquisition_page::kGravity})
        EnableControl(dlg.m_page1, id, TRUE);
    EnableControl(dlg, main_dialog::kExportData, TRUE);
    EnableControl(dlg, main_dialog::kExportImage, TRUE);
    EnableControl(dlg.m_page1, acquisition_page::kUploadMemory, TRUE);
    for (int id : {test_setup_page::kStartTime, test_setup_page::kStartLoad, test_setup_page::kStopTime,
                   test_setup_page::kStopLoad})
        EnableControl(dlg.m_page2, id, TRUE);
    EnableControl(dlg.m_page1, acquisition_page::kLoad, TRUE);
}

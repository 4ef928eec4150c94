// The Start button (upload start, real-time start and stop), the shared stop routine of a timed
// test, and the wrap-up both stops end with. UI thread.
#include "StartStop.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "AcquisitionSettings.h"
#include "ControlStates.h"
#include "DialogControls.h"
#include "ExportText.h"
#include "KvDlg.h"
#include "PortState.h"
#include "ReceiveRing.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "TestRun.h"
#include "UploadRepeats.h"
#include "frame_protocol.h"
#include "resources.h"
#include "win32_thread.h"

namespace acquisition_page = orva::resources::acquisition_page;
namespace main_dialog = orva::resources::main_dialog;
namespace test_setup_page = orva::resources::test_setup_page;

namespace {

constexpr DWORD kCurveColour = 0x0000FFFF;
constexpr double kMaxReadingsPerTest = 3600000.0;

constexpr const char* kCaption = "System Message";
constexpr const char* kSetNameText = "Please set index name";
constexpr const char* kNoDeviceText = "Please reconnect the device and then restart the software";
constexpr const char* kStopTimeText = "Stop time out of range, please reduce stop time!";
// The report name meaning "all index names" (code page 936 text, kept as UTF-8).
constexpr const char* kAllIndexNames = "\xE5\x85\xA8\xE9\x83\xA8\xE7\xB4\xA2\xE5\xBC\x95\xE5\x90\x8D";

void Check(CWnd& wnd, int id, int check) {
    if (auto* button = static_cast<CButton*>(wnd.GetDlgItem(id))) button->SetCheck(check);
}

std::string FormatG(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

// A setting's edit text through atof; written back as stored, "%g".
double ReadSetting(CWnd& page, int id) {
    CWnd* edit = page.GetDlgItem(id);
    return edit != nullptr ? std::atof(edit->GetWindowText().c_str()) : 0.0;
}

void WriteSetting(CWnd& page, int id, double value) {
    if (CWnd* edit = page.GetDlgItem(id)) edit->SetWindowText(FormatG(value));
}

// A double made an int by truncation, bounded first so that the conversion is defined.
int TruncatedToInt(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

// Pane 1 with the width of its text.
void ShowReadyPane(CKvDlg& dlg) {
    if (!dlg.m_wndStatusBar.IsWindow()) return;
    ShowPaneFitted(dlg, 1, " Ready  ");
}

// Ends the acquisition thread; the handle is kept, as every later stop expects one.
void EndAcquisitionThread(CKvDlg& dlg) {
    if (HANDLE thread = dlg.m_hAcqThread.load()) TerminateThread(thread, dlg.m_dwAcqThreadId.load());
}

// Ends the previous thread and starts the next one. The previous handle is closed here, where
// it is replaced.
void StartAcquisitionThread(CKvDlg& dlg) {
    if (HANDLE old = dlg.m_hAcqThread.exchange(nullptr)) {
        TerminateThread(old, dlg.m_dwAcqThreadId.load());
        CloseHandle(old);
    }
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, AcquisitionThread, &dlg, 0, &id);
    dlg.m_dwAcqThreadId = id;
    dlg.m_hAcqThread = thread;
}

// The receive ring emptied from the reader's side (the callback may be writing); no reader runs.
void ResetRing(CKvDlg& dlg) {
    DiscardRxData(dlg);
    dlg.m_nLineStart.store(dlg.m_nRxRead.load());
}

void StartUpload(CKvDlg& dlg) {
    BeginRun(dlg);
    dlg.m_strResult.clear();
    g_strExportText.clear();
    g_strReportTitle.clear();
    g_strReportHeader.clear();
    dlg.m_bUploadDone = 0;
    dlg.m_bHeaderPending = 1;
    g_bUnitConverted = 0;
    dlg.m_nUploadBadFrames = 0;
    dlg.m_nUploadRecordsDropped = 0;
    dlg.m_bUploadOverflow = 0;

    dlg.SetDlgItemText(main_dialog::kReportText, "");
    dlg.m_listResults.DeleteAllItems();

    if (HANDLE old = dlg.m_hAcqThread.load()) TerminateThread(old, dlg.m_dwAcqThreadId.load());
    DiscardRxData(dlg);
    dlg.m_bRxOverflow = 0;
    ResetUploadRepeats(dlg);
    g_nSampleIndex = 0;
    g_nSampleCount = 0;
    dlg.m_nUploadTicks = 0;

    dlg.m_graph.ClearGraph();
    dlg.m_graph.SetCurveColor(kCurveColour);
    dlg.m_graph.SetCurveOption(FALSE);

    g_bUploadActive = 0;
    StartAcquisitionThread(dlg);
    dlg.m_port.Output(GAUGE_CMD_CONNECT, sizeof GAUGE_CMD_CONNECT);

    EnableUploadControls(dlg, FALSE);

    dlg.StartTickTimer(10);
}

void SetUpGraph(CKvDlg& dlg) {
    CNTGraph& graph = dlg.m_graph;
    graph.ClearGraph();
    graph.SetCurveColor(kCurveColour);
    graph.SetCurveOption(FALSE);
    graph.SetCurveStyle(2);
    if (dlg.m_page1.m_chkShowGrid.GetCheck() == 1) {
        graph.SetShowGrid(TRUE);
        graph.SetXGridCount(10);
        graph.SetYGridCount(20);
    } else {
        graph.SetShowGrid(FALSE);
    }
    graph.SetCaption("   ");
    graph.SetPlotOption(5);
    graph.SetXLabel("Time/s");
    graph.SetRange(0, 10, -5, 5);
    g_fAxisXMin = 0;
    g_fAxisXMax = 10;
    g_fAxisYMin = -5;
    g_fAxisYMax = 5;
}

void StartRealTime(CKvDlg& dlg) {
    CWnd& setup = dlg.m_page2;
    CWnd& acquisition = dlg.m_page1;

    // No reader may run while the ring is emptied: a thread still running is ended first.
    EndAcquisitionThread(dlg);
    ResetRing(dlg);
    g_bThresholdReached = 0;
    g_strReadingUnit.clear();
    dlg.m_listResults.DeleteAllItems();

    g_dStopLoad = ReadSetting(setup, test_setup_page::kStopLoadEdit);
    WriteSetting(setup, test_setup_page::kStopLoadEdit, g_dStopLoad.load());
    g_dStopTime = ReadSetting(setup, test_setup_page::kStopTimeEdit);

    // The rate held before this start reads the edit; the page keeps it equal to the edit's text.
    g_bLiveDisplay = g_fReadingsPerSecond <= 200.0f ? 1 : 0;
    if (!(static_cast<double>(g_fReadingsPerSecond) * g_dStopTime.load() <= kMaxReadingsPerTest)) {
        dlg.m_nStartToggle = 0;
        AfxMessageBox(kStopTimeText, MB_OK);
        return;
    }

    WriteSetting(setup, test_setup_page::kStopTimeEdit, g_dStopTime.load());
    g_dStartDelay = ReadSetting(setup, test_setup_page::kStartDelayEdit);
    WriteSetting(setup, test_setup_page::kStartDelayEdit, g_dStartDelay.load());
    g_dStartThreshold = ReadSetting(setup, test_setup_page::kStartThresholdEdit);
    WriteSetting(setup, test_setup_page::kStartThresholdEdit, g_dStartThreshold.load());
    g_dBreakPercent = ReadSetting(setup, test_setup_page::kBreakPercentEdit);
    WriteSetting(setup, test_setup_page::kBreakPercentEdit, g_dBreakPercent.load());
    g_fReadingsPerSecond = static_cast<float>(ReadSetting(acquisition, acquisition_page::kReadingsPerSecond));
    WriteSetting(acquisition, acquisition_page::kReadingsPerSecond, g_fReadingsPerSecond);
    g_fGravity = static_cast<float>(ReadSetting(acquisition, acquisition_page::kGravity));
    WriteSetting(acquisition, acquisition_page::kGravity, g_fGravity.load());

    if (g_fReadingsPerSecond == 0.0f) g_fReadingsPerSecond = 0.1f;

    g_bArmed = 1;
    // A test ended by a disconnect left these set; the delayed start counts from this start.
    g_bRecording = 0;
    dlg.m_nArmedTicks = 0;
    g_nPollPeriodMs = TruncatedToInt(1000.0 / static_cast<double>(g_fReadingsPerSecond));
    g_nGraphPage = 0;
    g_fTimeStep = 1.0f / g_fReadingsPerSecond;
    dlg.m_fTestRate = g_fReadingsPerSecond;
    g_fElapsed = 0.0f;
    g_strTime = "0 s";
    g_bUnitConverted = 0;

    dlg.m_strResult.clear();
    g_strExportText.clear();
    g_strReportTitle.clear();
    g_strReportHeader.clear();

    if (dlg.m_bGraphReset.load() != 0) {
        dlg.m_bGraphReset = 0;
        SetUpGraph(dlg);
    }
    dlg.m_graph.PlotXY(0, 0, 0);

    // Everything the thread reads is reset before it is created.
    dlg.m_bHeaderPending = 1;
    dlg.m_nSeconds = 0;
    dlg.m_nMinutes = 0;
    dlg.m_fLoadSum = 0.0f;
    g_fAverage = 0.0f;
    g_fPeak = 0.0f;
    if (g_bStartByDelay.load() != 0) dlg.m_nDelayTicks = TruncatedToInt(g_dStartDelay.load() * 1000.0 / 10.0);
    g_nSampleIndex = 0;
    g_nSampleCount = 0;
    g_bWrapped = 0;
    // The tick timer compares the count with the budget from its first tick on.
    const double budget = std::trunc(static_cast<double>(g_fReadingsPerSecond) * g_dStopTime.load());
    dlg.m_nSampleBudget = TruncatedToInt(budget);
    BeginRun(dlg);

    StartAcquisitionThread(dlg);

    dlg.SetDlgItemText(main_dialog::kStartAcquisition, "Stop acquisition");

    if (g_bStartByDelay.load() != 0) {
        static constexpr BYTE kRequest[1] = {'?'};
        dlg.m_port.Output(kRequest, 1);
    }
    dlg.StartPollTimer(static_cast<UINT>(g_nPollPeriodMs));
    dlg.StartTickTimer(10);

    Check(acquisition, acquisition_page::kMouseZoom, 0);
    for (int id : {acquisition_page::kInvertLoad, acquisition_page::kUnit, acquisition_page::kLoadUnit,
                   acquisition_page::kReadingsPerSecond, acquisition_page::kReportName,
                   acquisition_page::kCalculate, acquisition_page::kGravity})
        EnableControl(acquisition, id, FALSE);
    EnableControl(dlg, main_dialog::kExportData, FALSE);
    EnableControl(dlg, main_dialog::kExportImage, FALSE);
    EnableControl(acquisition, acquisition_page::kUploadMemory, FALSE);
    for (int id : {test_setup_page::kStartTime, test_setup_page::kStartLoad, test_setup_page::kStopTime,
                   test_setup_page::kStopLoad})
        EnableControl(setup, id, FALSE);
    for (int id : {acquisition_page::kViewAll, acquisition_page::kMouseZoom, acquisition_page::kLoad})
        EnableControl(acquisition, id, FALSE);
    Check(acquisition, acquisition_page::kLoad, 0);
    g_nLoadToggle = 0;
}

void StopByButton(CKvDlg& dlg) {
    EndRun(dlg, ActiveRun(dlg));
    EndAcquisitionThread(dlg);
    // A reading taken after the click marked the test running again; the status it posted
    // must show it stopped.
    dlg.m_bRunning = 0;
    g_bArmed = 0;
    ResetRing(dlg);

    dlg.m_graph.AutoRange();

    dlg.m_bGraphReset = 1;
    dlg.m_nStartToggle = 0;
    dlg.m_nArmedTicks = 0;
    g_bRecording = 0;
    dlg.m_nTickInSecond = 0;
    dlg.m_nSeconds = 0;
    dlg.m_nMinutes = 0;

    dlg.SetDlgItemText(main_dialog::kStartAcquisition, "Start acquisition");
    dlg.StopPollTimer();
    dlg.StopTickTimer();

    WrapUpTest(dlg, ReportVariant::Button);
    ShowReadyPane(dlg);
}

}  // namespace

std::string FormatFourDecimals(float value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f ", static_cast<double>(value));
    return buf;
}

std::string StopReportLines(ReportVariant variant) {
    const std::string& unit = g_strReadingUnit;
    std::string average = "Avg: " + FormatFourDecimals(g_fAverage.load()) + " " + unit + "\r\n";
    std::string peak = "Peak: " + FormatFourDecimals(g_fPeak.load()) + " " + unit;
    if (variant == ReportVariant::Button) {
        if (g_bStartByLoad.load() != 0 && g_bThresholdReached.load() == 0) {
            peak = "Peak: ---";
            average = "Avg: --- \r\n";
        }
        return average + peak;
    }
    return average + peak + "\r\n";
}

void ShowStoredReadings(CKvDlg& dlg, std::int32_t last) {
    dlg.m_graph.PlotPoints(g_fTime, g_fLoad, static_cast<long>(last) + 1, 0);

    if (g_bLiveDisplay.load() == 0) {
        // Row r shows the kept texts of entry r. The list reads them from the store whenever it
        // shows a row; the next test or upload empties the list before it writes the store.
        dlg.m_listResults.SetRedraw(FALSE);
        dlg.m_listResults.SetVirtualItems(last, [](int row, int column) {
            switch (column) {
                case 0:
                    return g_arrListCol0[row];
                case 1:
                    return g_arrListCol1[row];
                case 2:
                    return g_arrListCol2[row];
            }
            return std::string();
        });
        dlg.m_listResults.SetRedraw(TRUE);
    }
}

void WrapUpTest(CKvDlg& dlg, ReportVariant variant) {
    g_strUnit = g_strReadingUnit;
    g_strResultUnit = g_strUnit;

    // The whole curve, from the origin on.
    const std::int32_t last = g_nSampleIndex.load();
    const float peak = g_fPeak.load();
    CNTGraph& graph = dlg.m_graph;
    graph.ClearGraph();
    graph.SetCurveColor(kCurveColour);
    graph.SetCurveOption(FALSE);
    graph.SetCurveStyle(2);
    graph.SetRange(0, g_fTime[last], -peak - 5, peak + 5);
    ShowStoredReadings(dlg, last);

    g_strPeak = FormatFourDecimals(g_fPeak.load());
    g_strAverage = FormatFourDecimals(g_fAverage.load());
    dlg.m_strResult += StopReportLines(variant);
    ShowFinalReport(dlg);

    const std::int32_t count = g_nSampleCount.load();
    g_dRangeEnd = count > 0 ? graph.GetElementX(count - 1, 0) : 0.0;
    g_dRangeStart = 0.0;

    EnableSetupAfterTest(dlg);
}

void CKvDlg::OnBnClickedStartAcquisition() {
    const std::string name = m_page1.m_cbReportName.GetWindowText();
    m_bRunning = 0;
    if (name.empty() || name == "All" || name == kAllIndexNames) {
        MessageBox(kSetNameText, kCaption, MB_OK);
        m_page1.m_cbReportName.SetWindowText("");
        return;
    }
    if (g_bDeviceFound == 0) {
        AfxMessageBox(kNoDeviceText, MB_OK);
        return;
    }
    if (g_bRealTimeMode.load() == 0) {
        StartUpload(*this);
        return;
    }
    if (++m_nStartToggle == 1) {
        StartRealTime(*this);
    } else {
        StopByButton(*this);
    }
}

void CKvDlg::StopAcquisition() {
    // Once per test: a stop that comes after another one finds no test and does nothing.
    if (!EndRun(*this, ActiveRun(*this))) return;
    EndAcquisitionThread(*this);
    g_strForce.clear();
    g_strChar.clear();

    g_bRecording = 0;
    m_nArmedTicks = 0;
    m_nTickInSecond = 0;
    m_nSeconds = 0;
    m_nMinutes = 0;
    m_nStartToggle = 0;

    SetDlgItemText(main_dialog::kStartAcquisition, "Start acquisition");
    m_bGraphReset = 1;
    StopTickTimer();
    StopPollTimer();
    ResetRing(*this);

    WrapUpTest(*this, ReportVariant::Routine);

    m_bRunning = 0;
    PostMessage(WM_STATUS_UPDATE, 0, 0);
}

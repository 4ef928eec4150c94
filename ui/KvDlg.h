// The main dialog: the program's only top-level window. Its handlers are spread over the
// serial link (serial/), acquisition (acquisition/) and window (ui/) code.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "CnComm.h"
#include "ComPort.h"
#include "MSComm.h"
#include "NTGraph.h"
#include "Page1.h"
#include "Page2.h"
#include "SerialPort.h"
#include "ado.h"
#include "afx.h"
#include "page3.h"
#include "resources.h"
#include "win32_types.h"

// Posted by acquisition to show the run state, the elapsed time and the end of an upload.
constexpr UINT WM_STATUS_UPDATE = WM_USER + 1999;

class CKvDlg : public CDialog {
public:
    enum { IDD = orva::resources::kIddMainDialog };

    explicit CKvDlg(CWnd* pParent = nullptr);
    ~CKvDlg() override;

    // ---- acquisition thread and test state -------------------------------------------
    std::atomic<DWORD> m_dwAcqThreadId{0};
    std::atomic<HANDLE> m_hAcqThread{nullptr};

    CStatusBar m_wndStatusBar;
    cpage3 m_page3;  // built with the dialog, never given a window
    Cpage2 m_page2;
    Cpage1 m_page1;

    // Record ring: 1024 slots of 3 bytes; the indices run modulo m_nRecordModulus (1023), so one
    // slot stays free and at most 1022 records are held.
    BYTE m_recordRing[1024][3] = {};
    std::uint32_t m_nRecordRead = 0;
    std::uint32_t m_nRecordWrite = 0;
    std::uint32_t m_nRecordModulus = 1023;

    std::atomic<int> m_bHeaderPending{0};
    std::atomic<int> m_nStartToggle{0};
    std::string m_strResult;
    std::atomic<int> m_nDelayTicks{0};
    std::atomic<int> m_nSampleBudget{0};
    std::atomic<int> m_nArmedTicks{0};
    std::atomic<int> m_bGraphReset{0};
    std::atomic<int> m_nSeconds{0};
    std::atomic<int> m_nUploadTicks{0};
    std::atomic<int> m_nMinutes{0};
    float m_fLoadSum = 0.0f;  // the acquisition thread's own running sum
    // Readings per second the latest real-time test ran with (set by Start; the rate edit may
    // change after it). A unit conversion and Calculate take times and indices from it.
    float m_fTestRate = 0.0f;
    std::atomic<int> m_nTickInSecond{0};
    std::atomic<BYTE> m_bUploadDone{0};
    std::atomic<BYTE> m_bRunning{0};
    std::atomic<BYTE> m_bClockChanged{0};

    // ---- frame parser state (used by the acquisition thread only) -----------------------
    BYTE m_bFrameSync = 0;
    BYTE m_bFrameHeader = 0;
    std::int32_t m_nFrameBytes = 0;
    std::int32_t m_nFrameLength = 0;
    BYTE m_byCrcHigh = 0;
    BYTE m_byCrcLow = 0;
    BYTE m_byFrameWindow[4] = {};
    BYTE m_frameBuf[258] = {};
    std::int32_t m_nFramesDone = 0;

    std::atomic<BYTE> m_bUploading{0};

    // ---- requests repeated during an upload, and frames sent again (UploadRepeats.h) -------
    std::atomic<unsigned> m_nRepeatsBegun{0};    // tick timer: before each repeat is written
    std::atomic<unsigned> m_nRepeatsWritten{0};  // tick timer: after it was written
    // The acquisition thread's own: the record frame it handled last (length 0: none, or another
    // frame came since), whether the gauge may send it again, and the repeats written before its
    // latest request.
    BYTE m_lastRecordFrame[258] = {};
    std::int32_t m_nLastRecordLength = 0;
    bool m_bLastRecordMayComeAgain = false;
    unsigned m_nRepeatsWrittenAtRequest = 0;

    CSerialPort m_serialPort;  // built and destroyed with the dialog, never opened

    _ConnectionPtr m_pConnection;  // the results database; empty until LoadQueryLists runs

    // ---- controls ------------------------------------------------------------------------
    CButton m_btnConnect;
    CListCtrl m_listResults;
    CTabCtrl m_tabSetup;
    CComboBox m_cbPort;
    CComboBox m_cbLabelText;  // no window: read only by SetGraphLabelFromText
    // Query lists of the results database; no windows.
    CComboBox m_cbIdr2;
    CComboBox m_cbData1;
    CComboBox m_cbData2;
    CComboBox m_cbIndexName;
    CComboBox m_cbIdr1;
    CComboBox m_cbMaterial;
    CComboBox m_cbHard;
    CMSComm m_comm;
    CNTGraph m_graph;
    CnComm m_nComm{3};  // the program's own port class: built and destroyed, never opened
    std::string m_strMessage;
    std::string m_strSendText;
    std::string m_strEdit1181;

    // ---- the live link to the gauge and its receive ring ---------------------------------
    CComPort m_port;
    BYTE m_rxRing[4096] = {};
    std::atomic<std::int32_t> m_nRxRead{0};
    std::atomic<std::int32_t> m_nRxWrite{0};
    std::atomic<std::int32_t> m_nLineStart{0};
    std::atomic<BYTE> m_bRxOverflow{0};
    int m_nBaud = 38400;
    unsigned char m_nDataBits = 8;
    int m_nParity = 2;
    int m_nStopBits = 0;
    BYTE m_rxLastBlock[65536] = {};
    std::uint32_t m_nRxPending = 0;
    std::uint32_t m_nRxTotal = 0;
    std::atomic<std::uint32_t> m_nRxBlockCount{0};
    std::atomic<std::uint32_t> m_nRxLastLength{0};
    BYTE m_bRxMonitorRunning = 0;
    BYTE m_bRxMonitorShow = 0;
    BYTE m_bRxMonitorHold = 0;
    BYTE m_bRxMonitorNewLine = 0;
    std::string m_strRxText;

    HICON m_hIcon = nullptr;
    HICON m_hIconConnected = nullptr;
    HICON m_hIconDisconnected = nullptr;

    // ---- serial link -----------------------------------------------------------------------
    // Variants of ScanPorts: parse only (Connect), fill and parse (window opening), empty,
    // fill, parse and select the first entry (drop-down).
    enum ScanVariant { kScanParseOnly = 0, kScanFill = 1, kScanRefill = 2 };
    // Raised by a reader that waits for the receive ring; the receive callback wakes it.
    std::atomic<std::int32_t> m_nRxReaderWaiting{0};
    void ScanPorts(int variant);
    // The start-up connection at the end of OnInitDialog: scan, select, open, show the state.
    void ConnectAtStartup();
    void ShowDisconnectedState();
    void OnCbnDropdownPort();
    void OnCbnSelchangePort();
    void OnBnClickedConnect();
    void ShowConnectedState();

    // ---- manual command sender and record ring (nothing calls them) ----------------------
    void SendCommandText();
    int HexStringToByteArray(std::string text, std::vector<BYTE>& bytes);
    signed char HexCharToValue(char c);
    bool RecordRingPut(const BYTE record[3]);  // false when full
    bool RecordRingGet(BYTE out[3]);           // false when empty

    // ---- acquisition ---------------------------------------------------------------------
    void ResetFrameParser();
    void OnBnClickedStartAcquisition();
    void StopAcquisition();
    LRESULT OnStatusUpdate(WPARAM wParam, LPARAM lParam);
    bool StartPollTimer(UINT periodMs);
    bool StartTickTimer(UINT periodMs);
    void StopPollTimer();
    void StopTickTimer();
    // The real-time test or upload in progress: its number, 0 when none. Start sets it before
    // the thread and the timers exist; the first stop of the run clears it (UI thread), so that
    // a stop posted by the tick timer or the thread for a run already ended does nothing.
    std::atomic<unsigned> m_nActiveRun{0};
    unsigned m_nRunCounter = 0;
    // Data lost by the upload in progress: frames refused by their checksum, ring overflow,
    // records past the last slot.
    std::atomic<int> m_nUploadBadFrames{0};
    std::atomic<int> m_nUploadRecordsDropped{0};
    std::atomic<BYTE> m_bUploadOverflow{0};

    // ---- window ---------------------------------------------------------------------------
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Enter asks as the Exit command does, then ends the dialog with IDOK; the link to the gauge
    // is shut down first.
    void OnOK() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBnClickedExit();
    void OnBnClickedHelp();
    void OnClose();
    void OnDtnCloseupLegacyDate(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTcnSelchangeLegacyTab(NMHDR* pNMHDR, LRESULT* pResult);
    void OnTcnSelchangeSetupTab(NMHDR* pNMHDR, LRESULT* pResult);
    void OnBnClickedExportData();
    void OnBnClickedExportImage();
    void SetGraphLabelFromText();

    // ---- results database ----------------------------------------------------------------
    // Fills the seven query lists from "kv.mdb" in the working directory; leaves the
    // connection open. 1 when every query was read.
    BOOL LoadQueryLists();
    // One query into its lists (each already holding its first entry): FALSE after an error
    // box when the query cannot be opened. Errors while reading its rows reach the caller.
    BOOL ReadQueryList(const char* query, const char* column, CComboBox* first, CComboBox* second = nullptr);

    // Members without a caller.
    void OnLabelTextChanged(std::string text);
    void OnRangeChanged(DWORD first, DWORD last, DWORD lower, DWORD upper);
    void OnQueryListsShown();
    void OnQueryListsHidden();

    // Every way out of the window: kills both timers, ends the acquisition thread and closes the
    // port, so that no timer, receive callback or thread reaches the dialog afterwards. UI thread;
    // calling it again does nothing more.
    void ShutDownLink();

    DECLARE_MESSAGE_MAP()
};

// The receive callback registered with m_port.
void OnPortReceive(void* context, void* data, unsigned long length);
// The acquisition thread's procedure; its parameter is the dialog.
DWORD AcquisitionThread(LPVOID param);

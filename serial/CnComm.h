// CnComm: the program's own serial-port class. One object wraps one port, opened for overlapped
// or plain input and output, with up to three workers (a watch loop on the port's events, a read
// loop and a write loop), two locked block buffers for received and outgoing bytes, and
// notifications of port events as private messages to an owner window, an owner thread or both.
//
// The main dialog holds one, never opened. Open() names the port, applies the line settings, sets
// the notification targets, opens and sets up the port and starts the workers.
//
// Threads: the owner's thread constructs, opens, writes, closes and destroys; the workers run the
// loops and the notifiers. The buffers are shared under their own locks (one at a time, never
// both); csState_ keeps one write at a time on WO_ and is taken before OutBlocks_' lock when both
// are needed; no thread waits for the device while it holds csState_. Flags and counters that the
// workers share are atomic. Workers are stopped cooperatively and joined (EndThread); none is
// killed. A watch loop that also sends (EN_TX_BUFFER without EN_TX_WORKER) sends one write at a
// time and takes input between two writes, however long the device leaves its output unread; and
// it sends once in every pass that takes input, however long the input keeps coming.
//
// Close may also be called from a notifier (a derived class's OnReceive, say). It then closes the
// port as it would on the owner's thread, and its worker leaves its loop as soon as the notifier
// returns; that worker is not waited for there (it is the caller) but joined by the next Close or
// Open on the owner's thread, or by the destructor. A derived class whose notifiers use its own
// members after such a Close calls Close in its own destructor. Open is for the owner's thread
// only.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

#include "afx_types.h"
#include "win32_comm.h"
#include "win32_critical_section.h"
#include "win32_types.h"

// The notifications, WM_USER + 618 to WM_USER + 631; wParam is the port number.
constexpr UINT ON_COM_RECEIVE = 0x66A;
constexpr UINT ON_COM_CTS = 0x66B;
constexpr UINT ON_COM_DSR = 0x66C;
constexpr UINT ON_COM_RING = 0x66D;
constexpr UINT ON_COM_RLSD = 0x66E;
constexpr UINT ON_COM_BREAK = 0x66F;
constexpr UINT ON_COM_TXEMPTY = 0x670;
constexpr UINT ON_COM_ERROR = 0x671;
constexpr UINT ON_COM_RXFLAG = 0x672;
constexpr UINT ON_COM_EXTRA1 = 0x673;
constexpr UINT ON_COM_EXTRA3 = 0x674;
constexpr UINT ON_COM_EXTRA4 = 0x675;
constexpr UINT ON_COM_EXTRA2 = 0x676;
constexpr UINT ON_COM_EXTRA5 = 0x677;

// The text handed to CnComm::AssertFailed for a failed check at a numbered place: the expression
// as written (stringized here, before its macros such as TRUE or NULL are expanded).
#define CN_ASSERT_TEXT(expr, number) "CN_ASSERT(" #expr ") failed; CnComm(" #number "); "
// True when expr holds; otherwise AssertFailed's result (false). The text is spelled out here too:
// passed on to CN_ASSERT_TEXT, the expression would be macro-expanded first.
#define CN_ASSERT(expr, number) \
    ((expr) ? true : AssertFailed("CN_ASSERT(" #expr ") failed; CnComm(" #number "); "))

class CnComm {
public:
    enum : DWORD {
        EN_OVERLAPPED_IO = 0x02,
        EN_RX_BUFFER = 0x04,
        EN_TX_BUFFER = 0x08,
        EN_RX_WORKER = 0x10,
        EN_TX_WORKER = 0x20,
        EN_FLUSH_ON_CLOSE = 0x100,
        EN_DRAIN_ON_CLOSE = 0x200,
    };

    // A byte queue in a chain of heap blocks, written at the tail and read at the head. Its own
    // operations take no lock: users hold csLock (Lock/Unlock) around them. Size() may be read
    // without the lock.
    class BlockBuffer {
    public:
        // One allocation: this header, then `capacity` data bytes.
        struct Block {
            DWORD begin;     // first unread byte
            DWORD end;       // after the last written byte
            DWORD capacity;  // data bytes
            Block* next;
            BYTE* Data() { return reinterpret_cast<BYTE*>(this + 1); }
        };
        static constexpr DWORD kMinBlock = 1024;
        // Largest capacity a block may have: header and data must stay within 32-bit sizes.
        static constexpr DWORD kMaxBlock = 0xFFFFFFFFu - sizeof(Block);

        BlockBuffer();
        BlockBuffer(const BlockBuffer&) = delete;
        BlockBuffer& operator=(const BlockBuffer&) = delete;
        virtual ~BlockBuffer();

        void Lock();
        void Unlock();
        DWORD Size() const;
        DWORD LockedSize();
        DWORD FreeSize() const;  // room after the last block's end; 0 without blocks
        Block* NewBlock(DWORD n);
        // Where n bytes may be written (n 0: the last block's end); null without room and when no
        // block can be made.
        void* GetFreePointer(DWORD n);
        // Takes n bytes written at the free pointer; 0 (nothing changes) when n exceeds the room.
        DWORD Commit(DWORD n);
        // Appends n bytes; n, or 0 when they cannot be held (nothing is then written).
        DWORD Write(const void* p, DWORD n);
        // Takes up to n bytes from the head into p (p null discards them); the count taken.
        DWORD Read(void* p, DWORD n);
        void* FirstData() const;
        DWORD FirstLength() const;
        void Clear();

        Block* pFirst;
        Block* pLast;
        std::atomic<DWORD> dwSize;
        DWORD dwMinBlock;
        CRITICAL_SECTION csLock;
    };

    explicit CnComm(DWORD dwOption);
    CnComm(const CnComm&) = delete;
    CnComm& operator=(const CnComm&) = delete;
    virtual ~CnComm();

    void SetOption(DWORD dwOption);

    // Names port dwPort ("\\.\COMn"), applies the line settings, sets the notification targets,
    // opens and sets up the port and starts the workers the options ask for. False (and the
    // port closed) when a step fails.
    bool Open(DWORD dwPort, DWORD dwBaudRate = 9600, BYTE byParity = NOPARITY, BYTE byByteSize = 8,
              BYTE byStopBits = ONESTOPBIT, HWND hOwnerWnd = nullptr, DWORD dwOwnerThread = 0,
              DWORD dwReceiveThreshold = 0);

    // ---- queries --------------------------------------------------------------------------
    bool IsOpen() const { return hComm_.load() != INVALID_HANDLE_VALUE; }
    bool IsOverlappedMode() const { return (dwOption_ & EN_OVERLAPPED_IO) != 0; }
    bool IsTxBuffer() const { return (dwOption_ & EN_TX_BUFFER) != 0; }
    DWORD GetModemStatus();
    bool IsCTS() { return (GetModemStatus() & MS_CTS_ON) != 0; }
    bool IsDSR() { return (GetModemStatus() & MS_DSR_ON) != 0; }
    bool IsRing() { return (GetModemStatus() & MS_RING_ON) != 0; }
    bool IsRLSD() { return (GetModemStatus() & MS_RLSD_ON) != 0; }
    DWORD GetErrorFlags();
    static constexpr DWORD kQueueCountFailed = 0xFFFFFFFFu;
    DWORD GetQueueCount(bool bInput);

    DWORD BytesIn() const { return dwBytesIn_.load(); }
    DWORD BytesOut() const { return dwBytesOut_.load(); }
    HANDLE GetHandle() const { return hComm_; }
    BlockBuffer& Input() { return InBlocks_; }
    BlockBuffer& Output() { return OutBlocks_; }

    // ---- port operations --------------------------------------------------------------------
    virtual void Close(DWORD dwWaitTime);
    bool EndThread(DWORD dwWaitTime);
    DWORD ReadPort(void* pBuffer, DWORD dwLength, DWORD dwWaitTime);
    DWORD ReadIntoBuffer(DWORD dwCount);
    DWORD WritePort(const void* pBuffer, DWORD dwLength);
    DWORD WriteFromBuffer(DWORD dwCount);
    DWORD Write(const void* pBuffer, DWORD dwLength);
    DWORD WriteString(const char* szBuffer);

    static constexpr DWORD kDefaultWriteChunk = 1024;  // what every caller of WriteFromBuffer passes

protected:
    virtual void Init();
    virtual void Destroy();
    virtual bool OpenCommPort();
    virtual bool SetupPort();
    virtual void Notify(UINT uMsg, LPARAM lParam, bool bPost);
    virtual void OnReceive();
    virtual void OnDSR();
    virtual void OnCTS();
    virtual void OnBreak();
    virtual void OnTxEmpty();
    virtual void OnError();
    virtual void OnRing();
    virtual void OnRLSD();
    virtual void OnRxFlag();
    virtual void OnExtra1();
    virtual void OnExtra2();
    virtual void OnExtra3();
    virtual void OnExtra4();
    virtual void OnExtra5();
    virtual void HandleEvent(DWORD dwMask);
    virtual DWORD WatchLoopOverlapped();
    virtual DWORD WatchLoopPolling();
    virtual DWORD ReadLoop();
    virtual DWORD WriteLoop();

    // Handed the text of every failed check; does nothing with it and returns false. Virtual so that
    // a derived class may keep the texts.
    virtual bool AssertFailed(const char* szText);

    // Received bytes: into InBlocks_ (EN_RX_BUFFER) and OnReceive at the threshold.
    void ReceiveStep(DWORD dwQueued, DWORD dwRequest);
    // Ends the overlapped write in flight on WO_ (csState_ held): counts its bytes and returns how
    // many bytes of OutBlocks_' first block it had taken; false while it still runs (without bWait,
    // or when the wait was given up on a stop request).
    bool FinishPendingWrite(DWORD& dwTaken, bool bWait);
    // Lets go of the direct writes that have ended, oldest first (csState_ held); with bWait, of
    // every one, waiting for those that still run.
    void ReapDirectWrites(bool bWait);

    // The workers go on while this holds: bRunning_, and no stop request for the calling worker.
    bool KeepRunning() const;
    // Whether the calling thread is one of this object's workers, or its watch worker.
    bool OnWorker() const;
    bool OnWatchWorker() const;
    // Close on a worker (from a notifier): the others are stopped and waited for, the port closed;
    // the caller's own thread is left for the owner's thread to join.
    void CloseFromWorker(DWORD dwWaitTime);
    // Close's part after the workers: flush as the options ask, purge, release the writes and the
    // queued bytes, close the handle.
    void ClosePort(DWORD dwWaitTime);
    // The read on RO_ or the write on WO_ that was left pending: waits for its end and gives its
    // byte count. A wait given up on a stop request cuts the operation short (purge), so that it
    // never outlives the buffer it works on.
    DWORD AwaitOverlapped(OVERLAPPED& o, DWORD dwAbortFlag);
    // Starts a write of OutBlocks_' first block on WO_ (csState_ and OutBlocks_' lock held); the
    // bytes taken from the buffer at once.
    DWORD StartBlockWrite(DWORD dwCount);

    // The overlapped watch loop has queued bytes to start sending now: EN_TX_BUFFER without a write
    // worker, bytes in OutBlocks_, and no write in flight (that one's EV_TXEMPTY sends the next).
    bool HasBytesForWatchLoop();

    static DWORD WatchWorker(LPVOID pParam);
    static DWORD ReadWorker(LPVOID pParam);
    static DWORD WriteWorker(LPVOID pParam);

    DWORD dwOption_;
    // Atomic: a worker may close the port (Close from a notifier) while other threads look at it.
    std::atomic<HANDLE> hComm_;
    int nPortNumber_;
    char szPortPath_[64];
    CRITICAL_SECTION csState_;
    DCB LineSettings_;
    COMMTIMEOUTS CO_;
    BYTE* pSpareBuffer_;
    BlockBuffer InBlocks_;
    BlockBuffer OutBlocks_;
    std::atomic<DWORD> dwBytesIn_;
    std::atomic<DWORD> dwBytesOut_;
    std::atomic<bool> bRunning_;
    DWORD dwWaitEvent_;
    HANDLE hWatchWorker_;
    DWORD dwWatchWorkerId_;
    HANDLE hWatchEvent_;
    HANDLE hReadWorker_;
    DWORD dwReadWorkerId_;
    HANDLE hReadEvent_;
    HANDLE hWriteWorker_;
    DWORD dwWriteWorkerId_;
    HANDLE hWriteEvent_;
    HWND hOwnerWnd_;
    DWORD dwOwnerThread_;
    DWORD dwReceiveThreshold_;
    OVERLAPPED RO_;
    OVERLAPPED WO_;
    OVERLAPPED EO_;

    // The overlapped write in flight on WO_ (guarded by csState_): whether there is one, and how
    // many bytes of OutBlocks_' first block it reads (0 for a write of the caller's own bytes).
    bool bWritePending_ = false;
    DWORD dwPendingBlockBytes_ = 0;
    // Overlapped WritePort calls that are still running, oldest first (guarded by csState_). Each
    // writes from its own copy of the caller's bytes with its own record, so that the call returns
    // at once and the caller may reuse its buffer.
    struct DirectWrite {
        OVERLAPPED ov{};
        std::unique_ptr<BYTE[]> bytes;
    };
    std::deque<std::unique_ptr<DirectWrite>> directWrites_;
    // Guards the worker handles where a worker reads them (Close from a notifier) against Open
    // setting them. Only the owner's thread changes them; nobody waits for a thread holding it.
    std::mutex mxWorkers_;
    // A worker has taken on closing the port (Close from a notifier): a second one leaves it be.
    // Cleared by Open.
    std::atomic<bool> bWorkerClosing_{false};
};

// The serial-port class the program talks to its gauge through.
//
// Open resolves a port number through the port table (ttyS, ttyUSB, ttyACM and registered
// virtual ports), opens the device raw and locks it, and starts one receive thread. That
// thread waits in poll() on the device and a wake-up descriptor and hands every block it
// reads (at most 65,536 bytes) to the registered function, in order, on the receive thread.
//
// Threads:
// - Open, Close and the destructor belong to one thread (the program's UI thread).
// - Output may be called from any number of threads at once; each call's bytes go out
//   whole, never interleaved with another call's. A call gives up a quarter of a second
//   after it was made when the device takes no more bytes (waiting for another caller's
//   write included), and returns the count actually written.
// - Close returns only when no callback is running and none will run. Close called from
//   inside the receive function only asks the receive thread to stop (it cannot wait for
//   itself): no further callback follows the current one, Output does nothing from then on,
//   IsOpen answers false, and the receive thread closes the device as it leaves. The next
//   Open, Close or the destructor joins it. Open called from inside the receive function
//   fails (returns 0). The object must not be destroyed from inside its receive function.
// - SetReceiveFunc stores the function for the next Open; a port that is already open goes
//   on with the function it was opened with.
//
// A device that vanishes (unplugged, or a pseudo-terminal whose other side closed) ends the
// receive thread quietly. From then on Output does nothing; IsOpen still answers true until
// Close, which the program calls on disconnect as usual.
//
// Open on an object that is already open closes it first, then opens the requested port.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class CComPort {
public:
    enum ReceiveMode { ManualReceive = 0, PolledReceive = 1, CallbackReceive = 2 };
    enum Parity { EvenParity = 0, OddParity = 1, NoParity = 2, MarkParity = 3, SpaceParity = 4 };
    enum StopBits { OneStopBit = 0, OnePointFiveStopBits = 1, TwoStopBits = 2 };
    enum FlowControl { NoFlowControl = 0, CtsRtsFlowControl = 1, XonXoffFlowControl = 2 };
    using ReceiveFunc = void (*)(void* context, void* data, unsigned long length);

    // Largest block handed to the receive function in one call.
    static constexpr unsigned long kReceiveBlockSize = 65536;

    CComPort();
    virtual ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    void SetReceiveFunc(ReceiveFunc fn, void* context);

    // Non-zero when the port is open and its receive thread runs; 0 otherwise, with nothing
    // left open. Every receive mode delivers through the receive function.
    int Open(int port, ReceiveMode mode, unsigned long baud, Parity parity, unsigned char dataBits,
             StopBits stopBits, FlowControl flow);
    void Close();

    // Returns the number of bytes written; 0 when the port is not open.
    unsigned long Output(const void* data, unsigned long length);

    bool IsOpen() const;

private:
    void ReceiveLoop();
    void StopFromReceiveThread();
    bool OnReceiveThread() const;

    // Open/Close state; touched by the owning thread only, except m_open, which IsOpen reads.
    std::thread m_rxThread;
    int m_fd = -1;      // the device, owned by this object (or by the receive thread, see below)
    int m_wakeFd = -1;  // eventfd that breaks the receive thread's poll
    std::atomic<bool> m_open{false};

    // Receive side. The function pair is copied at Open and read only by the receive thread.
    ReceiveFunc m_nextFunc = nullptr;
    void* m_nextContext = nullptr;
    ReceiveFunc m_func = nullptr;
    void* m_context = nullptr;
    std::unique_ptr<unsigned char[]> m_rxBuffer;
    std::atomic<bool> m_stopRequested{false};
    // Set by Close from inside the receive function: the receive thread closes the device
    // itself when it leaves, and tells the joining side through m_deviceClosedByRx.
    std::atomic<bool> m_closeOnExit{false};
    bool m_deviceClosedByRx = false;  // written by the receive thread, read after join
    std::atomic<bool> m_deviceGone{false};

    // Output side: m_writeFd is m_fd while Output may use it, -1 otherwise. One caller at a
    // time writes (m_writing); the others wait for it, but never past their own deadline.
    void SetWriteFd(int fd);
    std::mutex m_writeLock;
    std::condition_variable m_writeDone;
    bool m_writing = false;
    int m_writeFd = -1;
};

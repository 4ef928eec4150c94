// The gauge's side of the serial link, on a pseudo-terminal.
//
// Real-time readings: every request byte '?' (0x3F) is answered with one line
//   <number text> ' ' <unit text> CR [LF]
// whose number comes from a LoadProfile as a function of the reading number n (0-based,
// counting the lines sent since Open or RestartProfile).
//
// Memory upload: frames  FC 33 | length L (u16 big-endian, whole frame) | command | payload |
// CRC-16/ARC of bytes 0..L-3, low byte first. The program sends the connect request
// FC 33 00 08 3F 3F C0 1A and the next-block request FC 33 00 08 2B 2B CF 15; the gauge
// answers with record frames (command 0xAA, up to recordsPerFrame 7-byte records) and,
// after the last records, the end frame (command 0x55, no payload).
//
// How requests are told apart:
//  - The sync pair FC 33 starts a request frame. Every byte taken into a frame belongs to
//    it and is never answered as a reading request, so the 3F 3F of the connect request
//    produce no reading lines. A frame whose length is not 7..258 is dropped at once, one
//    that stops arriving for frameTimeoutMs is dropped, one with a wrong CRC is dropped
//    (counted by BadRequestFrames); frames with another command are ignored.
//  - A '?' outside a frame is a reading request. While an upload is being sent (from the
//    connect request that started it until the end frame goes out, or until no upload
//    request came for sessionIdleMs) a '?' is counted but not answered.
//
// How repeated upload requests are answered (the program repeats the connect request
// every 10 ms until it sees a valid frame, and the next-block request after ~30 ms of
// silence, every 10 ms, while it waits 20 ms after each record frame before it
// acknowledges it):
//  - An upload request that arrives while the frame last sent has not been taken by the
//    program yet (part of it still queued here or unread on the program's side of the
//    line) crossed that frame on the line: it is counted and otherwise ignored. A busy
//    machine can delay the program's reading by far more than the times below; what it
//    asked for before the frame reached it says nothing about the frame.
//  - Connect request, no upload running: start one and send the first block.
//  - Connect request, upload running, no block acknowledged yet: the program has not seen
//    a valid frame, so the first block is sent again, but not sooner than resendGuardMs
//    after it was last sent (a request that crossed the frame on the line gets nothing).
//  - Connect request once a block was acknowledged, or after the end frame: ignored; only
//    a connect request after sessionIdleMs without upload requests starts a new upload.
//  - Next-block request less than repeatGapMs after the previous next-block request: a
//    repeat from the program's silence rule. The frame last sent (record or end frame) is
//    sent again, but not sooner than resendGuardMs after it was last sent. Nothing is
//    skipped.
//  - Any other next-block request acknowledges the frame last sent and the gauge sends the
//    following block, or the end frame after the last block. After the end frame only
//    repeats (above) resend it.
//  - Next-block request without a running upload: ignored.
// Tests that write the requests themselves without pauses set repeatGapMs to 0, so that
// every next-block request acknowledges.
//
// Reading number n counts the lines sent since Open or RestartProfile: requests left
// unanswered (silent gauge, upload running) do not advance it.
//
// Threads: one serving thread per simulator blocks in poll() on the pty master and a
// wake-up eventfd; every write to the master happens on it, in order. The fault setters and
// counters may be called from any thread at any time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orva::sim {

// Request frames of the program and frame types of the gauge.
inline constexpr std::uint8_t kFrameSync0 = 0xFC;
inline constexpr std::uint8_t kFrameSync1 = 0x33;
inline constexpr std::uint8_t kCmdConnect = 0x3F;
inline constexpr std::uint8_t kCmdNext = 0x2B;
inline constexpr std::uint8_t kFrameRecords = 0xAA;
inline constexpr std::uint8_t kFrameEnd = 0x55;
inline constexpr std::uint8_t kReadingRequest = '?';
inline constexpr std::size_t kMinFrameLength = 7;
inline constexpr std::size_t kMaxFrameLength = 258;  // the program's frame buffer: at most 35 records
inline constexpr std::size_t kRecordSize = 7;
inline constexpr std::uint8_t kConnectRequest[8] = {0xFC, 0x33, 0x00, 0x08, 0x3F, 0x3F, 0xC0, 0x1A};
inline constexpr std::uint8_t kNextRequest[8] = {0xFC, 0x33, 0x00, 0x08, 0x2B, 0x2B, 0xCF, 0x15};

struct LoadProfile {  // what the gauge measures, as a function of the reading number n (0-based)
    // Constant: start for ever.
    // Ramp: start + slopePerReading * n, held at peak once reached.
    // Hold: ramp up to peak, stay there holdReadings readings, ramp back down to start by the
    //       same slope, then stay at start.
    // Break: ramp up to peak, stay there holdReadings readings, then fall at once to half of
    //        breakShare * peak (below the share) and stay there.
    // Noise: start with the noise added (noise is added to every kind but Sequence).
    // Sequence: the exact number texts of `sequence`, cycled; decimals and noise unused.
    enum class Kind { Constant, Ramp, Hold, Break, Noise, Sequence } kind = Kind::Constant;
    double start = 0, peak = 100, slopePerReading = 1;  // ramp from start by slope per reading up to peak
    std::size_t holdReadings = 0;                       // Hold/Break: stay at peak this many readings
    double breakShare = 0.5;  // Break: after reaching peak, fall to below this share of the peak
    double noise = 0;         // +- uniform noise amplitude (seeded, reproducible: depends on seed and n only)
    // Sequence: the exact number texts to send, cycled ("12.3456", "-12", "abc"); empty sends "0".
    std::vector<std::string> sequence;
    int decimals = 3;  // digits after the point in the number text (0..9)
};

// One 7-byte memory record: raw u16 big-endian, decimals code, unit code, mode code,
// direction flag, group.
struct MemoryRecordData {
    std::uint16_t raw = 0;
    std::uint8_t decimals = 3;
    std::uint8_t unit = 1;
    std::uint8_t mode = 0;
    std::uint8_t direction = 1;
    std::uint8_t group = 0;
    bool operator==(const MemoryRecordData&) const = default;
};

struct UploadTiming {         // see the rules at the top of this file
    int repeatGapMs = 15;     // a next-block request this soon after the previous one is a repeat
    int resendGuardMs = 25;   // a repeat resends the current frame only this long after it was sent
    int sessionIdleMs = 500;  // an upload is over when no upload request came for this long
    int frameTimeoutMs = 50;  // a request frame that stops arriving for this long is dropped
};

struct SimOptions {
    LoadProfile profile;
    std::string unitText = "N";  // or from a UnitCode via UnitTextForCode
    bool lineFeed = false;       // LF after CR
    std::uint32_t seed = 1;
    std::vector<MemoryRecordData> memory;  // records for uploads
    std::size_t recordsPerFrame = 35;      // 1 and more; above 35 the frames exceed 258 bytes
    UploadTiming upload;
    // Repeating faults, 0 = off: write `garbage` before every garbageEvery-th reply, drop one
    // byte from every dropEvery-th reply (replies are lines and frames, counted together).
    std::size_t garbageEvery = 0;
    std::string garbage = "\xA5\x5A#";
    std::size_t dropEvery = 0;
    int splitPauseMs = 2;  // pause between the two writes of a split reply
};

class GaugeSimulator {
public:
    explicit GaugeSimulator(SimOptions options = {});
    ~GaugeSimulator();  // stops, unregisters, closes
    GaugeSimulator(const GaugeSimulator&) = delete;
    GaugeSimulator& operator=(const GaugeSimulator&) = delete;

    // Opens a new pseudo-terminal (raw on both sides; the simulator keeps one slave fd open so
    // that the pty does not hang up while the program has it closed) and starts serving.
    // False when already open or on failure. Reading number and upload state start afresh.
    bool Open();
    void Close();  // stops serving, unregisters the virtual port, closes both sides
    bool IsOpen() const;
    const std::string& SlavePath() const;  // /dev/pts/N: what the program opens; valid until the next Open
    // Registers the slave as a virtual port (orva::ports::RegisterVirtualPort); returns the
    // COMn number, 0 when not open or no number is free. Unplug, Close and the destructor
    // remove the registration.
    int RegisterVirtualPort(const std::string& product = "USB Gauge Simulator");
    int VirtualPortNumber() const;  // 0 when not registered

    // Readings start again from n = 0.
    void RestartProfile();

    // Faults, callable at any time from any thread.
    void SetSilent(bool);               // ignore all requests (they are still counted)
    void CorruptNextFrames(int count);  // send the next count frames with a wrong CRC
    // Writes raw bytes now, after the reply being written; dropped when not open.
    void InjectGarbage(const std::string& bytes);
    void SetSplitWrites(bool);      // write each line/frame in two separate writes with a short pause
    void DropNextBytes(int count);  // drop count bytes from the next reply, from its middle on
    void Unplug();  // unregisters and closes the master side: the program's reads end (EIO/hang-up)

    // What happened.
    std::uint64_t RequestsReceived() const;  // '?' bytes seen outside frames, answered or not
    std::uint64_t LinesSent() const;
    std::uint64_t FramesSent() const;  // record and end frames, resends included
    std::uint64_t FramesResent() const;
    std::uint64_t ConnectRequests() const;   // valid connect request frames seen
    std::uint64_t NextRequests() const;      // valid next-block request frames seen
    std::uint64_t BadRequestFrames() const;  // request frames dropped for their CRC, length or time-out
    std::uint64_t BlocksAcknowledged() const;
    bool UploadFinished() const;  // the end frame of the latest upload went out
    // Every byte the program wrote, in order, while recording was enabled (off at first).
    std::vector<std::uint8_t> Received() const;
    void SetRecordReceived(bool);

private:
    struct State;  // shared with the serving thread
    void StopThread();
    void Unregister();

    std::unique_ptr<State> state_;
    std::string slavePath_;
    int portNumber_ = 0;
};

std::uint16_t Crc16Arc(const std::uint8_t* data, std::size_t n);
// FC 33, length, command, payload, CRC low byte first. Throws std::length_error when the
// frame would be longer than 65535 bytes.
std::vector<std::uint8_t> BuildFrame(std::uint8_t command, const std::vector<std::uint8_t>& payload);
// Record frame with records [first, first + count) of memory.
std::vector<std::uint8_t> BuildRecordFrame(const std::vector<MemoryRecordData>& memory, std::size_t first,
                                           std::size_t count);
std::vector<std::uint8_t> BuildEndFrame();
void AppendRecord(std::vector<std::uint8_t>& out, const MemoryRecordData& record);
const char* UnitTextForCode(int code);  // "N" for codes outside the gauge's table
// count records of assorted values, decimals codes, units (force, torque, MPa and code 31),
// modes, directions and groups; the same seed gives the same records.
std::vector<MemoryRecordData> GenerateRecords(std::size_t count, std::uint32_t seed = 1);

// The value and number text of reading n, as the simulator sends them.
double ProfileValue(const LoadProfile& profile, std::uint32_t seed, std::uint64_t n);
std::string ProfileNumberText(const LoadProfile& profile, std::uint32_t seed, std::uint64_t n);

}  // namespace orva::sim

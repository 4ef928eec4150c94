// The gauge's frame protocol for memory uploads.
//
//   offset 0   FC 33             sync pair
//   offset 2   length L          big-endian, the whole frame from the first sync byte on
//   offset 4   command or type
//   offset 5   payload           L - 7 bytes
//   offset L-2 CRC-16/ARC        of bytes 0..L-3, low byte first
//
// The program sends only the two fixed request frames below; the gauge answers with record
// frames and, after the last one, the end frame.
#pragma once

#include <cstddef>

#include "win32_types.h"

inline constexpr BYTE GAUGE_FRAME_SYNC[2] = {0xFC, 0x33};

// Start of an upload: command 0x3F with the payload byte 0x3F.
inline constexpr BYTE GAUGE_CMD_CONNECT[8] = {0xFC, 0x33, 0x00, 0x08, 0x3F, 0x3F, 0xC0, 0x1A};
// Acknowledge, send the next block: command 0x2B with the payload byte 0x2B.
inline constexpr BYTE GAUGE_CMD_NEXT[8] = {0xFC, 0x33, 0x00, 0x08, 0x2B, 0x2B, 0xCF, 0x15};

inline constexpr BYTE GAUGE_FRAME_RECORDS = 0xAA;  // payload of 7-byte memory records
inline constexpr BYTE GAUGE_FRAME_END = 0x55;      // end of the memory data

// Sync, length, type and CRC: the smallest frame there is.
inline constexpr int kGaugeFrameMinLength = 7;
// The frame buffer's size, and so the longest frame accepted (35 records of 7 bytes).
inline constexpr int kGaugeFrameMaxLength = 258;

// Low and high bytes of the reflected CRC-16 lookup table for polynomial 0xA001.
extern const BYTE Crc16TableLow[256];
extern const BYTE Crc16TableHigh[256];

// CRC-16/ARC (reflected 0x8005, initial value 0, no final XOR) of count bytes. The low byte of
// the result goes first on the wire.
WORD CalcCrc16(const BYTE* data, std::size_t count);

// ---- the frame parser on the main dialog's RxFrameState -----------------------------------
class CKvDlg;

enum class FrameStep {
    Pending,   // the byte was taken; no frame completed
    Complete,  // a frame with a matching checksum is in the dialog's frame buffer
    BadCrc,    // a frame completed but its checksum did not match
    Refused,   // the length field was outside 7..258: the frame was dropped
};

// Takes one byte into the dialog's frame parser. After Complete or BadCrc the frame's bytes are
// in m_frameBuf and *frameLength holds its length; the parser is already hunting again.
FrameStep FeedFrameByte(CKvDlg& dlg, BYTE b, int* frameLength);

// One byte of an upload: parse it and act on a finished frame (records, end, or the checksum box).
void HandleFrameByte(CKvDlg& dlg, BYTE b);

// The upload-mode loop of the acquisition thread: parses the ring's bytes until the thread is
// asked to stop; blocks while the ring is empty.
void RunUploadLoop(CKvDlg& dlg);

// Writes one of the two request frames to the gauge.
void SendGaugeRequest(CKvDlg& dlg, const BYTE (&request)[8]);

// Box shown for a frame whose checksum did not match.
inline constexpr const char* kFrameCrcErrorText = "Communication of COM port is finished";

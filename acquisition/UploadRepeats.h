// The requests the tick timer repeats during an upload, and the record frames the gauge sends
// again in answer to them.
//
// The gauge answers a repeated request with the frame it sent last, the same bytes again: a
// connect request before any block was acknowledged brings block 0 again, a repeated next-block
// request the block it sent last. An empty receive ring does not mean that no answer is on its
// way: on a busy machine a frame can wait in the kernel or between the port's read and the ring
// for tens of milliseconds while the tick timer asks again. So a valid record frame that is
// byte for byte the one handled last, that comes before any other frame, and that a repeat
// sent after the request which brought that frame (and before our acknowledgement of it) may
// have asked for, is that frame again: its records are neither listed nor counted. The same
// block twice with no repeat in between is two blocks that happen to be equal, and both count.
//
// Which repeats lie between two of our own requests is told without a lock: the tick timer
// counts each repeat as it begins and once it was written; the port writes one request at a
// time, whole. A repeat written at nearly the same moment as our acknowledgement is counted on
// both sides of it.
#pragma once

#include "win32_types.h"

class CKvDlg;

// Start of an upload, before the acquisition thread and the tick timer run: no frame handled
// yet, no repeat counted; Start's own connect request is the first request.
void ResetUploadRepeats(CKvDlg& dlg);

// Tick timer: writes a repeated request to the gauge.
void SendRepeatedRequest(CKvDlg& dlg, const BYTE (&request)[8]);

// Acquisition thread. A valid record frame that is the one handled last, sent again by the gauge.
bool IsRecordFrameSentAgain(const CKvDlg& dlg, const BYTE* frame, int length);
// Acknowledges the record frame just handled with the next-block request and keeps it for the
// comparison above.
void AcknowledgeRecordFrame(CKvDlg& dlg, const BYTE* frame, int length);
// Any other frame came (another type, or a wrong checksum): whatever follows is not a resend of
// the frame handled before it.
void ForgetRecordFrame(CKvDlg& dlg);

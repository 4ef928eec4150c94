// The manual command sender: the hidden command edit's text through the program's own port class,
// as hexadecimal bytes or as text.
#include "ManualSender.h"

#include <cstring>
#include <vector>

#include "KvDlg.h"

BYTE g_bHexSend = 0;

namespace {

// Sends n bytes in as many writes as the port takes; a write that takes nothing ends it.
void WriteInPieces(CnComm& comm, const char* bytes, DWORD n) {
    for (DWORD position = 0; position < n;) {
        const DWORD written = comm.Write(bytes + position, n - position);
        if (written == 0) break;
        position += written;
    }
}

}  // namespace

void CKvDlg::SendCommandText() {
    std::vector<char> copy(2 * m_strSendText.size() + 1);
    std::memcpy(copy.data(), m_strSendText.c_str(), m_strSendText.size() + 1);
    const bool oneCall = m_nComm.IsOverlappedMode() || m_nComm.IsTxBuffer();
    if (g_bHexSend != 0) {
        const DWORD n = static_cast<DWORD>(HexTextToBytes(copy.data(), copy.data()));
        if (oneCall) {
            m_nComm.Write(copy.data(), n);
        } else {
            WriteInPieces(m_nComm, copy.data(), n);
        }
    } else if (oneCall) {
        m_nComm.WriteString(copy.data());
    } else {
        WriteInPieces(m_nComm, copy.data(), static_cast<DWORD>(std::strlen(copy.data())));
    }
}

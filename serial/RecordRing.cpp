// The main dialog's record ring: 3-byte records; one slot always stays free, so at most
// m_nRecordModulus - 1 records are held.
#include "KvDlg.h"

bool CKvDlg::RecordRingPut(const BYTE record[3]) {
    const std::uint32_t next = (m_nRecordWrite + 1) % m_nRecordModulus;
    if (next == m_nRecordRead) return false;
    for (int i = 0; i < 3; ++i) m_recordRing[m_nRecordWrite][i] = record[i];
    m_nRecordWrite = next;
    return true;
}

bool CKvDlg::RecordRingGet(BYTE out[3]) {
    if (m_nRecordRead == m_nRecordWrite) return false;
    for (int i = 0; i < 3; ++i) out[i] = m_recordRing[m_nRecordRead][i];
    m_nRecordRead = (m_nRecordRead + 1) % m_nRecordModulus;
    return true;
}

// The manual command sender of the main dialog (CKvDlg::SendCommandText): the command edit's text
// through the program's own port class, as hexadecimal bytes or as text. Nothing calls it.
#pragma once

#include "win32_types.h"

// Not 0: the text is read as hexadecimal pairs. Nothing sets it.
extern BYTE g_bHexSend;

// Writes the bytes of the hexadecimal pairs in `source` to `destination` (which may be `source`
// itself) and returns how many whole bytes it wrote. Characters that are not hexadecimal digits are
// skipped, so digits pair up across them. A lone last digit leaves its high half in the next
// destination byte, uncounted.
int HexTextToBytes(const char* source, char* destination);

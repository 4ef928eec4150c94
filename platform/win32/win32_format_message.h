// The system's text for an error code, as an error box shows it. The texts are the C library's
// descriptions of the nearest POSIX error (strerror), in the process's language.
#pragma once

#include <cstdarg>

#include "win32_error.h"
#include "win32_types.h"

using HLOCAL = void*;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) {
    return static_cast<DWORD>((sub << 10) | primary);
}

// Only FORMAT_MESSAGE_FROM_SYSTEM (other sources fail with ERROR_NOT_SUPPORTED); the language is
// accepted and not used, the text has no inserts. With FORMAT_MESSAGE_ALLOCATE_BUFFER `buffer` is
// really a char** that receives a text made for the caller, freed with LocalFree, of at least
// `size` bytes; otherwise the text is copied into `buffer` of `size` bytes and a text that does not
// fit fails with ERROR_INSUFFICIENT_BUFFER. Returns the text's length without its terminator, 0 on
// failure; a code without a text fails with ERROR_MR_MID_NOT_FOUND.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);

// Frees a text that FormatMessageA made; nullptr is returned (nothing to free: also nullptr).
HLOCAL LocalFree(HLOCAL memory);

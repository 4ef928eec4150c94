#include "win32_format_message.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "win32_comm.h"
#include "win32_thread_message.h"

namespace {

// The POSIX error that says the same as a code of ours; 0 for a code without one.
int NearestErrno(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_ENOUGH_MEMORY:
            return ENOMEM;
        case ERROR_INVALID_DATA:
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_BAD_COMMAND:
            return ENODEV;
        case ERROR_NOT_SUPPORTED:
            return ENOTSUP;
        case ERROR_INSUFFICIENT_BUFFER:
            return ENOBUFS;
        case ERROR_SIGNAL_REFUSED:
            return EAGAIN;
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_NO_MORE_ITEMS:
            return ENODATA;
        case ERROR_OPERATION_ABORTED:
            return ECANCELED;
        case ERROR_IO_INCOMPLETE:
        case ERROR_IO_PENDING:
            return EINPROGRESS;
        case ERROR_INVALID_THREAD_ID:
            return ESRCH;
        case ERROR_INVALID_USER_BUFFER:
            return EFAULT;
        default:
            return 0;
    }
}

}  // namespace

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*) {
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char text[256];
    if (messageId == ERROR_SUCCESS) {
        std::strcpy(text, "The operation completed successfully.");
    } else {
        const int error = NearestErrno(messageId);
        if (error == 0) {
            SetLastError(ERROR_MR_MID_NOT_FOUND);
            return 0;
        }
        // The GNU strerror_r: thread-safe, and it may return a static text instead of filling ours.
        const char* description = strerror_r(error, text, sizeof text);
        if (description != text) {
            std::strncpy(text, description, sizeof text - 1);
            text[sizeof text - 1] = '\0';
        }
    }
    const std::size_t length = std::strlen(text);
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        const std::size_t room = length + 1 > size ? length + 1 : size;
        char* made = static_cast<char*>(std::calloc(room, 1));
        if (made == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(made, text, length);
        *reinterpret_cast<char**>(buffer) = made;
        return static_cast<DWORD>(length);
    }
    if (length + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, text, length + 1);
    return static_cast<DWORD>(length);
}

HLOCAL LocalFree(HLOCAL memory) {
    std::free(memory);
    return nullptr;
}

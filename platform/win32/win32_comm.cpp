#include "win32_comm.h"

#include <cctype>
#include <cstring>
#include <string>

#include "port_table.h"
#include "win32_comm_port.h"
#include "win32_error.h"

namespace {

using orva::win32::CommPort;

// The port number of "COMn" or "\\.\COMn" (any case); 0 for another name.
int PortNumberOfName(const char* name) {
    if (std::strncmp(name, "\\\\.\\", 4) == 0) name += 4;
    if (std::strlen(name) < 4 || std::strlen(name) > 6) return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    }
    int number = 0;
    for (const char* p = name + 3; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
        number = number * 10 + (*p - '0');
    }
    return number >= 1 && number <= 255 ? number : 0;
}

std::shared_ptr<CommPort> Port(HANDLE file) {
    auto port = orva::win32::FindHandleAs<CommPort>(file);
    if (!port) SetLastError(ERROR_INVALID_HANDLE);
    return port;
}

}  // namespace

HANDLE CreateFileA(const char* fileName, DWORD, DWORD, void*, DWORD disposition, DWORD flagsAndAttributes,
                   HANDLE) {
    const int number = fileName != nullptr ? PortNumberOfName(fileName) : 0;
    const auto device = number != 0 ? orva::ports::DevicePathForPort(number) : std::nullopt;
    if (!device) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = ERROR_SUCCESS;
    auto port = CommPort::Open(*device, (flagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0, error);
    if (!port) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return orva::win32::AddHandle(std::move(port));
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    const auto port = Port(file);
    return port ? port->Read(buffer, toRead, read, overlapped) : FALSE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped) {
    const auto port = Port(file);
    return port ? port->Write(buffer, toWrite, written, overlapped) : FALSE;
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
    const auto port = Port(file);
    if (port && overlapped == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return port ? port->Result(overlapped, transferred, wait != FALSE) : FALSE;
}

BOOL SetCommMask(HANDLE file, DWORD mask) {
    const auto port = Port(file);
    return port ? port->SetMask(mask) : FALSE;
}

BOOL GetCommMask(HANDLE file, DWORD* mask) {
    const auto port = Port(file);
    return port ? port->GetMask(mask) : FALSE;
}

BOOL WaitCommEvent(HANDLE file, DWORD* eventMask, OVERLAPPED* overlapped) {
    const auto port = Port(file);
    return port ? port->WaitEvent(eventMask, overlapped) : FALSE;
}

BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* status) {
    const auto port = Port(file);
    return port ? port->ClearError(errors, status) : FALSE;
}

BOOL PurgeComm(HANDLE file, DWORD flags) {
    const auto port = Port(file);
    return port ? port->Purge(flags) : FALSE;
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
    const auto port = Port(file);
    return port ? port->Setup(inQueue, outQueue) : FALSE;
}

BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) {
    const auto port = Port(file);
    return port ? port->GetTimeouts(timeouts) : FALSE;
}

BOOL SetCommTimeouts(HANDLE file, const COMMTIMEOUTS* timeouts) {
    const auto port = Port(file);
    return port ? port->SetTimeouts(timeouts) : FALSE;
}

BOOL GetCommState(HANDLE file, DCB* dcb) {
    const auto port = Port(file);
    return port ? port->GetState(dcb) : FALSE;
}

BOOL SetCommState(HANDLE file, const DCB* dcb) {
    const auto port = Port(file);
    return port ? port->SetState(dcb) : FALSE;
}

BOOL GetCommModemStatus(HANDLE file, DWORD* modemStatus) {
    const auto port = Port(file);
    return port ? port->ModemStatus(modemStatus) : FALSE;
}

BOOL ClearCommBreak(HANDLE file) {
    const auto port = Port(file);
    return port ? port->ClearBreak() : FALSE;
}

BOOL FlushFileBuffers(HANDLE file) {
    const auto port = Port(file);
    return port ? port->Flush() : FALSE;
}

// Handles, waits, events and named mutexes.
#pragma once

#include "win32_error.h"
#include "win32_types.h"

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

// Closes any handle of ours. FALSE with ERROR_INVALID_HANDLE for an unknown or already closed one.
// Closing the handle of a running thread leaves the thread running.
BOOL CloseHandle(HANDLE handle);

// Waits for a thread to end or an event to be set. On a thread made by CreateThread the wait also
// ends when that thread is asked to stop (TerminateThread): it then fails with
// ERROR_OPERATION_ABORTED and the thread should return.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Waits for any one of `count` threads or events (waitAll FALSE; TRUE fails with
// ERROR_NOT_SUPPORTED): WAIT_OBJECT_0 + the lowest position among those signalled, whose signal is
// taken, or WAIT_TIMEOUT. Ends on a stop request like WaitForSingleObject. At most
// MAXIMUM_WAIT_OBJECTS handles, each a waitable object, else WAIT_FAILED.
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Events. Only unnamed events exist here; a name fails with ERROR_NOT_SUPPORTED.
HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// A named mutex is seen by every process of the user: when another handle to the same name is open
// anywhere, the new handle is still returned and the last error is ERROR_ALREADY_EXISTS, otherwise
// ERROR_SUCCESS. Ownership is not modelled (the program never waits for it).
HANDLE CreateMutexA(void* security, BOOL initialOwner, const char* name);

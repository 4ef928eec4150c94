// Threads with a cooperative stop.
//
// TerminateThread does not kill: it asks the thread to stop, wakes it when it is blocked in one of
// our waits (Sleep, WaitForSingleObject, or a wait of its own that registered a std::stop_callback
// on CurrentThreadStopToken()), and joins it. A thread that calls TerminateThread on itself only
// records the request; it then returns by itself. Code running on such a thread therefore checks
// ThreadStopRequested() wherever it may loop or block. As with any join, two threads that
// terminate each other at the same time, or a thread that waits for something its terminator holds,
// deadlock.
#pragma once

#include <cstddef>
#include <stop_token>

#include "win32_sync.h"
#include "win32_types.h"

constexpr DWORD STILL_ACTIVE = 259;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

// Starts `proc(param)` at once on a new thread. `security`, `stackSize` and `flags` are accepted and
// ignored. Returns the thread's handle (nullptr on failure) and stores its id, never 0, in
// *threadId when given. The handle stays valid after the thread ended, until CloseHandle.
HANDLE CreateThread(void* security, std::size_t stackSize, LPTHREAD_START_ROUTINE proc, LPVOID param,
                    DWORD flags, DWORD* threadId);

// Stop request plus join, as described above. The exit code becomes `exitCode` unless the thread had
// already ended. TRUE also for a thread that has ended already.
BOOL TerminateThread(HANDLE thread, DWORD exitCode);

// Suspension as a pause that the thread honours: SuspendThread raises the thread's suspend count
// and ResumeThread lowers it (both return the count before the call, 0xFFFFFFFF on failure). A
// CreateThread thread whose count is not 0 holds when it enters or leaves one of our waits
// (WaitForSingleObject, WaitForMultipleObjects, Sleep) until the count is back to 0 or its stop is
// requested; between waits it runs on. At most 127 suspensions (ERROR_SIGNAL_REFUSED).
DWORD SuspendThread(HANDLE thread);
DWORD ResumeThread(HANDLE thread);

namespace orva::win32 {

// Called by the waits on the calling thread: holds there while the thread is suspended.
void HonourSuspend();
// True while the thread holds at a wait because it is suspended.
bool ThreadHeldBySuspend(HANDLE thread);

}  // namespace orva::win32

// The calling thread's id: for a CreateThread thread the id CreateThread gave; any other thread
// gets one of the same series on its first call. Never 0.
DWORD GetCurrentThreadId();

// STILL_ACTIVE while the thread runs, then its exit code.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

// Sleeps for `ms` milliseconds; on a CreateThread thread it returns early when a stop is requested.
void Sleep(DWORD ms);

// True on a CreateThread thread whose stop was requested; always false on other threads.
bool ThreadStopRequested();

// The stop token of the calling CreateThread thread; on other threads a token that never stops.
std::stop_token CurrentThreadStopToken();

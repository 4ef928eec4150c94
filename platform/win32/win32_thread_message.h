// Thread message queues: PostThreadMessageA reaches a thread that has a queue. As on Windows a
// thread gets its queue with its first message call (here TakeThreadMessage or
// CreateThreadMessageQueue); posting to a thread without one fails with ERROR_INVALID_THREAD_ID.
// The queue goes with its thread.
#pragma once

#include "win32_types.h"

constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

namespace orva::win32 {

struct ThreadMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Gives the calling thread its queue (once).
void CreateThreadMessageQueue();
// Takes the oldest message of the calling thread's queue, waiting up to `ms` (INFINITE: no limit);
// false when none came. On a CreateThread thread a stop request ends the wait.
bool TakeThreadMessage(ThreadMessage& message, DWORD ms);

}  // namespace orva::win32

#include "win32_thread_message.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "win32_error.h"
#include "win32_sync.h"
#include "win32_thread.h"

namespace {

struct Queue {
    std::mutex lock;
    std::condition_variable_any arrived;
    std::deque<orva::win32::ThreadMessage> messages;
};

struct Registry {
    std::mutex lock;
    std::unordered_map<DWORD, std::shared_ptr<Queue>> queues;
};

// Never destroyed: threads may post while the process ends.
Registry& Queues() {
    static Registry* registry = new Registry;
    return *registry;
}

// The calling thread's queue; it leaves the registry when the thread ends.
struct OwnQueue {
    DWORD id = 0;
    std::shared_ptr<Queue> queue;
    ~OwnQueue() {
        if (!queue) return;
        Registry& r = Queues();
        std::lock_guard guard(r.lock);
        r.queues.erase(id);
    }
};

thread_local OwnQueue t_queue;

Queue& CallingThreadQueue() {
    if (!t_queue.queue) {
        t_queue.id = GetCurrentThreadId();
        t_queue.queue = std::make_shared<Queue>();
        Registry& r = Queues();
        std::lock_guard guard(r.lock);
        r.queues[t_queue.id] = t_queue.queue;
    }
    return *t_queue.queue;
}

}  // namespace

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Queue> queue;
    {
        Registry& r = Queues();
        std::lock_guard guard(r.lock);
        const auto it = r.queues.find(threadId);
        if (it != r.queues.end()) queue = it->second;
    }
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    {
        std::lock_guard guard(queue->lock);
        queue->messages.push_back({message, wParam, lParam});
    }
    queue->arrived.notify_all();
    return TRUE;
}

namespace orva::win32 {

void CreateThreadMessageQueue() {
    CallingThreadQueue();
}

bool TakeThreadMessage(ThreadMessage& message, DWORD ms) {
    Queue& q = CallingThreadQueue();
    std::unique_lock lock(q.lock);
    const auto ready = [&] { return !q.messages.empty(); };
    const std::stop_token stop = CurrentThreadStopToken();
    bool ok;
    if (ms == INFINITE) {
        ok = q.arrived.wait(lock, stop, ready);
    } else {
        ok = q.arrived.wait_until(lock, stop,
                                  std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), ready);
    }
    if (!ok) return false;
    message = q.messages.front();
    q.messages.pop_front();
    return true;
}

}  // namespace orva::win32

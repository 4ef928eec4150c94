#include "win32_thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "win32_handle_table.h"

namespace {

constexpr DWORD kMaxSuspendCount = 127;
constexpr DWORD kSuspendFailed = 0xFFFFFFFFu;

// One CreateThread thread. Of the std::thread inside, exactly one party takes care: a joiner
// (TerminateThread from another thread, or CloseHandle after the end) moves it out and joins it;
// a thread whose handle was closed while it ran detaches itself when it ends. Both decide under
// m_lock, so the two never race.
class ThreadObject : public orva::win32::WaitableObject {
public:
    ThreadObject(LPTHREAD_START_ROUTINE proc, LPVOID param, DWORD id)
        : m_proc(proc), m_param(param), m_id(id) {}

    static void Run(std::shared_ptr<ThreadObject> self);

    void Start(std::shared_ptr<ThreadObject> self) {
        std::lock_guard guard(m_lock);
        m_thread = std::thread(&ThreadObject::Run, std::move(self));
        m_threadId = m_thread.get_id();
    }

    void RequestStop(DWORD exitCode) {
        {
            std::lock_guard guard(m_lock);
            if (!m_finished && !m_terminated) {
                m_terminated = true;
                m_terminateCode = exitCode;
            }
        }
        // Stop callbacks run here, on the requesting thread, and wake whatever the thread waits for.
        m_stop.request_stop();
    }

    bool IsCallingThread() {
        std::lock_guard guard(m_lock);
        return m_threadId == std::this_thread::get_id();
    }

    // Returns once the thread procedure has returned.
    void Join() {
        std::unique_lock lock(m_lock);
        if (m_threadId == std::this_thread::get_id()) return;
        if (m_thread.joinable()) {
            std::thread thread = std::move(m_thread);
            lock.unlock();
            thread.join();
            return;
        }
        // Someone else joins it, or it detached itself: wait for its end.
        m_changed.wait(lock, [this] { return m_finished; });
    }

    DWORD ExitCode() {
        std::lock_guard guard(m_lock);
        return m_finished ? m_exitCode : STILL_ACTIVE;
    }

    void OnHandleClosed() override {
        std::unique_lock lock(m_lock);
        m_handleClosed = true;
        if (m_finished && m_thread.joinable() && m_threadId != std::this_thread::get_id()) {
            std::thread thread = std::move(m_thread);
            lock.unlock();
            thread.join();  // it has finished its procedure; this only reclaims it
        }
    }

    // Suspension is a count, as on Windows; the thread holds at its next wait while it is not 0.
    DWORD Suspend() {
        std::lock_guard guard(m_lock);
        if (m_suspendCount == kMaxSuspendCount) {
            SetLastError(ERROR_SIGNAL_REFUSED);
            return kSuspendFailed;
        }
        return m_suspendCount++;
    }

    DWORD Resume() {
        std::lock_guard guard(m_lock);
        const DWORD previous = m_suspendCount;
        if (m_suspendCount != 0 && --m_suspendCount == 0) m_changed.notify_all();
        return previous;
    }

    // On the thread itself: holds while it is suspended; a stop request ends the hold too.
    void HoldWhileSuspended() {
        std::unique_lock lock(m_lock);
        if (m_suspendCount == 0) return;
        m_held = true;
        m_changed.wait(lock, m_stop.get_token(), [this] { return m_suspendCount == 0; });
        m_held = false;
    }

    bool Held() {
        std::lock_guard guard(m_lock);
        return m_held;
    }

    std::stop_source& StopSource() { return m_stop; }
    DWORD Id() const { return m_id; }

protected:
    bool TryAcquireLocked() override { return m_finished; }

private:
    const LPTHREAD_START_ROUTINE m_proc;
    const LPVOID m_param;
    const DWORD m_id;
    std::stop_source m_stop;
    // Guarded by m_lock:
    std::thread m_thread;
    std::thread::id m_threadId;
    bool m_finished = false;
    bool m_terminated = false;
    bool m_handleClosed = false;
    DWORD m_terminateCode = 0;
    DWORD m_exitCode = STILL_ACTIVE;
    DWORD m_suspendCount = 0;
    bool m_held = false;  // holding in HoldWhileSuspended
};

thread_local ThreadObject* t_current = nullptr;

void ThreadObject::Run(std::shared_ptr<ThreadObject> self) {
    t_current = self.get();
    const DWORD result = self->m_proc(self->m_param);
    t_current = nullptr;
    std::lock_guard guard(self->m_lock);
    self->m_finished = true;
    self->m_exitCode = self->m_terminated ? self->m_terminateCode : result;
    if (self->m_handleClosed && self->m_thread.joinable()) self->m_thread.detach();
    self->NotifyChangedLocked();
}

std::atomic<DWORD> g_nextThreadId{1000};

}  // namespace

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE proc, LPVOID param, DWORD, DWORD* threadId) {
    if (proc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD id = g_nextThreadId.fetch_add(1);
    if (id == 0) id = g_nextThreadId.fetch_add(1);
    auto object = std::make_shared<ThreadObject>(proc, param, id);
    HANDLE handle = orva::win32::AddHandle(object);
    try {
        object->Start(object);
    } catch (const std::system_error&) {
        orva::win32::RemoveHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId != nullptr) *threadId = id;
    return handle;
}

BOOL TerminateThread(HANDLE thread, DWORD exitCode) {
    const auto object = orva::win32::FindHandleAs<ThreadObject>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->RequestStop(exitCode);
    if (!object->IsCallingThread()) object->Join();
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
    const auto object = orva::win32::FindHandleAs<ThreadObject>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}

DWORD SuspendThread(HANDLE thread) {
    const auto object = orva::win32::FindHandleAs<ThreadObject>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kSuspendFailed;
    }
    return object->Suspend();
}

DWORD ResumeThread(HANDLE thread) {
    const auto object = orva::win32::FindHandleAs<ThreadObject>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return kSuspendFailed;
    }
    return object->Resume();
}

namespace orva::win32 {

void HonourSuspend() {
    if (t_current != nullptr) t_current->HoldWhileSuspended();
}

bool ThreadHeldBySuspend(HANDLE thread) {
    const auto object = FindHandleAs<ThreadObject>(thread);
    return object && object->Held();
}

}  // namespace orva::win32

DWORD GetCurrentThreadId() {
    if (t_current != nullptr) return t_current->Id();
    thread_local DWORD id = 0;
    while (id == 0) id = g_nextThreadId.fetch_add(1);
    return id;
}

bool ThreadStopRequested() {
    return t_current != nullptr && t_current->StopSource().stop_requested();
}

std::stop_token CurrentThreadStopToken() {
    return t_current != nullptr ? t_current->StopSource().get_token() : std::stop_token{};
}

void Sleep(DWORD ms) {
    orva::win32::HonourSuspend();
    if (t_current == nullptr) {
        if (ms == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
        return;
    }
    thread_local std::mutex lock;
    thread_local std::condition_variable_any wake;
    const std::stop_token stop = t_current->StopSource().get_token();
    std::unique_lock guard(lock);
    const auto never = [] { return false; };
    if (ms == INFINITE) {
        wake.wait(guard, stop, never);
    } else {
        wake.wait_until(guard, stop, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), never);
    }
}

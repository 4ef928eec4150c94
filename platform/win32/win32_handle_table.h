// Kernel-object handles of our stand-ins. A handle is a number in a process-wide table, never a
// pointer: a closed or made-up handle is simply not found, so double closes and use after close are
// reported as ERROR_INVALID_HANDLE instead of touching freed memory. Handle numbers are not reused.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <vector>

#include "win32_types.h"

struct Win32Object {
    virtual ~Win32Object() = default;

    // Blocks until the object is signalled (WAIT_OBJECT_0), `ms` pass (WAIT_TIMEOUT) or `stop` is
    // requested (WAIT_FAILED with ERROR_OPERATION_ABORTED). Objects that cannot be waited for fail.
    virtual DWORD Wait(DWORD ms, const std::stop_token& stop);

    // Runs once, when the object's handle is closed.
    virtual void OnHandleClosed() {}
};

namespace orva::win32 {

// One thread waiting for any of several objects: each object it watches wakes it when it may
// have become signalled. `woken` is set under `lock` by the objects and cleared by the waiter
// before each look at them, so that no signal is missed between the look and the sleep.
struct WaitWatcher {
    std::mutex lock;
    std::condition_variable_any wake;
    bool woken = false;
};

// Base of the objects a thread can wait for: one lock and one condition per object.
class WaitableObject : public Win32Object {
public:
    DWORD Wait(DWORD ms, const std::stop_token& stop) override;

    // Takes the object's signal when it is signalled (as a satisfied wait would).
    bool TryAcquire();
    void AddWatcher(WaitWatcher* watcher);
    void RemoveWatcher(WaitWatcher* watcher);

protected:
    // Called with m_lock held: true when the object is signalled; an auto-reset object also
    // consumes its signal here.
    virtual bool TryAcquireLocked() = 0;
    // Called with m_lock held after a change that may signal the object: wakes its waiters.
    void NotifyChangedLocked();

    std::mutex m_lock;
    std::condition_variable_any m_changed;

private:
    std::vector<WaitWatcher*> m_watchers;  // guarded by m_lock
};

HANDLE AddHandle(std::shared_ptr<Win32Object> object);
std::shared_ptr<Win32Object> FindHandle(HANDLE handle);
std::shared_ptr<Win32Object> RemoveHandle(HANDLE handle);
// Open handles of this process (of every kind) right now.
std::size_t HandleCount();

template <class T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

}  // namespace orva::win32

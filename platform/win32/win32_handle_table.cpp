#include "win32_handle_table.h"

#include <unordered_map>

#include "win32_sync.h"

namespace orva::win32 {
namespace {

struct HandleTable {
    std::mutex lock;
    std::uintptr_t next = 0x100;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Win32Object>> objects;
};

// Never destroyed: threads still running at process exit may hold handles, and no object's
// destructor may run while they do.
HandleTable& Table() {
    static HandleTable* table = new HandleTable;
    return *table;
}

std::uintptr_t Key(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<Win32Object> object) {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    const std::uintptr_t key = t.next;
    t.next += 4;
    t.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<Win32Object> FindHandle(HANDLE handle) {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    const auto it = t.objects.find(Key(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<Win32Object> RemoveHandle(HANDLE handle) {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    const auto it = t.objects.find(Key(handle));
    if (it == t.objects.end()) return nullptr;
    std::shared_ptr<Win32Object> object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

std::size_t HandleCount() {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    return t.objects.size();
}

DWORD WaitableObject::Wait(DWORD ms, const std::stop_token& stop) {
    std::unique_lock lock(m_lock);
    // A look without a wait: a timed wait that has already run out still sleeps in the kernel,
    // and callers that poll an object between bytes make this call very often.
    if (ms == 0) return TryAcquireLocked() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    const auto signalled = [this] { return TryAcquireLocked(); };
    bool ok;
    if (ms == INFINITE) {
        ok = m_changed.wait(lock, stop, signalled);
    } else {
        ok = m_changed.wait_until(
            lock, stop, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), signalled);
    }
    if (ok) return WAIT_OBJECT_0;
    if (stop.stop_requested()) {
        SetLastError(ERROR_OPERATION_ABORTED);
        return WAIT_FAILED;
    }
    return WAIT_TIMEOUT;
}

bool WaitableObject::TryAcquire() {
    std::lock_guard guard(m_lock);
    return TryAcquireLocked();
}

void WaitableObject::AddWatcher(WaitWatcher* watcher) {
    std::lock_guard guard(m_lock);
    m_watchers.push_back(watcher);
}

void WaitableObject::RemoveWatcher(WaitWatcher* watcher) {
    std::lock_guard guard(m_lock);
    std::erase(m_watchers, watcher);
}

void WaitableObject::NotifyChangedLocked() {
    m_changed.notify_all();
    // Lock order: the object's lock, then a watcher's. A waiter never holds its watcher's lock
    // while it takes an object's.
    for (WaitWatcher* w : m_watchers) {
        std::lock_guard guard(w->lock);
        w->woken = true;
        w->wake.notify_all();
    }
}

}  // namespace orva::win32

DWORD Win32Object::Wait(DWORD, const std::stop_token&) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<Win32Object> object = orva::win32::RemoveHandle(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->OnHandleClosed();
    return TRUE;
}

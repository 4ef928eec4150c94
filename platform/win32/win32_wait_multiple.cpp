#include <chrono>
#include <memory>
#include <stop_token>
#include <vector>

#include "win32_handle_table.h"
#include "win32_sync.h"
#include "win32_thread.h"

namespace {

using orva::win32::WaitableObject;
using orva::win32::WaitWatcher;

// Watches every object for the length of one wait; unregisters on every way out.
class WatchAll {
public:
    WatchAll(const std::vector<std::shared_ptr<WaitableObject>>& objects, WaitWatcher& watcher)
        : m_objects(objects), m_watcher(watcher) {
        for (const auto& o : m_objects) o->AddWatcher(&m_watcher);
    }
    ~WatchAll() {
        for (const auto& o : m_objects) o->RemoveWatcher(&m_watcher);
    }
    WatchAll(const WatchAll&) = delete;
    WatchAll& operator=(const WatchAll&) = delete;

private:
    const std::vector<std::shared_ptr<WaitableObject>>& m_objects;
    WaitWatcher& m_watcher;
};

DWORD WaitForAny(const std::vector<std::shared_ptr<WaitableObject>>& objects, DWORD ms) {
    if (ms == 0) {
        // A look at each object, without a watcher or a sleep.
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->TryAcquire()) return WAIT_OBJECT_0 + static_cast<DWORD>(i);
        }
        return WAIT_TIMEOUT;
    }
    const std::stop_token stop = CurrentThreadStopToken();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    WaitWatcher watcher;
    WatchAll watching(objects, watcher);
    for (;;) {
        {
            std::lock_guard guard(watcher.lock);
            watcher.woken = false;
        }
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->TryAcquire()) return WAIT_OBJECT_0 + static_cast<DWORD>(i);
        }
        std::unique_lock lock(watcher.lock);
        const auto woken = [&] { return watcher.woken; };
        if (ms == INFINITE) {
            watcher.wake.wait(lock, stop, woken);
        } else if (!watcher.wake.wait_until(lock, stop, deadline, woken) && !stop.stop_requested()) {
            return WAIT_TIMEOUT;
        }
        if (stop.stop_requested()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return WAIT_FAILED;
        }
    }
}

}  // namespace

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    if (waitAll) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<WaitableObject>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto object = orva::win32::FindHandleAs<WaitableObject>(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    orva::win32::HonourSuspend();
    const DWORD result = WaitForAny(objects, milliseconds);
    orva::win32::HonourSuspend();
    return result;
}

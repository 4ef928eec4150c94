#include "win32_handle_table.h"
#include "win32_sync.h"
#include "win32_thread.h"

namespace {

class EventObject : public orva::win32::WaitableObject {
public:
    EventObject(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}

    void Set() {
        std::lock_guard guard(m_lock);
        m_signalled = true;
        NotifyChangedLocked();
    }

    void Reset() {
        std::lock_guard guard(m_lock);
        m_signalled = false;
    }

protected:
    bool TryAcquireLocked() override {
        if (!m_signalled) return false;
        if (!m_manualReset) m_signalled = false;  // an auto-reset event releases one waiter
        return true;
    }

private:
    const bool m_manualReset;
    bool m_signalled;
};

}  // namespace

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, const char* name) {
    if (name != nullptr && *name != '\0') {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return orva::win32::AddHandle(std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event) {
    const auto object = orva::win32::FindHandleAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    const auto object = orva::win32::FindHandleAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    const auto object = orva::win32::FindHandle(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    orva::win32::HonourSuspend();
    const DWORD result = object->Wait(milliseconds, CurrentThreadStopToken());
    orva::win32::HonourSuspend();
    return result;
}

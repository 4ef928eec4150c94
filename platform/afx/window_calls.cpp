#include <unordered_map>

#include "afx_window_calls.h"
#include "win32_error.h"
#include "wnd_core.h"

namespace afx::detail {
namespace {

// Every window core by its handle. Entries of released cores are swept out as the table grows.
struct CoreTable {
    std::mutex lock;
    std::unordered_map<const WndCore*, std::weak_ptr<WndCore>> cores;
    std::size_t sweepAt = 256;
};

CoreTable& Cores() {
    static CoreTable* table = new CoreTable;  // windows may be released while the process ends
    return *table;
}

}  // namespace

void RegisterWindowCore(const std::shared_ptr<WndCore>& core) {
    CoreTable& t = Cores();
    std::lock_guard guard(t.lock);
    t.cores[core.get()] = core;
    if (t.cores.size() >= t.sweepAt) {
        std::erase_if(t.cores, [](const auto& entry) { return entry.second.expired(); });
        t.sweepAt = 2 * t.cores.size() + 256;
    }
}

namespace {

// The core of a window that exists now; nullptr (and the last error) otherwise.
std::shared_ptr<WndCore> LiveWindow(HWND hWnd) {
    std::shared_ptr<WndCore> core;
    {
        CoreTable& t = Cores();
        std::lock_guard guard(t.lock);
        const auto it = t.cores.find(reinterpret_cast<const WndCore*>(hWnd));
        if (it != t.cores.end()) core = it->second.lock();
    }
    if (core) {
        std::lock_guard guard(core->mu);
        if (core->st.exists) return core;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

}  // namespace
}  // namespace afx::detail

BOOL IsWindow(HWND hWnd) {
    return afx::detail::LiveWindow(hWnd) ? TRUE : FALSE;
}

BOOL PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto core = afx::detail::LiveWindow(hWnd);
    if (!core) return FALSE;
    afx::PostToUi([core, message, wParam, lParam] {
        // On the UI thread the window's object is looked up when the message arrives.
        if (CWnd* target = core->owner.load()) target->SendMessage(message, wParam, lParam);
    });
    return TRUE;
}

LRESULT SendMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto core = afx::detail::LiveWindow(hWnd);
    if (!core) return 0;
    if (!afx::IsUiThread()) {
        PostMessageA(hWnd, message, wParam, lParam);
        return 0;
    }
    CWnd* target = core->owner.load();
    return target != nullptr ? target->SendMessage(message, wParam, lParam) : 0;
}

// The UI thread and the queue of work posted to it from other threads.
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <deque>
#include <exception>
#include <mutex>

#include "afx_thread.h"
#include "wnd_core.h"

namespace afx {

namespace {

std::mutex g_queueMu;
std::deque<std::function<void()>> g_queue;

// Runs the oldest posted function. One wake-up is posted per function, so nested event loops
// (message boxes, modal dialogs) keep running posted work in order.
void RunOne() {
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lock(g_queueMu);
        if (g_queue.empty()) return;
        fn = std::move(g_queue.front());
        g_queue.pop_front();
    }
    detail::Guarded(fn);
}

}  // namespace

bool IsUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return true;
    return QThread::currentThread() == app->thread();
}

void PostToUi(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        detail::Guarded(fn);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(g_queueMu);
        g_queue.push_back(std::move(fn));
    }
    QMetaObject::invokeMethod(
        app, [] { RunOne(); }, Qt::QueuedConnection);
}

void PostToWindow(CWnd& window, std::function<void()> fn) {
    // The window's state outlives the object; it names the object as long as the two belong together.
    auto core = window.Core();
    CWnd* const target = &window;
    PostToUi([core, target, fn = std::move(fn)] {
        if (!core || core->owner.load() != target || !target->IsWindow()) return;
        fn();
    });
}

namespace detail {

void RunOnUi(std::function<void()> fn) {
    if (IsUiThread())
        fn();
    else
        PostToUi(std::move(fn));
}

void Guarded(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        ReportException(e.what());
    } catch (...) {
        ReportException("An unknown error occurred.");
    }
}

}  // namespace detail
}  // namespace afx

#include "test_script.h"

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>

#include "KvDlg.h"
#include "afx.h"
#include "afx_testing.h"

namespace orva::app {

namespace {

// Whether the application takes posted steps: from when the script has seen it until it is
// destroyed. A step posted later would never run, or reach an application that is gone.
std::mutex g_uiMu;
std::condition_variable g_uiChanged;
bool g_uiOpen = false;

CDialog* MainDialog() {
    CWinApp* app = AfxGetApp();
    return app ? dynamic_cast<CDialog*>(app->m_pMainWnd) : nullptr;
}

long long MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

bool TestScript::Start(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        m_lines.push_back(line);
    }
    // From now on message boxes and file dialogs are answered from the queues and recorded.
    afx::testing::AnswerDialogsFromQueues();
    m_thread = std::thread([this] { Run(); });
    return true;
}

void TestScript::Finish() {
    {
        std::lock_guard lock(g_uiMu);
        m_programEnded = true;
    }
    g_uiChanged.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void TestScript::Stop() {
    {
        std::lock_guard lock(g_uiMu);
        m_stop = true;
    }
    g_uiChanged.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void TestScript::UiGone() {
    {
        std::lock_guard lock(g_uiMu);
        g_uiOpen = false;
    }
    g_uiChanged.notify_all();
}

bool TestScript::OnUi(const std::function<void()>& step) {
    auto done = std::make_shared<bool>(false);  // under g_uiMu
    std::unique_lock lock(g_uiMu);
    if (!g_uiOpen || m_programEnded) return false;
    afx::PostToUi([step, done] {
        step();
        {
            std::lock_guard lock(g_uiMu);
            *done = true;
        }
        g_uiChanged.notify_all();
    });
    g_uiChanged.wait(lock, [&] { return *done || !g_uiOpen || m_stop; });
    return *done;
}

void TestScript::Run() {
    // The framework makes the Qt application first.
    while (!QCoreApplication::instance()) {
        if (m_stop || m_programEnded) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (QCoreApplication::instance()) {
        std::lock_guard lock(g_uiMu);
        if (!m_programEnded) {
            g_uiOpen = true;
            qAddPostRoutine(UiGone);
        }
    }
    for (const std::string& line : m_lines) {
        if (m_stop) return;
        Step(line);
    }
}

void TestScript::Step(const std::string& line) {
    std::istringstream words(line);
    std::string cmd, arg;
    words >> cmd;
    std::getline(words >> std::ws, arg);
    if (cmd == "wait-window") {
        for (;;) {
            bool shown = false;
            if (!OnUi([&shown] {
                    CDialog* dlg = MainDialog();
                    shown = dlg && dlg->IsModalRunning() && dlg->IsWindowVisible();
                })) {
                Print("not-run " + line);
                return;
            }
            if (shown) break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        Print("window-shown " + std::to_string(MonotonicNs()));
    } else if (cmd == "answer") {
        afx::testing::AnswerNextMessageBox(std::atoi(arg.c_str()));
    } else if (cmd == "sleep") {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(arg.c_str()));
        while (!m_stop && !m_programEnded && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else if (cmd == "key") {
        const int key = arg == "escape" ? Qt::Key_Escape : Qt::Key_Return;
        if (!OnUi([key] {
                if (CDialog* dlg = MainDialog()) afx::testing::PressKey(*dlg, key);
            }))
            Print("not-run " + line);
    } else if (cmd == "close") {
        if (!OnUi([] {
                if (CDialog* dlg = MainDialog()) afx::testing::CloseWindow(*dlg);
            }))
            Print("not-run " + line);
    } else if (cmd == "grab") {
        if (!OnUi([arg] {
                if (CDialog* dlg = MainDialog()) afx::testing::GrabToPng(*dlg, arg);
            }))
            Print("not-run " + line);
    } else if (cmd == "tab") {
        const int index = std::atoi(arg.c_str());
        if (!OnUi([index] {
                if (CDialog* dlg = MainDialog()) afx::testing::SelectTab(*dlg, 1111, index);
            }))
            Print("not-run " + line);
    } else if (cmd == "boxes") {
        for (const auto& box : afx::testing::ShownBoxes()) Print("box " + box.caption + "|" + box.text);
    } else if (cmd == "pane") {
        const int pane = std::atoi(arg.c_str());
        std::string text;
        if (OnUi([pane, &text] {
                CDialog* dlg = MainDialog();
                if (!dlg) return;
                if (auto* kv = dynamic_cast<CKvDlg*>(dlg)) text = kv->m_wndStatusBar.GetPaneText(pane);
            }))
            Print("pane " + std::to_string(pane) + " " + text);
        else
            Print("not-run " + line);
    } else {
        Print("unknown " + cmd);
    }
}

}  // namespace orva::app

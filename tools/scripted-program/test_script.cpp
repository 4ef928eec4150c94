#include "test_script.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "KvDlg.h"
#include "afx.h"
#include "afx_testing.h"

namespace orva::app {

namespace {

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

void TestScript::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

bool TestScript::OnUi(const std::function<void()>& step) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    afx::PostToUi([step, done] {
        step();
        *done = true;
    });
    while (!*done) {
        if (m_stop) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void TestScript::Run() {
    // The framework makes the Qt application first.
    while (!QCoreApplication::instance()) {
        if (m_stop) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
                }))
                return;
            if (shown) break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        Print("window-shown " + std::to_string(MonotonicNs()));
    } else if (cmd == "answer") {
        afx::testing::AnswerNextMessageBox(std::atoi(arg.c_str()));
    } else if (cmd == "sleep") {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(arg.c_str()));
        while (!m_stop && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else if (cmd == "key") {
        const int key = arg == "escape" ? Qt::Key_Escape : Qt::Key_Return;
        OnUi([key] {
            if (CDialog* dlg = MainDialog()) afx::testing::PressKey(*dlg, key);
        });
    } else if (cmd == "close") {
        OnUi([] {
            if (CDialog* dlg = MainDialog()) afx::testing::CloseWindow(*dlg);
        });
    } else if (cmd == "grab") {
        OnUi([arg] {
            if (CDialog* dlg = MainDialog()) afx::testing::GrabToPng(*dlg, arg);
        });
    } else if (cmd == "tab") {
        const int index = std::atoi(arg.c_str());
        OnUi([index] {
            if (CDialog* dlg = MainDialog()) afx::testing::SelectTab(*dlg, 1111, index);
        });
    } else if (cmd == "boxes") {
        for (const auto& box : afx::testing::ShownBoxes()) Print("box " + box.caption + "|" + box.text);
    } else if (cmd == "pane") {
        const int pane = std::atoi(arg.c_str());
        std::string text;
        OnUi([pane, &text] {
            CDialog* dlg = MainDialog();
            if (!dlg) return;
            if (auto* kv = dynamic_cast<CKvDlg*>(dlg)) text = kv->m_wndStatusBar.GetPaneText(pane);
        });
        Print("pane " + std::to_string(pane) + " " + text);
    } else {
        Print("unknown " + cmd);
    }
}

}  // namespace orva::app

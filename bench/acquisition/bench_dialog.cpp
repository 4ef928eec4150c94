#include "bench_dialog.h"

#include <dirent.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "MSComm.h"
#include "NTGraph.h"
#include "PortState.h"
#include "afx_testing.h"
#include "port_table.h"
#include "resources.h"
#include "temp_folder.h"
#include "test_machine.h"
#include "win32_thread.h"

namespace fs = std::filesystem;

namespace bench {

void PrepareProcess() {
    const std::string base = orva::testing::MakeProcessTempFolder("orva-bench");
    if (base.empty()) std::abort();
    fs::create_directories(base + "/state");
    fs::create_directories(base + "/runtime");
    fs::permissions(base + "/runtime", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(base + "/class/tty");
    setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
    orva::testing::UsePortTable(orva::ports::PortTable(base + "/class/tty", base + "/ports"));
    afx::testing::EnsureApplication();
    orva::resources::RegisterAll();
    RegisterGraphControl();
    CMSComm::RegisterControl();
}

bool RunDialogWithGauge(orva::sim::GaugeSimulator& gauge, const std::function<void(CKvDlg&)>& body) {
    if (!gauge.IsOpen() && !gauge.Open()) return false;
    if (gauge.VirtualPortNumber() == 0 && gauge.RegisterVirtualPort("USB Force Gauge") == 0) return false;
    g_bDeviceFound = 0;
    g_nConnectToggle = 0;
    g_bManualPort = 0;
    g_arrPortNumbers.clear();
    bool connected = false;
    CKvDlg dlg;
    afx::testing::RunModal(dlg, [&](CDialog&) {
        connected = dlg.m_wndStatusBar.GetPaneText(0).rfind("   Connected COM", 0) == 0;
        if (connected) body(dlg);
        dlg.StopPollTimer();
        dlg.StopTickTimer();
        if (HANDLE thread = dlg.m_hAcqThread.load()) TerminateThread(thread, dlg.m_dwAcqThreadId.load());
        dlg.m_port.Close();
        afx::testing::Pump(20);
    });
    afx::testing::Pump(10);
    return connected;
}

std::map<int, ThreadCpu> ThreadTimes() {
    std::map<int, ThreadCpu> out;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const auto& entry : fs::directory_iterator("/proc/self/task")) {
        const int tid = std::atoi(entry.path().filename().c_str());
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::stoull(field);
            if (i == 15) stime = std::stoull(field);
        }
        ThreadCpu t;
        t.name = line.substr(line.find('(') + 1, close - line.find('(') - 1);
        t.seconds = static_cast<double>(utime + stime) / tick;
        out[tid] = t;
    }
    return out;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::int64_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0) return std::stoll(line.substr(n)) * 1024;
    return -1;
}

std::int64_t ResidentBytes() {
    return StatusBytes("VmRSS:");
}

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void StartTest(CKvDlg& dlg, const std::string& perSecond, const std::string& stopSeconds) {
    afx::testing::SelectTab(dlg, 1111, 0);
    afx::testing::TypeText(dlg.m_page1, 1159, perSecond);
    afx::testing::TypeText(dlg.m_page1, 1027, "bench");
    afx::testing::SelectTab(dlg, 1111, 1);
    afx::testing::TypeText(dlg.m_page2, 1092, stopSeconds);
    afx::testing::SelectTab(dlg, 1111, 0);
    afx::testing::Click(dlg, 1023);
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
    return afx::testing::RunUntil(condition, static_cast<int>(seconds * 1000));
}

void IdleFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

UiTiming TimedOnUi(const std::function<void()>& fn, int settleMs) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed(), longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    heartbeat.start();
    afx::testing::Pump(50);
    longest = 0;
    UiTiming timing;
    bool done = false;
    afx::PostToUi([&] {
        const double t0 = NowSeconds();
        fn();
        timing.wallSeconds = NowSeconds() - t0;
        done = true;
    });
    WaitUntil([&] { return done; }, 600);
    afx::testing::Pump(settleMs);
    heartbeat.stop();
    timing.longestBlockSeconds = static_cast<double>(longest) / 1e9;
    return timing;
}

}  // namespace bench

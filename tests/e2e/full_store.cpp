#include "full_store.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "AcquisitionSettings.h"
#include "KvDlg.h"
#include "RealTimeParser.h"
#include "ResultSummary.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "quiet_view.h"

bool FillStoreLikeATest(CKvDlg& dlg, std::int32_t count, bool offerOneMore) {
    g_fReadingsPerSecond = 1000.0f;
    g_bLiveDisplay = 0;
    g_bStartByLoad = 0;
    g_bStopByLoad = 0;
    g_bBreakDetect = 0;
    g_bWrapped = 0;
    g_nSampleIndex = 0;
    g_nSampleCount = 0;
    g_fPeak = 0;
    g_fAverage = 0;
    dlg.m_fLoadSum = 0;
    dlg.m_bHeaderPending = 1;
    dlg.m_strResult.clear();
    orva::testenv::QuietView view("full");
    RealTimeParser parser(RealTimeMembers{&dlg.m_bHeaderPending, &dlg.m_bRunning, &dlg.m_nSeconds,
                                          &dlg.m_nMinutes, &dlg.m_fLoadSum, &dlg.m_strResult},
                          view, 1000.0f);
    char number[32];
    for (std::int32_t i = 0; i < count; ++i) {
        const double load = i < 1000000 ? i * 0.0001 : 100.0 + (i % 977) * 0.001;
        std::snprintf(number, sizeof number, "%.3f", load);
        parser.ProcessLine(number, " N");
    }
    return offerOneMore && parser.ProcessLine("1.000", " N") == ReadingOutcome::Stop;
}

std::int64_t ResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    }
    return -1;
}

std::int64_t ResidentBytesOf(const void* begin, std::size_t size) {
    const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(begin) & ~(page - 1);
    const std::uintptr_t last = reinterpret_cast<std::uintptr_t>(begin) + size;
    const std::size_t pages = (last - first + page - 1) / page;
    std::vector<unsigned char> in(pages);
    if (mincore(reinterpret_cast<void*>(first), last - first, in.data()) != 0) return -1;
    std::int64_t resident = 0;
    for (unsigned char v : in) resident += (v & 1) ? static_cast<std::int64_t>(page) : 0;
    return resident;
}

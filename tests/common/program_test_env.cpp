#include "program_test_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "AcquisitionSettings.h"
#include "PortState.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "port_table.h"

namespace fs = std::filesystem;

namespace orva::testenv {

fs::path UsePrivatePortTable(const char* prefix) {
    std::string tmpl = std::string("/tmp/") + prefix + "-XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed for " << tmpl;
        return {};
    }
    const fs::path root = tmpl;
    fs::create_directories(root / "class" / "tty");
    orva::ports::SetSysfsRoot((root / "class" / "tty").string());
    orva::ports::SetVirtualPortDir((root / "ports").string());
    return root;
}

void RestoreMachinePortTable(const fs::path& root) {
    orva::ports::SetSysfsRoot("");
    orva::ports::SetVirtualPortDir("");
    std::error_code ec;
    if (!root.empty()) fs::remove_all(root, ec);
}

void ResetSharedSettings() {
    g_bDeviceFound = 0;
    g_nConnectToggle = 0;
    g_bManualPort = 0;
    g_nComPort = 0;
    g_arrPortNumbers.clear();
    g_bRealTimeMode = 1;
    g_bInvertLoad = 0;
    g_nShowGridToggle = 0;
    g_nInvertToggle = 0;
    g_nLoadToggle = 0;
    g_nBreakToggle = 0;
    g_bStartByDelay = 1;
    g_bStartByLoad = 0;
    g_bStopByTime = 1;
    g_bStopByLoad = 0;
    g_bBreakDetect = 0;
    g_nSampleCount = 0;
    g_fReadingsPerSecond = 10.0f;
}

}  // namespace orva::testenv

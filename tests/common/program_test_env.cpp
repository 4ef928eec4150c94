#include "program_test_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "AcquisitionSettings.h"
#include "PortState.h"
#include "SampleStore.h"
#include "TestConditions.h"
#include "port_table.h"
#include "temp_folder.h"
#include "test_machine.h"

namespace fs = std::filesystem;

namespace orva::testenv {

fs::path UsePrivatePortTable(const char* prefix) {
    const fs::path root = orva::testing::MakeTempFolder(prefix);
    if (root.empty()) {
        ADD_FAILURE() << "no temporary folder for " << prefix;
        return {};
    }
    fs::create_directories(root / "class" / "tty");
    orva::testing::UsePortTable(
        orva::ports::PortTable((root / "class" / "tty").string(), (root / "ports").string()));
    return root;
}

void RestoreMachinePortTable(const fs::path& root) {
    orva::testing::UseMachinePortTable();
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

#include "PortState.h"

int g_bDeviceFound = 0;
int g_nConnectToggle = 0;
int g_bManualPort = 0;
int g_nComPort = 0;
std::vector<std::string> g_arrPortNumbers;

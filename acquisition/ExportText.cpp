#include "ExportText.h"

std::string g_strReportTitle;
std::string g_strReportHeader;
std::string g_strExportText;
std::string g_strStartTime;
std::string g_strTime;
std::string g_strForce;
std::string g_strChar;

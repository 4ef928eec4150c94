// The texts that the report box and the export files are assembled from, and the working texts
// of the reading being parsed.
#pragma once

#include <string>

extern std::string g_strReportTitle;
extern std::string g_strReportHeader;
extern std::string g_strExportText;
extern std::string g_strStartTime;
extern std::string g_strTime;
extern std::string g_strForce;
extern std::string g_strChar;

// The program's resources: dialog templates, string table, icons and bitmaps, with their ids.
// RegisterAll() hands them to the dialog framework; the program calls it once at start-up
// (calling it again re-registers the same resources and changes nothing).
#pragma once

namespace orva::resources {

void RegisterAll();

// Dialog templates.
inline constexpr unsigned kIddAboutBox = 100;
inline constexpr unsigned kIddMainDialog = 102;
inline constexpr unsigned kIddAcquisitionPage = 146;
inline constexpr unsigned kIddTestSetupPage = 147;
inline constexpr unsigned kIddPage3 = 148;

// String table: the About item of the system menu, then the status-bar indicators.
inline constexpr unsigned kIdsAboutBox = 101;
inline constexpr unsigned kIdsStatePane = 102;
inline constexpr unsigned kIdsVersionPane = 103;
inline constexpr unsigned kIdsBlankPane = 104;
inline constexpr unsigned kIdsReadyPane = 105;

// Icons and bitmaps.
inline constexpr unsigned kIdiApplication = 128;
inline constexpr unsigned kIdiNotConnected = 178;
inline constexpr unsigned kIdiConnected = 179;
inline constexpr unsigned kIdbMouseZoom = 157;
inline constexpr unsigned kIdbViewAll = 159;

// A control without an id of its own (static texts, group boxes).
inline constexpr int kIdcStatic = -1;

// Controls of the main dialog (template 102).
namespace main_dialog {
inline constexpr int kStartAcquisition = 1023;
inline constexpr int kExit = 1014;
inline constexpr int kHelp = 1032;
inline constexpr int kControlArea = 1056;
inline constexpr int kComm = 1025;
inline constexpr int kReportText = 1054;
inline constexpr int kGraph = 1075;
inline constexpr int kExportData = 1080;
inline constexpr int kExportImage = 1026;
inline constexpr int kSetupTab = 1111;
inline constexpr int kSendText = 1179;
inline constexpr int kResultsList = 1038;
inline constexpr int kEdit1181 = 1181;
inline constexpr int kConnect = 1188;
inline constexpr int kPortList = 1191;
// Handled by the dialog's message map; the template holds no control with these ids.
inline constexpr int kLegacyDate = 1013;
inline constexpr int kLegacyTab = 1077;
}  // namespace main_dialog

// Controls of the Acquisition page (template 146).
namespace acquisition_page {
inline constexpr int kReportName = 1027;
inline constexpr int kReportNameLabel = 1051;
inline constexpr int kShowGrid = 1079;
inline constexpr int kLoadUnit = 1082;
inline constexpr int kLoadLabel = 1102;
inline constexpr int kReadingsPerSecond = 1159;
inline constexpr int kBitmapButton = 1161;
inline constexpr int kButton2 = 1162;
inline constexpr int kAllMouse = 1163;
inline constexpr int kMouseZoom = 1164;
inline constexpr int kMouseLeftRight = 1165;
inline constexpr int kMouseUpDown = 1166;
inline constexpr int kAverage = 1167;
inline constexpr int kPeak = 1168;
inline constexpr int kCalculate = 1169;
inline constexpr int kGravityLabel = 1170;
inline constexpr int kGravity = 1171;
inline constexpr int kInvertLoad = 1173;
inline constexpr int kUnit = 1182;
inline constexpr int kUnitLabel = 1183;
inline constexpr int kViewAll = 1184;
inline constexpr int kDrawGraph = 1042;
inline constexpr int kUploadMemory = 1043;
inline constexpr int kSelectGroup = 1185;
inline constexpr int kLoad = 1186;
inline constexpr int kHelp = 1190;
inline constexpr int kFileType = 1187;
}  // namespace acquisition_page

// Controls of the Test Setup page (template 147).
namespace test_setup_page {
inline constexpr int kStopTime = 1129;
inline constexpr int kStopLoad = 1130;
inline constexpr int kStopTimeLabel = 1147;
inline constexpr int kStartDelayEdit = 1091;
inline constexpr int kStartThresholdEdit = 1144;
inline constexpr int kStopTimeEdit = 1092;
inline constexpr int kStopLoadEdit = 1148;
inline constexpr int kStartTime = 1042;
inline constexpr int kStartLoad = 1043;
inline constexpr int kBreakDetect = 1157;
inline constexpr int kBreakPercentEdit = 1158;
}  // namespace test_setup_page

// Controls of the third page (template 148).
namespace page3 {
inline constexpr int kLoadEdit = 1144;
}  // namespace page3

}  // namespace orva::resources

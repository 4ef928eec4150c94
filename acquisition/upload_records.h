// Records uploaded from the gauge's memory: their layout, their texts and the arrays they are
// kept in.
#pragma once

#include <cstdint>
#include <string>

#include "win32_types.h"

class CKvDlg;

// One 7-byte record as the gauge keeps it.
struct MemoryRecord {
    static constexpr int kSize = 7;

    WORD raw = 0;        // value without its decimal point, big-endian on the wire
    BYTE decimals = 0;   // digits after the point (0..5; anything else counts as 3)
    BYTE unit = 0;       // a UnitCode
    BYTE mode = 0;       // a GaugeMode
    BYTE direction = 0;  // 1 or other, read with the Invert Load rule
    BYTE group = 0;

    static MemoryRecord FromBytes(const BYTE* p);
};

// Units the gauge reports. Codes below 31 and 112 are forces, codes above 31 (but 112) torques;
// 31 is neither.
enum UnitCode : int {
    UNIT_N = 1,
    UNIT_KN = 2,
    UNIT_MN = 3,
    UNIT_KGF = 4,
    UNIT_GF = 5,
    UNIT_TF = 6,
    UNIT_LBF = 7,
    UNIT_KLBF = 8,
    UNIT_OZF = 9,
    UNIT_NO_FAMILY = 31,
    UNIT_NM = 32,
    UNIT_NCM = 33,
    UNIT_KGFM = 34,
    UNIT_KGFCM = 35,
    UNIT_LBFFT = 36,
    UNIT_LBFIN = 37,
    UNIT_MPA = 112,
};

enum class UnitFamily { Force, Torque, None };

// Measuring modes; codes 2 to 6 are named differently for forces and torques.
enum GaugeMode : int {
    MODE_TRACK = 0,
    MODE_PEAK = 1,
    MODE_AUTOPEAK_OR_PRESET = 2,
    MODE_PRESET_OR_FIRSTPEAK = 3,
    MODE_AUTOPEAK = 4,
    MODE_AUTOFIRSTPEAK = 5,
    MODE_DOUBLEPEAK = 6,
};

const char* UnitText(int unitCode);  // "N" for a code outside the table
UnitFamily UnitFamilyOf(int unitCode);
const char* GaugeModeText(int modeCode, UnitFamily family);  // family Force or Torque
const char* DirectionText(UnitFamily family, int directionFlag, bool invertLoad);

// The value of a record as it is shown and kept: the raw value put through the decimals code's
// format, read back as float and printed again with "%g".
struct RecordValue {
    float value = 0.0f;
    std::string text;
};
RecordValue DecodeRecordValue(WORD raw, int decimalsCode);

// The texts of one record for the list and the upload file. Mode and direction are carried over
// from the previous record of the same frame when the unit code has no family.
struct RecordTexts {
    std::string number;  // "%d " of the record number
    std::string value;   // "%g" of the value
    std::string unit;
    std::string mode;
    std::string direction;
    std::string group;  // "%d " of the group
    float fValue = 0.0f;
};
void DecodeRecordTexts(const MemoryRecord& rec, int recordNumber, bool invertLoad, RecordTexts& texts);

// Line of the upload file: the seven fields, each followed by a comma, then CR LF.
std::string UploadExportLine(const RecordTexts& t, const std::string& timeText);
// The upload report's header, written once with the first record; name already defaulted.
std::string UploadReportHeader(const std::string& reportName, const std::string& dateText,
                               const std::string& timeText);

// UploadRecords: one entry per record number 1..999; entry 0 stays empty.
inline constexpr int kUploadRecordSlots = 1000;
inline constexpr int kUploadRecordMax = kUploadRecordSlots - 1;
extern float g_recValue[kUploadRecordSlots];
extern std::int32_t g_recNumber[kUploadRecordSlots];
extern std::int32_t g_recDirection[kUploadRecordSlots];
extern std::int32_t g_recGroup[kUploadRecordSlots];
extern std::int32_t g_recHour[kUploadRecordSlots];
extern std::int32_t g_recMinute[kUploadRecordSlots];

// Handling of a frame whose checksum matched, on the acquisition thread. frame holds length
// bytes from the first sync byte to the last checksum byte.
void HandleRecordFrame(CKvDlg& dlg, const BYTE* frame, int length);
void HandleEndFrame(CKvDlg& dlg);

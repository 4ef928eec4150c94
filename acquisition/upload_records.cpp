// Decoding of memory records into their values and texts, and the record arrays.
#include "upload_records.h"

#include <cstdio>
#include <cstdlib>

float g_recValue[kUploadRecordSlots];
std::int32_t g_recNumber[kUploadRecordSlots];
std::int32_t g_recDirection[kUploadRecordSlots];
std::int32_t g_recGroup[kUploadRecordSlots];
std::int32_t g_recHour[kUploadRecordSlots];
std::int32_t g_recMinute[kUploadRecordSlots];

MemoryRecord MemoryRecord::FromBytes(const BYTE* p) {
    MemoryRecord r;
    r.raw = static_cast<WORD>((p[0] << 8) | p[1]);
    r.decimals = p[2];
    r.unit = p[3];
    r.mode = p[4];
    r.direction = p[5];
    r.group = p[6];
    return r;
}

const char* UnitText(int unitCode) {
    switch (unitCode) {
        case UNIT_N:
            return "N";
        case UNIT_KN:
            return "kN";
        case UNIT_MN:
            return "mN";
        case UNIT_KGF:
            return "kgf";
        case UNIT_GF:
            return "gf";
        case UNIT_TF:
            return "tf";
        case UNIT_LBF:
            return "lbf";
        case UNIT_KLBF:
            return "klbf";
        case UNIT_OZF:
            return "ozf";
        case UNIT_NM:
            return "N.m";
        case UNIT_NCM:
            return "N.cm";
        case UNIT_KGFM:
            return "kgf.m";
        case UNIT_KGFCM:
            return "kgf.cm";
        case UNIT_LBFFT:
            return "lbf.ft";
        case UNIT_LBFIN:
            return "lbf.in";
        case UNIT_MPA:
            return "MPa";
        default:
            return "N";
    }
}

UnitFamily UnitFamilyOf(int unitCode) {
    if (unitCode == UNIT_MPA || unitCode < UNIT_NO_FAMILY) return UnitFamily::Force;
    if (unitCode > UNIT_NO_FAMILY) return UnitFamily::Torque;
    return UnitFamily::None;
}

const char* GaugeModeText(int modeCode, UnitFamily family) {
    if (family == UnitFamily::Torque) {
        switch (modeCode) {
            case MODE_PEAK:
                return "Peak";
            case MODE_AUTOPEAK_OR_PRESET:
                return "Preset";
            case MODE_PRESET_OR_FIRSTPEAK:
                return "FirstPeak";
            case MODE_AUTOPEAK:
                return "AutoPeak";
            case MODE_AUTOFIRSTPEAK:
                return "AutoFirstPeak";
            case MODE_DOUBLEPEAK:
                return "DoublePeak";
            default:
                return "Track";
        }
    }
    switch (modeCode) {
        case MODE_PEAK:
            return "Peak";
        case MODE_AUTOPEAK_OR_PRESET:
            return "Autopeak";
        case MODE_PRESET_OR_FIRSTPEAK:
            return "Preset";
        default:
            return "Track";
    }
}

const char* DirectionText(UnitFamily family, int directionFlag, bool invertLoad) {
    const bool first = (directionFlag == 1) != invertLoad;
    if (family == UnitFamily::Torque) return first ? "W" : "C";
    return first ? "pull" : "push";
}

RecordValue DecodeRecordValue(WORD raw, int decimalsCode) {
    char buf[64];
    const float r = static_cast<float>(raw);
    switch (decimalsCode) {
        case 0:
            std::snprintf(buf, sizeof buf, "%d", static_cast<int>(raw));
            break;
        case 1:
            std::snprintf(buf, sizeof buf, "%.1f", r / 10.0f);
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "%.2f", r / 100.0f);
            break;
        case 3:
            std::snprintf(buf, sizeof buf, "%.3f", r / 1000.0f);
            break;
        case 4:
            std::snprintf(buf, sizeof buf, "%.4f", r / 10000.0f);
            break;
        case 5:
            std::snprintf(buf, sizeof buf, "%.5f", r / 100000.0f);
            break;
        default:
            std::snprintf(buf, sizeof buf, "%.3f", r / 1000.0f);
            break;
    }
    RecordValue v;
    v.value = static_cast<float>(std::atof(buf));
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v.value));
    v.text = buf;
    return v;
}

void DecodeRecordTexts(const MemoryRecord& rec, int recordNumber, bool invertLoad, RecordTexts& texts) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d ", recordNumber);
    texts.number = buf;
    const RecordValue v = DecodeRecordValue(rec.raw, rec.decimals);
    texts.fValue = v.value;
    texts.value = v.text;
    std::snprintf(buf, sizeof buf, "%d ", static_cast<int>(rec.group));
    texts.group = buf;
    texts.unit = UnitText(rec.unit);
    const UnitFamily family = UnitFamilyOf(rec.unit);
    if (family != UnitFamily::None) {
        texts.direction = DirectionText(family, rec.direction, invertLoad);
        texts.mode = GaugeModeText(rec.mode, family);
    }
}

std::string UploadExportLine(const RecordTexts& t, const std::string& timeText) {
    std::string line;
    line.reserve(64);
    line += t.number;
    line += ',';
    line += t.value;
    line += ',';
    line += t.unit;
    line += ',';
    line += timeText;
    line += ',';
    line += t.mode;
    line += ',';
    line += t.direction;
    line += ',';
    line += t.group;
    line += ",\r\n";
    return line;
}

std::string UploadReportHeader(const std::string& reportName, const std::string& dateText,
                               const std::string& timeText) {
    return "Report Name:" + reportName + "\r\n" + "Report Time : " + "\r\n" + dateText + "," + timeText +
           "\r\n" + "Number" + "," + "Load" + "," + "Unit" + "," + "Upload Time" + "," + "Mode" + "," +
           "Direction" + "," + "Group" + "\r\n";
}

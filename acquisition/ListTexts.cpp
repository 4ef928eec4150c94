#include "ListTexts.h"

#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "SampleStore.h"

namespace {

// Per entry: the count shown in the number column and the id of the interned unit text.
std::int32_t g_listCount[kSampleCapacity];
std::uint16_t g_listUnitId[kSampleCapacity];

// Id 0 is the empty unit. A run of odd lines with ever new units could exhaust the 16-bit ids:
// such entries keep their unit in an overflow map instead.
constexpr std::size_t kMaxUnits = 0xFFFF;
constexpr std::uint16_t kOverflowId = 0xFFFF;

struct UnitTable {
    std::mutex lock;
    std::vector<std::string> units{std::string()};
    std::unordered_map<std::string, std::uint16_t> ids{{std::string(), 0}};
    std::unordered_map<std::int32_t, std::string> overflow;
    std::uint16_t lastId = 0;  // the unit of the previous reading, the usual case
};

UnitTable& Units() {
    static UnitTable table;
    return table;
}

bool ValidEntry(std::int32_t entry) {
    return entry >= 0 && entry < kSampleCapacity - 1;
}

std::string UnitOf(std::int32_t entry) {
    UnitTable& t = Units();
    std::lock_guard guard(t.lock);
    const std::uint16_t id = g_listUnitId[entry];
    if (id == kOverflowId) {
        auto it = t.overflow.find(entry);
        return it == t.overflow.end() ? std::string() : it->second;
    }
    return id < t.units.size() ? t.units[id] : std::string();
}

}  // namespace

std::string FormatNumberText(std::int32_t count) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d ", count);
    return buf;
}

std::string FormatValueText(float load, std::string_view unit) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(load));
    std::string text(buf);
    text += "  ";
    text += unit;
    return text;
}

std::string FormatTimeText(float seconds) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g s", static_cast<double>(seconds));
    return buf;
}

void KeepListTexts(std::int32_t index, std::int32_t count, std::string_view unit) {
    const std::int32_t entry = index - 1;
    if (!ValidEntry(entry)) return;
    g_listCount[entry] = count;
    UnitTable& t = Units();
    std::lock_guard guard(t.lock);
    if (t.units[t.lastId] != unit) {
        auto it = t.ids.find(std::string(unit));
        if (it != t.ids.end()) {
            t.lastId = it->second;
        } else if (t.units.size() < kMaxUnits) {
            t.lastId = static_cast<std::uint16_t>(t.units.size());
            t.units.emplace_back(unit);
            t.ids.emplace(std::string(unit), t.lastId);
        } else {
            g_listUnitId[entry] = kOverflowId;
            t.overflow[entry] = std::string(unit);
            return;
        }
    }
    g_listUnitId[entry] = t.lastId;
    if (!t.overflow.empty()) t.overflow.erase(entry);
}

std::string ListNumberText(std::int32_t entry) {
    return FormatNumberText(ValidEntry(entry) ? g_listCount[entry] : 0);
}

std::string ListValueText(std::int32_t entry) {
    if (!ValidEntry(entry)) return FormatValueText(0.0f, "");
    return FormatValueText(g_fLoad[entry + 1], UnitOf(entry));
}

std::string ListTimeText(std::int32_t entry) {
    return FormatTimeText(ValidEntry(entry) ? g_fTime[entry + 1] : 0.0f);
}

std::string ListTextColumn::operator[](std::int32_t entry) const {
    switch (m_kind) {
        case Kind::Number:
            return ListNumberText(entry);
        case Kind::Value:
            return ListValueText(entry);
        case Kind::Time:
            return ListTimeText(entry);
    }
    return std::string();
}

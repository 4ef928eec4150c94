// The results-list texts of every stored reading, kept compactly: the store keeps the unit text
// of each reading (interned, as runs of readings with the same unit) and rebuilds the three texts
// on demand from it and the reading's index, load and time in the sample store:
//   number "%d " of the count (which equals the index), value "%g" of the load + "  " + unit,
//   time "%g" of the time + " s".
// Entry e holds the texts of the reading at index e + 1. Written by the acquisition thread only,
// and read once it has ended (the wrap-up joins it; export and conversion wait for the stop).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Keeps the texts of the reading stored at `index` (1 or more) with its count and unit text.
// Called by the acquisition thread only.
void KeepListTexts(std::int32_t index, std::int32_t count, std::string_view unit);

// Texts of entry `entry` (0 to capacity - 2); an entry never kept gives the texts of a
// zero reading with an empty unit, as the zero-initialised store holds.
std::string ListNumberText(std::int32_t entry);
std::string ListValueText(std::int32_t entry);
std::string ListTimeText(std::int32_t entry);

// One column of texts, read like an array of texts: g_arrListCol1[r] is the value text of row r.
class ListTextColumn {
public:
    enum class Kind { Number, Value, Time };
    explicit constexpr ListTextColumn(Kind kind) : m_kind(kind) {}
    std::string operator[](std::int32_t entry) const;

private:
    Kind m_kind;
};

// The formats shared by the live texts of a reading and the kept ones.
std::string FormatNumberText(std::int32_t count);
std::string FormatValueText(float load, std::string_view unit);
std::string FormatTimeText(float seconds);

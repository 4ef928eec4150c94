#include "ListTexts.h"

#include <atomic>
#include <cstdio>
#include <new>
#include <unordered_map>
#include <vector>

#include "NumberText.h"
#include "SampleStore.h"

namespace {

// The unit of each entry, as runs of entries with the same interned unit text: a test usually
// has one. Run r covers the entries from its first one up to the next run's first one. The
// number text needs nothing kept: the count of a stored reading equals its index (both restart
// together, and a reading that would wrap the index is not stored).
struct UnitRun {
    std::int32_t firstEntry;
    std::uint16_t id;
};
UnitRun g_unitRuns[kSampleCapacity];  // zero-initialised: costs nothing until used
std::int32_t g_unitRunCount = 0;

// The interned unit texts, id 0 the empty unit. Only the acquisition thread adds texts; a slot is
// written once, before the count that makes it visible is published (release), and never changed
// after, so readers on other threads need no lock. A run of odd lines with ever new units could
// fill the table: such entries keep their unit in an overflow map, which only the acquisition
// thread touches while it runs; it is read once that thread has ended (the wrap-up joins it, and
// export and conversion are disabled while a test runs).
constexpr std::size_t kMaxUnits = 0xFFFF;
constexpr std::uint16_t kOverflowId = 0xFFFF;

struct UnitTable {
    UnitTable() : slots(static_cast<std::string*>(::operator new(sizeof(std::string) * kMaxUnits))) {
        new (&slots[0]) std::string();
        ids.emplace(std::string(), 0);
        count.store(1, std::memory_order_release);
    }
    std::string* const slots;  // raw storage: a slot is constructed when its text is added
    std::atomic<std::size_t> count{0};
    // The acquisition thread's own:
    std::unordered_map<std::string, std::uint16_t> ids;
    std::uint16_t lastId = 0;  // the unit of the previous reading, the usual case
    std::unordered_map<std::int32_t, std::string> overflow;
};

UnitTable& Units() {
    static UnitTable* const table = new UnitTable();  // lives for the whole run
    return *table;
}

bool ValidEntry(std::int32_t entry) {
    return entry >= 0 && entry < kSampleCapacity - 1;
}

// The run holding the entry; -1 when none.
std::int32_t RunOf(std::int32_t entry) {
    std::int32_t lo = 0, hi = g_unitRunCount;
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (g_unitRuns[mid].firstEntry <= entry) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo - 1;
}

void SetUnitOfEntry(std::int32_t entry, std::uint16_t id) {
    // Entries are written in rising order; a restart (start threshold, new test) begins again
    // lower and drops the runs from there on.
    while (g_unitRunCount > 0 && g_unitRuns[g_unitRunCount - 1].firstEntry >= entry) --g_unitRunCount;
    if (g_unitRunCount > 0 && g_unitRuns[g_unitRunCount - 1].id == id) return;
    g_unitRuns[g_unitRunCount++] = UnitRun{entry, id};
}

std::string UnitOf(std::int32_t entry) {
    UnitTable& t = Units();
    const std::int32_t run = RunOf(entry);
    if (run < 0) return std::string();
    const std::uint16_t id = g_unitRuns[run].id;
    if (id == kOverflowId) {
        auto it = t.overflow.find(entry);
        return it == t.overflow.end() ? std::string() : it->second;
    }
    return id < t.count.load(std::memory_order_acquire) ? t.slots[id] : std::string();
}

}  // namespace

// printf's digits, written without printf: these run for every reading and every shown row.
std::string FormatNumberText(std::int32_t count) {
    numtext::Buffer buf;
    std::string text(numtext::Integer(buf, count));
    text += ' ';
    return text;
}

std::string FormatValueText(float load, std::string_view unit) {
    numtext::Buffer buf;
    std::string text(numtext::General(buf, static_cast<double>(load)));
    text += "  ";
    text += unit;
    return text;
}

std::string FormatTimeText(float seconds) {
    numtext::Buffer buf;
    std::string text(numtext::General(buf, static_cast<double>(seconds)));
    text += " s";
    return text;
}

void KeepListTexts(std::int32_t index, std::int32_t count, std::string_view unit) {
    const std::int32_t entry = index - 1;
    if (!ValidEntry(entry)) return;
    (void)count;  // equal to index, see g_unitRuns
    UnitTable& t = Units();
    if (t.slots[t.lastId] != unit) {
        auto it = t.ids.find(std::string(unit));
        if (it != t.ids.end()) {
            t.lastId = it->second;
        } else {
            const std::size_t n = t.count.load(std::memory_order_relaxed);
            if (n >= kMaxUnits) {
                SetUnitOfEntry(entry, kOverflowId);
                t.overflow[entry] = std::string(unit);
                return;
            }
            new (&t.slots[n]) std::string(unit);
            t.lastId = static_cast<std::uint16_t>(n);
            t.ids.emplace(std::string(unit), t.lastId);
            t.count.store(n + 1, std::memory_order_release);
        }
    }
    SetUnitOfEntry(entry, t.lastId);
    if (!t.overflow.empty()) t.overflow.erase(entry);
}

std::string ListNumberText(std::int32_t entry) {
    return FormatNumberText(ValidEntry(entry) ? entry + 1 : 0);
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

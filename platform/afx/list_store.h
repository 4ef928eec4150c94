// Internal: the rows of a list control, stored compactly and shared between threads. Each row is
// one record in a chunked text arena (1 MB per allocation), its texts packed into nibbles (digits,
// '.', '-' and ' ' take half a byte), plus a 4-byte locator.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace afx::detail {

class ListStore {
public:
    static constexpr size_t kChunkSize = size_t(1) << 20;
    static constexpr size_t kMaxChunks = size_t(1) << 12;

    // Inserts a row before nItem (appends when nItem is past the end); returns its index or -1.
    int Insert(int nItem, std::string_view text);
    bool SetText(int nItem, int nSubItem, std::string_view text);
    std::string Text(int nItem, int nSubItem) const;
    int Count() const;
    bool Erase(int nItem);
    void Clear();

    // What changed since the last call (UI thread publishing): appended rows only, or more.
    struct Changes {
        int count = 0;
        bool structural = false;  // rows inserted before the end, erased or cleared
        bool cells = false;       // texts of existing rows changed
    };
    Changes TakeChanges();

    size_t ArenaBytes() const;

    // Virtual rows: `count` rows whose texts `text` makes when they are read; nothing is stored.
    // Inserting, setting a text or erasing a row is refused while they stand; Clear ends them.
    using TextSource = std::function<std::string(int nItem, int nSubItem)>;
    void SetVirtual(int count, TextSource text);

private:
    void ClearLocked();
    using Locator = std::uint32_t;  // chunk index << 20 | offset
    static void Decode(const char* p, std::vector<std::string>& cells);
    Locator Append(const std::vector<std::string>& cells, bool reuseTail, Locator old);
    const char* At(Locator l) const { return m_chunks[l >> 20].get() + (l & (kChunkSize - 1)); }

    mutable std::mutex m_mu;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    size_t m_used = 0;            // bytes used in the last chunk
    Locator m_tail = UINT32_MAX;  // the record at the end of the last chunk
    size_t m_tailSize = 0;
    std::vector<Locator> m_rows;
    Changes m_changes;
    int m_published = 0;
    int m_virtualCount = 0;
    TextSource m_virtualText;
};

}  // namespace afx::detail

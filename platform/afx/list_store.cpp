// Compact row storage of the list control.
#include "list_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace afx::detail {

namespace {

// Cells longer than this are cut, so that a record always fits a chunk.
constexpr size_t kMaxCell = 60000;
constexpr size_t kMaxCells = 16;

// Records are nibble streams: digits, '.', '-' and ' ' take one nibble, any other byte three
// (an escape and its two halves); each cell ends with kEndCell, the record with kEndRecord.
constexpr unsigned kDot = 10, kMinus = 11, kSpace = 12, kEscape = 13, kEndCell = 14, kEndRecord = 15;

class NibbleWriter {
public:
    explicit NibbleWriter(std::string& out) : m_out(out) {}
    void Put(unsigned v) {
        if (m_half) {
            m_out.back() = static_cast<char>(static_cast<unsigned char>(m_out.back()) | v);
        } else {
            m_out.push_back(static_cast<char>(v << 4));
        }
        m_half = !m_half;
    }
    void PutChar(unsigned char ch) {
        if (ch >= '0' && ch <= '9')
            Put(ch - '0');
        else if (ch == '.')
            Put(kDot);
        else if (ch == '-')
            Put(kMinus);
        else if (ch == ' ')
            Put(kSpace);
        else {
            Put(kEscape);
            Put(ch >> 4);
            Put(ch & 0xF);
        }
    }

private:
    std::string& m_out;
    bool m_half = false;
};

class NibbleReader {
public:
    explicit NibbleReader(const char* p) : m_p(reinterpret_cast<const unsigned char*>(p)) {}
    unsigned Get() {
        unsigned v = m_half ? (*m_p++ & 0xF) : (*m_p >> 4);
        m_half = !m_half;
        return v;
    }
    // Reads one cell into out (when given); false at the end of the record.
    bool Cell(std::string* out) {
        if (out) out->clear();
        unsigned v = Get();
        if (v == kEndRecord) return false;
        for (; v != kEndCell; v = Get()) {
            char ch;
            if (v <= 9)
                ch = static_cast<char>('0' + v);
            else if (v == kDot)
                ch = '.';
            else if (v == kMinus)
                ch = '-';
            else if (v == kSpace)
                ch = ' ';
            else {
                unsigned hi = Get();
                ch = static_cast<char>((hi << 4) | Get());
            }
            if (out) out->push_back(ch);
        }
        return true;
    }

private:
    const unsigned char* m_p;
    bool m_half = false;
};

}  // namespace

void ListStore::Decode(const char* p, std::vector<std::string>& cells) {
    NibbleReader r(p);
    size_t n = 0;
    for (;;) {
        if (cells.size() <= n) cells.emplace_back();
        if (!r.Cell(&cells[n])) break;
        ++n;
    }
    cells.resize(n);
}

ListStore::Locator ListStore::Append(const std::vector<std::string>& cells, bool reuseTail, Locator old) {
    thread_local std::string buf;
    buf.clear();
    NibbleWriter w(buf);
    size_t ncells = std::min(cells.size(), kMaxCells);
    for (size_t i = 0; i < ncells; ++i) {
        size_t len = std::min(cells[i].size(), kMaxCell);
        for (size_t k = 0; k < len; ++k) w.PutChar(static_cast<unsigned char>(cells[i][k]));
        w.Put(kEndCell);
    }
    w.Put(kEndRecord);
    if (reuseTail && old == m_tail && m_tail != UINT32_MAX) {
        size_t off = old & (kChunkSize - 1);
        if (off + buf.size() <= kChunkSize) {
            std::memcpy(m_chunks.back().get() + off, buf.data(), buf.size());
            m_used = off + buf.size();
            m_tailSize = buf.size();
            return old;
        }
    }
    if (m_chunks.empty() || m_used + buf.size() > kChunkSize) {
        if (m_chunks.size() >= kMaxChunks) throw std::length_error("list control: text store is full");
        m_chunks.emplace_back(new char[kChunkSize]);
        m_used = 0;
    }
    auto loc = static_cast<Locator>(((m_chunks.size() - 1) << 20) | m_used);
    std::memcpy(m_chunks.back().get() + m_used, buf.data(), buf.size());
    m_used += buf.size();
    m_tail = loc;
    m_tailSize = buf.size();
    return loc;
}

int ListStore::Insert(int nItem, std::string_view text) {
    std::lock_guard<std::mutex> lock(m_mu);
    int count = static_cast<int>(m_rows.size());
    if (nItem < 0 || m_virtualText) return -1;
    if (count >= INT32_MAX - 1) return -1;
    thread_local std::vector<std::string> cells(1);
    cells.resize(1);
    cells[0].assign(text.data(), text.size());
    Locator loc = Append(cells, false, 0);
    if (nItem >= count) {
        nItem = count;
        m_rows.push_back(loc);
    } else {
        m_rows.insert(m_rows.begin() + nItem, loc);
        m_changes.structural = true;
    }
    return nItem;
}

bool ListStore::SetText(int nItem, int nSubItem, std::string_view text) {
    std::lock_guard<std::mutex> lock(m_mu);
    if (m_virtualText || nItem < 0 || nItem >= static_cast<int>(m_rows.size()) || nSubItem < 0 ||
        nSubItem >= static_cast<int>(kMaxCells))
        return false;
    Locator old = m_rows[static_cast<size_t>(nItem)];
    thread_local std::vector<std::string> cells;
    Decode(At(old), cells);
    if (cells.size() <= static_cast<size_t>(nSubItem)) cells.resize(static_cast<size_t>(nSubItem) + 1);
    cells[static_cast<size_t>(nSubItem)].assign(text.data(), text.size());
    m_rows[static_cast<size_t>(nItem)] = Append(cells, true, old);
    if (nItem < m_published) m_changes.cells = true;
    return true;
}

std::string ListStore::Text(int nItem, int nSubItem) const {
    std::lock_guard<std::mutex> lock(m_mu);
    if (m_virtualText)
        return nItem >= 0 && nItem < m_virtualCount && nSubItem >= 0 ? m_virtualText(nItem, nSubItem)
                                                                     : std::string();
    if (nItem < 0 || nItem >= static_cast<int>(m_rows.size()) || nSubItem < 0) return std::string();
    NibbleReader r(At(m_rows[static_cast<size_t>(nItem)]));
    std::string out;
    for (int i = 0; i < nSubItem; ++i)
        if (!r.Cell(nullptr)) return out;
    r.Cell(&out);
    return out;
}

int ListStore::Count() const {
    std::lock_guard<std::mutex> lock(m_mu);
    return m_virtualText ? m_virtualCount : static_cast<int>(m_rows.size());
}

bool ListStore::Erase(int nItem) {
    std::lock_guard<std::mutex> lock(m_mu);
    if (m_virtualText || nItem < 0 || nItem >= static_cast<int>(m_rows.size())) return false;
    m_rows.erase(m_rows.begin() + nItem);
    m_changes.structural = true;
    return true;
}

void ListStore::Clear() {
    std::lock_guard<std::mutex> lock(m_mu);
    ClearLocked();
}

void ListStore::ClearLocked() {
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_chunks.clear();
    m_used = 0;
    m_tail = UINT32_MAX;
    m_tailSize = 0;
    m_virtualCount = 0;
    m_virtualText = nullptr;
    m_changes.structural = true;
}

void ListStore::SetVirtual(int count, TextSource text) {
    std::lock_guard<std::mutex> lock(m_mu);
    ClearLocked();
    m_virtualCount = text ? std::max(count, 0) : 0;
    m_virtualText = std::move(text);
    m_changes.structural = true;
}

ListStore::Changes ListStore::TakeChanges() {
    std::lock_guard<std::mutex> lock(m_mu);
    Changes c = m_changes;
    c.count = m_virtualText ? m_virtualCount : static_cast<int>(m_rows.size());
    m_changes = Changes();
    m_published = c.count;
    return c;
}

size_t ListStore::ArenaBytes() const {
    std::lock_guard<std::mutex> lock(m_mu);
    return m_chunks.size() * kChunkSize + m_rows.capacity() * sizeof(Locator);
}

}  // namespace afx::detail

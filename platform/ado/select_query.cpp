#include "select_query.h"

#include <algorithm>
#include <set>
#include <vector>

#include "text_collation.h"

namespace ado_detail {

namespace {

// Letters, digits and '_' of ASCII, and every byte of a UTF-8 sequence.
bool IsWordByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           c >= 0x80;
}

// Words of the query: names (bare or bracketed), '*' and ';'.
struct Token {
    std::string text;
    bool bracketed = false;
};

std::optional<std::vector<Token>> Tokens(const std::string& s) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsAsciiSpace(static_cast<char>(c))) {
            ++i;
        } else if (c == '[') {
            std::size_t end = s.find(']', i + 1);
            if (end == std::string::npos || end == i + 1) return std::nullopt;
            out.push_back({s.substr(i + 1, end - i - 1), true});
            i = end + 1;
        } else if (c == '*' || c == ';') {
            out.push_back({std::string(1, static_cast<char>(c)), false});
            ++i;
        } else if (IsWordByte(c)) {
            std::size_t start = i;
            while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
            out.push_back({s.substr(start, i - start), false});
        } else {
            return std::nullopt;
        }
    }
    return out;
}

bool IsKeyword(const Token& t, const char* word) {
    if (t.bracketed || t.text.size() != std::char_traits<char>::length(word)) return false;
    for (std::size_t i = 0; i < t.text.size(); ++i)
        if (AsciiLower(t.text[i]) != AsciiLower(word[i])) return false;
    return true;
}

bool IsReserved(const Token& t) {
    for (const char* w : {"SELECT", "DISTINCT", "FROM", "ORDER", "BY", "ASC", "DESC"})
        if (IsKeyword(t, w)) return true;
    return false;
}

bool IsName(const Token& t) {
    return t.bracketed || (t.text != "*" && t.text != ";" && !IsReserved(t));
}

std::vector<SortKey> KeysOf(const std::vector<_variant_t>& row) {
    std::vector<SortKey> keys;
    keys.reserve(row.size());
    for (const _variant_t& v : row) keys.push_back(KeyOf(v));
    return keys;
}

}  // namespace

std::optional<SelectQuery> ParseSelect(const std::string& text) {
    std::optional<std::vector<Token>> tokens = Tokens(text);
    if (!tokens) return std::nullopt;
    std::vector<Token>& t = *tokens;
    if (!t.empty() && !t.back().bracketed && t.back().text == ";") t.pop_back();

    SelectQuery q;
    std::size_t i = 0;
    auto at = [&](std::size_t k) -> const Token* { return k < t.size() ? &t[k] : nullptr; };
    if (!at(i) || !IsKeyword(*at(i), "SELECT")) return std::nullopt;
    ++i;
    if (at(i) && IsKeyword(*at(i), "DISTINCT")) {
        q.distinct = true;
        ++i;
    }
    if (!at(i)) return std::nullopt;
    if (!at(i)->bracketed && at(i)->text == "*") {
        q.column.clear();
    } else if (IsName(*at(i))) {
        q.column = at(i)->text;
    } else {
        return std::nullopt;
    }
    ++i;
    if (!at(i) || !IsKeyword(*at(i), "FROM")) return std::nullopt;
    ++i;
    if (!at(i) || !IsName(*at(i))) return std::nullopt;
    q.table = at(i)->text;
    ++i;
    if (at(i)) {
        if (!IsKeyword(*at(i), "ORDER") || !at(i + 1) || !IsKeyword(*at(i + 1), "BY")) return std::nullopt;
        i += 2;
        if (!at(i) || !IsName(*at(i))) return std::nullopt;
        q.orderBy = at(i)->text;
        ++i;
        if (at(i) && (IsKeyword(*at(i), "ASC") || IsKeyword(*at(i), "DESC"))) {
            q.descending = IsKeyword(*at(i), "DESC");
            ++i;
        }
    }
    if (i != t.size()) return std::nullopt;
    return q;
}

ResultRows RunSelect(JetDatabase& db, const SelectQuery& query) {
    const bool allColumns = query.column.empty();
    // The sort column is read as one more column when it is not among those selected.
    std::vector<std::string> read;
    if (!allColumns) read.push_back(query.column);
    bool extraSortColumn = false;
    if (!query.orderBy.empty() && !allColumns && !SameName(query.orderBy, query.column)) {
        // As in Jet, DISTINCT rows can only be sorted by a column they hold.
        if (query.distinct) _com_issue_error(DB_E_ERRORSINCOMMAND);
        read.push_back(query.orderBy);
        extraSortColumn = true;
    }
    ResultRows table = db.Read(query.table, read);

    std::size_t sortIndex = 0;
    if (!query.orderBy.empty()) {
        if (extraSortColumn) {
            sortIndex = 1;
        } else if (allColumns) {
            while (sortIndex < table.names.size() && !SameName(table.names[sortIndex], query.orderBy))
                ++sortIndex;
            if (sortIndex == table.names.size()) _com_issue_error(DB_E_PARAMNOTOPTIONAL);
        }
    }
    const std::size_t width = extraSortColumn ? 1 : table.names.size();

    struct Row {
        std::vector<_variant_t> values;
        std::vector<SortKey> keys;
    };
    std::vector<Row> rows;
    rows.reserve(table.rows.size());
    for (auto& values : table.rows) {
        Row r;
        r.keys = KeysOf(values);
        r.values = std::move(values);
        rows.push_back(std::move(r));
    }

    if (query.distinct) {
        auto less = [&rows, width](std::size_t a, std::size_t b) {
            for (std::size_t i = 0; i < width; ++i)
                if (int c = CompareKeys(rows[a].keys[i], rows[b].keys[i])) return c < 0;
            return false;
        };
        std::set<std::size_t, decltype(less)> seen(less);
        std::vector<Row> kept;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (seen.insert(i).second) kept.push_back(rows[i]);
        rows = std::move(kept);
    }
    if (!query.orderBy.empty()) {
        std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
            int c = CompareKeys(a.keys[sortIndex], b.keys[sortIndex]);
            return query.descending ? c > 0 : c < 0;
        });
    }

    ResultRows out;
    out.names.assign(table.names.begin(), table.names.begin() + static_cast<std::ptrdiff_t>(width));
    for (Row& r : rows) {
        r.values.resize(width);
        out.rows.push_back(std::move(r.values));
    }
    return out;
}

}  // namespace ado_detail

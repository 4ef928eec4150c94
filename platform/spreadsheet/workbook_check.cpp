#include "workbook_check.h"

#include <zip.h>

#include <QByteArray>
#include <QXmlStreamReader>
#include <cstring>
#include <memory>
#include <set>

namespace orva::sheet {

namespace {

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;
using Entry = std::unique_ptr<zip_file_t, decltype(&zip_fclose)>;

std::string SheetPart(std::size_t i) {
    return "xl/worksheets/sheet" + std::to_string(i) + ".xml";
}

// A small part read whole and parsed to its end.
std::string PartProblem(zip_t* archive, const char* name, zip_uint64_t size) {
    Entry entry(zip_fopen(archive, name, 0), &zip_fclose);
    if (!entry) return std::string("the part ") + name + " cannot be read";
    QByteArray xml(static_cast<qsizetype>(size), '\0');
    if (zip_fread(entry.get(), xml.data(), size) != static_cast<zip_int64_t>(size))
        return std::string("the part ") + name + " is damaged";
    char more = 0;
    if (zip_fread(entry.get(), &more, 1) != 0) return std::string("the part ") + name + " is damaged";
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) reader.readNext();
    if (reader.hasError()) return std::string("the part ") + name + " is cut short or damaged";
    return {};
}

// A sheet streamed through: its rows and cells counted and its end checked, without holding it.
// Texts in the sheet are escaped, so "<row " and "<c " only ever start a row or a cell.
std::string SheetProblem(zip_t* archive, const std::string& name, const SheetTally& expected) {
    Entry entry(zip_fopen(archive, name.c_str(), 0), &zip_fclose);
    if (!entry) return "the part " + name + " cannot be read";
    constexpr std::size_t kChunk = 1 << 20;
    constexpr std::size_t kKeep = 4;  // the longest pattern less one, carried between chunks
    const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk + kKeep);
    std::uint64_t rows = 0, cells = 0;
    std::size_t kept = 0;
    std::string tail;
    for (;;) {
        const zip_int64_t got = zip_fread(entry.get(), buffer.get() + kept, kChunk);
        if (got < 0) return "the part " + name + " is damaged";
        if (got == 0) break;
        const std::size_t total = kept + static_cast<std::size_t>(got);
        const char* const begin = buffer.get();
        const char* const fresh = begin + kept;
        tail.append(fresh + (got > 64 ? got - 64 : 0), begin + total);
        if (tail.size() > 64) tail.erase(0, tail.size() - 64);
        if (total <= kKeep) {
            kept = total;
            continue;
        }
        const char* const scanEnd = begin + (total - kKeep);
        for (const char* p = begin; p < scanEnd; ++p) {
            p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(scanEnd - p)));
            if (!p) break;
            if (p[1] == 'c' && p[2] == ' ')
                ++cells;
            else if (p[1] == 'r' && p[2] == 'o' && p[3] == 'w' && p[4] == ' ')
                ++rows;
        }
        std::memmove(buffer.get(), begin + total - kKeep, kKeep);
        kept = kKeep;
    }
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
    const std::string end = "</worksheet>";
    if (tail.size() < end.size() || tail.compare(tail.size() - end.size(), end.size(), end) != 0)
        return "the part " + name + " is cut short";
    if (rows != expected.rows || cells != expected.cells)
        return "the part " + name + " holds " + std::to_string(rows) + " of " +
               std::to_string(expected.rows) + " rows and " + std::to_string(cells) + " of " +
               std::to_string(expected.cells) + " cells";
    return {};
}

}  // namespace

std::string WorkbookProblem(const std::string& path, const std::vector<SheetTally>& sheets) {
    int code = 0;
    Archive archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code), &zip_discard);
    if (!archive) return "the file is not a whole zip package";

    std::set<std::string> required = {"[Content_Types].xml", "_rels/.rels",
                                      "docProps/app.xml",    "docProps/core.xml",
                                      "xl/workbook.xml",     "xl/_rels/workbook.xml.rels",
                                      "xl/styles.xml",       "xl/theme/theme1.xml"};
    std::set<std::string> sheetParts;
    for (std::size_t i = 1; i <= sheets.size(); ++i) sheetParts.insert(SheetPart(i));

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name)
            return "the file is not a whole zip package";
        const std::string name = st.name;
        if (st.size == 0) return "the part " + name + " is empty";
        required.erase(name);
        if (sheetParts.count(name)) continue;  // read below
        const std::string problem = PartProblem(archive.get(), st.name, st.size);
        if (!problem.empty()) return problem;
    }
    if (!required.empty()) return "the part " + *required.begin() + " is missing";
    for (std::size_t i = 1; i <= sheets.size(); ++i) {
        const std::string problem = SheetProblem(archive.get(), SheetPart(i), sheets[i - 1]);
        if (!problem.empty()) return problem;
    }
    return {};
}

}  // namespace orva::sheet

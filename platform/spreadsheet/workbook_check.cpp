#include "workbook_check.h"

#include <zip.h>

#include <QByteArray>
#include <QXmlStreamReader>
#include <functional>
#include <future>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>

#include "xml_check.h"

namespace orva::sheet {

namespace {

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;
using Entry = std::unique_ptr<zip_file_t, decltype(&zip_fclose)>;

constexpr std::size_t kChunk = 1 << 20;

// The two pieces of a part in hand at a time: one being read while the other is checked.
struct Buffers {
    std::unique_ptr<char[]> first = std::make_unique_for_overwrite<char[]>(kChunk);
    std::unique_ptr<char[]> second = std::make_unique_for_overwrite<char[]>(kChunk);
};

std::string SheetPart(std::size_t i) {
    return "xl/worksheets/sheet" + std::to_string(i) + ".xml";
}

// Reads a part piece by piece into f, never more at once, whatever size its header claims; false
// from f stops. The next piece is inflated on a thread of its own while f checks one, so that the
// check of a large sheet costs hardly more than its inflating. Gives what is wrong with the
// reading.
std::string ReadPart(zip_t* archive, const std::string& name, zip_uint64_t size, Buffers& buffers,
                     const std::function<bool(std::string_view)>& f) {
    Entry entry(zip_fopen(archive, name.c_str(), 0), &zip_fclose);
    if (!entry) return "the part " + name + " cannot be read";
    zip_file_t* const file = entry.get();
    const auto read = [file](char* buffer) { return zip_fread(file, buffer, kChunk); };
    char* piece = buffers.first.get();
    char* next = buffers.second.get();
    zip_uint64_t total = 0;
    for (zip_int64_t got = read(piece);;) {
        if (got < 0) return "the part " + name + " is damaged";
        if (got == 0) break;
        total += static_cast<zip_uint64_t>(got);
        if (total > size) return "the part " + name + " is damaged";
        std::future<zip_int64_t> ahead;
        if (total < size) {
            try {
                ahead = std::async(std::launch::async, read, next);
            } catch (const std::system_error&) {
                // No thread to spare: read after the check instead.
            }
        }
        const bool more = f(std::string_view(piece, static_cast<std::size_t>(got)));
        got = ahead.valid() ? ahead.get() : read(next);
        if (!more) return {};
        std::swap(piece, next);
    }
    if (total != size) return "the part " + name + " is damaged";
    return {};
}

// A small part, parsed to its end.
std::string PartProblem(zip_t* archive, const std::string& name, zip_uint64_t size, Buffers& buffers) {
    QXmlStreamReader reader;
    const auto parse = [&] {
        while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::Invalid) {
        }
        return reader.error() == QXmlStreamReader::NoError ||
               reader.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    };
    const std::string problem = ReadPart(archive, name, size, buffers, [&](std::string_view chunk) {
        reader.addData(QByteArray(chunk.data(), static_cast<qsizetype>(chunk.size())));
        return parse();
    });
    if (!problem.empty()) return problem;
    parse();
    if (reader.hasError()) return "the part " + name + " is cut short or damaged";
    return {};
}

// A sheet, parsed as it streams through: well-formed, a worksheet, its rows and cells counted.
std::string SheetProblem(zip_t* archive, const std::string& name, zip_uint64_t size, Buffers& buffers,
                         const SheetTally& expected) {
    XmlCheck xml;
    const std::size_t rowCount = xml.CountChildren("sheetData", "row");
    const std::size_t cellCount = xml.CountChildren("row", "c");
    const std::string problem =
        ReadPart(archive, name, size, buffers, [&](std::string_view chunk) { return xml.Feed(chunk); });
    if (!problem.empty()) return problem;
    if (!xml.Finish()) {
        if (xml.Error() == "the document is cut short") return "the part " + name + " is cut short";
        return "the part " + name + " is damaged: " + xml.Error();
    }
    if (xml.RootName() != "worksheet") return "the part " + name + " is no worksheet";
    const std::uint64_t rows = xml.Count(rowCount), cells = xml.Count(cellCount);
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

    Buffers buffers;
    std::vector<zip_uint64_t> sheetSizes(sheets.size() + 1, 0);
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name ||
            !(st.valid & ZIP_STAT_SIZE))
            return "the file is not a whole zip package";
        const std::string name = st.name;
        if (st.size == 0) return "the part " + name + " is empty";
        required.erase(name);
        if (sheetParts.count(name)) {  // read below
            sheetSizes[std::stoul(name.substr(std::string_view("xl/worksheets/sheet").size()))] = st.size;
            continue;
        }
        const std::string problem = PartProblem(archive.get(), name, st.size, buffers);
        if (!problem.empty()) return problem;
    }
    if (!required.empty()) return "the part " + *required.begin() + " is missing";
    for (std::size_t i = 1; i <= sheets.size(); ++i) {
        if (sheetSizes[i] == 0) return "the part " + SheetPart(i) + " is missing";
        const std::string problem =
            SheetProblem(archive.get(), SheetPart(i), sheetSizes[i], buffers, sheets[i - 1]);
        if (!problem.empty()) return problem;
    }
    return {};
}

}  // namespace orva::sheet

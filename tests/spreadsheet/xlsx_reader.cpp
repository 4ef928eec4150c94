#include "xlsx_reader.h"

#include <zip.h>

#include <QXmlStreamReader>
#include <map>

namespace xlsx_test {

namespace {

bool ReadEntry(zip_t* archive, const std::string& name, std::string& out) {
    zip_stat_t st;
    if (zip_stat(archive, name.c_str(), 0, &st) != 0) return false;
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return false;
    out.assign(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t got = zip_fread(file, out.data(), st.size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(st.size);
}

QXmlStreamReader Reader(const std::string& xml) {
    return QXmlStreamReader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
}

bool IsHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Text as readers decode it: "_x" + exactly four hex digits + "_" is that UTF-16 unit; nothing
// else ("_x 041_", "_x+041_", "_x0x41_") is an escape.
std::string Decoded(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_' &&
            IsHexDigit(text[i + 2]) && IsHexDigit(text[i + 3]) && IsHexDigit(text[i + 4]) &&
            IsHexDigit(text[i + 5])) {
            bool ok = false;
            const uint code = text.mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out.toStdString();
}

// Every element of a part, for the parts that only say where the others are: (element, attributes).
using Elements = std::vector<std::pair<QString, QXmlStreamAttributes>>;
Elements ReadElements(const std::string& xml, const char* part, std::string& error) {
    Elements elements;
    QXmlStreamReader r = Reader(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) elements.emplace_back(r.name().toString(), r.attributes());
    }
    if (r.hasError() && error.empty()) error = std::string(part) + ": " + r.errorString().toStdString();
    return elements;
}

std::vector<std::string> SharedStrings(const std::string& xml, std::string& error) {
    std::vector<std::string> strings;
    QXmlStreamReader r = Reader(xml);
    QString current;
    bool inSi = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"si") {
            inSi = true;
            current.clear();
        } else if (r.isStartElement() && r.name() == u"t" && inSi) {
            current += r.readElementText();
        } else if (r.isEndElement() && r.name() == u"si") {
            strings.push_back(Decoded(current));
            inSi = false;
        }
    }
    if (r.hasError() && error.empty()) error = "sharedStrings: " + r.errorString().toStdString();
    return strings;
}

// The parts a spreadsheet program follows to the first sheet: the content types, the package's
// relations to the workbook, the workbook's relations to its sheets and styles. Gives the first
// sheet's part name, or nothing (and the error).
std::string FollowPackage(zip_t* archive, Workbook& book) {
    std::string types, rootRels, workbookXml, workbookRels, styles;
    if (!ReadEntry(archive, "[Content_Types].xml", types) || !ReadEntry(archive, "_rels/.rels", rootRels) ||
        !ReadEntry(archive, "xl/workbook.xml", workbookXml) ||
        !ReadEntry(archive, "xl/_rels/workbook.xml.rels", workbookRels) ||
        !ReadEntry(archive, "xl/styles.xml", styles)) {
        book.error = "parts missing";
        return {};
    }
    std::map<QString, QString> contentTypes;  // part name -> type
    for (const auto& [name, a] : ReadElements(types, "[Content_Types].xml", book.error))
        if (name == u"Override")
            contentTypes[a.value("PartName").toString()] = a.value("ContentType").toString();
    bool toWorkbook = false;
    for (const auto& [name, a] : ReadElements(rootRels, "_rels/.rels", book.error))
        if (name == u"Relationship" && a.value("Type").endsWith(u"/officeDocument") &&
            a.value("Target") == u"xl/workbook.xml")
            toWorkbook = true;
    std::map<QString, QString> targets;  // relation id -> part under xl/
    bool toStyles = false;
    for (const auto& [name, a] : ReadElements(workbookRels, "xl/_rels/workbook.xml.rels", book.error)) {
        if (name != u"Relationship") continue;
        targets[a.value("Id").toString()] = a.value("Target").toString();
        toStyles = toStyles || a.value("Type").endsWith(u"/styles");
    }
    ReadElements(styles, "xl/styles.xml", book.error);
    std::string firstSheet;
    for (const auto& [name, a] : ReadElements(workbookXml, "xl/workbook.xml", book.error)) {
        if (name != u"sheet") continue;
        book.sheetNames.push_back(Decoded(a.value("name").toString()));
        const QString target =
            targets[a.value(QStringLiteral("http://schemas.openxmlformats.org/officeDocument/"
                                           "2006/relationships"),
                            QStringLiteral("id"))
                        .toString()];
        if (!contentTypes[QStringLiteral("/xl/") + target].endsWith(u"worksheet+xml") && book.error.empty())
            book.error = "no content type for the sheet " + target.toStdString();
        if (firstSheet.empty()) firstSheet = "xl/" + target.toStdString();
    }
    if (book.error.empty() &&
        !contentTypes[QStringLiteral("/xl/workbook.xml")].contains(u"spreadsheetml.sheet.main+xml"))
        book.error = "no content type for the workbook";
    if (book.error.empty() && !toWorkbook) book.error = "the package does not lead to the workbook";
    if (book.error.empty() && !toStyles) book.error = "the workbook does not lead to its styles";
    if (book.error.empty() && firstSheet.empty()) book.error = "no sheet";
    return book.error.empty() ? firstSheet : std::string();
}

}  // namespace

Workbook ReadWorkbook(const std::filesystem::path& file) {
    Workbook book;
    int code = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        book.error = "not a zip (" + std::to_string(code) + ")";
        return book;
    }
    const std::string sheetPart = FollowPackage(archive, book);
    std::string sheetXml, stringsXml;
    const bool haveSheet = !sheetPart.empty() && ReadEntry(archive, sheetPart, sheetXml);
    const bool haveStrings = ReadEntry(archive, "xl/sharedStrings.xml", stringsXml);
    zip_close(archive);
    if (!haveSheet) {
        if (book.error.empty()) book.error = "parts missing";
        return book;
    }
    const std::vector<std::string> strings =
        haveStrings ? SharedStrings(stringsXml, book.error) : std::vector<std::string>{};

    QXmlStreamReader s = Reader(sheetXml);
    std::string ref, type;
    while (!s.atEnd()) {
        s.readNext();
        if (!s.isStartElement()) continue;
        if (s.name() == u"col") {
            const auto a = s.attributes();
            book.columns.push_back(
                {a.value("min").toInt(), a.value("max").toInt(), a.value("width").toDouble()});
        } else if (s.name() == u"row") {
            book.rowOrder.push_back(s.attributes().value("r").toInt());
        } else if (s.name() == u"c") {
            ref = s.attributes().value("r").toString().toStdString();
            type = s.attributes().value("t").toString().toStdString();
            book.cells[ref];
        } else if (s.name() == u"t" && type == "inlineStr") {
            book.cells[ref] = Decoded(s.readElementText());
        } else if (s.name() == u"v" && type == "s") {
            const auto index = static_cast<std::size_t>(s.readElementText().toULongLong());
            book.cells[ref] = index < strings.size() ? strings[index] : "<bad index>";
        }
    }
    if (s.hasError() && book.error.empty()) book.error = "sheet: " + s.errorString().toStdString();
    book.readable = book.error.empty();
    return book;
}

}  // namespace xlsx_test

#include "xlsx_reader.h"

#include <zip.h>

#include <QXmlStreamReader>

namespace xlsx_test {

namespace {

bool ReadEntry(zip_t* archive, const char* name, std::string& out) {
    zip_stat_t st;
    if (zip_stat(archive, name, 0, &st) != 0) return false;
    zip_file_t* file = zip_fopen(archive, name, 0);
    if (!file) return false;
    out.assign(static_cast<std::size_t>(st.size), '\0');
    const zip_int64_t got = zip_fread(file, out.data(), st.size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(st.size);
}

QXmlStreamReader Reader(const std::string& xml) {
    return QXmlStreamReader(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
}

std::vector<std::string> SharedStrings(const std::string& xml, std::string& error) {
    std::vector<std::string> strings;
    QXmlStreamReader r = Reader(xml);
    std::string current;
    bool inSi = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"si") {
            inSi = true;
            current.clear();
        } else if (r.isStartElement() && r.name() == u"t" && inSi) {
            current += r.readElementText().toStdString();
        } else if (r.isEndElement() && r.name() == u"si") {
            strings.push_back(current);
            inSi = false;
        }
    }
    if (r.hasError()) error = "sharedStrings: " + r.errorString().toStdString();
    return strings;
}

}  // namespace

Workbook ReadWorkbook(const std::filesystem::path& file) {
    Workbook book;
    int code = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &code);
    if (!archive) {
        book.error = "not a zip (" + std::to_string(code) + ")";
        return book;
    }
    std::string workbookXml, sheetXml, stringsXml;
    const bool haveParts = ReadEntry(archive, "xl/workbook.xml", workbookXml) &&
                           ReadEntry(archive, "xl/worksheets/sheet1.xml", sheetXml);
    const bool haveStrings = ReadEntry(archive, "xl/sharedStrings.xml", stringsXml);
    zip_close(archive);
    if (!haveParts) {
        book.error = "parts missing";
        return book;
    }

    QXmlStreamReader w = Reader(workbookXml);
    while (!w.atEnd()) {
        w.readNext();
        if (w.isStartElement() && w.name() == u"sheet")
            book.sheetNames.push_back(w.attributes().value("name").toString().toStdString());
    }
    if (w.hasError()) book.error = "workbook: " + w.errorString().toStdString();
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
            book.cells[ref] = s.readElementText().toStdString();
        } else if (s.name() == u"v" && type == "s") {
            const auto index = static_cast<std::size_t>(s.readElementText().toULongLong());
            book.cells[ref] = index < strings.size() ? strings[index] : "<bad index>";
        }
    }
    if (s.hasError()) book.error = "sheet: " + s.errorString().toStdString();
    book.readable = book.error.empty();
    return book;
}

}  // namespace xlsx_test

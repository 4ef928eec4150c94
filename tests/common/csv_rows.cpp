#include "csv_rows.h"

#include <csv.h>
#include <gtest/gtest.h>

namespace testcsv {

std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    struct Rows {
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> row;
    } r;
    csv_parser parser;
    EXPECT_EQ(csv_init(&parser, CSV_STRICT | CSV_APPEND_NULL), 0);
    const auto field = [](void* s, size_t n, void* data) {
        static_cast<Rows*>(data)->row.emplace_back(static_cast<const char*>(s), n);
    };
    const auto end = [](int, void* data) {
        auto* rows = static_cast<Rows*>(data);
        rows->rows.push_back(std::move(rows->row));
        rows->row.clear();
    };
    EXPECT_EQ(csv_parse(&parser, text.data(), text.size(), field, end, &r), text.size());
    csv_fini(&parser, field, end, &r);
    csv_free(&parser);
    return r.rows;
}

}  // namespace testcsv

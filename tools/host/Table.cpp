#include "tools/host/Table.h"

#include <algorithm>

#include "tools/host/Encoding.h"

namespace host {
namespace {

// A tab or line end inside a field would break the row apart.
std::string TsvField(const std::string& s) {
    std::string t = s;
    std::replace_if(t.begin(), t.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return t;
}

void PrintTsv(std::FILE* out, const std::vector<std::string>& row) {
    for (std::size_t i = 0; i < row.size(); ++i)
        std::fprintf(out, "%s%s", i ? "\t" : "", TsvField(row[i]).c_str());
    std::fputc('\n', out);
}

void PrintAligned(std::FILE* out, const std::vector<std::string>& row, const std::vector<std::size_t>& width,
                  const std::vector<bool>& right) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const std::size_t pad = width[i] - std::min(width[i], Utf8Width(row[i]));
        const bool last = i + 1 == row.size();
        if (i) line += "  ";
        if (right[i]) line.append(pad, ' ');
        line += row[i];
        if (!right[i] && !last) line.append(pad, ' ');
    }
    std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace

Table::Table(std::vector<std::string> headers, std::vector<bool> right)
    : headers_(std::move(headers)), right_(std::move(right)) {
    right_.resize(headers_.size(), false);
}

void Table::Add(std::vector<std::string> row) {
    row.resize(headers_.size());
    rows_.push_back(std::move(row));
}

std::size_t Table::Print(std::FILE* out, bool tsv, bool withHeader) const {
    std::vector<std::size_t> width(headers_.size());
    for (std::size_t i = 0; i < headers_.size(); ++i) width[i] = Utf8Width(headers_[i]);
    for (const auto& row : rows_)
        for (std::size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], Utf8Width(row[i]));
    const auto print = [&](const std::vector<std::string>& row) {
        if (tsv)
            PrintTsv(out, row);
        else
            PrintAligned(out, row, width, right_);
    };
    if (withHeader) print(headers_);
    for (const auto& row : rows_) print(row);
    return rows_.size() + (withHeader ? 1 : 0);
}

}  // namespace host

// Results as an aligned table for people or tab-separated for scripts.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace host {

class Table {
public:
    // Columns named in `headers`; `right` marks those aligned to the right.
    Table(std::vector<std::string> headers, std::vector<bool> right);

    void Add(std::vector<std::string> row);
    // Prints the header line too unless `withHeader` is false; returns the
    // number of lines written.
    std::size_t Print(std::FILE* out, bool tsv, bool withHeader = true) const;

private:
    std::vector<std::string> headers_;
    std::vector<bool> right_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace host

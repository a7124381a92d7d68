// The status codes as the documents list them against the driver's own texts.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "base/Cp1250.h"
#include "config/StatusCodes.h"
#include "support/TempDir.h"

namespace {

std::string SourceFile(const std::string& path) { return ReadFile(std::string(RV_ZR6180_SOURCE_DIR) + "/" + path); }

// Code and text of every "| code | text |" row of a Markdown table.
std::map<uint32_t, std::string> TableRows(const std::string& markdown) {
    std::map<uint32_t, std::string> rows;
    const std::regex row("^\\| (\\d+) \\| ([^|]*[^| ]) \\|");
    std::istringstream lines(markdown);
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, m, row)) rows.emplace(static_cast<uint32_t>(std::stoul(m[1])), m[2]);
    return rows;
}

TEST(StatusDocs, TableShowsTheDriversTextOfEveryCode) {
    const auto rows = TableRows(SourceFile("docs/status-codes.md"));
    ASSERT_EQ(rows.size(), std::size(status_texts::Status));
    for (const auto& [code, text] : rows) EXPECT_EQ(cp1250::FromUtf8(text), StatusText(code)) << code;
}

// Each man page lists a code as ".B code" with its text at the start of the next line.
TEST(StatusDocs, BothManPagesListEveryCodeWithItsText) {
    for (const char* page : {"docs/man/zr6180-host.1", "docs/man/zr6180-sim.1"}) {
        const std::string man = SourceFile(page);
        const auto rows = TableRows(SourceFile("docs/status-codes.md"));
        ASSERT_EQ(rows.size(), std::size(status_texts::Status));
        for (const auto& [code, text] : rows)
            EXPECT_NE(man.find(".B " + std::to_string(code) + "\n" + text), std::string::npos) << page << " " << code;
    }
}

}  // namespace

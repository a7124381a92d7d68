#include "bench/Table.h"

#include <algorithm>
#include <cstdio>

std::string Fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

void PrintTable(const std::vector<TRow>& rows) {
    const char* head[] = {"#", "measure", "figure", "ratio", "target", "met"};
    std::size_t w[6] = {};
    for (int i = 0; i < 6; ++i) w[i] = std::string(head[i]).size();
    const auto cells = [](const TRow& r) {
        return std::vector<std::string>{r.item, r.what, r.figure, r.ratio, r.target,
                                        r.met < 0 ? "" : r.met ? "yes" : "NO"};
    };
    for (const TRow& r : rows) {
        const auto c = cells(r);
        for (int i = 0; i < 6; ++i) w[i] = std::max(w[i], c[static_cast<std::size_t>(i)].size());
    }
    const auto line = [&](const std::vector<std::string>& c) {
        std::string s = "|";
        for (int i = 0; i < 6; ++i) {
            const std::string& t = c[static_cast<std::size_t>(i)];
            s += ' ' + t + std::string(w[i] - t.size(), ' ') + " |";
        }
        std::puts(s.c_str());
    };
    line({head[0], head[1], head[2], head[3], head[4], head[5]});
    std::string rule = "|";
    for (std::size_t x : w) rule += std::string(x + 2, '-') + '|';
    std::puts(rule.c_str());
    for (const TRow& r : rows) line(cells(r));
}

// The result table: one row per figure, its ratio to the baseline measured
// in the same run, the target and whether it is met.
#pragma once

#include <string>
#include <vector>

struct TRow {
    std::string item;    // "1", "2", ...
    std::string what;
    std::string figure;
    std::string ratio;   // empty: none
    std::string target;  // empty: none
    int met = -1;        // -1 no target, 0 missed, 1 met
};

void PrintTable(const std::vector<TRow>& rows);
std::string Fixed(double v, int decimals);

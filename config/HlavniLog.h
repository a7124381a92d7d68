// The main log (operator messages) and the RunInfo file that carries the
// number of the current RUN log across restarts.
#pragma once

#include <cstdint>
#include <string_view>

#include "config/Model.h"

// Appends "[" date " " time "] " message [number] to LogAdresar + LogNazev.
// Returns 0 (written or log off), 1 (cannot open), 2 (cannot create),
// 3 (write or close failed). Clock and locale come from the instance d.
uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view zprava);
uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view zprava, uint32_t cislo);

inline constexpr char RunInfoSoubor[] = "Rv_zr6180RunInfo.txt";

void CtiRunInfo(TCFG& cfg);          // sets RunCislo; rewrites a missing or bad file with 1
void ZapisRunInfo(const TCFG& cfg);  // one line: RunCislo CR LF; failures ignored

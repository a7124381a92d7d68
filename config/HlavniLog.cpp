#include "config/HlavniLog.h"

uint8_t ZapisDoLogu(const TData*, const TCFG&, std::string_view) { return 0; }
uint8_t ZapisDoLogu(const TData*, const TCFG&, std::string_view, uint32_t) { return 0; }
void CtiRunInfo(TCFG& cfg) { cfg.RunCislo = 1; }
void ZapisRunInfo(const TCFG&) {}

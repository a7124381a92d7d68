// The main log (operator messages) and the RunInfo file that carries the
// number of the current RUN log across restarts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/Model.h"

// Appends "[" date " " time "] " message [number] to LogAdresar + LogNazev.
// Returns 0 (written or log off), 1 (cannot open), 2 (cannot create),
// 3 (write or close failed). Clock and locale come from the instance d.
uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view message);
uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view message, uint32_t number);

// ZapisDoLogu that also tells the system's error number of a failure.
struct TMainLogWrite {
    uint8_t Kod = 0;
    int Error = 0;
};
TMainLogWrite WriteMainLog(const TData* d, const TCFG& cfg, std::string_view message);

// `text` followed by " (systémová chyba: " + the system's reason + ")" for
// an error that says more than that something is missing; `text` alone
// otherwise, so the fixed texts stay as they are where nothing is added.
std::string WithSystemReason(std::string_view text, int error);

// Bookkeeping of the log writers: a line written, or a line lost with the
// system's error number. A file that starts or stops failing is told once
// in the main log (when that can be written), with the lines lost.
void LogWriteFailed(const TData* d, TLogKind kind, int rozhrani, int error);
void LogWritesResumed(const TData* d, TLogKind kind, int rozhrani);
inline void LogWritten(const TData* d, TLogKind kind, int rozhrani = 0) {
    if (d != nullptr && d->LogFailures.Failing[LogFileSlot(kind, rozhrani)].load() != 0)
        LogWritesResumed(d, kind, rozhrani);
}
// After a write failed with `error`: a LOG directory that Init found but
// that has disappeared since is created again (and the main log told). True
// when the write is worth one more try.
bool RestoreLogDirectory(const TData* d, const TCFG& cfg, int error);

inline constexpr char RunInfoFileName[] = "Rv_zr6180RunInfo.txt";

void CtiRunInfo(TCFG& cfg);          // sets RunCislo; rewrites a missing or bad file with 1
void ZapisRunInfo(const TCFG& cfg);  // one line: RunCislo CR LF; failures ignored

#include "comm/Logy.h"

#include "config/Model.h"

// Placeholder writers: only the sequence number advances.
void ZapisRun(TData* d, std::string_view, int32_t, int32_t, int32_t, std::string_view) {
    if (d) d->PocitadloRadku.fetch_add(1);
}
void ZapisErr(TData*, std::string_view, int32_t) {}
void ZapisLogRozhrani(TData*, int, std::string_view) {}
void ZapisCB(TData*, std::string_view) {}
bool RunZapnut(const TData* d) { return d && d->Cfg.RunPovolen != 0; }

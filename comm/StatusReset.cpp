#include "comm/StatusReset.h"

#include <mutex>

#include "config/ChannelKind.h"
#include "config/Model.h"

void PripravNulovani(TData& d, uint32_t target) {
    if (!IsModuleChannel(target)) return;
    const TKanal& t = d.Kanaly[target];
    TKanal& k = d.Kanaly[99];
    std::lock_guard<std::mutex> g(d.WindowLock);
    k.Adresa = t.Adresa.load();
    k.Rozhrani = t.Rozhrani.load();
    k.Funkce = FunctionResetStatus;
    k.Periferie = 0;
    k.DataZapis[0] = static_cast<uint8_t>(target & 0xFF);
    k.DataZapis[1] = static_cast<uint8_t>((target >> 8) & 0xFF);
    k.DataZapis[2] = 0;
    k.DataZapis[3] = 0;
}

void PoNulovani(TData& d) {
    const int r = d.Kanaly[99].Rozhrani;
    const uint8_t a = d.Kanaly[99].Adresa;
    // Channel 99 never aimed at an interface: there is no module to clear.
    if (!IsInterface(r)) return;
    std::lock_guard<std::mutex> g(d.WindowLock);
    d.Rozhrani[r].Moduly[a].StatusRegistr = 0;
    for (int c = 100; c <= LastChannel; ++c) {
        TKanal& k = d.Kanaly[c];
        if (k.Rozhrani == r && k.Adresa == a) k.StatusRegistr = 0;
    }
}

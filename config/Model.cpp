#include "config/Model.h"

#include "base/Cp1250.h"
#include "config/ChannelKind.h"

namespace {

void ClearChannel(TKanal& k, int number) {
    k.Pouzit = 0;
    k.Cislo = number;
    k.Kod.clear();
    k.Nazev.clear();
    k.Popis.clear();
    k.Adresa = 0;
    k.Funkce = IsOutputChannel(static_cast<uint32_t>(number)) ? FunctionWrite : FunctionRead;
    k.Periferie = 0;
    k.Subperiferie = 0;
    for (auto& b : k.DataZapis) b = 0;
    for (auto& b : k.DataCteni) b = 0;
    k.CasovaZnacka = 0;
    k.DobaRS16 = 0;
    k.BajtOdpovedi = 0;
    k.StatusRegistr = 0;
    k.Status = StatusChannelUnused;
    k.Rozhrani = 0;
    k.PocetVolani = 0;
    k.CasPozadavku = 0;
    k.CasOdeslani = 0;
    k.DobaRS = 0;
    k.DobaLAN = 0;
    k.DobaCelkem = 0;
    k.LimitPozadavku = 0;
    k.Hotovo = 0;
    k.CekaCallBack = 0;
    k.StatusPosledni = 0;
    k.Dotaz.Set({});
    k.Odpoved.Set({});
    k.StavPozadavku = TRequestState::None;
}

}  // namespace

// The table's bounds are those of the channel map.
static_assert(HasChannelRecord(FirstChannel) && !HasChannelRecord(FirstChannel - 1) && HasChannelRecord(LastChannel) &&
              !HasChannelRecord(LastChannel + 1));

void VycistiKanaly(TPoleKanal& channels) {
    for (int c = FirstChannel; c <= LastChannel; ++c) ClearChannel(channels[c], c);
    channels[99].Nazev = std::string("Nulování Status registru modulu"_cp);
    channels[99].Pouzit = 1;
}

void VycistiRozhrani(TPoleRozhrani& rozhrani) {
    for (auto& r : rozhrani) {
        r.Pouzito = 0;
        r.Demo = 0;
        r.Cislo = 0;
        r.Kod.clear();
        r.Nazev.clear();
        r.Popis.clear();
        r.Typ.clear();
        r.IPAdresa.clear();
        r.UdpPort = 0;
        r.UdpTimeout = 0;
        r.UdpOpakovani = 0;
        r.Baud = 0;
        r.Timeout = 0;
        r.Opakovani = 0;
        r.PocetModulu = 0;
        r.PocetKanalu = 0;
        for (auto& m : r.Moduly) {
            m.Data = 0;
            m.StatusRegistr = 0;
            m.Status = 0;
        }
        for (auto& s : r.StatusKanalu) s = 0;
        r.Status = StatusInterfaceUndefined;
    }
}

void VycistiFrontu(TFronta& f) {
    for (auto& p : f.Polozky) p = 0;
    f.IndexZapisu = 1;
    f.IndexCteni = 1;
    f.PocetPotvrzenych = 0;
    f.PocetNepotvrzenych = 0;
    f.Zaplneni = 0.0;
    f.ZaplneniPredchozi = 0.0;
    f.ZaplneniMax = 0.0;
    f.HodinaMax = 25;
}

void ClearTables(TData& d) {
    VycistiKanaly(d.Kanaly);
    VycistiRozhrani(d.Rozhrani);
    for (auto& f : d.Fronty) VycistiFrontu(f);
}

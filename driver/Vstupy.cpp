// Input requests: InputRequest, InputRequestCompleted, InputFinalized, GetInput.
#include "comm/Buzeni.h"
#include "comm/Fronta.h"
#include "comm/Logy.h"
#include "config/HlavniLog.h"
#include "config/Hodnoty.h"
#include "driver/Spolecne.h"

namespace {

bool JeServisniVstup(uint32_t c) { return (c >= 1 && c <= 5) || (c >= 11 && c <= 26); }
bool JeVstup(uint32_t c) { return c >= 100 && c <= 2999; }
int32_t K(uint32_t c) { return static_cast<int32_t>(c); }

// The R field of the entry traces: the channel's interface for input channels.
int32_t RVstupu(const TData& d, uint32_t c) { return JeVstup(c) ? d.Kanaly[c].Rozhrani.load() : Nic; }

int32_t PotvrzeneVeFronte(const TData& d, int k) {
    return JeRozhrani(k) ? d.Fronty[k].PocetPotvrzenych.load(std::memory_order_acquire) : 0;
}

int32_t OmezKanal(int32_t n) { return n < KanalPrvni ? KanalPrvni : n > KanalPosledni ? KanalPosledni : n; }

// Error summary of an interface: faulty channels, faulty modules, status.
uint32_t SouhrnChyb(const TData& d, int k) {
    const TRozhrani& r = d.Rozhrani[k];
    uint32_t kanaly = 0;
    for (const auto& s : r.StatusKanalu) kanaly += s != 0;
    uint32_t moduly = 0;
    for (const auto& m : r.Moduly) moduly += m.Status != 0;
    const uint32_t status = static_cast<uint32_t>(r.Status.load()) & 0xFF;
    return kanaly * 65536u + (moduly & 0xFF) * 256u + status;
}

uint32_t ServisniHodnota(const TData& d, uint32_t c) {
    const int32_t mon = d.MonitorovanyKanal;
    switch (c) {
        case 1: return d.PosledniChybnyKanal;
        case 2: {
            const uint32_t n = d.PosledniChybnyKanal;
            return JeKanal(n) ? d.Kanaly[n].Adresa.load() : 0;
        }
        case 3: return d.Kanaly[mon].Adresa;
        case 4: return d.Kanaly[mon].Status;
        case 5: return d.Kanaly[mon].StatusRegistr & 0xF7u;
        default: return SouhrnChyb(d, static_cast<int>(c) - 10);
    }
}

void ChybnyTyp(TData& d, uint32_t c) { ZapisDoLogu(&d, d.Cfg, "GetInput - chybný datový typ kanálu "_cp, c); }

void CtiVstupniKanal(TData& d, uint32_t c, THodnota& v) {
    TKanal& k = d.Kanaly[c];
    if (k.StavPozadavku == 4) k.StavPozadavku = 0;
    const int r = k.Rozhrani;
    const uint32_t f = static_cast<uint32_t>(PotvrzeneVeFronte(d, r));
    const int32_t s = k.StavPozadavku;
    const uint32_t p = k.StatusPosledni;
    TRadek t("F=", f, ", H=");
    if (c <= 999) {
        if (v.TypHodnoty != TypReal) return ChybnyTyp(d, c);
        const double x = VstupReal(k);
        v.Hodnota.Real = x;
        t.Pridej(x);
    } else if (c <= 1999) {
        if (v.TypHodnoty != TypInt) return ChybnyTyp(d, c);
        const int32_t x = VstupCele(k);
        v.Hodnota.Cele = x;
        t.Pridej(static_cast<uint32_t>(x));
    } else {
        if (v.TypHodnoty != TypBool) return ChybnyTyp(d, c);
        const uint8_t x = VstupBit(k);
        v.Hodnota.Bajty[0] = x;
        t.Pridej(x);
    }
    t.Pridej(", SP=").Pridej(p);
    ZapisRun(&d, "GI  9", K(c), r, s, t);
}

}  // namespace

extern "C" {

void InputRequest(PData p, uint32_t c) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    ZapisRun(d, "IR  0", K(c), RVstupu(*d, c));
    if (d->Ukoncovani) return ZapisRun(d, "IR  1", K(c));
    if (JeServisniVstup(c)) return ZapisRun(d, "IR  9", K(c));
    if (!JeVstup(c)) return ZapisRun(d, "IR  2", K(c), Nic, Nic, "InputRequest - požadavek na neplatný kanál "_cp);
    TKanal& kanal = d->Kanaly[c];
    const int k = kanal.Rozhrani;
    const int32_t s = kanal.StavPozadavku;
    if (!JeRozhrani(k)) {
        UkonciSChybou(*d, c, 17);
        return ZapisRun(d, "IR  3", K(c), k, Nic, "InputRequest - požadavek na neplatné rozhraní kanálu "_cp);
    }
    if (!kanal.Pouzit) {
        UkonciSChybou(*d, c, 17);
        return ZapisRun(d, "IR  4", K(c), k, Nic, "InputRequest - požadavek na nedefinovaný kanál "_cp);
    }
    if (!d->Rozhrani[k].Pouzito) {
        UkonciSChybou(*d, c, 18);
        return ZapisRun(d, "IR  5", K(c), k, Nic, "InputRequest - požadavek na nedefinované rozhraní kanálu "_cp);
    }
    ZaradPozadavek(*d, static_cast<int>(c), 0);
    if (kanal.StavPozadavku == 0) kanal.StavPozadavku = 1;
    const TFronta& f = d->Fronty[k];
    const uint32_t vefronte = static_cast<uint32_t>(f.PocetPotvrzenych.load() + f.PocetNepotvrzenych.load());
    ZapisRun(d, "IR  9", K(c), k, s, TRadek("F=", vefronte));
} catch (...) {
}

void InputRequestCompleted(PData p) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    ZapisRun(d, "IRC 0", 9999, 99);
    if (d->Ukoncovani) return ZapisRun(d, "IRC 8");
    PotvrdFronty(*d);
    ZapisRun(d, "IRC 9", 9999, 99);
} catch (...) {
}

TBoolean InputFinalized(PData p, uint32_t c, int32_t* status) noexcept try {
    TData* d = Instance(p);
    int32_t st = 3;
    TBoolean hotovo = 1;
    if (d != nullptr && d->Ukoncovani) {
        ZapisRun(d, "IF  1");
    } else if (d != nullptr) {
        ZapisRun(d, "IF  0", K(c), RVstupu(*d, c));
        if (JeServisniVstup(c)) {
            st = 0;
            ZapisRun(d, "IF  9", K(c), Nic, Nic, "H=TRUE");
        } else if (!JeVstup(c)) {
            ZapisRun(d, "IF  2", Nic, Nic, Nic, "InputFinalized - požadavek na neplatný kanál "_cp);
        } else if (!d->Kanaly[c].Pouzit) {
            ZapisRun(d, "IF  3", K(c), d->Kanaly[c].Rozhrani, Nic,
                     "InputFinalized - požadavek na nedefinovaný kanál "_cp);
        } else {
            TKanal& kanal = d->Kanaly[c];
            const int k = kanal.Rozhrani;
            const uint32_t f = static_cast<uint32_t>(PotvrzeneVeFronte(*d, k));
            const int32_t s = kanal.StavPozadavku;
            const uint32_t t = Ted(d) - kanal.CasPozadavku;
            st = 0;
            if (kanal.Hotovo) {
                kanal.CekaCallBack = 0;
                kanal.StavPozadavku = 4;
                ZapisRun(d, "IF  9", K(c), k, s, TRadek("F=", f, ", T=", t, ", H=TRUE"));
            } else {
                kanal.CekaCallBack = 1;
                VzbudCallBack(*d, static_cast<int>(c));
                hotovo = 0;
                ZapisRun(d, "IF  9", K(c), k, s, TRadek("F=", f, ", T=", t, ", H=FALSE"));
            }
        }
    }
    if (status != nullptr) *status = st;
    return hotovo;
} catch (...) {
    return FinalizedAfterException(status);
}

void GetInput(PData p, uint32_t c, THodnota* v) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) return ZapisRun(d, "GI  1");
    ZapisRun(d, "GI  0", K(c), RVstupu(*d, c));
    if (c != 1 && c != 2) d->MonitorovanyKanal = OmezKanal(d->MonitorovanyKanal);
    if (v == nullptr) return;  // nothing to compare or fill
    if (JeServisniVstup(c)) {
        if (v->TypHodnoty != TypInt) return ChybnyTyp(*d, c);
        const uint32_t h = ServisniHodnota(*d, c);
        v->Hodnota.Cele = static_cast<int32_t>(h);
        return ZapisRun(d, "GI  9", K(c), Nic, Nic, TRadek("H=", h));
    }
    if (!JeVstup(c)) {
        ZapisDoLogu(d, d->Cfg, "GetInput - požadavek na neplatný kanál "_cp, c);
        return;
    }
    CtiVstupniKanal(*d, c, *v);
} catch (...) {
}

}  // extern "C"

// Output requests: OutputRequest, OutputRequestCompleted, OutputFinalized.
#include <cmath>
#include <mutex>

#include "comm/Buzeni.h"
#include "comm/Fronta.h"
#include "comm/Logy.h"
#include "comm/Nulovani.h"
#include "config/HlavniLog.h"
#include "config/Hodnoty.h"
#include "driver/Spolecne.h"

namespace {

bool JeVystup(uint32_t c) { return c >= 3000 && c <= 6099; }
int32_t K(uint32_t c) { return static_cast<int32_t>(c); }
int32_t RVystupu(const TData& d, uint32_t c) { return JeVystup(c) ? d.Kanaly[c].Rozhrani.load() : Nic; }
uint32_t Bez(int32_t x) { return static_cast<uint32_t>(x); }

void Odmitni(TData& d, std::string_view zprava, uint32_t c) { ZapisDoLogu(&d, d.Cfg, zprava, c); }
void ChybnyTyp(TData& d, uint32_t c) { Odmitni(d, "OutputRequest - chybný datový typ kanálu "_cp, c); }

// A request refused before it was queued ends at once with code e. Its
// refusal counts as its start, so that OutputFinalized measures its time
// limit from now and not from some earlier write of the channel.
void FinishRefused(TData& d, uint32_t c, uint8_t e) {
    {
        std::lock_guard<std::mutex> g(d.ZamekOkna);
        TKanal& k = d.Kanaly[c];
        k.CasPozadavku = Ted(&d);
        k.CasOdeslani = k.CasPozadavku.load();
    }
    UkonciSChybou(d, c, e);
}

void ZapisBajty(TKanal& k, uint32_t slovo) {
    for (int i = 0; i < 4; ++i) k.DataZapis[i] = static_cast<uint8_t>(slovo >> (8 * i));
}

void MonitorovanyKanal(TData& d, const THodnota& v) {
    if (v.TypHodnoty != TypInt) return ChybnyTyp(d, 6);
    uint32_t n = Bez(v.Hodnota.Cele);
    n = n < KanalPrvni ? KanalPrvni : n > KanalPosledni ? KanalPosledni : n;
    d.MonitorovanyKanal = static_cast<int32_t>(n);
    ZapisRun(&d, "OR  9", 6, Nic, Nic, TRadek("H=", n));
}

void VymazChybyRozhrani(TData& d, uint32_t c, const THodnota& v) {
    if (v.TypHodnoty != TypInt) return ChybnyTyp(d, c);
    TRozhrani& r = d.Rozhrani[static_cast<int>(c) - 50];
    {
        std::lock_guard<std::mutex> g(d.ZamekOkna);
        for (auto& m : r.Moduly) m.Status = 0;
        for (auto& s : r.StatusKanalu) s = 0;
        r.Status = 0;
    }
    ZapisRun(&d, "OR  9", K(c), Nic, Nic, TRadek("H=", Bez(v.Hodnota.Cele)));
}

void NulovaniStatusRegistru(TData& d, const THodnota& v) {
    if (v.TypHodnoty != TypInt) return ChybnyTyp(d, 99);
    const uint32_t n = Bez(v.Hodnota.Cele);
    if (n < 100 || n > 6099 || !d.Kanaly[n].Pouzit) {
        FinishRefused(d, 99, 17);
        return Odmitni(d, "OutputRequest - požadavek na nedefinovaný kanál "_cp, 99);
    }
    PripravNulovani(d, n);
    ZaradPozadavek(d, 99, 101);
    TKanal& k = d.Kanaly[99];
    if (k.StavPozadavku == 0) k.StavPozadavku = 1;
    ZapisRun(&d, "OR  9", 99, k.Rozhrani, k.StavPozadavku, TRadek("H=", n));
}

// Encodes the host's value into the channel's output bytes and appends its
// text form to the trace. False when the request ended here.
bool ZakodujHodnotu(TData& d, uint32_t c, const THodnota& v, TRadek& h) {
    TKanal& k = d.Kanaly[c];
    if (c <= 3999) {
        if (v.TypHodnoty != TypReal) return ChybnyTyp(d, c), false;
        const double x = v.Hodnota.Real;
        if (std::isinf(x)) {
            FinishRefused(d, c, 22);
            return Odmitni(d, "OutputRequest - předána neplatná REAL hodnota kanálu "_cp, c), false;
        }
        const auto b = RealNaBajty(x);
        std::lock_guard<std::mutex> g(d.ZamekOkna);
        for (int i = 0; i < 4; ++i) k.DataZapis[i] = b[i];
        h.Pridej(x);
    } else if (c <= 4999) {
        if (v.TypHodnoty != TypInt) return ChybnyTyp(d, c), false;
        std::lock_guard<std::mutex> g(d.ZamekOkna);
        ZapisBajty(k, Bez(v.Hodnota.Cele));
        h.Pridej(Bez(v.Hodnota.Cele));
    } else if (c <= 5999) {
        if (v.TypHodnoty != TypBool) return ChybnyTyp(d, c), false;
        const bool zap = v.Hodnota.Bajty[0] != 0;
        const uint32_t bit = k.Subperiferie;
        std::lock_guard<std::mutex> g(d.ZamekOkna);
        TModul& m = d.Rozhrani[k.Rozhrani].Moduly[k.Adresa];
        uint32_t w = m.Data;
        if (bit <= 31) w = zap ? (w | (1u << bit)) : (w & ~(1u << bit));
        m.Data = w;
        ZapisBajty(k, w);
        h.Pridej(zap ? "1" : "0");
    } else {
        if (v.TypHodnoty != TypString) return ChybnyTyp(d, c), false;
        const char* text = v.Hodnota.Text;
        if (text == nullptr) {
            FinishRefused(d, c, 23);
            return Odmitni(d, "OutputRequest - předána neplatná STRING hodnota kanálu "_cp, c), false;
        }
        const std::string_view t(text, DelkaTextu(text, 256));
        const auto tisknutelny = [](uint8_t z) { return z >= 32 && z <= 127 ? z : uint8_t{32}; };
        std::lock_guard<std::mutex> g(d.ZamekOkna);
        for (std::size_t i = 0; i < 4; ++i) {
            const uint8_t z = i < t.size() ? static_cast<uint8_t>(t[i]) : k.DataZapis[i].load();
            k.DataZapis[i] = tisknutelny(z);
        }
        h.Pridej('"').Pridej(t).Pridej('"');
    }
    return true;
}

void VystupniKanal(TData& d, uint32_t c, const THodnota& v) {
    TKanal& k = d.Kanaly[c];
    const int r = k.Rozhrani;
    if (!JeRozhrani(r)) {
        FinishRefused(d, c, 17);
        return Odmitni(d, "OutputRequest - požadavek na neplatné rozhraní kanálu "_cp, c);
    }
    if (!k.Pouzit) {
        FinishRefused(d, c, 17);
        return Odmitni(d, "OutputRequest - požadavek na nedefinovaný kanál "_cp, c);
    }
    if (!d.Rozhrani[r].Pouzito) {
        FinishRefused(d, c, 18);
        return Odmitni(d, "OutputRequest - požadavek na nedefinované rozhraní kanálu "_cp, c);
    }
    TRadek h;
    if (!ZakodujHodnotu(d, c, v, h)) return;
    ZaradPozadavek(d, static_cast<int>(c), 1);
    if (k.StavPozadavku == 0) k.StavPozadavku = 1;
    const uint32_t f = Bez(d.Fronty[r].PocetPotvrzenych.load(std::memory_order_acquire));
    ZapisRun(&d, "OR  9", K(c), r, k.StavPozadavku, TRadek("F=", f, ", H=", h.sv()));
}

// Time allowance of a write as OutputFinalized enforces it.
int32_t LimitVystupu(const TData& d, const TKanal& k, int r) {
    const int32_t opakovani = JeRozhrani(r) ? d.Rozhrani[r].UdpOpakovani.load() : 0;
    const int32_t nasobek = JeRozhrani(r) ? (opakovani + 1 < 16 ? opakovani + 1 : 16) : 1;
    const int64_t l = static_cast<int64_t>(k.LimitPozadavku.load()) * nasobek + 1200;
    return l > 65000 ? 65000 : static_cast<int32_t>(l);
}

}  // namespace

extern "C" {

void OutputRequest(PData p, uint32_t c, THodnota v) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) return ZapisRun(d, "OR  1");
    ZapisRun(d, "OR  0", K(c), RVystupu(*d, c));
    if (c == 6) return MonitorovanyKanal(*d, v);
    if (c >= 51 && c <= 66) return VymazChybyRozhrani(*d, c, v);
    if (c == 99) return NulovaniStatusRegistru(*d, v);
    if (!JeVystup(c)) return Odmitni(*d, "OutputRequest - požadavek na neplatný kanál "_cp, c);
    VystupniKanal(*d, c, v);
} catch (...) {
}

void OutputRequestCompleted(PData p) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) return ZapisRun(d, "ORC 1");
    ZapisRun(d, "ORC 0", 9999, 99);
    PotvrdFronty(*d);
    ZapisRun(d, "ORC 9", 9999, 99);
} catch (...) {
}

TBoolean OutputFinalized(PData p, uint32_t c, int32_t* status) noexcept try {
    TData* d = Instance(p);
    int32_t st = 3;
    TBoolean hotovo = 1;
    if (d != nullptr && d->Ukoncovani) {
        ZapisRun(d, "OF  1");
    } else if (d != nullptr) {
        ZapisRun(d, "OF  0", K(c), RVystupu(*d, c));
        if (c == 6 || (c >= 51 && c <= 82)) {
            st = 0;
            ZapisRun(d, "OF  9", K(c), Nic, Nic, "H=TRUE");
        } else if (c != 99 && !JeVystup(c)) {
            const std::string_view m = "OutputFinalized - požadavek na neplatný kanál "_cp;
            Odmitni(*d, m, c);
            ZapisRun(d, "OF  2", K(c), Nic, Nic, m);
        } else if (!d->Kanaly[c].Pouzit) {
            const std::string_view m = "OutputFinalized - požadavek na nedefinovaný kanál "_cp;
            Odmitni(*d, m, c);
            ZapisRun(d, "OF  3", K(c), Nic, Nic, m);
        } else {
            TKanal& k = d->Kanaly[c];
            const int r = k.Rozhrani;
            const uint32_t f = JeRozhrani(r) ? Bez(d->Fronty[r].PocetPotvrzenych.load(std::memory_order_acquire)) : 0;
            const int32_t s = k.StavPozadavku;
            const uint32_t sp = k.StatusPosledni;
            const bool h = k.Hotovo;
            const int32_t t = static_cast<int32_t>(Ted(d) - k.CasPozadavku);
            const int32_t l = LimitVystupu(*d, k, r);
            if (t > l || t < 0) {
                ZapisRun(d, "OF  4", K(c), r, Nic, TRadek("timeout=", t, "/", l));
                UkonciSChybou(*d, c, 26);
            }
            st = 0;
            if (h) {
                if (c == 99 && JeRozhrani(r)) PoNulovani(*d);
                ZapisRun(d, "OF  9", K(c), r, s, TRadek("F=", f, ", H=TRUE, SP=", sp));
            } else {
                k.CekaCallBack = 1;
                VzbudCallBack(*d, static_cast<int>(c));
                hotovo = 0;
                ZapisRun(d, "OF  9", K(c), r, s, TRadek("F=", f, ", H=FALSE"));
            }
        }
    }
    if (status != nullptr) *status = st;
    return hotovo;
} catch (...) {
    return FinalizedAfterException(status);
}

}  // extern "C"

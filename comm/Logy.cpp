#include "comm/Logy.h"

#include <mutex>

#include "config/HlavniLog.h"
#include "config/Model.h"
#include "base/Radek.h"
#include "platform/Files.h"

namespace {

// A RUN or Err file is full when size / 128 exceeds 20000.
constexpr int64_t PlnaVelikost = int64_t{128} * 20001;

using THlava = TText<256>;

void ZapisDoSouboru(const TPath& cesta, std::string_view a, std::string_view b, std::string_view c) {
    TFile f = TFile::Append(cesta.sv().data());
    f.Write({a, b, c});
}

// Next number of a rotation over 1..pocet.
int32_t DalsiCislo(int32_t cislo, int32_t pocet) { return cislo >= pocet ? 1 : cislo + 1; }

template <std::size_t N>
void PridejDvojcisli(TText<N>& t, int v) {
    t.Pridej(static_cast<char>('0' + v / 10 % 10)).Pridej(static_cast<char>('0' + v % 10));
}

// ---- RUN log ----

bool CestaRun(TPath& c, const TCFG& cfg, int32_t cislo) {
    c.Vymaz();
    c.Pridej(cfg.LogAdresar).Pridej("Rv_zr6180Run");
    if (cislo < 100) c.Pridej('0');
    if (cislo < 10) c.Pridej('0');
    c.Pridej(cislo).Pridej(".log");
    return FinishPath(c);
}

// "dd.mm.yy hh:nn:ss" of the current second, kept for the lines that follow
// within the same second. Runs under ZamekLogu.
std::string_view TextSekundy(const TLokalizace& lok, int64_t sekunda) {
    TPametSekundy& p = lok.PametRun;
    const char oddelovac = lok.OddelovacCasu;
    if (p.Sekunda == sekunda && p.Oddelovac == oddelovac) return {p.Text, p.Delka};
    const TCasLokalni c = RozlozCas(sekunda * 1000);
    TText<sizeof p.Text> t;
    PridejDvojcisli(t, c.Den);
    t.Pridej('.');
    PridejDvojcisli(t, c.Mesic);
    t.Pridej('.');
    PridejDvojcisli(t, c.Rok % 100);
    t.Pridej(' ');
    PridejDvojcisli(t, c.Hodina);
    t.Pridej(oddelovac);
    PridejDvojcisli(t, c.Minuta);
    t.Pridej(oddelovac);
    PridejDvojcisli(t, c.Sekunda);
    for (std::size_t i = 0; i < t.size(); ++i) p.Text[i] = t.sv()[i];
    p.Delka = static_cast<uint8_t>(t.size());
    p.Sekunda = sekunda;
    p.Oddelovac = oddelovac;
    return {p.Text, p.Delka};
}

void PridejRazitkoRun(TRadek& r, const TData& d) {
    const int64_t ms = Hodiny(&d).RealMs();
    int64_t s = ms / 1000;
    int64_t z = ms % 1000;
    if (z < 0) {
        z += 1000;
        --s;
    }
    r.Pridej(TextSekundy(d.Lokalizace, s)).Pridej('.');
    r.Pridej(static_cast<char>('0' + z / 100));
    PridejDvojcisli(r, static_cast<int>(z % 100));
}

// A field given as the text of (value + ",     ") cut to `sirka` characters.
void PridejPole(TRadek& r, std::string_view jmeno, int32_t hodnota, std::size_t sirka) {
    TText<24> t;
    t.Pridej(hodnota).Pridej(",     ");
    t.Zkrat(sirka);
    r.Pridej(jmeno).Pridej(t.sv());
}

std::string_view BezKoncovychMezer(std::string_view t) {
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

// Appends one line to file `cislo` of a rotation over 1..pocet that `cesta`
// names; a full file hands the line to the next number, emptied first.
// `posunuto` hears of a new number before its file is opened.
template <class Cesta, class Posunuto>
void ZapisRotovane(Atom<int32_t>& cislo, int32_t pocet, Cesta cesta, Posunuto posunuto, std::string_view a,
                   std::string_view b, std::string_view c) {
    TPath p;
    if (!cesta(p, cislo)) return;
    TFile f = TFile::Append(p.sv().data());
    if (!f.IsOpen()) return;
    if (f.Size() >= PlnaVelikost) {
        f.Close();
        cislo = DalsiCislo(cislo, pocet);
        posunuto();
        if (!cesta(p, cislo)) return;
        f = TFile::Empty(p.sv().data());
    }
    f.Write({a, b, c});
}

// File choice and rotation of one RUN line; runs under ZamekLogu.
void ZapisRadekRun(TCFG& cfg, std::string_view hlava, std::string_view detail) {
    if (cfg.RunCislo < 1 || cfg.RunCislo > cfg.RunPocet) {
        cfg.RunCislo = 1;
        ZapisRunInfo(cfg);
    }
    const auto cesta = [&](TPath& p, int32_t n) { return CestaRun(p, cfg, n); };
    ZapisRotovane(cfg.RunCislo, cfg.RunPocet, cesta, [&] { ZapisRunInfo(cfg); }, hlava, detail, "\r\n");
}

// ---- Err, interface and call-back logs ----

// "[" date " " time " " tick "] "
void PridejRazitko(THlava& h, const TData& d, const TCasLokalni& c) {
    char t[160];
    const std::size_t n = FormatDateTime(d.Lokalizace, c, t, sizeof t);
    h.Pridej('[').Pridej(std::string_view(t, n)).Pridej(' ').Pridej(Ted(&d)).Pridej("] ");
}

bool CestaErr(TPath& c, const TCFG& cfg, int32_t cislo) {
    c.Vymaz();
    c.Pridej(cfg.LogAdresar).Pridej("Rv_zr6180Err").Pridej(cislo).Pridej(".log");
    return FinishPath(c);
}

// File choice and rotation of one Err line; runs under ZamekErr.
void ZapisRadekErr(TCFG& cfg, std::string_view hlava, std::string_view text, std::string_view konec) {
    if (cfg.ErrCislo < 1 || cfg.ErrCislo > cfg.RunPocet) cfg.ErrCislo = 1;
    const auto cesta = [&](TPath& p, int32_t n) { return CestaErr(p, cfg, n); };
    ZapisRotovane(cfg.ErrCislo, cfg.RunPocet, cesta, [] {}, hlava, text, konec);
}

bool CestaRozhrani(TPath& c, const TCFG& cfg, int rozhrani, const TCasLokalni& cas) {
    c.Pridej(cfg.LogAdresar).Pridej("Rv_zr6180_R").Pridej(static_cast<int32_t>(rozhrani)).Pridej('_');
    PridejDvojcisli(c, cas.Rok / 100);
    PridejDvojcisli(c, cas.Rok % 100);
    c.Pridej('_');
    PridejDvojcisli(c, cas.Mesic);
    c.Pridej('_');
    PridejDvojcisli(c, cas.Den);
    c.Pridej(".log");
    return FinishPath(c);
}

}  // namespace

void ZapisRun(TData* d, std::string_view znacka, int32_t K, int32_t R, int32_t S, std::string_view text) {
    if (d == nullptr) return;
    // Off: only the numbering goes on, without the lock or any formatting.
    if (d->Cfg.RunPovolen == 0) {
        d->PocitadloRadku.fetch_add(1);
        return;
    }
    std::lock_guard<std::mutex> zamek(d->ZamekLogu);
    const auto n = static_cast<uint32_t>(d->PocitadloRadku.fetch_add(1));
    TRadek r;
    r.Hex(n, 8).Pridej(" [");
    PridejRazitkoRun(r, *d);
    r.Pridej("] ").Pridej(znacka).Pridej(", ");
    if (K != Nic) PridejPole(r, "K=", K, 6);
    if (R != Nic) PridejPole(r, "R=", R, 4);
    if (S != Nic) r.Pridej("S=").Pridej(S).Pridej(", ");
    const std::string_view detail = BezKoncovychMezer(text);
    if (detail.empty()) r.OrizniMezery();
    ZapisRadekRun(d->Cfg, r.sv(), detail);
}

void ZapisErr(TData* d, std::string_view text, int32_t cislo) {
    if (d == nullptr || d->Cfg.RunPovolen == 0) return;
    std::lock_guard<std::mutex> zamek(d->ZamekErr);
    THlava hlava;
    PridejRazitko(hlava, *d, RozlozCas(Hodiny(d).RealMs()));
    TText<16> konec;
    if (cislo != Nic) konec.Pridej(cislo);
    konec.Pridej("\r\n");
    ZapisRadekErr(d->Cfg, hlava.sv(), text, konec.sv());
}

void ZapisLogRozhrani(TData* d, int rozhrani, std::string_view text) {
    if (d == nullptr || d->Cfg.LogRozhraniPovolen == 0) return;
    // One reading of the clock names the file and stamps the line.
    const TCasLokalni cas = RozlozCas(Hodiny(d).RealMs());
    TPath cesta;
    if (!CestaRozhrani(cesta, d->Cfg, rozhrani, cas)) return;
    THlava hlava;
    PridejRazitko(hlava, *d, cas);
    ZapisDoSouboru(cesta, hlava.sv(), text, "\r\n");
}

void ZapisCB(TData* d, std::string_view text) {
    if (d == nullptr) return;
    TPath cesta;
    cesta.Pridej(d->Cfg.LogAdresar).Pridej("Rv_zr6180_CB.log");
    if (!FinishPath(cesta)) return;
    THlava hlava;
    PridejRazitko(hlava, *d, RozlozCas(Hodiny(d).RealMs()));
    ZapisDoSouboru(cesta, hlava.sv(), text, "\r\n");
}


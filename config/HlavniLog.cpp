#include "config/HlavniLog.h"

#include <charconv>

#include "base/Radek.h"
#include "platform/Files.h"

namespace {

// Directory + file name with its terminating zero; false when too long.
bool SestavCestu(TPath& c, std::string_view adresar, std::string_view jmeno) {
    c.Pridej(adresar).Pridej(jmeno);
    return FinishPath(c);
}

const TLokalizace& VychoziLokalizace() {
    static const TLokalizace l;
    return l;
}

// Result 0 with an open file, 1 when the existing file cannot be opened, 2
// when the missing file cannot be created.
uint8_t OtevriHlavniLog(const char* cesta, TFile& f) {
    bool chybi = false;
    f = TFile::AppendExisting(cesta, chybi);
    if (f.IsOpen()) return 0;
    if (!chybi) return 1;
    f = TFile::Append(cesta);
    return f.IsOpen() ? 0 : 2;
}

uint8_t Zapis(const TData* d, const TCFG& cfg, std::string_view zprava, const uint32_t* cislo) {
    if (cfg.LogPovolen == 0) return 0;
    TPath cesta;
    if (!SestavCestu(cesta, cfg.LogAdresar, cfg.LogNazev)) return 2;
    TFile f;
    const uint8_t otevreni = OtevriHlavniLog(cesta.sv().data(), f);
    if (otevreni != 0) return otevreni;

    const TLokalizace& lok = d ? d->Lokalizace : VychoziLokalizace();
    char datum[160];
    const std::size_t n = FormatDateTime(lok, RozlozCas(Hodiny(d).RealMs()), datum, sizeof datum);
    TText<192> hlava;
    hlava.Pridej('[').Pridej(std::string_view(datum, n)).Pridej("] ");
    TText<16> konec;
    if (cislo) konec.Pridej(*cislo);
    konec.Pridej("\r\n");

    const bool zapsano = f.Write({hlava.sv(), zprava, konec.sv()});
    const bool zavreno = f.Close();
    return zapsano && zavreno ? 0 : 3;
}

// The first line as a decimal integer, blanks around it allowed.
bool PrevedRadek(std::string_view t, int32_t& hodnota) {
    const std::size_t konec = t.find_first_of("\r\n");
    if (konec != std::string_view::npos) t = t.substr(0, konec);
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), hodnota);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool CtiPrvniRadek(const char* cesta, int32_t& hodnota) {
    TFile f = TFile::Read(cesta);  // a named pipe reads as empty
    char b[256];
    const long n = f.ReadSome(b, sizeof b);
    return n > 0 && PrevedRadek(std::string_view(b, static_cast<std::size_t>(n)), hodnota);
}

}  // namespace

uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view zprava) {
    return Zapis(d, cfg, zprava, nullptr);
}

uint8_t ZapisDoLogu(const TData* d, const TCFG& cfg, std::string_view zprava, uint32_t cislo) {
    return Zapis(d, cfg, zprava, &cislo);
}

void CtiRunInfo(TCFG& cfg) {
    TPath cesta;
    int32_t cislo = 0;
    if (SestavCestu(cesta, cfg.LogAdresar, RunInfoSoubor) && CtiPrvniRadek(cesta.sv().data(), cislo)) {
        cfg.RunCislo = cislo;
        return;
    }
    cfg.RunCislo = 1;
    ZapisRunInfo(cfg);
}

void ZapisRunInfo(const TCFG& cfg) {
    TPath cesta;
    if (!SestavCestu(cesta, cfg.LogAdresar, RunInfoSoubor)) return;
    TFile f = TFile::Empty(cesta.sv().data());
    TText<16> obsah;
    obsah.Pridej(static_cast<int32_t>(cfg.RunCislo)).Pridej("\r\n");
    f.Write({obsah.sv()});
}

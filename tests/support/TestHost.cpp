#include "support/TestHost.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "base/Cp1250.h"

namespace {

using namespace std::chrono_literals;

// Which fixture an instance belongs to: the call-back knows only PData.
std::mutex zamekRegistru;
std::map<PData, TTestHost*> registr;

// The text after the first "] ", or the whole line.
std::string ZaZavorkou(const std::string& r) {
    const auto i = r.find("] ");
    return i == std::string::npos ? r : r.substr(i + 2);
}

}  // namespace

THodnota HodnotaCele(int32_t v) {
    THodnota h{};
    h.TypHodnoty = TypInt;
    h.Hodnota.Cele = v;
    return h;
}

THodnota HodnotaReal(double v) {
    THodnota h{};
    h.TypHodnoty = TypReal;
    h.Hodnota.Real = v;
    return h;
}

THodnota HodnotaBit(bool v) {
    THodnota h{};
    h.TypHodnoty = TypBool;
    h.Hodnota.Bajty[0] = v ? 1 : 0;
    return h;
}

THodnota HodnotaText(const char* t) {
    THodnota h{};
    h.TypHodnoty = TypString;
    h.Hodnota.Text = t;
    return h;
}

// ---- the instance ----

TTestHost::TTestHost() { setenv("RV_ZR6180_WINDOW", "none", 1); }

TTestHost::~TTestHost() {
    if (d != nullptr) {
        Done();
        Uvolni();
    }
}

std::string TTestHost::ZapisParametry(const TParamFile& p, const std::string& jmeno) {
    return ZapisParametry(p.Text(dir.Path()), jmeno);
}

std::string TTestHost::ZapisParametry(const std::string& text, const std::string& jmeno) {
    const std::string cesta = dir / jmeno;
    WriteFile(cesta, text);
    return cesta;
}

bool TTestHost::Spust(const TParamFile& p, std::string* chyba) {
    if (!p.LogName.empty()) HlavniLogNazev = p.LogName;
    return Init(ZapisParametry(p), chyba);
}

bool TTestHost::Init(const std::string& soubor, std::string* chyba) {
    if (d == nullptr) d = lib.MakeDriver();
    if (d == nullptr) return false;
    {
        std::lock_guard g(zamekRegistru);
        registr[d] = this;  // also an instance the test made itself
    }
    char buf[1024] = {};
    const bool ok = lib.Init(d, 0, soubor.c_str(), sizeof buf - 1, buf, Uroven, 0, Kontext, &ZaznamenejVolani) != 0;
    if (chyba != nullptr) *chyba = buf;
    return ok;
}

void TTestHost::Done() {
    if (d != nullptr) lib.Done(d);
}

void TTestHost::Uvolni() {
    if (d == nullptr) return;
    lib.DisposeDriver(d);
    std::lock_guard g(zamekRegistru);
    registr.erase(d);
    d = nullptr;
}

int32_t TTestHost::ZaznamenejVolani(int32_t kontext, int32_t smer, PData data) {
    TTestHost* o = nullptr;
    {
        std::lock_guard g(zamekRegistru);
        const auto i = registr.find(data);
        if (i == registr.end()) return 0;
        o = i->second;  // lives until DisposeDriver has joined this thread
    }
    {
        std::lock_guard z(o->zamek_);
        o->volani_.push_back({kontext, smer, data, std::this_thread::get_id()});
    }
    o->prislo_.notify_all();
    if (const int32_t ms = o->ZdrzeniCallBackMs.load(); ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return o->NavratCallBack.load();
}

std::vector<TVolani> TTestHost::Volani() const {
    std::lock_guard g(zamek_);
    return volani_;
}

std::size_t TTestHost::PocetVolani() const {
    std::lock_guard g(zamek_);
    return volani_.size();
}

bool TTestHost::CekejNaVolani(std::size_t n, int ms) const {
    std::unique_lock g(zamek_);
    return prislo_.wait_for(g, std::chrono::milliseconds(ms), [&] { return volani_.size() >= n; });
}

// ---- request cycles ----

TDokonceni TTestHost::Dokonci(uint32_t c, bool vystup) {
    TDokonceni v;
    const std::size_t pred = PocetVolani();
    int32_t st = -1;
    v.Prvni = (vystup ? lib.OutputFinalized(d, c, &st) : lib.InputFinalized(d, c, &st)) != 0;
    v.Hotovo = v.Prvni;
    v.Status = st;
    if (v.Prvni) return v;
    v.CallBack = CekejNaVolani(pred + 1, 5000);
    if (!v.CallBack) ADD_FAILURE() << "channel " << c << ": Finalized said false and no call-back came";
    st = -1;
    v.Hotovo = (vystup ? lib.OutputFinalized(d, c, &st) : lib.InputFinalized(d, c, &st)) != 0;
    v.Status = st;
    return v;
}

TDokonceni TTestHost::DokonciVstup(uint32_t c) { return Dokonci(c, false); }
TDokonceni TTestHost::DokonciVystup(uint32_t c) { return Dokonci(c, true); }

TDokonceni TTestHost::Vstup(uint32_t c) {
    lib.InputRequest(d, c);
    lib.InputRequestCompleted(d);
    return Dokonci(c, false);
}

TDokonceni TTestHost::Vystup(uint32_t c, const THodnota& v) {
    lib.OutputRequest(d, c, v);
    lib.OutputRequestCompleted(d);
    return Dokonci(c, true);
}

int32_t TTestHost::CtiCele(uint32_t c) {
    THodnota h = HodnotaCele(-0x2A2A2A2A);
    lib.GetInput(d, c, &h);
    return h.Hodnota.Cele;
}

double TTestHost::CtiReal(uint32_t c) {
    THodnota h = HodnotaReal(-999999.0);
    lib.GetInput(d, c, &h);
    return h.Hodnota.Real;
}

int TTestHost::CtiBit(uint32_t c) {
    THodnota h = HodnotaBit(false);
    h.Hodnota.Bajty[0] = 0x77;  // neither answer
    lib.GetInput(d, c, &h);
    return h.Hodnota.Bajty[0];
}

int32_t TTestHost::StatusVstupu(uint32_t c, bool* vysledek) {
    int32_t st = -1;
    const bool r = lib.InputFinalized(d, c, &st) != 0;
    if (vysledek) *vysledek = r;
    return st;
}

int32_t TTestHost::StatusVystupu(uint32_t c, bool* vysledek) {
    int32_t st = -1;
    const bool r = lib.OutputFinalized(d, c, &st) != 0;
    if (vysledek) *vysledek = r;
    return st;
}

// ---- logs ----

std::string TTestHost::Soubor(const std::string& jmeno) const { return ReadFile(dir / jmeno); }

std::vector<TRadekRun> TTestHost::Run() const {
    std::vector<TRadekRun> v;
    for (const std::string& r : Lines(Soubor("Rv_zr6180Run001.log"))) {
        TRadekRun x;
        x.Cislo = static_cast<uint32_t>(std::strtoul(r.substr(0, 8).c_str(), nullptr, 16));
        // "XXXXXXXX [dd.mm.yy hh:nn:ss.zzz] label, rest"
        const auto i = r.find("] ");
        if (i == std::string::npos) continue;
        const std::string t = r.substr(i + 2);
        const auto j = t.find(", ");
        if (j == std::string::npos) {
            x.Znacka = t.size() > 0 && t.back() == ',' ? t.substr(0, t.size() - 1) : t;
        } else {
            x.Znacka = t.substr(0, j);
            x.Zbytek = t.substr(j + 2);
        }
        v.push_back(x);
    }
    return v;
}

std::vector<std::string> TTestHost::Run(std::string_view znacka) const {
    std::vector<std::string> v;
    for (const TRadekRun& r : Run())
        if (r.Znacka == znacka) v.push_back(r.Zbytek);
    return v;
}

bool TTestHost::CekejNaRun(std::string_view znacka, std::size_t n, int ms) const {
    const auto konec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (Run(znacka).size() < n) {
        if (std::chrono::steady_clock::now() > konec) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::vector<std::string> TTestHost::Hlavni() const {
    std::vector<std::string> v;
    for (const std::string& r : Lines(Soubor(HlavniLogNazev))) v.push_back(ZaZavorkou(r));
    return v;
}

std::string TTestHost::LogRozhrani(int k) const { return ReadInterfaceLogs(dir.Path(), k); }

std::vector<std::string> TTestHost::RadkyCB() const {
    std::vector<std::string> v;
    for (const std::string& r : Lines(Soubor("Rv_zr6180_CB.log"))) v.push_back(ZaZavorkou(r));
    return v;
}

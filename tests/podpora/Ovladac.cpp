#include "podpora/Ovladac.h"

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "base/Cp1250.h"

namespace {

using namespace std::chrono_literals;

// Which fixture an instance belongs to: the call-back knows only PData.
std::mutex zamekRegistru;
std::map<PData, TOvladac*> registr;

int PolozkyAdresare(const char* cesta) {
    DIR* a = opendir(cesta);
    if (a == nullptr) return -1;
    int n = 0;
    while (const dirent* e = readdir(a))
        if (e->d_name[0] != '.') ++n;
    closedir(a);
    return n - 1;  // the descriptor of the listing itself
}

std::string Cislo(long long v) { return std::to_string(v); }

// The text after the first "] ", or the whole line.
std::string ZaZavorkou(const std::string& r) {
    const auto i = r.find("] ");
    return i == std::string::npos ? r : r.substr(i + 2);
}

}  // namespace

int PocetVlaken() { return PolozkyAdresare("/proc/self/task") + 1; }
int PocetDeskriptoru() { return PolozkyAdresare("/proc/self/fd"); }

int CekejNaPocetVlaken(int n, int ms) {
    // A joined thread leaves the task list a moment after the join returns.
    const auto konec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    int p = PocetVlaken();
    while (p > n && std::chrono::steady_clock::now() < konec) {
        std::this_thread::sleep_for(1ms);
        p = PocetVlaken();
    }
    return p;
}

std::vector<std::string> Radky(const std::string& text) {
    std::vector<std::string> v;
    std::size_t od = 0;
    while (od < text.size()) {
        const auto i = text.find("\r\n", od);
        if (i == std::string::npos) {
            v.push_back(text.substr(od));
            break;
        }
        v.push_back(text.substr(od, i - od));
        od = i + 2;
    }
    return v;
}

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

// ---- parameter file ----

std::string TParametry::Nastaveni(const std::string& adresar) const {
    std::string t;
    t += "[Logovací soubor]\r\n"_cp;
    t += "Povolen=" + Cislo(LogPovolen) + "\r\n";
    if (!LogNazev.empty()) t += std::string("Název souboru="_cp) + LogNazev + "\r\n";
    t += "Povolen RUN=" + Cislo(RunPovolen) + "\r\n";
    t += std::string("Povolen log rozhraní="_cp) + Cislo(LogRozhrani) + "\r\n";
    t += std::string("Adresář LOG souborů="_cp) + (Adresar.empty() ? adresar : Adresar) + "\r\n";
    t += "[Diagnostické okno]\r\n"_cp;
    t += "Povoleno=" + Cislo(Okno) + "\r\n";
    for (const TRozhraniPar& r : Rozhrani) {
        t += std::string("[Deklarace rozhraní "_cp) + Cislo(r.Cislo) + "]\r\n";
        t += "Typ=ZR-6180\r\n";
        if (r.Demo != 0) t += std::string("Režim demo="_cp) + Cislo(r.Demo) + "\r\n";
        t += "IP adresa=" + r.Ip + "\r\n";
        t += "UDP port=" + Cislo(r.Port) + "\r\n";
        t += "UDP timeout=" + Cislo(r.UdpTimeout) + "\r\n";
        t += std::string("UDP opakování="_cp) + Cislo(r.UdpOpakovani) + "\r\n";
        t += "Baud=" + Cislo(r.Baud) + "\r\n";
        t += "Timeout=" + Cislo(r.Timeout) + "\r\n";
        t += std::string("Opakování="_cp) + Cislo(r.Opakovani) + "\r\n";
    }
    return t;
}

std::string TParametry::Text(const std::string& adresar) const {
    std::string t = Nastaveni(adresar);
    t += "[Deklarace kanálů]\r\n"_cp;
    for (const std::string& k : Kanaly) t += k + "\r\n";
    return t;
}

// ---- the instance ----

TOvladac::TOvladac() { setenv("RV_ZR6180_WINDOW", "none", 1); }

TOvladac::~TOvladac() {
    if (d != nullptr) {
        Done();
        Uvolni();
    }
}

std::string TOvladac::ZapisParametry(const TParametry& p, const std::string& jmeno) {
    return ZapisParametry(p.Text(dir.Cesta()), jmeno);
}

std::string TOvladac::ZapisParametry(const std::string& text, const std::string& jmeno) {
    const std::string cesta = dir / jmeno;
    ZapisSoubor(cesta, text);
    return cesta;
}

bool TOvladac::Spust(const TParametry& p, std::string* chyba) {
    if (!p.LogNazev.empty()) HlavniLogNazev = p.LogNazev;
    return Init(ZapisParametry(p), chyba);
}

bool TOvladac::Init(const std::string& soubor, std::string* chyba) {
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

void TOvladac::Done() {
    if (d != nullptr) lib.Done(d);
}

void TOvladac::Uvolni() {
    if (d == nullptr) return;
    lib.DisposeDriver(d);
    std::lock_guard g(zamekRegistru);
    registr.erase(d);
    d = nullptr;
}

int32_t TOvladac::ZaznamenejVolani(int32_t kontext, int32_t smer, PData data) {
    TOvladac* o = nullptr;
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

std::vector<TVolani> TOvladac::Volani() const {
    std::lock_guard g(zamek_);
    return volani_;
}

std::size_t TOvladac::PocetVolani() const {
    std::lock_guard g(zamek_);
    return volani_.size();
}

bool TOvladac::CekejNaVolani(std::size_t n, int ms) const {
    std::unique_lock g(zamek_);
    return prislo_.wait_for(g, std::chrono::milliseconds(ms), [&] { return volani_.size() >= n; });
}

// ---- request cycles ----

TDokonceni TOvladac::Dokonci(uint32_t c, bool vystup) {
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

TDokonceni TOvladac::DokonciVstup(uint32_t c) { return Dokonci(c, false); }
TDokonceni TOvladac::DokonciVystup(uint32_t c) { return Dokonci(c, true); }

TDokonceni TOvladac::Vstup(uint32_t c) {
    lib.InputRequest(d, c);
    lib.InputRequestCompleted(d);
    return Dokonci(c, false);
}

TDokonceni TOvladac::Vystup(uint32_t c, const THodnota& v) {
    lib.OutputRequest(d, c, v);
    lib.OutputRequestCompleted(d);
    return Dokonci(c, true);
}

int32_t TOvladac::CtiCele(uint32_t c) {
    THodnota h = HodnotaCele(-0x2A2A2A2A);
    lib.GetInput(d, c, &h);
    return h.Hodnota.Cele;
}

double TOvladac::CtiReal(uint32_t c) {
    THodnota h = HodnotaReal(-999999.0);
    lib.GetInput(d, c, &h);
    return h.Hodnota.Real;
}

int TOvladac::CtiBit(uint32_t c) {
    THodnota h = HodnotaBit(false);
    h.Hodnota.Bajty[0] = 0x77;  // neither answer
    lib.GetInput(d, c, &h);
    return h.Hodnota.Bajty[0];
}

int32_t TOvladac::StatusVstupu(uint32_t c, bool* vysledek) {
    int32_t st = -1;
    const bool r = lib.InputFinalized(d, c, &st) != 0;
    if (vysledek) *vysledek = r;
    return st;
}

int32_t TOvladac::StatusVystupu(uint32_t c, bool* vysledek) {
    int32_t st = -1;
    const bool r = lib.OutputFinalized(d, c, &st) != 0;
    if (vysledek) *vysledek = r;
    return st;
}

// ---- logs ----

std::string TOvladac::Soubor(const std::string& jmeno) const { return CtiSoubor(dir / jmeno); }

std::vector<TRadekRun> TOvladac::Run() const {
    std::vector<TRadekRun> v;
    for (const std::string& r : Radky(Soubor("Rv_zr6180Run001.log"))) {
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

std::vector<std::string> TOvladac::Run(std::string_view znacka) const {
    std::vector<std::string> v;
    for (const TRadekRun& r : Run())
        if (r.Znacka == znacka) v.push_back(r.Zbytek);
    return v;
}

bool TOvladac::CekejNaRun(std::string_view znacka, std::size_t n, int ms) const {
    const auto konec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (Run(znacka).size() < n) {
        if (std::chrono::steady_clock::now() > konec) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::vector<std::string> TOvladac::Hlavni() const {
    std::vector<std::string> v;
    for (const std::string& r : Radky(Soubor(HlavniLogNazev))) v.push_back(ZaZavorkou(r));
    return v;
}

std::string TOvladac::LogRozhrani(int k) const {
    // Named by the day; a test running over midnight finds both files.
    std::vector<std::string> jmena;
    const std::string predpona = "Rv_zr6180_R" + std::to_string(k) + "_";
    for (const auto& e : std::filesystem::directory_iterator(dir.Cesta())) {
        const std::string j = e.path().filename().string();
        if (j.rfind(predpona, 0) == 0) jmena.push_back(j);
    }
    std::sort(jmena.begin(), jmena.end());
    std::string t;
    for (const std::string& j : jmena) t += Soubor(j);
    return t;
}

std::vector<std::string> TOvladac::RadkyCB() const {
    std::vector<std::string> v;
    for (const std::string& r : Radky(Soubor("Rv_zr6180_CB.log"))) v.push_back(ZaZavorkou(r));
    return v;
}

// A host in a test: the built library loaded with dlopen, a parameter file
// written into a temporary directory, one driver instance with a call-back
// that records every call, and readers of the logs the driver wrote there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/Library.h"
#include "support/ParamFile.h"
#include "support/ProcessResources.h"
#include "support/TempDir.h"
#include "support/Text.h"

// One RUN line split after its time stamp: "label, fields and text".
struct TRadekRun {
    uint32_t Cislo = 0;
    std::string Znacka;
    std::string Zbytek;  // after "label, " (empty when the line ends with the label)
};

struct TVolani {
    int32_t Kontext = 0;
    int32_t Smer = 0;
    PData Data = nullptr;
    std::thread::id Vlakno;
};

// A request finalised the way a host does it: Finalized, and when it says
// false, a call-back and Finalized once more.
struct TDokonceni {
    bool Prvni = false;       // result of the first Finalized
    bool Hotovo = false;      // result of the last Finalized
    int32_t Status = -1;      // status word of the last Finalized
    bool CallBack = false;    // a call-back arrived in between
};

class TTestHost {
public:
    TTestHost();   // the library and the directory; no instance yet
    ~TTestHost();  // Done and DisposeDriver for an instance still alive
    TTestHost(const TTestHost&) = delete;
    TTestHost& operator=(const TTestHost&) = delete;

    TLibrary lib;
    TTempDir dir;
    PData d = nullptr;
    int32_t Kontext = 0x5A17C0DE;
    uint32_t Uroven = 0;
    std::atomic<int32_t> NavratCallBack{0};  // what the recorded call-back returns
    std::atomic<int32_t> ZdrzeniCallBackMs{0};  // how long the host keeps the call-back thread

    std::string ZapisParametry(const TParamFile& p, const std::string& jmeno = "param.ini");
    std::string ZapisParametry(const std::string& text, const std::string& jmeno = "param.ini");
    // MakeDriver (when none yet) and Init with the recording call-back.
    bool Spust(const TParamFile& p, std::string* chyba = nullptr);
    bool Init(const std::string& soubor, std::string* chyba = nullptr);
    void Done();
    void Uvolni();  // DisposeDriver

    // Call-backs received so far.
    std::vector<TVolani> Volani() const;
    std::size_t PocetVolani() const;
    bool CekejNaVolani(std::size_t n, int ms = 3000) const;

    // One request cycle. The value record is the host's.
    TDokonceni Vstup(uint32_t c);
    TDokonceni Vystup(uint32_t c, const THodnota& v);
    TDokonceni DokonciVstup(uint32_t c);
    TDokonceni DokonciVystup(uint32_t c);
    int32_t CtiCele(uint32_t c);   // GetInput with TypInt
    double CtiReal(uint32_t c);    // GetInput with TypReal
    int CtiBit(uint32_t c);        // GetInput with TypBool: 0 or 1
    int32_t StatusVstupu(uint32_t c, bool* vysledek = nullptr);
    int32_t StatusVystupu(uint32_t c, bool* vysledek = nullptr);

    // Logs in the directory, CP1250 as written.
    std::string Soubor(const std::string& jmeno) const;
    std::vector<TRadekRun> Run() const;
    std::vector<std::string> Run(std::string_view znacka) const;  // the rests of lines with this label
    bool CekejNaRun(std::string_view znacka, std::size_t n, int ms = 3000) const;
    std::vector<std::string> Hlavni() const;  // messages of the main log, after "] "
    std::string LogRozhrani(int k) const;     // today's interface log
    std::vector<std::string> RadkyCB() const; // texts of the call-back log
    std::string HlavniLogNazev = "Rv_zr6180.log";

private:
    static int32_t ZaznamenejVolani(int32_t kontext, int32_t smer, PData data);
    TDokonceni Dokonci(uint32_t c, bool vystup);

    mutable std::mutex zamek_;
    mutable std::condition_variable prislo_;
    std::vector<TVolani> volani_;
};

// THodnota records as the host fills them.
THodnota HodnotaCele(int32_t v);
THodnota HodnotaReal(double v);
THodnota HodnotaBit(bool v);
THodnota HodnotaText(const char* t);


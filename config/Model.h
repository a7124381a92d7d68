// The driver state of one instance and its records. Field order and meaning
// follow the driver's data model; the sharing scheme is described in
// base/Atom.h. Arrays are indexed by the domain's own numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Alarm.h"
#include "base/WakeSet.h"
#include "base/Atom.h"
#include "platform/Clock.h"
#include "config/Counters.h"
#include "config/RegionalSettings.h"
#include "config/StatusCodes.h"
#include "platform/Thread.h"
#include "include/rv_zr6180.h"

inline constexpr int FirstChannel = 99;
inline constexpr int LastChannel = 6099;
inline constexpr int FirstInterface = 1;
inline constexpr int LastInterface = 16;
inline constexpr int QueueSize = 1000;

// TKanal::StavPozadavku: how far the channel's current request has got.
// The steps between the states are in comm/Request.h.
enum class TRequestState : int32_t {
    None = 0,       // no request, or its outcome collected
    Requested = 1,  // by the host
    Sent = 2,       // the packet is out
    Stored = 3,     // its outcome is stored
    Reported = 4,   // the host has been told of the outcome
};

// TKanal::Funkce: what the module is asked to do.
inline constexpr uint8_t FunctionRead = 0;
inline constexpr uint8_t FunctionWrite = 1;
inline constexpr uint8_t FunctionResetStatus = 101;  // channel 99: clear a status register

struct TKanal {
    Atom<uint8_t> Pouzit;
    Atom<int32_t> Cislo;
    std::string Kod;
    std::string Nazev;
    std::string Popis;
    Atom<uint8_t> Adresa;
    Atom<uint8_t> Funkce;
    Atom<uint8_t> Periferie;
    Atom<uint8_t> Subperiferie;
    Atom<uint8_t> DataZapis[16];
    Atom<uint8_t> DataCteni[16];
    Atom<uint32_t> CasovaZnacka;
    Atom<uint16_t> DobaRS16;
    Atom<uint8_t> BajtOdpovedi;
    Atom<uint8_t> StatusRegistr;
    Atom<uint8_t> Status;
    Atom<uint8_t> Rozhrani;
    Atom<uint32_t> PocetVolani;
    Atom<uint32_t> CasPozadavku;
    Atom<uint32_t> CasOdeslani;
    Atom<uint32_t> DobaRS;
    Atom<uint32_t> DobaLAN;
    Atom<uint32_t> DobaCelkem;
    Atom<int32_t> LimitPozadavku;
    TFlag Hotovo;  // published last: the result fields are valid once it reads 1
    Atom<uint8_t> CekaCallBack;
    Atom<uint8_t> StatusPosledni;
    TGuardedText Dotaz;
    TGuardedText Odpoved;
    Atom<TRequestState> StavPozadavku;
    // Beyond the data model: raised (release) at every start of a request,
    // after its start time and limit, so that a thread that compares a
    // clock with the start time can tell whether it still looks at the
    // same request (see FinishTimedOut).
    Atom<uint32_t> RequestNumber;
};

struct TModul {
    Atom<uint32_t> Data;
    Atom<uint8_t> StatusRegistr;
    Atom<uint8_t> Status;
};

using TPoleKanal = FixedArray<TKanal, FirstChannel, LastChannel>;
using TModuleArray = FixedArray<TModul, 0, 255>;
using TStatusArray = FixedArray<Atom<uint8_t>, FirstChannel, LastChannel>;

struct TRozhrani {
    Atom<uint8_t> Pouzito;
    Atom<uint8_t> Demo;
    Atom<uint8_t> Cislo;
    std::string Kod;
    std::string Nazev;
    std::string Popis;
    std::string Typ;
    std::string IPAdresa;
    Atom<int32_t> UdpPort;
    Atom<int32_t> UdpTimeout;
    Atom<int32_t> UdpOpakovani;
    Atom<int32_t> Baud;
    Atom<int32_t> Timeout;
    Atom<int32_t> Opakovani;
    Atom<int32_t> PocetModulu;
    Atom<int32_t> PocetKanalu;
    TModuleArray Moduly;
    TStatusArray StatusKanalu;
    Atom<int32_t> Status;
};

using TPoleRozhrani = FixedArray<TRozhrani, FirstInterface, LastInterface>;

struct TCFG {
    Atom<int32_t> PocetKanalu;
    Atom<int32_t> PocetRozhrani;
    Atom<int32_t> LogPovolen;
    std::string LogNazev;
    Atom<int32_t> RunPovolen;
    Atom<int32_t> RunPocet;
    std::string RunNazev;
    Atom<int32_t> LogRozhraniPovolen;
    Atom<uint8_t> LogZapnout;
    Atom<uint8_t> LogVypnout;
    Atom<int32_t> OknoPovoleno;
    Atom<int32_t> RunCislo;
    Atom<int32_t> ErrCislo;
    std::string LogAdresar;
};

struct TFronta {
    FixedArray<Atom<int32_t>, 1, QueueSize> Polozky;
    Atom<int32_t> IndexZapisu;
    Atom<int32_t> IndexCteni;
    Atom<int32_t> PocetPotvrzenych;  // release by the commit, acquire by the interface thread
    Atom<int32_t> PocetNepotvrzenych;
    Atom<double> Zaplneni;
    Atom<double> ZaplneniPredchozi;
    Atom<double> ZaplneniMax;
    Atom<uint16_t> HodinaMax;
};

class TThreadRozhrani;
class TThreadCallBack;
class TDrvDialog;
class TWebServer;

struct TData {
    // Every member starts zero (its own initialiser); defined by the driver,
    // which owns the threads and the window.
    TData();
    ~TData();  // joins nothing: the owner stops the threads first
    TData(const TData&) = delete;
    TData& operator=(const TData&) = delete;

    TPoleKanal Kanaly;
    TPoleRozhrani Rozhrani;
    FixedArray<TFronta, FirstInterface, LastInterface> Fronty;
    TCFG Cfg;
    Atom<int32_t> MonitorovanyKanal;
    Atom<int32_t> MonitorovaneRozhrani;
    Atom<uint32_t> PosledniChybnyKanal;
    FixedArray<std::unique_ptr<TThreadRozhrani>, FirstInterface, LastInterface> Vlakna;
    FixedArray<Atom<uint8_t>, FirstInterface, LastInterface> VlaknoBezi;
    std::unique_ptr<TThreadCallBack> VlaknoCallBack;
    Atom<uint8_t> CallBackBezi;
    Atom<uint8_t> Ukoncovani;
    Atom<TCallBack> CallBack;
    std::unique_ptr<TDrvDialog> Dialog;
    Atom<uint8_t> DialogVytvoren;
    Atom<int32_t> Uroven;
    Atom<int32_t> KontextCallBack;
    Atom<int32_t> PocitadloRadku;
    // Serialises RUN-log lines. It lives as long as the instance so that a
    // thread still winding down after Done never meets a destroyed lock.
    std::mutex ZamekLogu;

    // Implementation members beyond the data model.
    std::mutex ErrLogLock;    // Err-log lines from several interface threads
    std::mutex WindowLock;   // writers of shown records vs. a window refresh
    std::atomic<const TClock*> Clock{nullptr};  // null: the system clock
    std::atomic<const TThreadStart*> ThreadStarter{nullptr};  // null: system threads
    // Ends the call-back thread's wait, with the channels it should look at.
    // They live with the instance, not with the thread object, so that
    // interface threads may ring at any time.
    TAlarm CallBackAlarm;
    TWakeSet CallBackWakes;
    TRegionalSettings Regional;  // written by Init before any thread starts
    FixedArray<TInterfaceCounters, FirstInterface, LastInterface> InterfaceCounters;
    TDriverCounters DriverCounters;
    // Counted by the log writers, which otherwise only read the instance.
    mutable TLogFailures LogFailures;
    // 1 when Init found the LOG directory of Cfg there (it makes it when a
    // log is on): missing later, it has disappeared and is made again.
    Atom<uint8_t> LogDirectoryExists;
    // The diagnostic web server, when RV_ZR6180_HTTP asks for one: started
    // after the threads, stopped before them.
    std::unique_ptr<TWebServer> Web;
};

// Initial values of the tables.
void VycistiKanaly(TPoleKanal& channels);
void VycistiRozhrani(TPoleRozhrani& rozhrani);
void VycistiFrontu(TFronta& queue);
// The channel, interface and queue tables of an instance cleared, as for an
// instance that the tests and the bench fill without a parameter file.
void ClearTables(TData& d);

// Whether the record of an interface or channel number exists.
inline bool IsInterface(long long k) { return k >= FirstInterface && k <= LastInterface; }
inline bool IsChannel(long long c) { return c >= FirstChannel && c <= LastChannel; }

// The clock of an instance: its own when a test set one, else the system's.
inline const TClock& Clock(const TData* d) {
    const TClock* h = d ? d->Clock.load(std::memory_order_acquire) : nullptr;
    return h ? *h : SystemClock();
}
inline uint32_t Now(const TData* d) { return Clock(d).Tick(); }

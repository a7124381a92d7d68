// Init, Done and DriverProc: bringing an instance to life, stopping it and
// the host's control of the diagnostic window.
#include <memory>
#include <string>

#include "comm/Logy.h"
#include "comm/VlaknoCallBack.h"
#include "comm/VlaknoRozhrani.h"
#include "base/Contained.h"
#include "config/HlavniLog.h"
#include "config/Parametry.h"
#include "config/StatusTexty.h"
#include "diag/DrvDialog.h"
#include "diag/WebServer.h"
#include "driver/Spolecne.h"
#include "driver/Zivot.h"
#include "platform/Thread.h"

namespace {

constexpr int kMostPolls = 1001;  // polls of 1 ms in the start and stop handshakes

// Polls a handshake flag every 1 ms until it has the wanted value or the
// bound runs out. `alespon` forces the first sleep.
void AwaitFlag(const Atom<uint8_t>& priznak, uint8_t chtena, bool alespon) {
    int n = 0;
    if (alespon) {
        SleepMs(1);
        ++n;
    }
    while (priznak.load(std::memory_order_acquire) != chtena && n < kMostPolls) {
        SleepMs(1);
        ++n;
    }
}

struct TInitReport {
    TData* d;
    char* chyba;
    int32_t limit;

    // Writes m to the main log (with the record read so far) and hands the
    // host either m or the text of the failed log write.
    TBoolean operator()(std::string_view m, std::string_view znackaA, std::string_view znackaB,
                        const TCFG& cfg) const {
        const uint8_t r = ZapisDoLogu(d, cfg, m);
        if (r != 0) {
            CopyText(chyba, LogResultText(r), limit);
            ZapisRun(d, znackaA);
        } else {
            CopyText(chyba, m, limit);
            ZapisRun(d, znackaB);
        }
        return 0;
    }
};

// Threads of an earlier Init that has not been stopped by Done.
bool RunningFromEarlierInit(const TData& d) {
    if (d.Ukoncovani) return false;
    if (d.VlaknoCallBack) return true;
    for (const auto& v : d.Vlakna)
        if (v) return true;
    return false;
}

std::string ParameterFileName(const char* parametry) {
    if (parametry == nullptr) return {};
    return std::string(parametry, HostTextLength(parametry, 4096));
}

// The first interface whose thread could not be created; 0 when all run.
int StartInterfaceThreads(TData& d) {
    for (int k = RozhraniPrvni; k <= RozhraniPosledni; ++k) {
        d.VlaknoBezi[k] = 0;
        if (!d.Rozhrani[k].Pouzito) continue;
        d.Vlakna[k] = std::make_unique<TThreadRozhrani>(&d, static_cast<uint8_t>(k));
        if (!d.Vlakna[k]->Start()) return k;
        AwaitFlag(d.VlaknoBezi[k], 1, false);
    }
    return 0;
}

bool StartCallBackThread(TData& d) {
    d.CallBackBezi = 0;
    d.VlaknoCallBack = std::make_unique<TThreadCallBack>(&d, d.CallBack.load(), d.KontextCallBack.load());
    if (!d.VlaknoCallBack->Start()) return false;
    AwaitFlag(d.CallBackBezi, 1, false);
    return true;
}

// An Init that cannot serve every interface must not report success: what
// it started stops again, and the host hears why.
TBoolean ThreadsFailed(TData& d, const TInitReport& hlas, int rozhrani) {
    StopThreadsAndWindow(d);
    if (rozhrani != 0)
        return hlas(TLine("Nelze spustit vlákno rozhraní "_cp, rozhrani, ".").sv(), "Init 10", "Init 11", d.Cfg);
    return hlas("Nelze spustit vlákno call-back."_cp, "Init 10", "Init 11", d.Cfg);
}

TBoolean InitAfterException(PData p, char* chyba, int32_t limit, bool started) {
    const std::string_view m = "Init - vnitřní chyba ovladače."_cp;
    CopyText(chyba, m, limit);
    TData* d = Instance(p);
    if (d == nullptr) return 0;
    if (started) Contained([&] { StopThreadsAndWindow(*d); });
    Contained([&] { ZapisDoLogu(d, d->Cfg, m); });
    return 0;
}

TBoolean StartInstance(PData p, const char* parametry, int32_t limit, char* chyba, uint32_t uroven,
                       int32_t kontext, TCallBack callback, bool& started) {
    TData* d = Instance(p);
    if (d == nullptr) {
        CopyText(chyba, "Init - předán nulový ukazatel PData"_cp, limit);
        return 0;
    }
    ZapisRun(d, "Init ", NoField, NoField, NoField, TLine("P=0x").Hex(reinterpret_cast<uintptr_t>(d), 8));
    const TInitReport hlas{d, chyba, limit};
    if (RunningFromEarlierInit(*d)) {
        // A running instance keeps running; the host has to call Done first.
        const std::string_view m = "Ovladač je již inicializován."_cp;
        const uint8_t r = ZapisDoLogu(d, d->Cfg, m);
        CopyText(chyba, r != 0 ? LogResultText(r) : m, limit);
        return 0;
    }
    StopThreadsAndWindow(*d);  // leftovers of an earlier Init that Done stopped

    // Step 3.
    d->DialogVytvoren = 0;
    d->PocitadloRadku = 0;
    d->Lokalizace = NactiLokalizaci();

    const std::string soubor = ParameterFileName(parametry);
    auto cfg = std::make_unique<TCFG>();
    auto rozhrani = std::make_unique<TPoleRozhrani>();
    auto kanaly = std::make_unique<TPoleKanal>();

    TResult v = CtiNastaveni(soubor, *cfg);
    if (!v.Ok) return hlas(v.Zprava, "Init 1", "Init 2", *cfg);
    CtiRunInfo(*cfg);
    v = CtiRozhrani(soubor, *cfg, *rozhrani);
    if (!v.Ok) return hlas(v.Zprava, "Init 3", "Init 4", *cfg);
    v = CtiKanaly(soubor, *cfg, *rozhrani, *kanaly);
    if (!v.Ok) return hlas(v.Zprava, "Init 5", "Init 6", *cfg);

    d->Kanaly = *kanaly;
    d->Rozhrani = *rozhrani;
    d->Cfg = *cfg;
    for (auto& f : d->Fronty) VycistiFrontu(f);
    d->MonitorovanyKanal = 99;
    d->MonitorovaneRozhrani = 1;
    d->PosledniChybnyKanal = 0;
    d->Ukoncovani = 0;
    d->CallBack = callback;
    d->Uroven = static_cast<int32_t>(uroven);
    d->KontextCallBack = kontext;
    for (auto& c : d->InterfaceCounters) ClearCounters(c);
    ClearCounters(d->DriverCounters);

    started = true;  // from here on an exception leaves something to stop
    d->Dialog = TDrvDialog::Vytvor(*d);
    if (!d->Dialog) return hlas("Nelze vytvořit okno ovladače."_cp, "Init 7", "Init 8", d->Cfg);
    d->DialogVytvoren = 1;
    d->Dialog->SetVisible(d->Cfg.OknoPovoleno != 0);
    d->Dialog->NastavOkno();
    d->Dialog->PovolOkno(0, uroven);

    if (const int k = StartInterfaceThreads(*d); k != 0) return ThreadsFailed(*d, hlas, k);
    if (!StartCallBackThread(*d)) return ThreadsFailed(*d, hlas, 0);
    d->Web = TWebServer::Start(*d);  // off, or one that cannot listen, leaves Init as it is

    const uint8_t r = ZapisDoLogu(d, d->Cfg, "Ovladač úspěšně inicializován."_cp);
    if (r != 0) {
        CopyText(chyba, LogResultText(r), limit);
        ZapisRun(d, "Init 9");
        return 0;
    }
    ZapisRun(d, "");
    ZapisRun(d, "Init Ok");
    return 1;
}

}  // namespace

extern "C" {

TBoolean Init(PData p, uint32_t, const char* parametry, int32_t limit, char* chyba, uint32_t uroven, uint32_t,
              int32_t kontext, TCallBack callback) noexcept {
    bool started = false;
    try {
        return StartInstance(p, parametry, limit, chyba, uroven, kontext, callback, started);
    } catch (...) {
        return InitAfterException(p, chyba, limit, started);
    }
}

void Done(PData p) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    ZapisRun(d, "Done 0");
    d->Ukoncovani = 1;
    d->Web.reset();  // no page reads the instance while it winds down
    if (d->VlaknoCallBack) d->VlaknoCallBack->Stop();
    ZapisRun(d, "Done 1");
    AwaitFlag(d->CallBackBezi, 0, false);
    ZapisRun(d, "Done 2");
    for (auto& v : d->Vlakna)
        if (v) v->Stop();
    ZapisRun(d, "Done 3");
    for (int k = RozhraniPrvni; k <= RozhraniPosledni; ++k) AwaitFlag(d->VlaknoBezi[k], 0, true);
    JoinThreads(*d);
    if (d->DialogVytvoren && d->Dialog) {
        d->Dialog->StopTimer();
        SleepMs(200);
        d->Dialog.reset();
    }
    d->DialogVytvoren = 0;
    ZapisRun(d, "Done 9");
} catch (...) {
}

void DriverProc(PData p, uint32_t funkce, int32_t a1, int32_t a2, int32_t a3, int32_t a4) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) {
        ZapisRun(d, "DriPro 8");
        return;
    }
    ZapisRun(d, "DriPro 0", NoField, NoField, NoField, TLine("Func ", funkce));
    TDrvDialog* okno = d->Dialog.get();
    if (okno == nullptr) return;
    switch (funkce) {
        case 0: okno->SetVisible(false); break;
        case 1: okno->SetVisible(d->Cfg.OknoPovoleno != 0); break;
        case 2: okno->Minimise(); break;
        case 3: okno->Restore(); break;
        case 4: okno->Focus(); break;
        case 5: okno->Place(a1, a2, a3, a4); break;
        case 6: okno->PovolOkno(static_cast<uint32_t>(a1), static_cast<uint32_t>(d->Uroven.load())); break;
        default: break;
    }
    ZapisRun(d, "DriPro 9");
} catch (...) {
}

}  // extern "C"

// Init, Done and DriverProc: bringing an instance to life, stopping it and
// the host's control of the diagnostic window.
#include <memory>
#include <string>

#include "comm/CommLogs.h"
#include "comm/ThreadCallBack.h"
#include "comm/ThreadRozhrani.h"
#include "base/Contained.h"
#include "config/MainLog.h"
#include "config/ParameterFile.h"
#include "config/StatusCodes.h"
#include "diag/DrvDialog.h"
#include "diag/WebServer.h"
#include "driver/Common.h"
#include "driver/Lifetime.h"
#include "platform/SystemError.h"
#include "platform/Thread.h"

namespace {

// DriverProc's function codes.
enum class TWindowCommand : uint32_t { Hide = 0, Show = 1, Minimise = 2, Restore = 3, Focus = 4, Place = 5, Enable = 6 };

constexpr int kMostPolls = 1001;  // polls of 1 ms in the start and stop handshakes

// Polls a handshake flag every 1 ms until it has the wanted value or the
// bound runs out. `atLeast` forces the first sleep.
void AwaitFlag(const Atom<uint8_t>& flag, uint8_t wanted, bool atLeast) {
    int n = 0;
    if (atLeast) {
        SleepMs(1);
        ++n;
    }
    while (flag.load(std::memory_order_acquire) != wanted && n < kMostPolls) {
        SleepMs(1);
        ++n;
    }
}

struct TInitReport {
    TData* d;
    char* chyba;
    int32_t limit;

    // Writes m to the main log (with the record read so far) and hands the
    // host either m or the text of the failed log write. A system error
    // (`error`, of a file that could not be read, or of the log write) is
    // added after the fixed text, and gets a main-log line of its own.
    TBoolean operator()(std::string_view m, std::string_view znackaA, std::string_view znackaB,
                        const TCFG& cfg, int error = 0) const {
        const TMainLogWrite w = WriteMainLog(d, cfg, m);
        if (w.Kod != 0) {
            CopyText(chyba, WithSystemReason(LogResultText(w.Kod), w.Error), limit);
            ZapisRun(d, znackaA);
            return 0;
        }
        const std::string s = WithSystemReason(m, error);
        if (s.size() != m.size())
            ZapisDoLogu(d, cfg, TLine("Parametrický soubor nelze přečíst ("_cp, SystemErrorText(error), ").").sv());
        CopyText(chyba, s, limit);
        ZapisRun(d, znackaB);
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

std::string ParameterFileName(const char* parameters) {
    if (parameters == nullptr) return {};
    return std::string(parameters, HostTextLength(parameters, 4096));
}

// The first interface that could not be started; 0 when all run.
struct TStartFailure {
    int Rozhrani = 0;
    bool Socket = false;  // its socket could not be opened (else its thread)
    int Error = 0;        // the system's error number of the socket
};

// Each socket is opened before its thread starts: an interface that could
// never send must not be reported as running.
TStartFailure StartInterfaceThreads(TData& d) {
    for (int k = FirstInterface; k <= LastInterface; ++k) {
        d.VlaknoBezi[k] = 0;
        if (!d.Rozhrani[k].Pouzito) continue;
        d.Vlakna[k] = std::make_unique<TThreadRozhrani>(&d, static_cast<uint8_t>(k));
        if (d.Rozhrani[k].Demo == 0 && !d.Vlakna[k]->Udp.Open()) return {k, true, d.Vlakna[k]->Udp.OpenError()};
        if (!d.Vlakna[k]->Start()) return {k, false, 0};
        AwaitFlag(d.VlaknoBezi[k], 1, false);
    }
    return {};
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
TBoolean ThreadsFailed(TData& d, const TInitReport& report, const TStartFailure& f) {
    StopThreadsAndWindow(d);
    if (f.Socket) {
        TLine m("Nelze otevřít UDP socket rozhraní "_cp, f.Rozhrani);
        if (const std::string_view reason = SystemErrorText(f.Error); !reason.empty()) m.Add(" (").Add(reason).Add(")");
        m.Add(".");
        return report(m.sv(), "Init 10", "Init 11", d.Cfg);
    }
    if (f.Rozhrani != 0)
        return report(TLine("Nelze spustit vlákno rozhraní "_cp, f.Rozhrani, ".").sv(), "Init 10", "Init 11", d.Cfg);
    return report("Nelze spustit vlákno call-back."_cp, "Init 10", "Init 11", d.Cfg);
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

TBoolean StartInstance(PData p, const char* parameters, int32_t limit, char* chyba, uint32_t level,
                       int32_t context, TCallBack callback, bool& started) {
    TData* d = Instance(p);
    if (d == nullptr) {
        CopyText(chyba, "Init - předán nulový ukazatel PData"_cp, limit);
        return 0;
    }
    ZapisRun(d, "Init ", NoField, NoField, NoField, TLine("P=0x").Hex(reinterpret_cast<uintptr_t>(d), 8));
    const TInitReport report{d, chyba, limit};
    if (RunningFromEarlierInit(*d)) {
        // A running instance keeps running; the host has to call Done first.
        const std::string_view m = "Ovladač je již inicializován."_cp;
        const TMainLogWrite w = WriteMainLog(d, d->Cfg, m);
        CopyText(chyba, w.Kod != 0 ? WithSystemReason(LogResultText(w.Kod), w.Error) : std::string(m), limit);
        return 0;
    }
    StopThreadsAndWindow(*d);  // leftovers of an earlier Init that Done stopped

    d->DialogVytvoren = 0;
    d->PocitadloRadku = 0;
    d->Regional = ReadRegionalSettings();

    const std::string soubor = ParameterFileName(parameters);
    auto cfg = std::make_unique<TCFG>();
    auto rozhrani = std::make_unique<TPoleRozhrani>();
    auto channels = std::make_unique<TPoleKanal>();

    TResult v = CtiNastaveni(soubor, *cfg);
    if (!v.Ok) return report(v.Message, "Init 1", "Init 2", *cfg, v.SystemError);
    CtiRunInfo(*cfg);
    v = CtiRozhrani(soubor, *cfg, *rozhrani);
    if (!v.Ok) return report(v.Message, "Init 3", "Init 4", *cfg, v.SystemError);
    v = CtiKanaly(soubor, *cfg, *rozhrani, *channels);
    if (!v.Ok) return report(v.Message, "Init 5", "Init 6", *cfg, v.SystemError);

    d->Kanaly = *channels;
    d->Rozhrani = *rozhrani;
    d->Cfg = *cfg;
    d->LogDirectoryExists = cfg->LogPovolen == 1 || cfg->RunPovolen == 1 || cfg->LogRozhraniPovolen == 1;
    for (auto& f : d->Fronty) VycistiFrontu(f);
    d->MonitorovanyKanal = 99;
    d->MonitorovaneRozhrani = 1;
    d->PosledniChybnyKanal = 0;
    d->Ukoncovani = 0;
    d->CallBack = callback;
    d->Uroven = static_cast<int32_t>(level);
    d->KontextCallBack = context;
    for (auto& c : d->InterfaceCounters) ClearCounters(c);
    ClearCounters(d->DriverCounters);
    ClearCounters(d->LogFailures);
    d->DriverCounters.StartRealMs = Clock(d).RealMs();

    started = true;  // from here on an exception leaves something to stop
    d->Dialog = TDrvDialog::Create(*d);
    if (!d->Dialog) return report("Nelze vytvořit okno ovladače."_cp, "Init 7", "Init 8", d->Cfg);
    d->DialogVytvoren = 1;
    d->Dialog->SetVisible(d->Cfg.OknoPovoleno != 0);
    d->Dialog->NastavOkno();
    d->Dialog->PovolOkno(0, level);

    if (const TStartFailure f = StartInterfaceThreads(*d); f.Rozhrani != 0) return ThreadsFailed(*d, report, f);
    if (!StartCallBackThread(*d)) return ThreadsFailed(*d, report, {});
    d->Web = TWebServer::Start(*d);  // off, or one that cannot listen, leaves Init as it is

    const TMainLogWrite w = WriteMainLog(d, d->Cfg, "Ovladač úspěšně inicializován."_cp);
    if (w.Kod != 0) {
        CopyText(chyba, WithSystemReason(LogResultText(w.Kod), w.Error), limit);
        ZapisRun(d, "Init 9");
        return 0;
    }
    ZapisRun(d, "");
    ZapisRun(d, "Init Ok");
    return 1;
}

}  // namespace

extern "C" {

TBoolean Init(PData p, uint32_t, const char* parameters, int32_t limit, char* chyba, uint32_t level, uint32_t,
              int32_t context, TCallBack callback) noexcept {
    bool started = false;
    try {
        return StartInstance(p, parameters, limit, chyba, level, context, callback, started);
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
    for (int k = FirstInterface; k <= LastInterface; ++k) AwaitFlag(d->VlaknoBezi[k], 0, true);
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

void DriverProc(PData p, uint32_t function, int32_t a1, int32_t a2, int32_t a3, int32_t a4) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) {
        ZapisRun(d, "DriPro 8");
        return;
    }
    ZapisRun(d, "DriPro 0", NoField, NoField, NoField, TLine("Func ", function));
    TDrvDialog* okno = d->Dialog.get();
    if (okno == nullptr) return;
    switch (static_cast<TWindowCommand>(function)) {
        case TWindowCommand::Hide: okno->SetVisible(false); break;
        case TWindowCommand::Show: okno->SetVisible(d->Cfg.OknoPovoleno != 0); break;
        case TWindowCommand::Minimise: okno->Minimise(); break;
        case TWindowCommand::Restore: okno->Restore(); break;
        case TWindowCommand::Focus: okno->Focus(); break;
        case TWindowCommand::Place: okno->Place(a1, a2, a3, a4); break;
        case TWindowCommand::Enable: okno->PovolOkno(static_cast<uint32_t>(a1), static_cast<uint32_t>(d->Uroven.load())); break;
        default: break;
    }
    ZapisRun(d, "DriPro 9");
} catch (...) {
}

}  // extern "C"

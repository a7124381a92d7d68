#include "comm/ThreadRozhrani.h"

#include <algorithm>
#include <mutex>

#include "comm/Wake.h"
#include "comm/CommLogs.h"
#include "comm/TimeLimits.h"
#include "base/Cp1250.h"

namespace {

inline constexpr std::size_t MinAnswerLength = 70;
// An idle thread still looks round this often, so a missed wake-up or a
// wall clock that jumps costs at most this much. Each look costs a wake-up,
// which an idle driver with 16 interfaces pays 16 times per period.
inline constexpr int64_t LongestSleepMs = 1000;
// The drain before a send takes at most this long or this many datagrams:
// a flood faster than it must not keep the request from being sent. What
// is left is read in the wait, where only the request's own identifier is
// taken for its answer.
inline constexpr uint32_t LongestDrainMs = 2;
inline constexpr int MostDrained = 4096;

using TLongLine = TText<ReceiveSize + 128>;

}  // namespace

TThreadRozhrani::TThreadRozhrani(TData* d, uint8_t number) : PData(d), CisloRozhrani(number) {
    if (PData != nullptr && IsInterface(number)) {
        const TRozhrani& r = PData->Rozhrani[number];
        KopieRozhrani.IPAdresa = r.IPAdresa;
    }
}

TThreadRozhrani::~TThreadRozhrani() {
    Stop();
    Join();
}

bool TThreadRozhrani::Start() {
    TText<16> name("zr6180 R", static_cast<int32_t>(CisloRozhrani));
    name.Add('\0');
    return TThread::Start(PData != nullptr ? PData->ThreadStarter.load() : nullptr, name.sv().data());
}

std::string_view TThreadRozhrani::OrizniKonec(std::string_view t) {
    for (int i = 0; i < 2 && !t.empty() && (t.back() == '\r' || t.back() == '\n'); ++i) t.remove_suffix(1);
    return t;
}

TText<4> TThreadRozhrani::KanalText4(uint32_t c) {
    TText<4> t;  // the capacity cuts "number + four blanks" to four characters
    t.Add(c).Add("    ");
    return t;
}

void TThreadRozhrani::Execute() {
    if (PData == nullptr || !IsInterface(CisloRozhrani)) return;
    TData& d = *PData;
    if (!Stopping()) {
        d.VlaknoBezi[CisloRozhrani] = 1;
        TText<16> name("zr6180 R", static_cast<int32_t>(CisloRozhrani), " name");
        name.Add('\0');
        Udp.SetLookupThread(d.ThreadStarter.load(), name.sv().data());
        if (!Udp.IsOpen()) Udp.Open();  // Init opens it before the start and reports a failure
    }
    Contained([&] { ZapisLogRozhrani(&d, CisloRozhrani, "Start"); });
    generation_ = Alarm().Generation();
    while (!Stopping()) {
        RunStep();
        if (Stopping()) break;
        // Read before the switch requests and the next look into the queue.
        generation_ = Alarm().Generation();
        Contained([&] { SwitchLogs(); });
    }
    d.VlaknoBezi[CisloRozhrani] = 0;
    Contained([&] { ZapisLogRozhrani(&d, CisloRozhrani, "Stop"); });
    Udp.Close();  // with the look-up thread, unless it is inside getaddrinfo
}

// Nothing raised in a step may end the thread, or the host's process with
// it: an error in the middle of an exchange ends that request with 19.
void TThreadRozhrani::RunStep() {
    try {
        KrokKomunikace();
    } catch (...) {
        AfterException();
    }
    current_ = 0;
}

void TThreadRozhrani::AfterException() {
    const uint32_t c = current_;
    current_ = 0;
    if (Stopping()) return;
    // Should the handler fail too, the call-back thread's time limit still
    // ends the request.
    if (c != 0) Contained([&] { FinishWithException(c); });
    Alarm().Wait(generation_, 1);  // an error that repeats costs no busy loop
}

// The window's requests to switch the interface logs on or off are shared by
// all interface threads: the exchange hands each to exactly one of them, so
// the switch and its line in the log happen once.
void TThreadRozhrani::SwitchLogs() {
    TCFG& cfg = PData->Cfg;
    if (cfg.LogZapnout != 0 && cfg.LogZapnout.exchange(0) != 0) {
        cfg.LogRozhraniPovolen = 1;
        ZapisLogRozhrani(PData, CisloRozhrani, "Logování zapnuto"_cp);
    }
    if (Stopping()) return;
    if (cfg.LogVypnout != 0 && cfg.LogVypnout.exchange(0) != 0) {
        ZapisLogRozhrani(PData, CisloRozhrani, "Logování vypnuto"_cp);
        cfg.LogRozhraniPovolen = 0;
    }
}

void TThreadRozhrani::SleepToHour(int64_t doKonceHodiny) {
    const int64_t ms = std::clamp<int64_t>(doKonceHodiny + 1, 1, LongestSleepMs);
    Alarm().Wait(generation_, static_cast<uint32_t>(ms));
}

void TThreadRozhrani::KrokKomunikace() {
    if (PData == nullptr || !IsInterface(CisloRozhrani)) return;
    TData& d = *PData;
    const int k = CisloRozhrani;
    const int64_t doKonceHodiny = ReportQueueFill(d, k, hour_);
    ReportLeftOut(Now(&d));
    if (Stopping()) return;
    const int32_t c = NextInQueue(d, k);
    if (c == 0) {
        SleepToHour(doKonceHodiny);
        return;
    }
    if (!IsChannel(c)) {  // only the exports fill the queue, and only with channels
        RemoveFromQueue(d, k);
        return;
    }
    TKanal& kan = d.Kanaly[c];
    const uint32_t number = static_cast<uint32_t>(c);
    const uint32_t startTick = kan.CasPozadavku;  // before the clock: a later start cannot make T negative
    TLine t("F=", static_cast<int32_t>(d.Fronty[k].PocetPotvrzenych), ", T=", Now(&d) - startTick);
    Trace("KOM 0", number, StateFieldOf(kan), t);
    if (Stopping()) return;
    d.InterfaceCounters[k].ObserveQueueDepth(d.Fronty[k].PocetPotvrzenych);
    RemoveFromQueue(d, k);
    if (EndedByTimeLimit(kan)) return;
    current_ = number;
    kan.CasOdeslani = Now(&d);
    lanStartNs_ = Clock(&d).PaceNs();  // the exchange time of the metrics, finer than DobaLAN's ms
    if (Serve(number) == TStep::Failed && !Stopping()) FinishWithException(number);
    RingCallBack(number);
}

// A host waiting for this outcome hears of it without waiting for the
// call-back thread's next scan. Only when the queue has run dry: while
// entries wait, their outcomes are gathered by that thread's millisecond
// scans, which costs far less than one wake-up per exchange. Rung after the
// step's last trace line, so the RUN log keeps "KOM 9" before "CB  1". The
// fence keeps the look at the mark after Hotovo: a host that marks later
// wakes the thread itself.
void TThreadRozhrani::RingCallBack(uint32_t c) {
    const TKanal& kan = PData->Kanaly[c];
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!IsAwaitingNotice(kan) || !IsDone(kan)) return;
    if (PData->Fronty[CisloRozhrani].PocetPotvrzenych.load(std::memory_order_relaxed) > 0) return;
    WakeCallBack(*PData, static_cast<int>(c));
}

uint64_t TThreadRozhrani::ExchangeUs() const {
    const int64_t ns = Clock(PData).PaceNs() - lanStartNs_;
    return ns > 0 ? static_cast<uint64_t>(ns / 1000) : 0;
}

void TThreadRozhrani::CountSend(int attempt) {
    TInterfaceCounters& n = Counters();
    n.Sent.Add(1);
    if (attempt > 1) n.Retries.Add(1);
}

void TThreadRozhrani::RefreshCopies(uint32_t c) {
    CopyInterface(PData->Rozhrani[CisloRozhrani], KopieRozhrani);
    CopyChannel(PData->Kanaly[c], KopieKanalu);
}

TThreadRozhrani::TStep TThreadRozhrani::Serve(uint32_t c) {
    TData& d = *PData;
    TKanal& kan = d.Kanaly[c];
    if (d.Rozhrani[CisloRozhrani].Demo != 0) {
        if (!UlozOdpoved(c, TOdpoved{}, TOutcomeState::Kept)) return TStep::Stop;
        TraceQueue("KOM 9", c, ", DEMO", storedState_);
        return TStep::Finished;
    }
    RefreshCopies(c);
    const TKopieRozhrani& r = KopieRozhrani;
    const TPaket dotaz = PaketPozadavku(r, KopieKanalu);
    const std::string_view shown = OrizniKonec(dotaz.sv());
    if (shown.empty()) {
        TOdpoved o;
        o.Status = StatusSendError;
        o.StatusRegistr = StatusSendError;
        if (!UlozOdpoved(c, o, TOutcomeState::Kept)) return TStep::Stop;
        LogChannel(c, " - LAN neplatný dotaz"_cp);
        TraceQueue("KOM 9", c, ", neplatný dotaz"_cp, storedState_);
        return TStep::Finished;
    }
    kan.Dotaz.Set(shown);
    if (!Udp.IsOpen()) Udp.Open();  // retried here after a failure at start
    for (int attempt = 1;; ++attempt) {
        if (Stopping()) return TStep::Stop;
        if (const TStep v = Drain(c); v != TStep::Continue) return v;
        if (Stopping()) return TStep::Stop;
        if (const TStep v = SendRequest(r, dotaz.sv()); v != TStep::Continue) return v;
        CountSend(attempt);
        MarkSent(kan);
        TraceQueue("KOM 2", c, {}, StateField(TRequestState::Sent));
        if (Stopping()) return TStep::Stop;
        const uint32_t limitLan = LimitLanRozhrani(r.Baud, r.Timeout, r.Opakovani, r.UdpTimeout);
        uint32_t elapsed = 0;
        if (const TStep v = AwaitAnswer(c, limitLan, elapsed); v != TStep::Continue) return v;
        LogChannel(c, " - LAN timeout", static_cast<uint32_t>(attempt), "=", elapsed);
        if (attempt > r.UdpOpakovani) return Timeout(c);
    }
}

// A gateway given by name waits for the first look-up of the name once, at
// most as long as for an answer; after that the sends fail at once, as a
// failed look-up does, until a look-up has finished. Later look-ups run
// behind the sends, which use the latest address meanwhile.
TThreadRozhrani::TStep TThreadRozhrani::SendRequest(const TKopieRozhrani& r, std::string_view dotaz) {
    TSendResult s = Udp.Send(r.IPAdresa, r.UdpPort, dotaz);
    if (s == TSendResult::NameUnknown) {
        const uint32_t limitLan = LimitLanRozhrani(r.Baud, r.Timeout, r.Opakovani, r.UdpTimeout);
        uint32_t start = Now(PData);
        while (s == TSendResult::NameUnknown) {
            Udp.AwaitName(1);
            if (Stopping()) return TStep::Stop;
            s = Udp.Send(r.IPAdresa, r.UdpPort, dotaz);
            const uint32_t now = Now(PData);
            if (now < start) start = now;  // the tick counter wrapped: the wait starts again
            if (s == TSendResult::NameUnknown && now - start >= limitLan) {
                Udp.StopWaitingForName();
                s = TSendResult::Failed;
            }
        }
    }
    return s == TSendResult::Sent ? TStep::Continue : TStep::Failed;
}

// Datagrams that arrived before the request belong to no current exchange.
TThreadRozhrani::TStep TThreadRozhrani::Drain(uint32_t c) {
    const uint32_t low = Now(PData);
    for (int n = 0; n < MostDrained; ++n) {
        const TReceived p = Udp.Receive(0);
        if (p == TReceived::Nothing) return TStep::Continue;
        if (p == TReceived::Error) return TStep::Failed;
        Counters().ForeignDatagrams.Add(1);
        if (MayLogDatagram()) {
            const std::string_view t = OrizniKonec(Udp.Data());
            LogChannel(c, " - LAN neočekávaná zpráva, IDh="_cp, t.substr(std::min<std::size_t>(8, t.size()), 4));
            ErrMessage("Neočekávaná zpráva"_cp, t, c);
            Trace("KOM 1", c, NoField, "odebrano");
        }
        if (Stopping()) return TStep::Stop;
        if (Now(PData) - low >= LongestDrainMs) break;
    }
    return TStep::Continue;
}

bool TThreadRozhrani::MayLogDatagram() {
    const uint32_t now = Now(PData);
    ReportLeftOut(now);
    return lineBudget_.Allow(now);
}

// One line in each log for the datagrams of a second that were left out.
void TThreadRozhrani::ReportLeftOut(uint32_t now) {
    const uint32_t n = lineBudget_.TakeLeftOut(now);
    if (n == 0) return;
    if (PData->Cfg.LogRozhraniPovolen != 0)
        ZapisLogRozhrani(PData, CisloRozhrani, TLine("LAN zahlcení - nezapsaných zpráv="_cp, n));
    if (PData->Cfg.RunPovolen != 0) ZapisErr(PData, TLine("Zahlcení - nezapsaných zpráv="_cp, n));
    ZapisRun(PData, "KOM 1", NoField, CisloRozhrani, NoField, TLine("zahlceni, nezapsano=", n));
}

// Continue when the attempt's limit ran out without a matching answer: the
// caller makes the next attempt or ends the request on its time-out.
TThreadRozhrani::TStep TThreadRozhrani::AwaitAnswer(uint32_t c, uint32_t limitLan, uint32_t& elapsed) {
    uint32_t start = Now(PData);
    for (;;) {
        const TReceived p = Udp.Receive(1);
        if (p == TReceived::Error) return TStep::Failed;
        if (p == TReceived::Datagram) {
            if (const TStep v = TakeDatagram(c, Udp.Data()); v != TStep::Continue) return v;
        }
        if (Stopping()) return TStep::Stop;
        const uint32_t now = Now(PData);
        if (now < start) {  // the tick counter wrapped: the wait starts again
            start = now;
            elapsed = 0;
        } else {
            elapsed = now - start;
        }
        if (elapsed >= limitLan) return TStep::Continue;
    }
}

TThreadRozhrani::TStep TThreadRozhrani::TakeDatagram(uint32_t c, std::string_view received) {
    if (received.size() < MinAnswerLength) {  // too short to be a packet (empty ones too): no line
        Counters().InvalidDatagrams.Add(1);
        return TStep::Continue;
    }
    const std::string_view r = OrizniKonec(received);
    PData->Kanaly[c].Odpoved.Set(r);
    TOdpoved o;
    const TPacketResult v = RozeberPaket(received, o);
    if (v != TPacketResult::Valid) {
        Counters().InvalidDatagrams.Add(1);
        if (MayLogDatagram()) {
            LogChannel(c, " - LAN neplatný paket, Err="_cp, static_cast<uint32_t>(v));
            ErrMessage("Neplatná zpráva"_cp, r, c);
        }
        return TStep::Continue;
    }
    if (o.Id != c) {
        Counters().ForeignDatagrams.Add(1);
        if (MayLogDatagram()) {
            LogChannel(c, " - LAN neplatné ID="_cp, o.Id);
            ErrMessage("Neplatná zpráva"_cp, r, c);
        }
        return TStep::Continue;
    }
    if (!UlozOdpoved(c, o, TOutcomeState::Stored)) return TStep::Stop;
    Counters().Answers[o.Status].Add(1);
    Counters().LastAnswerTick = storedTick_;
    Counters().Answered = 1;
    Counters().ObserveExchange(ExchangeUs());
    if (o.Status != 0) LogChannel(c, " - Chyba ZR  - SP=", o.Status);
    TLine t("(", storedLanTime_, ") OK");
    Trace("KOM 9", c, StateField(TRequestState::Stored), t);
    return TStep::Finished;
}

TThreadRozhrani::TStep TThreadRozhrani::Timeout(uint32_t c) {
    TOdpoved o;
    o.Status = StatusGatewayLost;
    if (!UlozOdpoved(c, o, TOutcomeState::Stored)) return TStep::Stop;
    Counters().UdpTimeouts.Add(1);
    Counters().ObserveExchange(ExchangeUs());
    LogChannel(c, " - Chyba LAN - timeout");
    TraceQueue("KOM 9", c, ", timeout", StateField(TRequestState::Stored));  // the call-back thread may already have moved it on
    return TStep::Finished;
}

void TThreadRozhrani::FinishWithException(uint32_t c) {
    TOdpoved o;
    o.Status = StatusNetworkError;
    if (!UlozOdpoved(c, o, TOutcomeState::Stored)) return;
    Counters().Exceptions.Add(1);
    LogChannel(c, " - LAN exception");
    TraceQueue("KOM 9", c, ", exception", StateField(TRequestState::Stored));
}

bool TThreadRozhrani::UlozOdpoved(uint32_t c, const TOdpoved& o, TOutcomeState state) {
    if (Stopping()) return false;
    TData& d = *PData;
    TKanal& k = d.Kanaly[c];
    std::lock_guard<std::mutex> g(d.WindowLock);
    const uint32_t now = Now(&d);  // under the lock: after any start of the channel's request
    k.DobaRS = o.DobaRS;
    storedTick_ = now;
    storedLanTime_ = now - k.CasOdeslani;
    k.DobaLAN = storedLanTime_;
    k.DobaCelkem = now - k.CasPozadavku;
    k.StatusPosledni = o.Status;
    k.CasovaZnacka = o.CasovaZnacka;
    k.DobaRS16 = o.DobaRS;
    k.BajtOdpovedi = o.BajtOdpovedi;
    for (int i = 0; i < 16; ++i) k.DataCteni[i] = o.Data[i];
    if (Stopping()) return false;
    k.StatusRegistr = o.StatusRegistr;
    k.Status = o.Status;
    TRozhrani& r = d.Rozhrani[CisloRozhrani];
    // Codes 1..9 describe the serial exchange behind the gateway, not the LAN.
    r.Status = o.Status >= 10 ? o.Status : 0;
    r.Moduly[k.Adresa].Status = o.Status;
    r.StatusKanalu[c] = o.Status;
    if (Stopping()) return false;
    if (o.Status != 0) {
        d.PosledniChybnyKanal = c;
    } else if (d.PosledniChybnyKanal == c) {
        d.PosledniChybnyKanal = 0;
    }
    storedState_ = StateField(PublishOutcome(k, state));
    current_ = 0;  // published: a later error in the step leaves it alone
    return true;
}

void TThreadRozhrani::Trace(std::string_view tag, uint32_t c, int32_t S, std::string_view text) {
    ZapisRun(PData, tag, static_cast<int32_t>(c), CisloRozhrani, S, text);
}

// "F=" + the queue's committed count + a closing text; S defaults to the
// channel's current request state.
void TThreadRozhrani::TraceQueue(std::string_view tag, uint32_t c, std::string_view tail, int32_t S) {
    TLine t("F=", static_cast<int32_t>(PData->Fronty[CisloRozhrani].PocetPotvrzenych), tail);
    Trace(tag, c, S == NoField ? StateFieldOf(PData->Kanaly[c]) : S, t);
}

template <class... A>
void TThreadRozhrani::LogChannel(uint32_t c, const A&... segments) {
    if (PData->Cfg.LogRozhraniPovolen == 0) return;  // the writer would drop it anyway
    TLine t("Ch=", KanalText4(c).sv());
    (t.Add(segments), ...);
    ZapisLogRozhrani(PData, CisloRozhrani, t);
}

void TThreadRozhrani::ErrMessage(std::string_view kind, std::string_view text, uint32_t c) {
    if (PData->Cfg.RunPovolen == 0) return;  // the Err log is off with the RUN log
    TLongLine t(kind, " \"", text, "\", Ch=");
    ZapisErr(PData, t, static_cast<int32_t>(c));
}

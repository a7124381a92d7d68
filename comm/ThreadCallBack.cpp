#include "comm/ThreadCallBack.h"

#include <algorithm>

#include "comm/Fronta.h"
#include "comm/CommLogs.h"
#include "comm/TimeLimits.h"
#include "base/Contained.h"
#include "config/ChannelKind.h"
#include "base/Text.h"

namespace {

// With nothing marked the thread sleeps until a channel is marked; it still
// looks round this often in case a wake-up was missed. Each look is a full
// scan of cold records, the largest part of an idle driver's cost.
inline constexpr uint32_t LongestSleepMs = 1000;
inline constexpr int64_t ScanPeriodNs = 1000000;

// Direction of the call-back: 0 input, 1 output.
int32_t CallBackDirection(int c) { return IsInputChannel(static_cast<uint32_t>(c)) ? 0 : 1; }

}  // namespace

TThreadCallBack::TThreadCallBack(TData* d, TCallBack cb, int32_t context)
    : TThread(d != nullptr ? &d->CallBackAlarm : nullptr), PData(d), CallBack(cb), KontextCallBack(context) {}

TThreadCallBack::~TThreadCallBack() {
    Stop();
    Join();
}

bool TThreadCallBack::Start() {
    return TThread::Start(PData != nullptr ? PData->ThreadStarter.load() : nullptr, "zr6180 CB");
}

void TThreadCallBack::Execute() {
    if (PData == nullptr) return;
    Contained([&] { ZapisCB(PData, "Start"); });
    PData->CallBackBezi = 1;
    TAlarm& alarm = Alarm();
    bool marked = true;
    uint32_t generation = alarm.Generation();
    int64_t posledniScan = Clock(PData).PaceNs() - ScanPeriodNs;
    while (!Stopping()) {
        // While requests wait the scan repeats every millisecond, for their
        // time-outs; otherwise only a marking (or stop) brings the next one.
        // Either wait ends as soon as a channel is marked or a marked request
        // finishes; those channels alone are looked at then, unless a full
        // scan is due for the time-outs of the marked ones.
        alarm.Wait(generation, marked ? 1 : LongestSleepMs);
        if (Stopping()) break;
        generation = alarm.Generation();
        const int64_t now = Clock(PData).PaceNs();
        const bool due = marked && now - posledniScan >= ScanPeriodNs;
        bool rung = false;
        if (!due) Contained([&] { rung = ScanRung(marked); });
        if (rung) continue;
        posledniScan = now;
        PData->CallBackWakes.Take([](int) {});  // the full scan covers them
        marked = true;  // unless the scan completes: an error repeats it in 1 ms
        Contained([&] { marked = ScanAll(); });
    }
    PData->CallBackBezi = 0;
    Contained([&] { ZapisCB(PData, "Stop"); });
}

bool TThreadCallBack::ScanAll() {
    marked_.Clear();
    for (int c = FirstChannel; c <= LastChannel && !Stopping(); ++c)
        if (CheckChannel(c)) marked_.Add(c);
    return !marked_.Empty();
}

// Only the host marks a channel, and it rings for each marking, so the rung
// channels and those still marked at their last look are every channel a
// scan could report. A marked request that finished without a ring (its
// queue had more entries) is thus reported before a higher rung one, as a
// scan in channel order would.
bool TThreadCallBack::ScanRung(bool& marked) {
    if (!PData->CallBackWakes.Take([&](int c) { marked_.Add(c); })) return false;
    marked_.ForEach([&](int c) {
        if (!Stopping() && !CheckChannel(c)) marked_.Remove(c);
    });
    marked = !marked_.Empty();
    return true;
}

bool TThreadCallBack::CheckChannel(int c) {
    if (PData == nullptr || !IsChannel(c)) return false;
    TData& d = *PData;
    TKanal& k = d.Kanaly[c];
    if (!IsAwaitingNotice(k)) return false;
    const int r = k.Rozhrani;
    // The request's number, then its start and limit, then the clock: a
    // request that the host starts meanwhile can only look younger, and the
    // completion below ends only the request examined.
    const uint32_t request = RequestNumberOf(k);
    const uint32_t start = k.CasPozadavku;
    const int32_t limit = InterfaceTimeout(d, k);
    const int32_t elapsed = static_cast<int32_t>(Now(&d) - start);
    if ((elapsed > limit || elapsed < 0) && FinishTimedOut(d, static_cast<uint32_t>(c), request)) {
        TLine t("Ch=", static_cast<int32_t>(c), ", timeout rozhrani=", elapsed, "/", limit);
        ZapisCB(&d, t);
        TLine s("timeout rozhrani=", elapsed, "/", limit);
        ZapisRun(&d, "CB  0", c, r, StateFieldOf(k), s);
    }
    if (IsDone(k)) {
        const int32_t queue = IsInterface(r) ? static_cast<int32_t>(d.Fronty[r].PocetPotvrzenych) : 0;
        TLine t("F=", queue, ", (", k.DobaRS.load(), "/", k.DobaLAN.load(), "/", k.DobaCelkem.load(), ")");
        ZapisRun(&d, "CB  1", c, r, StateFieldOf(k), t);
        if (Stopping()) return true;
        NotifyHost(c, k, request);
    }
    return IsAwaitingNotice(k);
}

// The mark is taken for the request examined only (see TakeNoticeMark).
void TThreadCallBack::NotifyHost(int c, TKanal& k, uint32_t request) {
    if (!TakeNoticeMark(k, request)) return;
    const int32_t kind = CallBackDirection(c);
    if (CallBack != nullptr) {
        PData->DriverCounters.CallBacks.Add(1);
        if (CallBack(KontextCallBack, kind, PData) == 1) {
            PData->DriverCounters.CallBacks.Add(1);
            CallBack(KontextCallBack, kind, PData);
        }
    }
    AfterNotice(k, kind == 0);
}

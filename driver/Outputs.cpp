// Output requests: OutputRequest, OutputRequestCompleted, OutputFinalized.
#include <cmath>
#include <mutex>

#include "comm/Wake.h"
#include "comm/Fronta.h"
#include "comm/CommLogs.h"
#include "comm/StatusReset.h"
#include "comm/TimeLimits.h"
#include "config/ChannelKind.h"
#include "config/MainLog.h"
#include "config/Values.h"
#include "driver/Common.h"

namespace {

bool IsOutput(uint32_t c) { return IsOutputChannel(c); }
int32_t K(uint32_t c) { return static_cast<int32_t>(c); }
int32_t OutputInterfaceField(const TData& d, uint32_t c) { return IsOutput(c) ? d.Kanaly[c].Rozhrani.load() : NoField; }
uint32_t Unsigned(int32_t x) { return static_cast<uint32_t>(x); }

void LogRefusal(TData& d, std::string_view message, uint32_t c) { ZapisDoLogu(&d, d.Cfg, message, c); }
void LogWrongType(TData& d, uint32_t c) { LogRefusal(d, "OutputRequest - chybný datový typ kanálu "_cp, c); }

// A request refused before it was queued ends at once with code e. Its
// refusal counts as its start, so that OutputFinalized measures its time
// limit from now and not from some earlier write of the channel.
void FinishRefused(TData& d, uint32_t c, uint8_t e) {
    {
        std::lock_guard<std::mutex> g(d.WindowLock);
        StartRefusedRequest(d.Kanaly[c], Now(&d));
    }
    UkonciSChybou(d, c, e);
}

void StoreWord(TKanal& k, uint32_t word) {
    for (int i = 0; i < 4; ++i) k.DataZapis[i] = static_cast<uint8_t>(word >> (8 * i));
}

void MonitorovanyKanal(TData& d, const THodnota& v) {
    if (v.TypHodnoty != TypInt) return LogWrongType(d, 6);
    uint32_t n = Unsigned(v.Hodnota.Cele);
    n = n < FirstChannel ? FirstChannel : n > LastChannel ? LastChannel : n;
    d.MonitorovanyKanal = static_cast<int32_t>(n);
    ZapisRun(&d, "OR  9", 6, NoField, NoField, TLine("H=", n));
}

void ClearInterfaceFaults(TData& d, uint32_t c, const THodnota& v) {
    if (v.TypHodnoty != TypInt) return LogWrongType(d, c);
    TRozhrani& r = d.Rozhrani[static_cast<int>(c) - 50];
    {
        std::lock_guard<std::mutex> g(d.WindowLock);
        for (auto& m : r.Moduly) m.Status = 0;
        for (auto& s : r.StatusKanalu) s = 0;
        r.Status = 0;
    }
    ZapisRun(&d, "OR  9", K(c), NoField, NoField, TLine("H=", Unsigned(v.Hodnota.Cele)));
}

void RequestStatusReset(TData& d, const THodnota& v) {
    if (v.TypHodnoty != TypInt) return LogWrongType(d, 99);
    const uint32_t n = Unsigned(v.Hodnota.Cele);
    if (!IsModuleChannel(n) || !d.Kanaly[n].Pouzit) {
        FinishRefused(d, 99, StatusChannelUndefined);
        return LogRefusal(d, "OutputRequest - požadavek na nedefinovaný kanál "_cp, 99);
    }
    PripravNulovani(d, n);
    ZaradPozadavek(d, 99, FunctionResetStatus);
    TKanal& k = d.Kanaly[99];
    MarkRequested(k);
    ZapisRun(&d, "OR  9", 99, k.Rozhrani, StateFieldOf(k), TLine("H=", n));
}

// Encodes the host's value into the channel's output bytes and appends its
// text form to the trace. False when the request ended here.
bool EncodeValue(TData& d, uint32_t c, const THodnota& v, TLine& h) {
    TKanal& k = d.Kanaly[c];
    const TChannelKind kind = ChannelKind(c);
    if (kind == TChannelKind::RealOut) {
        if (v.TypHodnoty != TypReal) return LogWrongType(d, c), false;
        const double x = v.Hodnota.Real;
        if (std::isinf(x)) {
            FinishRefused(d, c, StatusBadReal);
            return LogRefusal(d, "OutputRequest - předána neplatná REAL hodnota kanálu "_cp, c), false;
        }
        const auto b = RealNaBajty(x);
        std::lock_guard<std::mutex> g(d.WindowLock);
        for (int i = 0; i < 4; ++i) k.DataZapis[i] = b[i];
        h.Add(x);
    } else if (kind == TChannelKind::IntOut) {
        if (v.TypHodnoty != TypInt) return LogWrongType(d, c), false;
        std::lock_guard<std::mutex> g(d.WindowLock);
        StoreWord(k, Unsigned(v.Hodnota.Cele));
        h.Add(Unsigned(v.Hodnota.Cele));
    } else if (kind == TChannelKind::BitOut) {
        if (v.TypHodnoty != TypBool) return LogWrongType(d, c), false;
        const bool on = v.Hodnota.Bajty[0] != 0;
        const uint32_t bit = k.Subperiferie;
        std::lock_guard<std::mutex> g(d.WindowLock);
        TModul& m = d.Rozhrani[k.Rozhrani].Moduly[k.Adresa];
        uint32_t w = m.Data;
        if (bit <= 31) w = on ? (w | (1u << bit)) : (w & ~(1u << bit));
        m.Data = w;
        StoreWord(k, w);
        h.Add(on ? "1" : "0");
    } else {
        if (v.TypHodnoty != TypString) return LogWrongType(d, c), false;
        const char* text = v.Hodnota.Text;
        if (text == nullptr) {
            FinishRefused(d, c, StatusBadString);
            return LogRefusal(d, "OutputRequest - předána neplatná STRING hodnota kanálu "_cp, c), false;
        }
        const std::string_view t(text, HostTextLength(text, 256));
        const auto printable = [](uint8_t z) { return z >= 32 && z <= 127 ? z : uint8_t{32}; };
        std::lock_guard<std::mutex> g(d.WindowLock);
        for (std::size_t i = 0; i < 4; ++i) {
            const uint8_t z = i < t.size() ? static_cast<uint8_t>(t[i]) : k.DataZapis[i].load();
            k.DataZapis[i] = printable(z);
        }
        h.Add('"').Add(t).Add('"');
    }
    return true;
}

void RequestOutput(TData& d, uint32_t c, const THodnota& v) {
    TKanal& k = d.Kanaly[c];
    const int r = k.Rozhrani;
    if (!IsInterface(r)) {
        FinishRefused(d, c, StatusChannelUndefined);
        return LogRefusal(d, "OutputRequest - požadavek na neplatné rozhraní kanálu "_cp, c);
    }
    if (!k.Pouzit) {
        FinishRefused(d, c, StatusChannelUndefined);
        return LogRefusal(d, "OutputRequest - požadavek na nedefinovaný kanál "_cp, c);
    }
    if (!d.Rozhrani[r].Pouzito) {
        FinishRefused(d, c, StatusInterfaceUndefined);
        return LogRefusal(d, "OutputRequest - požadavek na nedefinované rozhraní kanálu "_cp, c);
    }
    TLine h;
    if (!EncodeValue(d, c, v, h)) return;
    ZaradPozadavek(d, static_cast<int>(c), FunctionWrite);
    MarkRequested(k);
    const uint32_t f = Unsigned(d.Fronty[r].PocetPotvrzenych.load(std::memory_order_acquire));
    ZapisRun(&d, "OR  9", K(c), r, StateFieldOf(k), TLine("F=", f, ", H=", h.sv()));
}

// A declared output channel: its time limit first, then done once its
// outcome is stored, else marked.
TFinalized FinalizeOutputChannel(TData& d, uint32_t c) {
    TKanal& k = d.Kanaly[c];
    const int r = k.Rozhrani;
    const uint32_t f = IsInterface(r) ? Unsigned(d.Fronty[r].PocetPotvrzenych.load(std::memory_order_acquire)) : 0;
    const int32_t s = StateFieldOf(k);
    const uint32_t sp = k.StatusPosledni;
    const bool h = IsDone(k);
    // As in the call-back thread's check: number, start and limit before the
    // clock, and only the request examined is ended.
    const uint32_t request = RequestNumberOf(k);
    const uint32_t start = k.CasPozadavku;
    const int32_t l = OutputLimit(d, k);
    const int32_t t = static_cast<int32_t>(Now(&d) - start);
    if ((t > l || t < 0) && FinishTimedOut(d, c, request))
        ZapisRun(&d, "OF  4", K(c), r, NoField, TLine("timeout=", t, "/", l));
    if (h) {
        if (c == 99 && IsInterface(r)) PoNulovani(d);
        ZapisRun(&d, "OF  9", K(c), r, s, TLine("F=", f, ", H=TRUE, SP=", sp));
        return TFinalized::Served(true);
    }
    const TFinalized v = AwaitCallBack(d, k, c);
    ZapisRun(&d, "OF  9", K(c), r, s, TLine("F=", f, ", H=FALSE"));
    return v;
}

// Refused with status 3, in both logs.
TFinalized RefuseFinalized(TData& d, uint32_t c, std::string_view tag, std::string_view message) {
    LogRefusal(d, message, c);
    ZapisRun(&d, tag, K(c), NoField, NoField, message);
    return {};
}

TFinalized FinalizeOutput(TData* d, uint32_t c) {
    if (d == nullptr) return {};
    if (d->Ukoncovani) {
        ZapisRun(d, "OF  1");
        return {};
    }
    ZapisRun(d, "OF  0", K(c), OutputInterfaceField(*d, c));
    if (IsFinalizedAtOnce(c)) {
        ZapisRun(d, "OF  9", K(c), NoField, NoField, "H=TRUE");
        return TFinalized::Served(true);
    }
    if (c != 99 && !IsOutput(c))
        return RefuseFinalized(*d, c, "OF  2", "OutputFinalized - požadavek na neplatný kanál "_cp);
    if (!d->Kanaly[c].Pouzit)
        return RefuseFinalized(*d, c, "OF  3", "OutputFinalized - požadavek na nedefinovaný kanál "_cp);
    return FinalizeOutputChannel(*d, c);
}

}  // namespace

extern "C" {

void OutputRequest(PData p, uint32_t c, THodnota v) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) return ZapisRun(d, "OR  1");
    ZapisRun(d, "OR  0", K(c), OutputInterfaceField(*d, c));
    if (c == 6) return MonitorovanyKanal(*d, v);
    if (IsFaultClearChannel(c)) return ClearInterfaceFaults(*d, c, v);
    if (c == 99) return RequestStatusReset(*d, v);
    if (!IsOutput(c)) return LogRefusal(*d, "OutputRequest - požadavek na neplatný kanál "_cp, c);
    RequestOutput(*d, c, v);
} catch (...) {
}

void OutputRequestCompleted(PData p) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) return ZapisRun(d, "ORC 1");
    ZapisRun(d, "ORC 0", 9999, 99);
    PotvrdFronty(*d);
    ZapisRun(d, "ORC 9", 9999, 99);
} catch (...) {
}

TBoolean OutputFinalized(PData p, uint32_t c, int32_t* status) noexcept try {
    return FinalizeOutput(Instance(p), c).Report(status);
} catch (...) {
    return FinalizedAfterException(status);
}

}  // extern "C"

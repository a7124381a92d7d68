// Input requests: InputRequest, InputRequestCompleted, InputFinalized, GetInput.
#include "comm/Wake.h"
#include "comm/Fronta.h"
#include "comm/CommLogs.h"
#include "config/ChannelKind.h"
#include "config/MainLog.h"
#include "config/Values.h"
#include "driver/Common.h"

namespace {

bool IsServiceInput(uint32_t c) { return ChannelKind(c) == TChannelKind::ServiceIn; }
bool IsInput(uint32_t c) { return IsInputChannel(c); }
int32_t K(uint32_t c) { return static_cast<int32_t>(c); }

// The R field of the entry traces: the channel's interface for input channels.
int32_t InputInterfaceField(const TData& d, uint32_t c) { return IsInput(c) ? d.Kanaly[c].Rozhrani.load() : NoField; }

int32_t CommittedInQueue(const TData& d, int k) {
    return IsInterface(k) ? d.Fronty[k].PocetPotvrzenych.load(std::memory_order_acquire) : 0;
}

int32_t ClampChannel(int32_t n) { return n < FirstChannel ? FirstChannel : n > LastChannel ? LastChannel : n; }

// Error summary of an interface: faulty channels, faulty modules, status.
uint32_t ErrorSummary(const TData& d, int k) {
    const TRozhrani& r = d.Rozhrani[k];
    uint32_t channels = 0;
    for (const auto& s : r.StatusKanalu) channels += s != 0;
    uint32_t modules = 0;
    for (const auto& m : r.Moduly) modules += m.Status != 0;
    const uint32_t status = static_cast<uint32_t>(r.Status.load()) & 0xFF;
    return channels * 65536u + (modules & 0xFF) * 256u + status;
}

uint32_t ServiceValue(const TData& d, uint32_t c) {
    const int32_t mon = d.MonitorovanyKanal;
    switch (c) {
        case 1: return d.PosledniChybnyKanal;
        case 2: {
            const uint32_t n = d.PosledniChybnyKanal;
            return IsChannel(n) ? d.Kanaly[n].Adresa.load() : 0;
        }
        case 3: return d.Kanaly[mon].Adresa;
        case 4: return d.Kanaly[mon].Status;
        case 5: return d.Kanaly[mon].StatusRegistr & 0xF7u;
        default: return ErrorSummary(d, static_cast<int>(c) - 10);
    }
}

void LogWrongType(TData& d, uint32_t c) { ZapisDoLogu(&d, d.Cfg, "GetInput - chybný datový typ kanálu "_cp, c); }

void ReadInputChannel(TData& d, uint32_t c, THodnota& v) {
    TKanal& k = d.Kanaly[c];
    Collect(k);
    const int r = k.Rozhrani;
    const uint32_t f = static_cast<uint32_t>(CommittedInQueue(d, r));
    const int32_t s = StateFieldOf(k);
    const uint32_t p = k.StatusPosledni;
    TLine t("F=", f, ", H=");
    const TChannelKind kind = ChannelKind(c);
    if (kind == TChannelKind::RealIn) {
        if (v.TypHodnoty != TypReal) return LogWrongType(d, c);
        const double x = VstupReal(k);
        v.Hodnota.Real = x;
        t.Add(x);
    } else if (kind == TChannelKind::IntIn) {
        if (v.TypHodnoty != TypInt) return LogWrongType(d, c);
        const int32_t x = VstupCele(k);
        v.Hodnota.Cele = x;
        t.Add(static_cast<uint32_t>(x));
    } else {
        if (v.TypHodnoty != TypBool) return LogWrongType(d, c);
        const uint8_t x = VstupBit(k);
        v.Hodnota.Bajty[0] = x;
        t.Add(x);
    }
    t.Add(", SP=").Add(p);
    ZapisRun(&d, "GI  9", K(c), r, s, t);
}

// A declared input channel: done once its outcome is stored, else marked.
TFinalized FinalizeInputChannel(TData& d, uint32_t c) {
    TKanal& channel = d.Kanaly[c];
    const int k = channel.Rozhrani;
    const uint32_t f = static_cast<uint32_t>(CommittedInQueue(d, k));
    const int32_t s = StateFieldOf(channel);
    const uint32_t t = Now(&d) - channel.CasPozadavku;
    if (IsDone(channel)) {
        ReportDone(channel);
        ZapisRun(&d, "IF  9", K(c), k, s, TLine("F=", f, ", T=", t, ", H=TRUE"));
        return TFinalized::Served(true);
    }
    const TFinalized v = AwaitCallBack(d, channel, c);
    ZapisRun(&d, "IF  9", K(c), k, s, TLine("F=", f, ", T=", t, ", H=FALSE"));
    return v;
}

TFinalized FinalizeInput(TData* d, uint32_t c) {
    if (d == nullptr) return {};
    if (d->Ukoncovani) {
        ZapisRun(d, "IF  1");
        return {};
    }
    ZapisRun(d, "IF  0", K(c), InputInterfaceField(*d, c));
    if (IsServiceInput(c)) {
        ZapisRun(d, "IF  9", K(c), NoField, NoField, "H=TRUE");
        return TFinalized::Served(true);
    }
    if (!IsInput(c)) {
        ZapisRun(d, "IF  2", NoField, NoField, NoField, "InputFinalized - požadavek na neplatný kanál "_cp);
        return {};
    }
    if (!d->Kanaly[c].Pouzit) {
        ZapisRun(d, "IF  3", K(c), d->Kanaly[c].Rozhrani, NoField, "InputFinalized - požadavek na nedefinovaný kanál "_cp);
        return {};
    }
    return FinalizeInputChannel(*d, c);
}

}  // namespace

extern "C" {

void InputRequest(PData p, uint32_t c) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    ZapisRun(d, "IR  0", K(c), InputInterfaceField(*d, c));
    if (d->Ukoncovani) return ZapisRun(d, "IR  1", K(c));
    if (IsServiceInput(c)) return ZapisRun(d, "IR  9", K(c));
    if (!IsInput(c)) return ZapisRun(d, "IR  2", K(c), NoField, NoField, "InputRequest - požadavek na neplatný kanál "_cp);
    TKanal& channel = d->Kanaly[c];
    const int k = channel.Rozhrani;
    const int32_t s = StateFieldOf(channel);
    if (!IsInterface(k)) {
        UkonciSChybou(*d, c, StatusChannelUndefined);
        return ZapisRun(d, "IR  3", K(c), k, NoField, "InputRequest - požadavek na neplatné rozhraní kanálu "_cp);
    }
    if (!channel.Pouzit) {
        UkonciSChybou(*d, c, StatusChannelUndefined);
        return ZapisRun(d, "IR  4", K(c), k, NoField, "InputRequest - požadavek na nedefinovaný kanál "_cp);
    }
    if (!d->Rozhrani[k].Pouzito) {
        UkonciSChybou(*d, c, StatusInterfaceUndefined);
        return ZapisRun(d, "IR  5", K(c), k, NoField, "InputRequest - požadavek na nedefinované rozhraní kanálu "_cp);
    }
    ZaradPozadavek(*d, static_cast<int>(c), FunctionRead);
    MarkRequested(channel);
    const TFronta& f = d->Fronty[k];
    const uint32_t queued = static_cast<uint32_t>(f.PocetPotvrzenych.load() + f.PocetNepotvrzenych.load());
    ZapisRun(d, "IR  9", K(c), k, s, TLine("F=", queued));
} catch (...) {
}

void InputRequestCompleted(PData p) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    ZapisRun(d, "IRC 0", 9999, 99);
    if (d->Ukoncovani) return ZapisRun(d, "IRC 8");
    PotvrdFronty(*d);
    ZapisRun(d, "IRC 9", 9999, 99);
} catch (...) {
}

TBoolean InputFinalized(PData p, uint32_t c, int32_t* status) noexcept try {
    return FinalizeInput(Instance(p), c).Report(status);
} catch (...) {
    return FinalizedAfterException(status);
}

void GetInput(PData p, uint32_t c, THodnota* v) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) return ZapisRun(d, "GI  1");
    ZapisRun(d, "GI  0", K(c), InputInterfaceField(*d, c));
    if (c != 1 && c != 2) d->MonitorovanyKanal = ClampChannel(d->MonitorovanyKanal);
    if (v == nullptr) return;  // nothing to compare or fill
    if (IsServiceInput(c)) {
        if (v->TypHodnoty != TypInt) return LogWrongType(*d, c);
        const uint32_t h = ServiceValue(*d, c);
        v->Hodnota.Cele = static_cast<int32_t>(h);
        return ZapisRun(d, "GI  9", K(c), NoField, NoField, TLine("H=", h));
    }
    if (!IsInput(c)) {
        ZapisDoLogu(d, d->Cfg, "GetInput - požadavek na neplatný kanál "_cp, c);
        return;
    }
    ReadInputChannel(*d, c, *v);
} catch (...) {
}

}  // extern "C"

#include "comm/Fronta.h"

#include <charconv>
#include <mutex>

#include "comm/Wake.h"
#include "comm/CommLogs.h"
#include "comm/TimeLimits.h"
#include "base/Text.h"

namespace {

using Guard = std::lock_guard<std::mutex>;

int NextSlot(int i) { return i >= QueueSize ? 1 : i + 1; }

double Percent(int32_t count) { return static_cast<double>(count) / QueueSize * 100.0; }

// Display only: both sides of the queue write the percentages.
void SetFill(TFronta& f, int32_t committed) {
    f.ZaplneniPredchozi = f.Zaplneni.load();
    const double z = Percent(committed);
    f.Zaplneni = z;
    if (z > f.ZaplneniMax) f.ZaplneniMax = z;
}

// One decimal place with the regional separator.
void AddPercent(TLine& t, double v, char separator) {
    char b[32];
    auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 1);
    for (char* p = b; p < r.ptr; ++p)
        if (*p == '.') *p = separator;
    t.Add(std::string_view(b, static_cast<std::size_t>(r.ptr - b)));
}

}  // namespace

void ZaradPozadavek(TData& d, int c, uint8_t function) {
    if (!IsChannel(c)) return;
    TKanal& k = d.Kanaly[c];
    const int r = k.Rozhrani;
    {
        Guard g(d.WindowLock);
        StartRequest(k, Now(&d), function, IsInterface(r) ? LimitPozadavku(d.Rozhrani[r]) : 0);
    }
    if (VlozDoFronty(d, c) == TQueued::Full) UkonciSChybou(d, static_cast<uint32_t>(c), StatusSendError);
}

TQueued VlozDoFronty(TData& d, int c) {
    const int r = IsChannel(c) ? static_cast<int>(d.Kanaly[c].Rozhrani) : 0;
    if (!IsInterface(r)) return TQueued::Full;  // no queue to take it
    TFronta& f = d.Fronty[r];
    // The host's side of the queue is read and written under the lock only:
    // a host that calls from several threads cannot lose an entry.
    Guard g(d.WindowLock);
    // Acquire pairs with the interface thread's release when it frees a slot.
    const int32_t committed = f.PocetPotvrzenych.load(std::memory_order_acquire);
    if (committed + f.PocetNepotvrzenych >= QueueSize) return TQueued::Full;
    const int i = f.IndexZapisu;
    f.Polozky[i] = c;
    f.IndexZapisu = NextSlot(i);
    f.PocetNepotvrzenych.Add(1);
    return TQueued::Yes;
}

void PotvrdFronty(TData& d) {
    for (int r = FirstInterface; r <= LastInterface; ++r) {
        TFronta& f = d.Fronty[r];
        if (f.PocetNepotvrzenych <= 0) continue;
        {
            Guard g(d.WindowLock);
            // Read under the lock that every addition takes, or an entry
            // added by another thread meanwhile would be zeroed uncommitted.
            const int32_t added = f.PocetNepotvrzenych;
            if (added <= 0) continue;
            // Release: the slots written before become visible with the count.
            const int32_t committed = f.PocetPotvrzenych.fetch_add(added, std::memory_order_release) + added;
            f.PocetNepotvrzenych = 0;
            SetFill(f, committed);
        }
        WakeInterface(d, r);
    }
}

int32_t NextInQueue(const TData& d, int rozhrani) {
    const TFronta& f = d.Fronty[rozhrani];
    if (f.PocetPotvrzenych.load(std::memory_order_acquire) <= 0) return 0;
    return f.Polozky[f.IndexCteni];
}

void RemoveFromQueue(TData& d, int rozhrani) {
    TFronta& f = d.Fronty[rozhrani];
    Guard g(d.WindowLock);
    f.IndexCteni = NextSlot(f.IndexCteni);
    // Release: the slot was read before the host may write it again.
    const int32_t committed = f.PocetPotvrzenych.fetch_sub(1, std::memory_order_release) - 1;
    SetFill(f, committed);
}

namespace {

// Several threads end requests this way: relaxed read-modify-writes.
void CountFinishedAtOnce(TData& d, int r, uint8_t e) {
    if (e == StatusInterfaceTimeout) {
        if (IsInterface(r)) d.InterfaceCounters[r].InterfaceTimeouts.fetch_add(1);
    } else {
        d.DriverCounters.Refused[e].fetch_add(1);
    }
}

// The error completion itself; runs under WindowLock. The clock is read
// under the lock, so that a request started meanwhile is never given a
// start after the end.
void StoreError(TData& d, uint32_t c, uint8_t e) {
    TKanal& k = d.Kanaly[c];
    const uint32_t now = Now(&d);
    k.DobaRS = 0;
    k.DobaLAN = now - k.CasOdeslani;
    k.DobaCelkem = now - k.CasPozadavku;
    k.StatusPosledni = e;
    k.CasovaZnacka = 0;
    k.DobaRS16 = 0;
    k.BajtOdpovedi = 0;
    for (auto& b : k.DataCteni) b = 0;
    k.StatusRegistr = 0;
    k.Status = e;
    const int r = k.Rozhrani;
    if (IsInterface(r)) {
        TRozhrani& ro = d.Rozhrani[r];
        ro.Status = e;
        ro.Moduly[k.Adresa].Status = 1;
        ro.StatusKanalu[c] = 1;
    }
    d.PosledniChybnyKanal = c;
    PublishError(k);
}

}  // namespace

void UkonciSChybou(TData& d, uint32_t c, uint8_t e) {
    if (!IsChannel(c)) return;
    {
        Guard g(d.WindowLock);
        StoreError(d, c, e);
    }
    CountFinishedAtOnce(d, d.Kanaly[c].Rozhrani, e);
}

bool FinishTimedOut(TData& d, uint32_t c, uint32_t request) {
    if (!IsChannel(c)) return false;
    {
        // Starts are numbered under the same lock: the request cannot change
        // between this look and the completion.
        Guard g(d.WindowLock);
        if (!IsCurrentRequest(d.Kanaly[c], request)) return false;
        StoreError(d, c, StatusInterfaceTimeout);
    }
    CountFinishedAtOnce(d, d.Kanaly[c].Rozhrani, StatusInterfaceTimeout);
    return true;
}

int64_t ReportQueueFill(TData& d, int rozhrani, TQueueHour& h) {
    const int64_t now = Clock(&d).RealMs();
    if (now < h.From || now >= h.Until) {
        const TLocalTime c = LocalTimeOf(now);
        h.Hour = c.Hour;
        h.From = now - ((c.Minute * 60 + c.Second) * 1000 + c.Millisecond);
        h.Until = h.From + 3600000;
    }
    TFronta& f = d.Fronty[rozhrani];
    if (h.Hour != f.HodinaMax) {
        if (d.Cfg.LogRozhraniPovolen != 0) {
            TLine t("FIFOmax=");
            AddPercent(t, f.ZaplneniMax, d.Regional.DecimalSeparator);
            t.Add('%');
            ZapisLogRozhrani(&d, rozhrani, t);
        }
        Guard g(d.WindowLock);
        f.HodinaMax = static_cast<uint16_t>(h.Hour);
        f.ZaplneniMax = 0.0;
    }
    return h.Until - now;
}

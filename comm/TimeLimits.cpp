#include "comm/TimeLimits.h"

#include <algorithm>

#include "comm/Paket.h"

namespace {

int64_t RetryFactorOf(int32_t udpOpakovani) { return std::clamp<int64_t>(static_cast<int64_t>(udpOpakovani) + 1, 1, 16); }

// min(UDP retries + 1, 16) of the channel's interface; 1 without one.
int64_t RetryFactor(const TData& d, const TKanal& k) {
    const int r = k.Rozhrani;
    if (!JeRozhrani(r)) return 1;
    return RetryFactorOf(d.Rozhrani[r].UdpOpakovani.load());
}

int32_t InterfaceTimeoutOf(int64_t factor, int32_t limit) { return static_cast<int32_t>(factor * limit + 1000); }

int32_t OutputLimitOf(int64_t factor, int32_t limit) {
    const int64_t l = static_cast<int64_t>(limit) * factor + 1200;
    return l > 65000 ? 65000 : static_cast<int32_t>(l);
}

}  // namespace

uint32_t LimitLanRozhrani(int32_t baud, int32_t timeout, int32_t opakovani, int32_t udpTimeout) {
    // Wrapping unsigned arithmetic: the same bits as the 32-bit signed formula
    // without undefined overflow for absurd parameter values.
    const uint32_t a = static_cast<uint32_t>(BaudCas(KodRychlosti(baud)));
    return (a + static_cast<uint32_t>(timeout)) * (static_cast<uint32_t>(opakovani) + 1u) + static_cast<uint32_t>(udpTimeout);
}

int32_t LimitPozadavku(const TRozhrani& r) {
    return static_cast<int32_t>(LimitLanRozhrani(r.Baud, r.Timeout, r.Opakovani, r.UdpTimeout) * 3u);
}

int32_t InterfaceTimeoutFor(int32_t limitPozadavku, int32_t udpOpakovani) {
    return InterfaceTimeoutOf(RetryFactorOf(udpOpakovani), limitPozadavku);
}

int32_t OutputLimitFor(int32_t limitPozadavku, int32_t udpOpakovani) {
    return OutputLimitOf(RetryFactorOf(udpOpakovani), limitPozadavku);
}

int32_t InterfaceTimeout(const TData& d, const TKanal& k) { return InterfaceTimeoutOf(RetryFactor(d, k), k.LimitPozadavku); }

int32_t OutputLimit(const TData& d, const TKanal& k) { return OutputLimitOf(RetryFactor(d, k), k.LimitPozadavku.load()); }

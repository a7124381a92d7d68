#include "comm/TimeLimits.h"

#include <algorithm>

#include "comm/Paket.h"

namespace {

// min(UDP retries + 1, 16) of the channel's interface; 1 without one.
int64_t RetryFactor(const TData& d, const TKanal& k) {
    const int r = k.Rozhrani;
    if (!JeRozhrani(r)) return 1;
    return std::clamp<int64_t>(static_cast<int64_t>(d.Rozhrani[r].UdpOpakovani.load()) + 1, 1, 16);
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

int32_t InterfaceTimeout(const TData& d, const TKanal& k) {
    return static_cast<int32_t>(RetryFactor(d, k) * k.LimitPozadavku + 1000);
}

int32_t OutputLimit(const TData& d, const TKanal& k) {
    const int64_t l = static_cast<int64_t>(k.LimitPozadavku.load()) * RetryFactor(d, k) + 1200;
    return l > 65000 ? 65000 : static_cast<int32_t>(l);
}

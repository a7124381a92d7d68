#include "comm/TimeLimits.h"

namespace {

// The UDP retries of the channel's interface; none (N = 1) without one.
int32_t UdpRetriesOf(const TData& d, const TKanal& k) {
    const int r = k.Rozhrani;
    return IsInterface(r) ? d.Rozhrani[r].UdpOpakovani.load() : 0;
}

}  // namespace

int32_t LimitPozadavku(const TRozhrani& r) { return RequestAllowance(r.Baud, r.Timeout, r.Opakovani, r.UdpTimeout); }

int32_t InterfaceTimeout(const TData& d, const TKanal& k) { return InterfaceTimeoutFor(k.LimitPozadavku, UdpRetriesOf(d, k)); }

int32_t OutputLimit(const TData& d, const TKanal& k) { return OutputLimitFor(k.LimitPozadavku.load(), UdpRetriesOf(d, k)); }

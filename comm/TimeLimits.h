// Every time limit of a request, in one place. All in milliseconds; A is the
// serial time of the baud rate, T and O the module time-out and retries, U
// the UDP time-out, N = min(UDP retries + 1, 16).
#pragma once

#include <cstdint>

#include "config/Model.h"

// The LAN wait of one attempt: (A + T) * (O + 1) + U.
uint32_t LimitLanRozhrani(int32_t baud, int32_t timeout, int32_t opakovani, int32_t udpTimeout);
// The allowance of one exchange, stored with each request: 3 * the LAN wait.
int32_t LimitPozadavku(const TRozhrani& r);
// The same two limits from an allowance and the interface's UDP retries,
// for a tool that shows them before any request.
int32_t InterfaceTimeoutFor(int32_t limitPozadavku, int32_t udpOpakovani);
int32_t OutputLimitFor(int32_t limitPozadavku, int32_t udpOpakovani);
// The interface time-out of a request that the host waits for with a
// call-back: N * LimitPozadavku + 1000.
int32_t InterfaceTimeout(const TData& d, const TKanal& k);
// OutputFinalized's own limit: N * LimitPozadavku + 1200, at most 65000; N
// is 1 for a channel without a valid interface number.
int32_t OutputLimit(const TData& d, const TKanal& k);

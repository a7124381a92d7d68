// The time limits of a request from the records of the driver state. The
// rules themselves (the LAN wait of one attempt, the allowance of one
// exchange, N = min(UDP retries + 1, 16)) are in config/GatewayRules.h; all
// in milliseconds.
#pragma once

#include <cstdint>

#include "config/GatewayRules.h"
#include "config/Model.h"

// The allowance of one exchange, stored with each request: 3 * the LAN wait.
int32_t LimitPozadavku(const TRozhrani& r);
// The interface time-out of a request that the host waits for with a
// call-back: N * LimitPozadavku + 1000.
int32_t InterfaceTimeout(const TData& d, const TKanal& k);
// OutputFinalized's own limit: N * LimitPozadavku + 1200, at most 65000; N
// is 1 for a channel without a valid interface number.
int32_t OutputLimit(const TData& d, const TKanal& k);

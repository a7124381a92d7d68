// The rules of a ZR-6180 gateway that the parameter reader, the packets, the
// threads and the tools share: the serial rates with their baud codes and
// time allowances, the retry limits, and the time limits of a request built
// from them. Plain numbers only, so that every layer may use them. All times
// in milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

struct TBaudRate {
    int32_t Baud;  // Bd, as "Baud" of the parameter file gives it
    int32_t SerialMs;   // serial time allowance of one exchange; never sent
};

// The index is the baud code a request carries.
inline constexpr TBaudRate BaudRates[] = {{600, 405},  {1200, 205},  {2400, 105},  {4800, 55},  {9600, 30},
                                          {19200, 18}, {38400, 12},  {57600, 9},    {115200, 7}};

// A rate outside the table is sent, and timed, as 9600 Bd.
inline constexpr uint8_t DefaultBaudCode = 4;

// "Opakování" and "UDP opakování" are 0..15, so a request has at most 16
// attempts; "Timeout" and "UDP timeout" are 0..65535, the serial one being
// sent as 16 bits.
inline constexpr int32_t MostRetries = 15;
inline constexpr int32_t MostTimeout = 65535;

// The baud code of a rate of the table; -1 for any other rate.
constexpr int BaudCodeOf(int32_t baud) {
    for (std::size_t code = 0; code < std::size(BaudRates); ++code)
        if (BaudRates[code].Baud == baud) return static_cast<int>(code);
    return -1;
}

constexpr bool IsBaudRate(int32_t baud) { return BaudCodeOf(baud) >= 0; }

constexpr uint8_t KodRychlosti(int32_t baud) {
    const int code = BaudCodeOf(baud);
    return code >= 0 ? static_cast<uint8_t>(code) : DefaultBaudCode;
}

constexpr int32_t BaudCas(uint32_t code) {
    return code < std::size(BaudRates) ? BaudRates[code].SerialMs : BaudRates[DefaultBaudCode].SerialMs;
}

// N = min(UDP retries + 1, 16): the attempts of one request, which multiply
// the limits the host waits by. At least 1.
constexpr int32_t AttemptCount(int32_t udpOpakovani) {
    const int64_t n = static_cast<int64_t>(udpOpakovani) + 1;
    return n < 1 ? 1 : n > MostRetries + 1 ? MostRetries + 1 : static_cast<int32_t>(n);
}

// LimitLan, the LAN wait of one attempt: (A + T) * (O + 1) + U, with A the
// allowance of the rate's code, T the serial time-out, O the serial retries
// and U the UDP time-out. Wrapping unsigned arithmetic: the same bits as the
// 32-bit signed formula without undefined overflow for absurd values.
constexpr uint32_t LimitLanRozhrani(int32_t baud, int32_t timeout, int32_t retries, int32_t udpTimeout) {
    const uint32_t a = static_cast<uint32_t>(BaudCas(KodRychlosti(baud)));
    return (a + static_cast<uint32_t>(timeout)) * (static_cast<uint32_t>(retries) + 1u) +
           static_cast<uint32_t>(udpTimeout);
}

// The allowance of one exchange (LimitPozadavku): 3 * the LAN wait.
constexpr int32_t RequestAllowance(int32_t baud, int32_t timeout, int32_t retries, int32_t udpTimeout) {
    return static_cast<int32_t>(LimitLanRozhrani(baud, timeout, retries, udpTimeout) * 3u);
}

// The interface time-out of a request the host waits for with a call-back:
// N * allowance + 1000.
constexpr int32_t InterfaceTimeoutFor(int32_t limitPozadavku, int32_t udpOpakovani) {
    return static_cast<int32_t>(AttemptCount(udpOpakovani) * static_cast<int64_t>(limitPozadavku) + 1000);
}

// OutputFinalized's own limit: N * allowance + 1200, at most 65000.
constexpr int32_t OutputLimitFor(int32_t limitPozadavku, int32_t udpOpakovani) {
    const int64_t l = static_cast<int64_t>(limitPozadavku) * AttemptCount(udpOpakovani) + 1200;
    return l > 65000 ? 65000 : static_cast<int32_t>(l);
}

// The clock seam: the 32-bit millisecond tick that every time rule uses, and
// the wall-clock time behind dates in logs and the hourly queue report.
// Production uses the system clock; tests put in a clock that can jump.
#pragma once

#include <cstdint>

struct TLocalTime {
    int Year = 0;      // four digits
    int Month = 0;    // 1..12
    int Day = 0;      // 1..31
    int Hour = 0;   // 0..23
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

class TClock {
public:
    virtual ~TClock() = default;
    // CLOCK_MONOTONIC milliseconds truncated to 32 bits; differences mod 2^32.
    virtual uint32_t Tick() const = 0;
    // Wall clock, milliseconds since the epoch (for local dates and hours).
    virtual int64_t RealMs() const = 0;
};

const TClock& SystemClock();

// CLOCK_MONOTONIC in nanoseconds: the pace of the driver's own threads,
// which a test clock must not stop.
int64_t MonotonicNs();

// Local broken-down time of a wall-clock instant (localtime_r).
TLocalTime LocalTimeOf(int64_t realMs);


// The clock seam, the driver's only clock: the 32-bit millisecond tick that
// every time rule uses, the wall-clock time behind dates in logs and the
// hourly queue report, and the fine pace of the driver's own threads.
// Production uses the system clock; tests put in a clock that can jump.
#pragma once

#include <cstdint>
#include <ctime>

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
    // CLOCK_MONOTONIC in nanoseconds: the pace of the driver's own threads
    // (scan periods, timers, the metrics' exchange times). A test clock that
    // drives it must keep it moving, or those threads stop.
    // Inline: test clocks in programs that only load the driver derive from it.
    virtual int64_t PaceNs() const {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
};

const TClock& SystemClock();

// Local broken-down time of a wall-clock instant (localtime_r).
TLocalTime LocalTimeOf(int64_t realMs);


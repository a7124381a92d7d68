// The clock seam: the 32-bit millisecond tick that every time rule uses, and
// the wall-clock time behind dates in logs and the hourly queue report.
// Production uses the system clock; tests put in a clock that can jump.
#pragma once

#include <cstdint>

struct TCasLokalni {
    int Rok = 0;      // four digits
    int Mesic = 0;    // 1..12
    int Den = 0;      // 1..31
    int Hodina = 0;   // 0..23
    int Minuta = 0;
    int Sekunda = 0;
    int Milisekunda = 0;
};

class THodiny {
public:
    virtual ~THodiny() = default;
    // CLOCK_MONOTONIC milliseconds truncated to 32 bits; differences mod 2^32.
    virtual uint32_t Tick() const = 0;
    // Wall clock, milliseconds since the epoch (for local dates and hours).
    virtual int64_t RealMs() const = 0;
};

const THodiny& SystemoveHodiny();

// CLOCK_MONOTONIC in nanoseconds: the pace of the driver's own threads,
// which a test clock must not stop.
int64_t MonotonicNs();

// Local broken-down time of a wall-clock instant (localtime_r).
TCasLokalni RozlozCas(int64_t realMs);


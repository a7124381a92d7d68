// How many lines unwanted datagrams may cost. Each stale, foreign or invalid
// datagram is worth a line in the interface log, the Err log and the RUN
// trace; a flood would turn that into three file writes per datagram. The
// first few of each second are written in full, the rest only counted, and
// one line tells how many were left out once their second is over.
#pragma once

#include <cstdint>
#include <utility>

class TLineBudget {
public:
    static constexpr uint32_t LinesPerPeriod = 20;
    static constexpr uint32_t PeriodMs = 1000;

    // Whether the lines of one more datagram may be written at tick t. A
    // caller takes the count left out (TakeLeftOut) first, so that the
    // summary of a period comes before the lines of the next.
    bool Allow(uint32_t t) {
        if (!open_ || t - start_ >= PeriodMs) {
            open_ = true;
            start_ = t;
            used_ = 0;
        }
        if (used_ < LinesPerPeriod) {
            ++used_;
            return true;
        }
        ++leftOut_;
        return false;
    }
    // The datagrams left out in a period that is over at tick t; 0 while it
    // lasts or when none were.
    uint32_t TakeLeftOut(uint32_t t) {
        if (leftOut_ == 0 || t - start_ < PeriodMs) return 0;
        return std::exchange(leftOut_, 0);
    }

private:
    bool open_ = false;
    uint32_t start_ = 0;
    uint32_t used_ = 0;
    uint32_t leftOut_ = 0;
};

#include "platform/Clock.h"

#include <ctime>

namespace {

class TSystemClock final : public TClock {
public:
    uint32_t Tick() const override {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        const uint64_t ms = static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }
    int64_t RealMs() const override {
        timespec t{};
        clock_gettime(CLOCK_REALTIME, &t);
        return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    }
};

const TSystemClock kSystem;

}  // namespace

const TClock& SystemClock() { return kSystem; }



TLocalTime LocalTimeOf(int64_t realMs) {
    int64_t s = realMs / 1000;
    int64_t ms = realMs % 1000;
    if (ms < 0) { ms += 1000; --s; }
    const time_t t = static_cast<time_t>(s);
    tm r{};
    localtime_r(&t, &r);
    TLocalTime c;
    c.Year = r.tm_year + 1900;
    c.Month = r.tm_mon + 1;
    c.Day = r.tm_mday;
    c.Hour = r.tm_hour;
    c.Minute = r.tm_min;
    c.Second = r.tm_sec;
    c.Millisecond = static_cast<int>(ms);
    return c;
}

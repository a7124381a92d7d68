#include "platform/Hodiny.h"

#include <ctime>

namespace {

class TSystemoveHodiny final : public THodiny {
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

const TSystemoveHodiny kSystem;

}  // namespace

const THodiny& SystemoveHodiny() { return kSystem; }

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}


TCasLokalni RozlozCas(int64_t realMs) {
    int64_t s = realMs / 1000;
    int64_t ms = realMs % 1000;
    if (ms < 0) { ms += 1000; --s; }
    const time_t t = static_cast<time_t>(s);
    tm r{};
    localtime_r(&t, &r);
    TCasLokalni c;
    c.Rok = r.tm_year + 1900;
    c.Mesic = r.tm_mon + 1;
    c.Den = r.tm_mday;
    c.Hodina = r.tm_hour;
    c.Minuta = r.tm_min;
    c.Sekunda = r.tm_sec;
    c.Milisekunda = static_cast<int>(ms);
    return c;
}

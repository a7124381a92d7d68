// The last minutes of every interface for the web page's charts: the mean
// exchange time and the faults of each second, taken from the interface
// counters. A sample is taken when the web server answers (the page asks
// every second, a scraper too), never by the threads that exchange: their
// counters are only read. Fixed memory, taken once with the server.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

struct TData;

class TExchangeHistory {
public:
    static constexpr std::size_t Samples = 300;       // five minutes
    static constexpr uint32_t SampleEveryMs = 1000;

    // A sample of every interface when a second or more has passed since
    // the last one; otherwise nothing.
    void Sample(const TData& d);
    // The samples as JSON: their times (whole seconds before now), and for
    // each declared interface the mean exchange time in microseconds (null
    // without an exchange) and the faults.
    std::string Json(const TData& d);

private:
    struct TTotals {
        uint64_t Exchanges = 0, Us = 0, Faults = 0;
    };
    struct TPoint {
        int64_t RealMs = 0;
        std::array<uint32_t, 16> Exchanges{}, MeanUs{}, Faults{};
    };

    std::mutex m_;  // the server answers on one thread; this keeps a second one safe
    bool started_ = false;
    uint32_t lastTick_ = 0;
    std::array<TTotals, 16> last_{};
    std::array<TPoint, Samples> ring_{};
    std::size_t next_ = 0, count_ = 0;
};

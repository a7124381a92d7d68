#include "diag/ExchangeHistory.h"

#include <nlohmann/json.hpp>

#include "config/Model.h"

namespace {

// Requests of the interface that ended with a fault so far: answers that
// carry a fault, no answer after every attempt, an error of the thread, the
// interface's time-out.
uint64_t FaultsOf(const TInterfaceCounters& c) {
    uint64_t n = c.UdpTimeouts + c.Exceptions + c.InterfaceTimeouts;
    for (std::size_t s = 1; s < c.Answers.size(); ++s) n += c.Answers[s];
    return n;
}

uint64_t ExchangesOf(const TInterfaceCounters& c) {
    uint64_t n = 0;
    for (const auto& b : c.ExchangeBuckets) n += b;
    return n;
}

uint32_t Narrow(uint64_t v) { return v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v); }

}  // namespace

void TExchangeHistory::Sample(const TData& d) {
    const uint32_t tick = Now(&d);
    std::lock_guard g(m_);
    if (started_ && tick - lastTick_ < SampleEveryMs) return;
    TPoint& p = ring_[next_];
    p.RealMs = Clock(&d).RealMs();
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        const TInterfaceCounters& c = d.InterfaceCounters[i];
        const TTotals now{ExchangesOf(c), c.ExchangeUsSum, FaultsOf(c)};
        TTotals& before = last_[static_cast<std::size_t>(i - 1)];
        // A new instance starts its counters from zero: what is below the
        // last totals counts from there.
        if (now.Exchanges < before.Exchanges || now.Us < before.Us || now.Faults < before.Faults) before = TTotals{};
        const uint64_t exchanges = now.Exchanges - before.Exchanges;
        const std::size_t k = static_cast<std::size_t>(i - 1);
        p.Exchanges[k] = Narrow(exchanges);
        p.MeanUs[k] = exchanges == 0 ? 0 : Narrow((now.Us - before.Us) / exchanges);
        p.Faults[k] = Narrow(now.Faults - before.Faults);
        before = now;
    }
    // The first sample only sets the totals: it would hold everything since Init.
    if (started_) {
        next_ = (next_ + 1) % Samples;
        if (count_ < Samples) ++count_;
    }
    started_ = true;
    lastTick_ = tick;
}

std::string TExchangeHistory::Json(const TData& d) {
    using Json = nlohmann::ordered_json;
    const int64_t now = Clock(&d).RealMs();
    std::lock_guard g(m_);
    // Every interface is sampled at the same instants: their times come once.
    Json ago = Json::array();
    for (std::size_t n = count_; n > 0; --n) ago.push_back((now - ring_[(next_ + Samples - n) % Samples].RealMs + 500) / 1000);
    Json interfaces = Json::array();
    for (int i = FirstInterface; i <= LastInterface; ++i) {
        if (d.Rozhrani[i].Pouzito == 0) continue;
        const std::size_t k = static_cast<std::size_t>(i - 1);
        Json us = Json::array(), faults = Json::array();
        for (std::size_t n = count_; n > 0; --n) {
            const TPoint& p = ring_[(next_ + Samples - n) % Samples];
            us.push_back(p.Exchanges[k] == 0 ? Json(nullptr) : Json(p.MeanUs[k]));
            faults.push_back(p.Faults[k]);
        }
        interfaces.push_back({{"number", i}, {"us", std::move(us)}, {"faults", std::move(faults)}});
    }
    Json j;
    j["span"] = Samples * SampleEveryMs / 1000;
    j["ago"] = std::move(ago);
    j["interfaces"] = std::move(interfaces);
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The charts' history: what one second of an interface's counters becomes.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "config/Model.h"
#include "diag/ExchangeHistory.h"
#include "support/Seams.h"

TEST(ExchangeHistory, EachSecondHoldsItsMeanExchangeTimeAndFaultsForFiveMinutes) {
    auto d = std::make_unique<TData>();
    TTestClock clock;
    uint32_t tick = 1000;
    int64_t real = 1'700'000'000'000;
    clock.Freeze(tick);
    clock.SetRealMs(real);
    d->Clock = &clock;
    d->Rozhrani[1].Pouzito = 1;
    d->Rozhrani[3].Pouzito = 1;
    TInterfaceCounters& c = d->InterfaceCounters[1];
    const auto second = [&](uint32_t ms = 1000) {
        tick += ms;
        real += ms;
        clock.Freeze(tick);
        clock.SetRealMs(real);
    };
    TExchangeHistory h;
    c.ObserveExchange(5000);  // before the first sample: in no second
    h.Sample(*d);
    c.ObserveExchange(100);
    c.ObserveExchange(300);
    c.Answers[5].Add(1);
    c.UdpTimeouts.Add(1);
    c.Answers[0].Add(3);  // a good answer is no fault
    second(999);
    h.Sample(*d);  // not yet a second
    second(1);
    h.Sample(*d);
    second();
    h.Sample(*d);  // a second without any exchange
    c = TInterfaceCounters{};  // a new instance counts from zero
    c.ObserveExchange(50);
    c.Exceptions.Add(2);
    second(1500);
    h.Sample(*d);
    second(400);
    nlohmann::json j = nlohmann::json::parse(h.Json(*d));
    EXPECT_EQ(j["span"], 300);
    ASSERT_EQ(j["interfaces"].size(), 2u);
    EXPECT_EQ(j["interfaces"][0]["number"], 1);
    EXPECT_EQ(j["ago"], nlohmann::json::parse("[3, 2, 0]"));
    EXPECT_EQ(j["interfaces"][0]["us"], nlohmann::json::parse("[200, null, 50]"));
    EXPECT_EQ(j["interfaces"][0]["faults"], nlohmann::json::parse("[2, 0, 2]"));
    EXPECT_EQ(j["interfaces"][1]["number"], 3);
    EXPECT_EQ(j["interfaces"][1]["faults"], nlohmann::json::parse("[0, 0, 0]"));

    for (int s = 0; s < 400; ++s) {
        second();
        h.Sample(*d);
    }
    j = nlohmann::json::parse(h.Json(*d));
    EXPECT_EQ(j["ago"].size(), TExchangeHistory::Samples);
    EXPECT_EQ(j["interfaces"][0]["faults"].size(), TExchangeHistory::Samples);
    EXPECT_EQ(j["ago"].back(), 0);
    EXPECT_EQ(j["ago"].front(), 299);
    d->Clock = nullptr;
}

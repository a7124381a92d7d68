// The floor: raw UDP ping-pong between two threads on 127.0.0.1, with
// datagrams of the sizes the driver exchanges.
#pragma once

#include <cstdint>
#include <vector>

struct TPingPong {
    std::vector<int64_t> roundTripsNs;
    double exchangesPerSecond = 0;
    bool ok = false;
};

TPingPong MeasurePingPong(int exchanges);

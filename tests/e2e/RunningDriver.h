// The plant most end-to-end tests share: one simulated gateway on loopback,
// interface 1 pointing at it, and a channel of every kind.
#pragma once

#ifdef RV_HAVE_SIMULATOR

#include <gtest/gtest.h>

#include <string>

#include "base/Cp1250.h"
#include "support/SmallHost.h"
#include "support/TestHost.h"
#include "tools/sim/Simulator.h"

namespace e2e {

// Interface 1: module 5 inputs, module 6 outputs, module 3 bit outputs,
// module 7 one input and one output (status-register reset), modules 8 and
// 9 for faults. Channels 1500 and 3500 name interface 2, which has no section.
inline TParamFile StandardParams(uint16_t port) {
    TParamFile p;
    p.AddInterface({.Number = 1, .Port = port});
    for (const char* k : {"100 1 5 3 0 \"T100\" \"Teplota\" \"Vstup\"", "1005 1 5 4 0", "1007 1 7 1 0",
                          "2100 1 5 5 9", "2140 1 5 5 40", "3005 1 6 1 0", "4010 1 6 2 0", "4100 1 7 0 0",
                          "5010 1 3 0 9", "5011 1 3 0 0", "5040 1 3 0 40", "6001 1 6 4 0", "101 1 8 0 0",
                          "102 1 8 1 0", "1010 1 9 0 0", "1500 2 1 0 0", "3500 2 1 0 0"})
        p.AddChannel(k);
    return p;
}

// A running driver against a running simulator.
class TRunningDriver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        ASSERT_TRUE(Start(StandardParams(sim.Port())));
    }
    bool Start(const TParamFile& p) {
        std::string error;
        const bool ok = o.Start(p, &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    int32_t WatchedStatus(uint32_t c) { return ChannelStatus(lib(), d(), c); }
    PData d() const { return o.d; }
    TLibrary& lib() { return o.lib; }

    TSimulator sim;
    TTestHost o;
};

// Finalized said false, a call-back came, and the next Finalized said true
// with status word 0: how a request that takes a while ends for the host.
inline ::testing::AssertionResult CompletedThroughCallBack(const TOutcome& v) {
    if (!v.FirstFinalized && v.CallBack && v.Finalized && v.Status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "first Finalized " << v.FirstFinalized << ", call-back " << v.CallBack
                                         << ", last Finalized " << v.Finalized << ", status word " << v.Status;
}

// "[VUZIV2]" + 32 characters of fields + checksum + CR LF.
inline std::string PacketOf(const std::string& fields) {
    return "[VUZIV2]" + fields + zrsim::HexByte(zrsim::Checksum(fields)) + "\r\n";
}

}  // namespace e2e

#endif

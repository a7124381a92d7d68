// The plant most end-to-end tests share: one simulated gateway on loopback,
// interface 1 pointing at it, and a channel of every kind.
#pragma once

#ifdef RV_MA_SIMULATOR

#include <gtest/gtest.h>

#include <string>

#include "base/Cp1250.h"
#include "podpora/Ovladac.h"
#include "tools/sim/Simulator.h"

namespace e2e {

// Interface 1: module 5 inputs, module 6 outputs, module 3 bit outputs,
// module 7 one input and one output (status-register reset), modules 8 and
// 9 for faults. Channels 1500 and 3500 name interface 2, which has no section.
inline TParametry Zakladni(uint16_t port) {
    TParametry p;
    TRozhraniPar r;
    r.Cislo = 1;
    r.Port = port;
    p.PridejRozhrani(r);
    for (const char* k : {"100 1 5 3 0 \"T100\" \"Teplota\" \"Vstup\"", "1005 1 5 4 0", "1007 1 7 1 0",
                          "2100 1 5 5 9", "2140 1 5 5 40", "3005 1 6 1 0", "4010 1 6 2 0", "4100 1 7 0 0",
                          "5010 1 3 0 9", "5011 1 3 0 0", "5040 1 3 0 40", "6001 1 6 4 0", "101 1 8 0 0",
                          "102 1 8 1 0", "1010 1 9 0 0", "1500 2 1 0 0", "3500 2 1 0 0"})
        p.PridejKanal(k);
    return p;
}

// A running driver against a running simulator.
class TBezici : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        ASSERT_TRUE(Spust(Zakladni(sim.Port())));
    }
    bool Spust(const TParametry& p) {
        std::string chyba;
        const bool ok = o.Spust(p, &chyba);
        EXPECT_TRUE(ok) << chyba;
        return ok;
    }
    PData d() const { return o.d; }
    TKnihovna& lib() { return o.lib; }

    TSimulator sim;
    TOvladac o;
};

// "[VUZIV2]" + 32 characters of fields + checksum + CR LF.
inline std::string Paket(const std::string& pole) {
    return "[VUZIV2]" + pole + zrsim::HexByte(zrsim::Checksum(pole)) + "\r\n";
}

// A text against a pattern: '#' stands for one or more digits, "[..]" for
// one of the listed characters; everything else stands for itself.
inline bool Shoda(std::string_view t, std::string_view v) {
    if (v.empty()) return t.empty();
    if (v[0] == '#') {
        std::size_t n = 0;
        while (n < t.size() && t[n] >= '0' && t[n] <= '9') ++n;
        for (std::size_t k = n; k >= 1; --k)
            if (Shoda(t.substr(k), v.substr(1))) return true;
        return false;
    }
    if (t.empty()) return false;
    if (v[0] == '[') {
        const auto z = v.find(']');
        if (v.substr(1, z - 1).find(t[0]) == std::string_view::npos) return false;
        return Shoda(t.substr(1), v.substr(z + 1));
    }
    return t[0] == v[0] && Shoda(t.substr(1), v.substr(1));
}

// Lines of a log whose text after the time stamp matches the pattern.
inline int PocetRadku(const std::string& log, std::string_view vzor) {
    int n = 0;
    for (const std::string& r : Radky(log)) {
        const auto i = r.find("] ");
        if (i != std::string::npos && Shoda(std::string_view(r).substr(i + 2), vzor)) ++n;
    }
    return n;
}

inline bool Obsahuje(const std::string& text, const std::string& cast) { return text.find(cast) != std::string::npos; }

inline bool ObsahujeRadek(const std::vector<std::string>& radky, const std::string& radek) {
    for (const auto& r : radky)
        if (r == radek) return true;
    return false;
}

}  // namespace e2e

#endif

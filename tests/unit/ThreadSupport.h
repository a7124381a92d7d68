// Test support for the queue and thread tests: a driver state set up as Init
// leaves it, with a test clock and a loopback UDP gateway stand-in, and
// readers of the communication logs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <thread>

#include "comm/CommLogs.h"
#include "comm/ThreadCallBack.h"
#include "comm/ThreadRozhrani.h"
#include "platform/Clock.h"
#include "config/Model.h"
#include "support/LoopbackUdp.h"
#include "support/Packets.h"
#include "support/Seams.h"
#include "support/TempDir.h"
#include "support/Text.h"
#include "support/Wait.h"

namespace thread_support {

// The part of a RUN line from its label on.
inline std::string RunPart(std::string_view label, int32_t K, int32_t R, int32_t S, std::string_view text) {
    std::string s(label);
    s += ", ";
    if (K != NoField) s += "K=" + (std::to_string(K) + ",     ").substr(0, 6);
    if (R != NoField) s += "R=" + (std::to_string(R) + ",     ").substr(0, 4);
    if (S != NoField) s += "S=" + std::to_string(S) + ", ";
    s += text;
    return s;
}

inline int64_t MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

// Stops a thread and waits for its end; how long that took, in ms.
template <class TThreadClass>
int64_t StopAndJoinMs(TThreadClass& v) {
    const auto t = std::chrono::steady_clock::now();
    v.Stop();
    v.Join();
    return MsSince(t);
}

// A driver state as Init leaves it: interface 1 declared, logs on in a
// temporary directory, the instance's clock a test clock.
class TDriverState {
public:
    TDriverState() : d(std::make_unique<TData>()) {
        ClearTables(*d);
        d->Cfg.LogAdresar = dir.Path() + "/";
        d->Cfg.RunPovolen = 1;
        d->Cfg.RunPocet = 1;
        d->Cfg.RunCislo = 1;
        d->Cfg.ErrCislo = 1;
        d->Cfg.LogRozhraniPovolen = 1;
        d->MonitorovanyKanal = 99;
        d->MonitorovaneRozhrani = 1;
        d->Clock.store(&clock);
        Interface(1, 9600, 200, 2, 2000, 0);
        Channel(1005, 1, 5, 3);
    }
    ~TDriverState() { Stop(); }

    TRozhrani& Interface(int k, int32_t baud, int32_t timeout, int32_t retries, int32_t udpTimeout,
                        int32_t udpRetries) {
        TRozhrani& r = d->Rozhrani[k];
        r.Pouzito = 1;
        r.Cislo = static_cast<uint8_t>(k);
        r.Typ = "ZR-6180";
        r.IPAdresa = "127.0.0.1";
        r.UdpPort = gateway.Port();
        r.Baud = baud;
        r.Timeout = timeout;
        r.Opakovani = retries;
        r.UdpTimeout = udpTimeout;
        r.UdpOpakovani = udpRetries;
        r.Status = 0;
        return r;
    }
    TKanal& Channel(int c, int k, uint8_t address, uint8_t periphery) {
        TKanal& ch = d->Kanaly[c];
        ch.Pouzit = 1;
        ch.Rozhrani = static_cast<uint8_t>(k);
        ch.Adresa = address;
        ch.Periferie = periphery;
        return ch;
    }
    void Stop() {
        d->VlaknoCallBack.reset();
        for (auto& v : d->Vlakna) v.reset();
    }

    std::string File(const std::string& name) const { return ReadFile(dir / name); }
    std::string RunLog() const { return File("Rv_zr6180Run001.log"); }
    std::string ErrLog() const { return File("Rv_zr6180Err1.log"); }
    std::string CbLog() const { return File("Rv_zr6180_CB.log"); }
    std::string InterfaceLog(int k) const { return ReadInterfaceLogs(dir.Path(), k); }

    TTempDir dir;
    TTestClock clock;
    TLoopbackUdp gateway;
    std::unique_ptr<TData> d;
};

}  // namespace thread_support

// A small host for end-to-end tests that hold the library themselves: a
// parameter file of a few interfaces, and the host's view of a channel's
// outcome through the exports only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "config/ChannelKind.h"
#include "support/Library.h"
#include "support/ParamFile.h"
#include "support/TempDir.h"
#include "support/Wait.h"

// Where interface N's gateway is, for SmallParams.
struct TGatewayAt {
    std::string Ip = "127.0.0.1";
    int Port = 0;
    int UdpTimeout = 30;
    int UdpRetries = 0;
};

// Interfaces 1, 2, ... at these gateways (Baud 115200, Timeout 10, no serial
// retries), the channel lines given, logs on or off. Write it into the LOG
// directory: TParamFile::Write(dir.Path()).
inline TParamFile SmallParams(const std::vector<TGatewayAt>& gateways, const std::vector<std::string>& channels,
                              bool logs) {
    TParamFile p;
    if (!logs) p.LogsOff();
    for (const TGatewayAt& g : gateways) {
        TInterfaceParams r;
        r.Number = static_cast<int>(p.Interfaces.size()) + 1;
        r.Ip = g.Ip;
        r.Port = static_cast<uint16_t>(g.Port);
        r.UdpTimeout = g.UdpTimeout;
        r.UdpRetries = g.UdpRetries;
        r.Timeout = 10;
        p.AddInterface(r);
    }
    p.Channels = channels;
    return p;
}

// Every RUN log of the directory (and RunInfo), concatenated.
inline std::string RunLogs(const TTempDir& dir) { return ReadFilesStartingWith(dir.Path(), "Rv_zr6180Run"); }

// The status of a channel as the host reads it: service channel 6 chooses
// the watched channel, service channel 4 gives its Status.
inline int32_t ChannelStatus(const TLibrary& lib, PData d, uint32_t c) {
    THodnota v{};
    v.TypHodnoty = TypInt;
    v.Hodnota.Cele = static_cast<int32_t>(c);
    lib.OutputRequest(d, 6, v);
    THodnota s{};
    s.TypHodnoty = TypInt;
    s.Hodnota.Cele = -1;
    lib.GetInput(d, 4, &s);
    return s.Hodnota.Cele;
}

// Polls InputFinalized / OutputFinalized until it returns true, at most
// `ms`; false when the request is still running then. Every false return
// marks the channel again, so call-backs are not counted here.
inline bool WaitUntilFinalized(const TLibrary& lib, PData d, uint32_t c, int ms) {
    const bool input = IsInputChannel(c);
    return WaitFor(
        [&] {
            int32_t st = -1;
            return (input ? lib.InputFinalized : lib.OutputFinalized)(d, c, &st) != 0;
        },
        ms, std::chrono::milliseconds(2));
}

// Reads channel c once through the whole cycle; its final status, or -1
// when it did not complete within `ms`.
inline int32_t ReadChannel(const TLibrary& lib, PData d, uint32_t c, int ms = 3000) {
    lib.InputRequest(d, c);
    lib.InputRequestCompleted(d);
    if (!WaitUntilFinalized(lib, d, c, ms)) return -1;
    return ChannelStatus(lib, d, c);
}

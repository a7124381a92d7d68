// What the host itself reads from the parameter file: whether it can be
// read at all, the declared interfaces and the declared channels. Only a
// guide for the tool's messages and its info command; the driver's own
// reader stays the judge of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

struct GatewayInfo {
    int number = 0;  // 1..16
    std::string address;
    uint32_t port = 0;
    uint32_t udpTimeoutMs = 0;
    uint32_t udpRetries = 0;
    uint32_t baud = 0;
    uint32_t timeoutMs = 0;
    uint32_t retries = 0;

    // One UDP attempt's wait, as the driver computes it.
    uint32_t AttemptMs() const;
    uint32_t Attempts() const { return 1 + (udpRetries <= 15 ? udpRetries : 0); }
};

struct ChannelInfo {
    uint32_t channel = 0;
    int gateway = 0;
};

struct ParamFile {
    std::vector<GatewayInfo> gateways;  // declared ones (Typ=ZR-6180)
    std::vector<ChannelInfo> channels;

    const GatewayInfo* GatewayOf(uint32_t channel) const;
    std::vector<uint32_t> DeclaredInputs() const;
};

// False when the file cannot be read; `error` then holds the path and the
// system's reason.
bool ReadParamFile(const std::string& path, ParamFile& out, std::string& error);

}  // namespace host

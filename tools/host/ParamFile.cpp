#include "tools/host/ParamFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "tools/host/Channels.h"
#include "tools/host/Encoding.h"

namespace host {
namespace {

// Serial time per bit rate, as the driver allows for one module exchange.
uint32_t SerialMs(uint32_t baud) {
    switch (baud) {
        case 600: return 405;
        case 1200: return 205;
        case 2400: return 105;
        case 4800: return 55;
        case 9600: return 30;
        case 19200: return 18;
        case 38400: return 12;
        case 57600: return 9;
        case 115200: return 7;
        default: return 0;
    }
}

bool ReadWhole(const std::string& path, std::string& text, std::string& error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = "cannot read the parameter file " + path + ": " + std::strerror(errno);
        return false;
    }
    char buf[8192];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    const int why = errno;
    std::fclose(f);
    if (failed) {
        error = "cannot read the parameter file " + path + ": " + std::strerror(why);
        return false;
    }
    return true;
}

// The file in UTF-8, whichever of the two encodings it was written in.
std::string AsUtf8(std::string text) {
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) return text.substr(3);
    std::string ignored;
    return Utf8ToCp1250(text, ignored) ? text : Cp1250ToUtf8(text);
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Letter case is ignored for ASCII letters only; enough for a guide.
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

uint32_t Number(const std::string& s) {
    uint32_t v = 0;
    return ParseUnsigned(Trim(s), v) ? v : 0;
}

void SetKey(GatewayInfo& g, bool& declared, const std::string& key, const std::string& value) {
    if (key == "typ") declared = Trim(value) == "ZR-6180";
    else if (key == "ip adresa") g.address = Trim(value);
    else if (key == "udp port") g.port = Number(value);
    else if (key == "udp timeout") g.udpTimeoutMs = Number(value);
    else if (key == "udp opakování") g.udpRetries = Number(value);
    else if (key == "baud") g.baud = Number(value);
    else if (key == "timeout") g.timeoutMs = Number(value);
    else if (key == "opakování") g.retries = Number(value);
}

void AddChannel(ParamFile& p, const std::string& line) {
    std::istringstream in(line);
    std::string ch, k;
    ChannelInfo c;
    if (!(in >> ch >> k) || !ParseUnsigned(ch, c.channel)) return;
    c.gateway = static_cast<int>(Number(k));
    p.channels.push_back(c);
}

void Parse(const std::string& text, ParamFile& p) {
    std::istringstream in(text);
    std::string line;
    GatewayInfo g;
    bool declared = false, inGateway = false, inChannels = false;
    const auto closeGateway = [&] {
        if (inGateway && declared) p.gateways.push_back(g);
        inGateway = false;
    };
    const std::string prefix = "[deklarace rozhraní ";
    while (std::getline(in, line)) {
        const std::string t = Trim(line);
        if (inChannels) {
            AddChannel(p, t);
            continue;
        }
        if (t.empty() || t[0] == ';') continue;
        if (t[0] == '[') {
            closeGateway();
            const std::string s = Lower(t);
            if (s == "[deklarace kanálů]") inChannels = true;
            if (s.rfind(prefix, 0) == 0 && s.back() == ']') {
                g = GatewayInfo{};
                g.number = static_cast<int>(Number(s.substr(prefix.size(), s.size() - prefix.size() - 1)));
                declared = false;
                inGateway = g.number >= 1 && g.number <= 16;
            }
            continue;
        }
        const auto eq = t.find('=');
        if (inGateway && eq != std::string::npos) SetKey(g, declared, Lower(Trim(t.substr(0, eq))), t.substr(eq + 1));
    }
    closeGateway();
}

}  // namespace

uint32_t GatewayInfo::AttemptMs() const {
    const uint32_t r = retries <= 15 ? retries : 0;
    return (SerialMs(baud) + timeoutMs) * (r + 1) + udpTimeoutMs;
}

const GatewayInfo* ParamFile::GatewayOf(uint32_t channel) const {
    for (const ChannelInfo& c : channels) {
        if (c.channel != channel) continue;
        for (const GatewayInfo& g : gateways)
            if (g.number == c.gateway) return &g;
    }
    return nullptr;
}

std::vector<uint32_t> ParamFile::DeclaredInputs() const {
    std::vector<uint32_t> out;
    for (const ChannelInfo& c : channels)
        if (c.channel >= 100 && c.channel <= 2999 && std::find(out.begin(), out.end(), c.channel) == out.end())
            out.push_back(c.channel);
    return out;
}

bool ReadParamFile(const std::string& path, ParamFile& out, std::string& error) {
    std::string text;
    if (!ReadWhole(path, text, error)) return false;
    Parse(AsUtf8(std::move(text)), out);
    return true;
}

}  // namespace host

#include "tools/host/Parameters.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <cstring>

#include "config/ChannelKind.h"
#include "config/GatewayRules.h"
#include "config/Ini.h"
#include "tools/host/Encoding.h"

namespace host {

bool ReadParameters(const std::string& path, Parameters& out, std::string& error) {
    out.path = path;
    int why = 0;
    const bool readable = out.readable = LoadParameterFile(path, out.text, &why);
    Parameters::Tables& t = *out.t;
    out.settings = CtiNastaveni(path, t.cfg);
    out.interfaces = CtiRozhrani(path, t.cfg, t.rozhrani);
    out.channels = CtiKanaly(path, t.cfg, t.rozhrani, t.channelTable, &out.report);
    if (!readable && why == 0) {
        // The reader refuses what is no regular file, or too large, without a system error.
        std::error_code e;
        why = std::filesystem::is_directory(path, e) ? EISDIR : 0;
    }
    if (!readable)
        error = "cannot read the parameter file " + path + ": " +
                (why != 0 ? std::strerror(why) : "not a regular file of at most 256 MiB");
    return readable;
}

const TRozhrani* Parameters::GatewayOf(uint32_t channel) const {
    if (!IsChannel(channel) || t->channelTable[channel].Pouzit == 0) return nullptr;
    const int r = t->channelTable[channel].Rozhrani;
    if (!IsInterface(r) || t->rozhrani[r].Pouzito == 0) return nullptr;
    return &t->rozhrani[r];
}

std::vector<uint32_t> Parameters::DeclaredInputs() const {
    std::vector<uint32_t> out;
    for (const TChannelReport::TDeclaration& d : report.Declarations) {
        const uint32_t c = static_cast<uint32_t>(d.Channel);
        if (IsInputChannel(c) && std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
    }
    return out;
}

std::string Parameters::CodeOf(uint32_t channel) const {
    if (!IsChannel(channel) || t->channelTable[channel].Pouzit == 0) return "";
    return Cp1250ToUtf8(t->channelTable[channel].Kod);
}

std::string Parameters::NameOf(uint32_t channel) const {
    if (!IsChannel(channel) || t->channelTable[channel].Pouzit == 0) return "";
    return Cp1250ToUtf8(t->channelTable[channel].Nazev);
}

uint32_t AttemptMs(const TRozhrani& r) { return LimitLanRozhrani(r.Baud, r.Timeout, r.Opakovani, r.UdpTimeout); }

uint32_t Attempts(const TRozhrani& r) { return static_cast<uint32_t>(AttemptCount(r.UdpOpakovani)); }

}  // namespace host

#include "support/ParamFile.h"

#include "base/Cp1250.h"
#include "support/TempDir.h"

namespace {

std::string Number(long long v) { return std::to_string(v); }

void Key(std::string& t, std::string_view key, int v) {
    if (v != kKeyLeftOut) t += std::string(key) + "=" + Number(v) + "\r\n";
}

}  // namespace

TParamFile& TParamFile::AddInterfaces(const std::vector<uint16_t>& ports, const TInterfaceParams& like) {
    for (uint16_t port : ports) {
        TInterfaceParams r = like;
        r.Number = static_cast<int>(Interfaces.size()) + 1;
        r.Port = port;
        Interfaces.push_back(r);
    }
    return *this;
}

TParamFile& TParamFile::LogsOff() {
    LogEnabled = 0;
    RunEnabled = kKeyLeftOut;
    InterfaceLog = kKeyLeftOut;
    return *this;
}

std::string TParamFile::Settings(const std::string& dir) const {
    std::string t;
    t += "[Logovací soubor]\r\n"_cp;
    Key(t, "Povolen", LogEnabled);
    if (!LogName.empty()) t += std::string("Název souboru="_cp) + LogName + "\r\n";
    Key(t, "Povolen RUN", RunEnabled);
    Key(t, "Počet RUN souborů"_cp, RunFiles);
    Key(t, "Povolen log rozhraní"_cp, InterfaceLog);
    t += std::string("Adresář LOG souborů="_cp) + (LogDir.empty() ? dir : LogDir) + "\r\n";
    t += "[Diagnostické okno]\r\n"_cp;
    Key(t, "Povoleno", Window);
    for (const TInterfaceParams& r : Interfaces) {
        t += std::string("[Deklarace rozhraní "_cp) + Number(r.Number) + "]\r\n";
        t += "Typ=ZR-6180\r\n";
        if (r.Demo != 0) Key(t, "Režim demo"_cp, r.Demo);
        t += "IP adresa=" + r.Ip + "\r\n";
        Key(t, "UDP port", r.Port);
        Key(t, "UDP timeout", r.UdpTimeout);
        Key(t, "UDP opakování"_cp, r.UdpRetries);
        Key(t, "Baud", r.Baud);
        Key(t, "Timeout", r.Timeout);
        Key(t, "Opakování"_cp, r.Retries);
    }
    return t;
}

std::string TParamFile::Text(const std::string& dir) const {
    std::string t = Settings(dir);
    t += "[Deklarace kanálů]\r\n"_cp;
    for (const std::string& k : Channels) t += k + "\r\n";
    return t;
}

std::string TParamFile::Write(const std::string& dir, const std::string& name) const {
    const std::string path = dir + "/" + name;
    WriteFile(path, Text(dir));
    return path;
}

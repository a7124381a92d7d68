// A parameter file from a few settings: the one way the tests write one.
// Texts are CP1250, lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A key written only when set to something else.
constexpr int kKeyLeftOut = -1;

// One "[Deklarace rozhraní N]" section.
struct TInterfaceParams {
    int Number = 1;
    uint16_t Port = 0;
    std::string Ip = "127.0.0.1";
    int UdpTimeout = 200;
    int UdpRetries = 0;
    int Baud = 115200;
    int Timeout = 0;
    int Retries = 0;
    int Demo = 0;  // 0: key left out
};

struct TParamFile {
    std::string LogDir;       // "Adresář LOG souborů"; empty: the directory given to Text
    int LogEnabled = 1;
    std::string LogName;      // empty: key left out (default name)
    int RunEnabled = 1;       // these three may be kKeyLeftOut
    int RunFiles = kKeyLeftOut;
    int InterfaceLog = 1;
    int Window = 0;
    std::vector<TInterfaceParams> Interfaces;
    std::vector<std::string> Channels;  // declaration lines after "[Deklarace kanálů]"

    // One interface in demo mode and channel 100 with these texts, for the window's tests.
    static TParamFile DemoWindow(int window, const std::string& code, const std::string& name) {
        TParamFile p;
        p.Window = window;
        p.AddInterface({.Demo = 1});
        p.AddChannel("100 1 1 0 0 \"" + code + "\" \"" + name + "\" \"popis\"");
        return p;
    }
    TParamFile& AddInterface(const TInterfaceParams& r) { Interfaces.push_back(r); return *this; }
    TParamFile& AddChannel(const std::string& line) { Channels.push_back(line); return *this; }
    // Interfaces 1, 2, ... on 127.0.0.1 at these ports, every other key as given.
    TParamFile& AddInterfaces(const std::vector<uint16_t>& ports, const TInterfaceParams& like);
    // Every log key off and no LOG directory's contents to expect.
    TParamFile& LogsOff();
    std::string Settings(const std::string& dir) const;  // the INI part
    std::string Text(const std::string& dir) const;      // the whole file
    // Text(dir) written as dir/name; the path.
    std::string Write(const std::string& dir, const std::string& name = "param.ini") const;
};

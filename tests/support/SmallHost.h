// A small host for end-to-end tests: a parameter file of a few interfaces,
// a driver instance that is always stopped and released, and the host's
// view of a channel's outcome through the exports only.
#pragma once

#include <dirent.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"
#include "support/Library.h"

struct TRozhraniTestu {
    std::string Adresa = "127.0.0.1";
    int Port = 0;
    int UdpTimeout = 30;
    int UdpOpakovani = 0;
};

// Logs on or off; the LOG directory is the temp directory itself. Channels:
// "cislo rozhrani adresa periferie subperiferie" lines.
inline std::string ParametryTestu(const TTempDir& dir, const std::vector<TRozhraniTestu>& rozhrani,
                                  const std::vector<std::string>& kanaly, bool logy) {
    std::string t = "[Logovací soubor]\r\n";
    t += logy ? "Povolen=1\r\nPovolen RUN=1\r\nPovolen log rozhraní=1\r\n" : "Povolen=0\r\n";
    t += "Adresář LOG souborů=" + dir.Cesta() + "\r\n[Diagnostické okno]\r\nPovoleno=0\r\n";
    for (std::size_t i = 0; i < rozhrani.size(); ++i) {
        const TRozhraniTestu& r = rozhrani[i];
        t += "[Deklarace rozhraní " + std::to_string(i + 1) + "]\r\nTyp=ZR-6180\r\n";
        t += "IP adresa=" + r.Adresa + "\r\nUDP port=" + std::to_string(r.Port) + "\r\n";
        t += "UDP timeout=" + std::to_string(r.UdpTimeout) + "\r\nUDP opakování=" + std::to_string(r.UdpOpakovani);
        t += "\r\nBaud=115200\r\nTimeout=10\r\nOpakování=0\r\n";
    }
    t += "[Deklarace kanálů]\r\n";
    for (const std::string& k : kanaly) t += k + "\r\n";
    const std::string cesta = dir / "param.ini";
    ZapisSoubor(cesta, t);  // UTF-8: the reader converts it
    return cesta;
}

// Every RUN log of the directory, concatenated.
inline std::string RunLogy(const TTempDir& dir) {
    std::string v;
    if (DIR* d = opendir(dir.Cesta().c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.rfind("Rv_zr6180Run", 0) == 0) v += CtiSoubor(dir / n);
        }
        closedir(d);
    }
    return v;
}

// The status of a channel as the host reads it: service channel 6 chooses
// the watched channel, service channel 4 gives its Status.
inline int32_t StatusKanalu(const TLibrary& lib, PData d, uint32_t c) {
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
inline bool CekejNaDokonceni(const TLibrary& lib, PData d, uint32_t c, int ms) {
    const bool vstup = c >= 100 && c <= 2999;
    const auto konec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int32_t st = -1;
        if ((vstup ? lib.InputFinalized : lib.OutputFinalized)(d, c, &st)) return true;
        if (std::chrono::steady_clock::now() >= konec) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Reads channel c once through the whole cycle; its final status, or -1
// when it did not complete within `ms`.
inline int32_t PrectiKanal(const TLibrary& lib, PData d, uint32_t c, int ms = 3000) {
    lib.InputRequest(d, c);
    lib.InputRequestCompleted(d);
    if (!CekejNaDokonceni(lib, d, c, ms)) return -1;
    return StatusKanalu(lib, d, c);
}

// Test support for the queue and thread tests: a driver state set up as Init
// leaves it, a clock that tests move by hand, a raw UDP gateway stand-in on
// 127.0.0.1 and readers of the communication logs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <thread>

#include "comm/Logy.h"
#include "comm/VlaknoCallBack.h"
#include "comm/VlaknoRozhrani.h"
#include "platform/Hodiny.h"
#include "config/Model.h"
#include "podpora/Adresar.h"

namespace podpora_vlaken {

// Follows the system tick with an offset until a test freezes it at a value.
class TTestHodiny final : public THodiny {
public:
    uint32_t Tick() const override {
        return rucne_.load() ? tick_.load() : SystemoveHodiny().Tick() + posun_.load();
    }
    int64_t RealMs() const override {
        const int64_t r = real_.load();
        return r != INT64_MIN ? r : SystemoveHodiny().RealMs();
    }
    void Zmraz(uint32_t t) { tick_ = t; rucne_ = true; }
    void Posun(uint32_t o) { posun_ = o; }
    void NastavReal(int64_t ms) { real_ = ms; }

private:
    std::atomic<bool> rucne_{false};
    std::atomic<uint32_t> tick_{0};
    std::atomic<uint32_t> posun_{0};
    std::atomic<int64_t> real_{INT64_MIN};
};

// A gateway stand-in: one UDP socket on 127.0.0.1 that answers the last sender.
class TProtistrana {
public:
    TProtistrana() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t n = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
    }
    ~TProtistrana() { close(fd_); }
    int Port() const { return port_; }

    std::optional<std::string> Prijmi(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return std::nullopt;
        char b[9000];
        socklen_t n = sizeof odesilatel_;
        const ssize_t r = recvfrom(fd_, b, sizeof b, 0, reinterpret_cast<sockaddr*>(&odesilatel_), &n);
        if (r < 0) return std::nullopt;
        mameOdesilatele_ = true;
        return std::string(b, static_cast<std::size_t>(r));
    }
    // Datagrams that arrive within `ms`.
    int Pocet(int ms) {
        int n = 0;
        const auto konec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < konec)
            if (Prijmi(5)) ++n;
        return n;
    }
    void Odpovez(std::string_view data) {
        if (!mameOdesilatele_) return;
        sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&odesilatel_), sizeof odesilatel_);
    }

private:
    int fd_ = -1;
    int port_ = 0;
    sockaddr_in odesilatel_{};
    bool mameOdesilatele_ = false;
};

inline std::string Hex2(unsigned b) {
    char t[3];
    std::snprintf(t, sizeof t, "%02X", b & 0xFFu);
    return t;
}

inline std::string HexLe(uint32_t v, int bajtu) {
    std::string s;
    for (int i = 0; i < bajtu; ++i) s += Hex2((v >> (8 * i)) & 0xFF);
    return s;
}

// Two's complement of the sum of the character codes.
inline std::string Soucet(std::string_view telo) {
    unsigned s = 0;
    for (unsigned char z : telo) s += z;
    return Hex2((256 - (s & 0xFF)) & 0xFF);
}

struct TData16 {
    uint8_t b[16] = {};
};

// An answer packet of a gateway, 68 characters plus the line end given.
inline std::string Odpoved(uint32_t id, uint8_t status, uint16_t rs, uint8_t bajt, uint32_t znacka, uint8_t sr,
                           TData16 data = {}, std::string_view konec = "\r\n") {
    std::string telo = HexLe(id, 4) + Hex2(status) + HexLe(rs, 2) + Hex2(bajt) + HexLe(znacka, 4) + Hex2(sr);
    for (uint8_t b : data.b) telo += Hex2(b);
    return "[VUZIV2]" + telo + Soucet(telo) + std::string(konec);
}

// The part of a RUN line from its label on.
inline std::string RunCast(std::string_view znacka, int32_t K, int32_t R, int32_t S, std::string_view text) {
    std::string s(znacka);
    s += ", ";
    if (K != Nic) s += "K=" + (std::to_string(K) + ",     ").substr(0, 6);
    if (R != Nic) s += "R=" + (std::to_string(R) + ",     ").substr(0, 4);
    if (S != Nic) s += "S=" + std::to_string(S) + ", ";
    s += text;
    return s;
}

inline int Vyskytu(const std::string& kde, const std::string& co) {
    int n = 0;
    for (std::size_t i = kde.find(co); i != std::string::npos; i = kde.find(co, i + co.size())) ++n;
    return n;
}

inline bool CekejNa(const std::function<bool()>& p, int ms) {
    const auto konec = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!p()) {
        if (std::chrono::steady_clock::now() >= konec) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline int64_t MsOd(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

// A driver state as Init leaves it: interface 1 declared, logs on in a
// temporary directory, the instance's clock a test clock.
class TStav {
public:
    TStav() : d(std::make_unique<TData>()) {
        VycistiKanaly(d->Kanaly);
        VycistiRozhrani(d->Rozhrani);
        for (auto& f : d->Fronty) VycistiFrontu(f);
        d->Cfg.LogAdresar = adresar.Cesta() + "/";
        d->Cfg.RunPovolen = 1;
        d->Cfg.RunPocet = 1;
        d->Cfg.RunCislo = 1;
        d->Cfg.ErrCislo = 1;
        d->Cfg.LogRozhraniPovolen = 1;
        d->MonitorovanyKanal = 99;
        d->MonitorovaneRozhrani = 1;
        d->Hodiny.store(&hodiny);
        Rozhrani(1, 9600, 200, 2, 2000, 0);
        Kanal(1005, 1, 5, 3);
    }
    ~TStav() { Zastav(); }

    TRozhrani& Rozhrani(int k, int32_t baud, int32_t timeout, int32_t opakovani, int32_t udpTimeout,
                        int32_t udpOpakovani) {
        TRozhrani& r = d->Rozhrani[k];
        r.Pouzito = 1;
        r.Cislo = static_cast<uint8_t>(k);
        r.Typ = "ZR-6180";
        r.IPAdresa = "127.0.0.1";
        r.UdpPort = protistrana.Port();
        r.Baud = baud;
        r.Timeout = timeout;
        r.Opakovani = opakovani;
        r.UdpTimeout = udpTimeout;
        r.UdpOpakovani = udpOpakovani;
        r.Status = 0;
        return r;
    }
    TKanal& Kanal(int c, int k, uint8_t adresa, uint8_t periferie) {
        TKanal& ch = d->Kanaly[c];
        ch.Pouzit = 1;
        ch.Rozhrani = static_cast<uint8_t>(k);
        ch.Adresa = adresa;
        ch.Periferie = periferie;
        return ch;
    }
    void Zastav() {
        d->VlaknoCallBack.reset();
        for (auto& v : d->Vlakna) v.reset();
    }

    std::string Soubor(const std::string& jmeno) const { return CtiSoubor(adresar / jmeno); }
    std::string RunLog() const { return Soubor("Rv_zr6180Run001.log"); }
    std::string ErrLog() const { return Soubor("Rv_zr6180Err1.log"); }
    std::string CbLog() const { return Soubor("Rv_zr6180_CB.log"); }
    // Every daily file of the interface, in name order.
    std::string LogRozhrani(int k) const {
        std::string vse;
        const std::string predpona = "Rv_zr6180_R" + std::to_string(k) + "_";
        std::vector<std::string> jmena;
        for (const auto& e : std::filesystem::directory_iterator(adresar.Cesta()))
            if (e.path().filename().string().rfind(predpona, 0) == 0) jmena.push_back(e.path().string());
        std::sort(jmena.begin(), jmena.end());
        for (const auto& j : jmena) vse += CtiSoubor(j);
        return vse;
    }

    TDocasnyAdresar adresar;
    TTestHodiny hodiny;
    TProtistrana protistrana;
    std::unique_ptr<TData> d;
};

}  // namespace podpora_vlaken

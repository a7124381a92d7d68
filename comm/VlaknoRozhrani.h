// The interface thread: one per declared interface. It serves its queue one
// request at a time, exchanging VUZIV2 datagrams with the gateway, and stores
// each outcome in the channel, module and interface records.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "comm/Fronta.h"
#include "comm/Logy.h"
#include "comm/Paket.h"
#include "platform/Thread.h"
#include "platform/Udp.h"
#include "config/Model.h"
#include "base/Contained.h"
#include "base/Radek.h"

// What a request packet and its waits need of the interface record (the
// full record holds texts and the per-channel status table).
struct TKopieRozhrani {
    uint8_t Demo = 0;
    std::string IPAdresa;
    int32_t UdpPort = 0;
    int32_t UdpTimeout = 0;
    int32_t UdpOpakovani = 0;
    int32_t Baud = 0;
    int32_t Timeout = 0;
    int32_t Opakovani = 0;
};

// What a request packet needs of the channel record.
struct TKopieKanalu {
    uint32_t Cislo = 0;
    uint8_t Adresa = 0;
    uint8_t Funkce = 0;
    uint8_t Periferie = 0;
    uint8_t DataZapis[4] = {};
};

class TThreadRozhrani final : public TThread {
public:
    TThreadRozhrani(TData* d, uint8_t cislo);
    ~TThreadRozhrani() override;  // Stop + Join

    bool Start();  // false when no thread could be created

    void Execute() override;
    void KrokKomunikace();

    static std::string_view OrizniKonec(std::string_view t);
    static TText<4> KanalText4(uint32_t c);

private:
    enum class TKrok { Dal, Hotovo, Stop, Chyba };

    void RunStep();
    void AfterException();
    TKrok Obsluz(uint32_t c);
    TKrok Vyprazdni(uint32_t c);
    TKrok CekejNaOdpoved(uint32_t c, uint32_t limitLan, uint32_t& uplynulo);
    TKrok Zpracuj(uint32_t c, std::string_view prijato);
    TKrok Timeout(uint32_t c);
    void Vyjimka(uint32_t c);
    // Stores the outcome; `stav` >= 0 is the request state published with it.
    bool UlozOdpoved(uint32_t c, const TOdpoved& o, int32_t stav);
    void OhlasCallBacku(uint32_t c);
    void ObnovKopie(uint32_t c);
    void PrepniLogy();
    void Spi(int64_t doKonceHodiny);

    void Trace(std::string_view znacka, uint32_t c, int32_t S, std::string_view text);
    void TraceFronta(std::string_view znacka, uint32_t c, std::string_view konec, int32_t S = Nic);
    template <class... A>
    void LogKanalu(uint32_t c, const A&... casti);
    void ZpravaDoErr(std::string_view druh, std::string_view text, uint32_t c);

public:
    TUdp Udp;
    TData* PData;
    uint8_t CisloRozhrani;
    TKopieRozhrani KopieRozhrani;
    TKopieKanalu KopieKanalu;

private:
    uint32_t generace_ = 0;   // wake-up generation seen before the last look for work
    // What the last UlozOdpoved stored, for the trace after it: once Hotovo
    // is set the host and the call-back thread may move the record on.
    int32_t ulozenyStav_ = 0;
    uint32_t ulozenaDobaLan_ = 0;
    uint32_t current_ = 0;    // channel taken from the queue and not yet stored; 0: none
    THodinaFronty hodina_;
};

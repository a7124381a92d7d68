// VUZIV2 packets between the driver and a ZR-6180 gateway (unit Zr6180_drv):
// building requests and decoding answers. The baud codes and serial time
// allowances are the gateway's rules, shared with the parameter reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/GatewayRules.h"
#include "config/Model.h"
#include "base/Text.h"

using TPaket = TText<64>;

TPaket SestavPaket(uint32_t id, uint8_t kodRychlosti, uint16_t timeout, uint8_t retries, uint8_t adresa,
                   uint8_t function, uint8_t periphery, uint8_t reserved, const uint8_t data[4]);

// What a request packet and its waits need of the interface record (the
// full record holds texts and the per-channel status table).
struct TKopieRozhrani {
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

// Each shared field is loaded once, so that a packet is built from one
// consistent set of values even while other threads update the records.
// The address text keeps its capacity from one request to the next.
void CopyInterface(const TRozhrani& r, TKopieRozhrani& copy);
void CopyChannel(const TKanal& k, TKopieKanalu& copy);

// The request packet of a channel; the only place that builds one.
TPaket PaketPozadavku(const TKopieRozhrani& r, const TKopieKanalu& k);

struct TOdpoved {
    uint32_t Id = 0;
    uint8_t Status = 0;
    uint16_t DobaRS = 0;
    uint8_t BajtOdpovedi = 0;
    uint32_t CasovaZnacka = 0;
    uint8_t StatusRegistr = 0;
    uint8_t Data[16] = {};
};

// The numbers are the ones the interface log shows ("Err=").
enum class TPacketResult : uint8_t {
    Valid = 0,
    TooShort = 1,
    BadTag = 2,
    BadChecksum = 3,
    BadHex = 4,
};
TPacketResult RozeberPaket(std::string_view text, TOdpoved& o);

// VUZIV2 packets between the driver and a ZR-6180 gateway (unit Zr6180_drv):
// baud codes, serial time allowances, building requests and decoding answers.
#pragma once

#include <cstdint>
#include <string_view>

#include "config/Model.h"
#include "base/Radek.h"

using TPaket = TText<64>;

uint8_t KodRychlosti(int32_t baud);
int32_t BaudCas(uint32_t kod);

TPaket SestavPaket(uint32_t id, uint8_t kodRychlosti, uint16_t timeout, uint8_t opakovani, uint8_t adresa,
                   uint8_t funkce, uint8_t periferie, uint8_t rezerva, const uint8_t data[4]);
TPaket PaketPozadavku(const TRozhrani& r, const TKanal& k);

struct TOdpoved {
    uint32_t Id = 0;
    uint8_t Status = 0;
    uint16_t DobaRS = 0;
    uint8_t BajtOdpovedi = 0;
    uint32_t CasovaZnacka = 0;
    uint8_t StatusRegistr = 0;
    uint8_t Data[16] = {};
};

// 0 valid, 1 too short, 2 bad tag, 3 bad checksum, 4 bad hex field.
uint8_t RozeberPaket(std::string_view text, TOdpoved& o);

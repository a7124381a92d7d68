#include "comm/Paket.h"

#include <iterator>

namespace {

constexpr std::string_view Znacka = "[VUZIV2]";
constexpr char HexCifry[] = "0123456789ABCDEF";

// Answer layout: 1-based positions of the checksum and the minimum length.
constexpr std::size_t KonecDatOdpovedi = 66;
constexpr std::size_t DelkaOdpovediMin = 70;

void PridejBajt(TPaket& p, uint8_t b) {
    const char t[2] = {HexCifry[b >> 4], HexCifry[b & 15]};
    p.Add(std::string_view(t, 2));
}

// The gateway sums the hex characters themselves, not the bytes they encode.
uint8_t KontrolniSoucet(std::string_view znaky) {
    uint8_t soucet = 0;
    for (char z : znaky) soucet = static_cast<uint8_t>(soucet + static_cast<uint8_t>(z));
    return static_cast<uint8_t>(0u - soucet);
}

int HodnotaCifry(char z) {
    if (z >= '0' && z <= '9') return z - '0';
    if (z >= 'A' && z <= 'F') return z - 'A' + 10;
    if (z >= 'a' && z <= 'f') return z - 'a' + 10;
    return -1;
}

// Two characters at 1-based position `pozice`; the caller guarantees the length.
bool CtiBajt(std::string_view t, std::size_t pozice, uint8_t& b) {
    const int h = HodnotaCifry(t[pozice - 1]);
    const int l = HodnotaCifry(t[pozice]);
    if (h < 0 || l < 0) return false;
    b = static_cast<uint8_t>(h * 16 + l);
    return true;
}

bool CtiSlovo32(std::string_view t, std::size_t pozice, uint32_t& v) {
    v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        uint8_t b = 0;
        if (!CtiBajt(t, pozice + 2 * i, b)) return false;
        v |= static_cast<uint32_t>(b) << (8 * i);
    }
    return true;
}

bool CtiPole(std::string_view t, TOdpoved& o) {
    uint8_t dobaL = 0, dobaH = 0;
    if (!CtiSlovo32(t, 9, o.Id) || !CtiBajt(t, 17, o.Status) || !CtiBajt(t, 19, dobaL) ||
        !CtiBajt(t, 21, dobaH) || !CtiBajt(t, 23, o.BajtOdpovedi) || !CtiSlovo32(t, 25, o.CasovaZnacka) ||
        !CtiBajt(t, 33, o.StatusRegistr))
        return false;
    o.DobaRS = static_cast<uint16_t>(dobaL | (dobaH << 8));
    for (std::size_t i = 0; i < 16; ++i)
        if (!CtiBajt(t, 35 + 2 * i, o.Data[i])) return false;
    return true;
}

}  // namespace

uint8_t KodRychlosti(int32_t baud) {
    switch (baud) {
        case 600: return 0;
        case 1200: return 1;
        case 2400: return 2;
        case 4800: return 3;
        case 9600: return 4;
        case 19200: return 5;
        case 38400: return 6;
        case 57600: return 7;
        case 115200: return 8;
        default: return 4;
    }
}

int32_t BaudCas(uint32_t kod) {
    static constexpr int32_t Cas[] = {405, 205, 105, 55, 30, 18, 12, 9, 7};
    return kod < std::size(Cas) ? Cas[kod] : 30;
}

TPaket SestavPaket(uint32_t id, uint8_t kodRychlosti, uint16_t timeout, uint8_t opakovani, uint8_t adresa,
                   uint8_t funkce, uint8_t periferie, uint8_t rezerva, const uint8_t data[4]) {
    TPaket p(Znacka);
    for (int i = 0; i < 4; ++i) PridejBajt(p, static_cast<uint8_t>(id >> (8 * i)));
    PridejBajt(p, kodRychlosti);
    PridejBajt(p, static_cast<uint8_t>(timeout & 0xFF));
    PridejBajt(p, static_cast<uint8_t>(timeout >> 8));
    PridejBajt(p, opakovani);
    PridejBajt(p, adresa);
    PridejBajt(p, funkce);
    PridejBajt(p, periferie);
    PridejBajt(p, rezerva);
    for (int i = 0; i < 4; ++i) PridejBajt(p, data[i]);
    PridejBajt(p, KontrolniSoucet(p.sv().substr(Znacka.size())));
    p.Add("\r\n");
    return p;
}

void CopyInterface(const TRozhrani& r, TKopieRozhrani& kopie) {
    kopie.IPAdresa.assign(r.IPAdresa);  // Init's text, read-only while threads run
    kopie.UdpPort = r.UdpPort;
    kopie.UdpTimeout = r.UdpTimeout;
    kopie.UdpOpakovani = r.UdpOpakovani;
    kopie.Baud = r.Baud;
    kopie.Timeout = r.Timeout;
    kopie.Opakovani = r.Opakovani;
}

void CopyChannel(const TKanal& k, TKopieKanalu& kopie) {
    kopie.Cislo = static_cast<uint32_t>(k.Cislo);
    kopie.Adresa = k.Adresa;
    kopie.Funkce = k.Funkce;
    kopie.Periferie = k.Periferie;
    for (int i = 0; i < 4; ++i) kopie.DataZapis[i] = k.DataZapis[i];
}

TPaket PaketPozadavku(const TKopieRozhrani& r, const TKopieKanalu& k) {
    return SestavPaket(k.Cislo, KodRychlosti(r.Baud), static_cast<uint16_t>(r.Timeout),
                       static_cast<uint8_t>(r.Opakovani), k.Adresa, k.Funkce, k.Periferie, 0, k.DataZapis);
}

uint8_t RozeberPaket(std::string_view text, TOdpoved& o) {
    const std::size_t zacatek = text.find('[');
    const std::string_view t = zacatek == std::string_view::npos ? std::string_view() : text.substr(zacatek);
    if (t.size() < DelkaOdpovediMin) return 1;
    if (t.substr(0, Znacka.size()) != Znacka) return 2;

    const uint8_t soucet = KontrolniSoucet(t.substr(Znacka.size(), KonecDatOdpovedi - Znacka.size()));
    // Upper-case only: the gateway never writes lower-case checksum digits.
    if (t[KonecDatOdpovedi] != HexCifry[soucet >> 4] || t[KonecDatOdpovedi + 1] != HexCifry[soucet & 15])
        return 3;

    TOdpoved nova;
    if (!CtiPole(t, nova)) return 4;
    o = nova;
    return 0;
}

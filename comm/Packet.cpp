#include "comm/Packet.h"

namespace {

constexpr std::string_view PacketTag = "[VUZIV2]";
constexpr char HexDigits[] = "0123456789ABCDEF";

// Answer layout: 1-based positions of the checksum and the minimum length.
constexpr std::size_t AnswerDataEnd = 66;
constexpr std::size_t MinAnswerSize = 70;

void AddByte(TPaket& p, uint8_t b) {
    const char t[2] = {HexDigits[b >> 4], HexDigits[b & 15]};
    p.Add(std::string_view(t, 2));
}

// The gateway sums the hex characters themselves, not the bytes they encode.
uint8_t Checksum(std::string_view chars) {
    uint8_t sum = 0;
    for (char z : chars) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(z));
    return static_cast<uint8_t>(0u - sum);
}

int DigitValue(char z) {
    if (z >= '0' && z <= '9') return z - '0';
    if (z >= 'A' && z <= 'F') return z - 'A' + 10;
    if (z >= 'a' && z <= 'f') return z - 'a' + 10;
    return -1;
}

// Two characters at 1-based position `position`; the caller guarantees the length.
bool ReadByte(std::string_view t, std::size_t position, uint8_t& b) {
    const int h = DigitValue(t[position - 1]);
    const int l = DigitValue(t[position]);
    if (h < 0 || l < 0) return false;
    b = static_cast<uint8_t>(h * 16 + l);
    return true;
}

bool ReadWord32(std::string_view t, std::size_t position, uint32_t& v) {
    v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        uint8_t b = 0;
        if (!ReadByte(t, position + 2 * i, b)) return false;
        v |= static_cast<uint32_t>(b) << (8 * i);
    }
    return true;
}

bool ReadFields(std::string_view t, TOdpoved& o) {
    uint8_t dobaL = 0, dobaH = 0;
    if (!ReadWord32(t, 9, o.Id) || !ReadByte(t, 17, o.Status) || !ReadByte(t, 19, dobaL) ||
        !ReadByte(t, 21, dobaH) || !ReadByte(t, 23, o.BajtOdpovedi) || !ReadWord32(t, 25, o.CasovaZnacka) ||
        !ReadByte(t, 33, o.StatusRegistr))
        return false;
    o.DobaRS = static_cast<uint16_t>(dobaL | (dobaH << 8));
    for (std::size_t i = 0; i < 16; ++i)
        if (!ReadByte(t, 35 + 2 * i, o.Data[i])) return false;
    return true;
}

}  // namespace

TPaket SestavPaket(uint32_t id, uint8_t kodRychlosti, uint16_t timeout, uint8_t retries, uint8_t adresa,
                   uint8_t function, uint8_t periphery, uint8_t reserved, const uint8_t data[4]) {
    TPaket p(PacketTag);
    for (int i = 0; i < 4; ++i) AddByte(p, static_cast<uint8_t>(id >> (8 * i)));
    AddByte(p, kodRychlosti);
    AddByte(p, static_cast<uint8_t>(timeout & 0xFF));
    AddByte(p, static_cast<uint8_t>(timeout >> 8));
    AddByte(p, retries);
    AddByte(p, adresa);
    AddByte(p, function);
    AddByte(p, periphery);
    AddByte(p, reserved);
    for (int i = 0; i < 4; ++i) AddByte(p, data[i]);
    AddByte(p, Checksum(p.sv().substr(PacketTag.size())));
    p.Add("\r\n");
    return p;
}

void CopyInterface(const TRozhrani& r, TKopieRozhrani& copy) {
    copy.IPAdresa.assign(r.IPAdresa);  // Init's text, read-only while threads run
    copy.UdpPort = r.UdpPort;
    copy.UdpTimeout = r.UdpTimeout;
    copy.UdpOpakovani = r.UdpOpakovani;
    copy.Baud = r.Baud;
    copy.Timeout = r.Timeout;
    copy.Opakovani = r.Opakovani;
}

void CopyChannel(const TKanal& k, TKopieKanalu& copy) {
    copy.Cislo = static_cast<uint32_t>(k.Cislo);
    copy.Adresa = k.Adresa;
    copy.Funkce = k.Funkce;
    copy.Periferie = k.Periferie;
    for (int i = 0; i < 4; ++i) copy.DataZapis[i] = k.DataZapis[i];
}

TPaket PaketPozadavku(const TKopieRozhrani& r, const TKopieKanalu& k) {
    return SestavPaket(k.Cislo, KodRychlosti(r.Baud), static_cast<uint16_t>(r.Timeout),
                       static_cast<uint8_t>(r.Opakovani), k.Adresa, k.Funkce, k.Periferie, 0, k.DataZapis);
}

TPacketResult RozeberPaket(std::string_view text, TOdpoved& o) {
    const std::size_t start = text.find('[');
    const std::string_view t = start == std::string_view::npos ? std::string_view() : text.substr(start);
    if (t.size() < MinAnswerSize) return TPacketResult::TooShort;
    if (t.substr(0, PacketTag.size()) != PacketTag) return TPacketResult::BadTag;

    const uint8_t sum = Checksum(t.substr(PacketTag.size(), AnswerDataEnd - PacketTag.size()));
    // Upper-case only: the gateway never writes lower-case checksum digits.
    if (t[AnswerDataEnd] != HexDigits[sum >> 4] || t[AnswerDataEnd + 1] != HexDigits[sum & 15])
        return TPacketResult::BadChecksum;

    TOdpoved fresh;
    if (!ReadFields(t, fresh)) return TPacketResult::BadHex;
    o = fresh;
    return TPacketResult::Valid;
}

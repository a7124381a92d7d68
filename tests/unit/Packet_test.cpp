// VUZIV2 packets: baud table, request building and answer decoding.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "comm/Packet.h"
#include "support/Packets.h"

namespace {

// Answer from the gateway to the request of channel 1005: status 0, serial
// time 55 ms, time stamp 12345678 hex, data byte 0 = 2A.
const std::string Odpoved1005 = "[VUZIV2]ED0300000037000078563412002A000000000000000000000000000000B3\r\n";

// Rewrites positions 67-68 so that the checksum over 9-66 matches again.
std::string WithFixedChecksum(std::string t) { return t.replace(66, 2, Checksum(std::string_view(t).substr(8, 58))); }

// The worked answer with the characters from index `at` replaced.
std::string Changed(std::size_t at, std::string_view with) {
    std::string t = Odpoved1005;
    return t.replace(at, with.size(), with);
}

// Every field of a decoded answer against the one expected, data bytes included.
void ExpectAnswer(const TOdpoved& o, const TOdpoved& e) {
    EXPECT_EQ(o.Id, e.Id);
    EXPECT_EQ(o.Status, e.Status);
    EXPECT_EQ(o.DobaRS, e.DobaRS);
    EXPECT_EQ(o.BajtOdpovedi, e.BajtOdpovedi);
    EXPECT_EQ(o.CasovaZnacka, e.CasovaZnacka);
    EXPECT_EQ(o.StatusRegistr, e.StatusRegistr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(o.Data[i], e.Data[i]) << i;
}

struct TSetting {
    std::unique_ptr<TRozhrani> r = std::make_unique<TRozhrani>();
    TKanal k;
    TSetting() {
        r->Baud = 9600;
        r->Timeout = 200;
        r->Opakovani = 2;
        k.Cislo = 1005;
        k.Adresa = 5;
        k.Funkce = 0;
        k.Periferie = 3;
    }
    // The packet from copies, as the interface thread builds it.
    TPaket Request() const {
        TKopieRozhrani kr;
        TKopieKanalu kk;
        CopyInterface(*r, kr);
        CopyChannel(k, kk);
        return PaketPozadavku(kr, kk);
    }
};

TEST(Packet, BaudCodesAndAllowances) {
    const int32_t rates[] = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    const int32_t times[] = {405, 205, 105, 55, 30, 18, 12, 9, 7};
    for (uint8_t i = 0; i < 9; ++i) {
        EXPECT_EQ(KodRychlosti(rates[i]), i);
        EXPECT_EQ(BaudCas(i), times[i]);
        EXPECT_TRUE(IsBaudRate(rates[i]));
    }
    EXPECT_FALSE(IsBaudRate(14400)) << "sent as 9600 Bd, but not a valid \"Baud\"";
    EXPECT_EQ(KodRychlosti(14400), 4);
    EXPECT_EQ(KodRychlosti(0), 4);
    EXPECT_EQ(KodRychlosti(-9600), 4);
    EXPECT_EQ(BaudCas(9), 30);
    EXPECT_EQ(BaudCas(0xFFFFFFFFu), 30);
}

TEST(Packet, RequestOfTheWorkedExample) {
    TSetting p;
    const TPaket packet = p.Request();
    EXPECT_EQ(packet.sv(), "[VUZIV2]ED03000004C800020500030000000000AB\r\n");
    EXPECT_EQ(packet.size(), 44u);

    const uint8_t data[4] = {0, 0, 0, 0};
    EXPECT_EQ(SestavPaket(1005, 4, 200, 2, 5, 0, 3, 0, data).sv(), packet.sv());
}

TEST(Packet, StatusRegisterResetOfChannel99) {
    TSetting p;
    p.k.Cislo = 99;
    p.k.Funkce = 101;
    p.k.Periferie = 0;
    p.k.DataZapis[0] = 0xED;  // target channel 1005, low byte first
    p.k.DataZapis[1] = 0x03;
    EXPECT_EQ(p.Request().sv(), "[VUZIV2]6300000004C8000205650000ED0300009A\r\n");
}

TEST(Packet, FieldEncodings) {
    TSetting p;
    p.r->Timeout = 300;
    EXPECT_EQ(p.Request().sv().substr(18, 4), "2C01");
    p.r->Timeout = 65535;
    EXPECT_EQ(p.Request().sv().substr(18, 4), "FFFF");
    p.r->Timeout = 65536 + 300;  // only the low 16 bits travel
    EXPECT_EQ(p.Request().sv().substr(18, 4), "2C01");

    p.k.Cislo = 6099;
    EXPECT_EQ(p.Request().sv().substr(8, 8), "D3170000");

    p.r->Opakovani = 0x10F;
    p.r->Baud = 115200;
    p.k.Subperiferie = 7;  // not sent: the reserved byte stays 00
    p.k.Funkce = 1;
    p.k.DataZapis[0] = 0x01;
    p.k.DataZapis[1] = 0xAB;
    p.k.DataZapis[2] = 0x7F;
    p.k.DataZapis[3] = 0xFE;
    p.k.DataZapis[4] = 0x55;  // beyond the four data bytes
    const TPaket packet = p.Request();
    EXPECT_EQ(packet.sv().substr(16, 24), "082C010F05010300"
                                         "01AB7FFE");
    EXPECT_EQ(packet.size(), 44u);
    EXPECT_EQ(packet.sv().substr(40, 2), Checksum(packet.sv().substr(8, 32)));
}

TEST(Packet, ChecksumCoversPositions9To40) {
    const uint8_t data[4] = {0x12, 0x34, 0x56, 0x78};
    const TPaket packet = SestavPaket(0xFFFFFFFFu, 8, 0xABCD, 15, 255, 101, 255, 0, data);
    const std::string_view t = packet.sv();
    ASSERT_EQ(t.size(), 44u);
    EXPECT_EQ(t.substr(40, 2), Checksum(t.substr(8, 32)));
    EXPECT_EQ(t.substr(42), "\r\n");
}

TEST(Packet, AnswerOfTheWorkedExample) {
    TOdpoved o;
    ASSERT_EQ(RozeberPaket(Odpoved1005, o), TPacketResult::Valid);
    ExpectAnswer(o, {.Id = 1005, .DobaRS = 55, .CasovaZnacka = 0x12345678u, .Data = {0x2A}});
}

TEST(Packet, AnswerFieldsAllDecoded) {
    std::string t = "[VUZIV2]"
                    "D3170000"  // 6099
                    "13"        // status 19
                    "3412"      // serial time 1234 hex
                    "A5"
                    "EFBEADDE"  // time stamp DEADBEEF
                    "F7"
                    "000102030405060708090A0B0C0D0EFF"
                    "00\r\n";
    TOdpoved o;
    ASSERT_EQ(RozeberPaket(WithFixedChecksum(t), o), TPacketResult::Valid);
    ExpectAnswer(o, {.Id = 6099, .Status = 19, .DobaRS = 0x1234, .BajtOdpovedi = 0xA5, .CasovaZnacka = 0xDEADBEEFu,
                     .StatusRegistr = 0xF7, .Data = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFF}});
}

TEST(Packet, StrayLeadingCharactersAreDropped) {
    TOdpoved o;
    const std::string junk = std::string("x\0\r\n]", 5);
    ASSERT_EQ(RozeberPaket(junk + Odpoved1005, o), TPacketResult::Valid);
    EXPECT_EQ(o.Id, 1005u);
    // 69 characters after the stray ones: too short.
    EXPECT_EQ(RozeberPaket(junk + Odpoved1005.substr(0, 69), o), TPacketResult::TooShort);
    EXPECT_EQ(RozeberPaket("", o), TPacketResult::TooShort);
    EXPECT_EQ(RozeberPaket(std::string(200, 'A'), o), TPacketResult::TooShort);
}

TEST(Packet, OnlyTheFirstBracketStartsThePacket) {
    TOdpoved o;
    // A '[' among the leading characters starts the text there: bad tag.
    EXPECT_EQ(RozeberPaket("[x" + Odpoved1005, o), TPacketResult::BadTag);
}

TEST(Packet, TagMustMatchExactly) {
    TOdpoved o;
    EXPECT_EQ(RozeberPaket(Changed(7, ")"), o), TPacketResult::BadTag);
    EXPECT_EQ(RozeberPaket(Changed(0, "[vuziv2]"), o), TPacketResult::BadTag);
}

TEST(Packet, ChecksumIsUpperCaseOnly) {
    TOdpoved o;
    EXPECT_EQ(RozeberPaket(Changed(66, "b"), o), TPacketResult::BadChecksum);
    EXPECT_EQ(RozeberPaket(Changed(67, "4"), o), TPacketResult::BadChecksum);
    // Lower-case digits are accepted in every other field.
    std::string t = Changed(34, "2a");
    t.replace(8, 4, "ed03");
    ASSERT_EQ(RozeberPaket(WithFixedChecksum(t), o), TPacketResult::Valid);
    EXPECT_EQ(o.Id, 1005u);
    EXPECT_EQ(o.Data[0], 0x2A);
}

TEST(Packet, NonHexFieldWithValidChecksum) {
    TOdpoved o;
    for (char z : {'G', ' ', 'x', '\0', '\xFF'})  // position 40
        EXPECT_EQ(RozeberPaket(WithFixedChecksum(Changed(39, std::string(1, z))), o), TPacketResult::BadHex) << int(z);
    // The first identifier digit and the last data digit.
    EXPECT_EQ(RozeberPaket(WithFixedChecksum(Changed(8, "-")), o), TPacketResult::BadHex);
    EXPECT_EQ(RozeberPaket(WithFixedChecksum(Changed(65, "g")), o), TPacketResult::BadHex);
}

TEST(Packet, CharactersAfterThe68thAreIgnored) {
    TOdpoved o;
    EXPECT_EQ(RozeberPaket(Odpoved1005.substr(0, 69) + "Z", o), TPacketResult::Valid);
    EXPECT_EQ(RozeberPaket(Odpoved1005.substr(0, 68) + std::string("\0\0", 2), o), TPacketResult::Valid);
    EXPECT_EQ(RozeberPaket(Odpoved1005 + std::string(8000, '\xA7'), o), TPacketResult::Valid);
    EXPECT_EQ(o.Id, 1005u);
    EXPECT_EQ(RozeberPaket(Odpoved1005.substr(0, 69), o), TPacketResult::TooShort);
}

TEST(Packet, AnyChangeInTheFirst68CharactersIsRejected) {
    for (std::size_t i = 0; i < 68; ++i) {
        std::string t = Odpoved1005;
        t[i] = static_cast<char>(t[i] ^ 0x01);
        TOdpoved o;
        const auto v = static_cast<uint8_t>(RozeberPaket(t, o));
        EXPECT_NE(v, 0) << i;
        EXPECT_LE(v, 4) << i;
    }
}

// Datagrams of any content up to the receive buffer's size must decode to
// a result, never read past the text (checked under the sanitizers).
TEST(Packet, SurvivesArbitraryDatagrams) {
    std::mt19937 chance(20240611u);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::uniform_int_distribution<int> length(0, 8096);
    std::uniform_int_distribution<int> shortText(0, 80);
    for (int attempt = 0; attempt < 3000; ++attempt) {
        const int kind = attempt % 4;
        std::string t(static_cast<std::size_t>(kind == 0 ? length(chance) : shortText(chance)), '\0');
        for (char& z : t) z = static_cast<char>(byteValue(chance));
        if (kind == 1 && !t.empty()) t[0] = '[';
        if (kind == 2) t = Odpoved1005.substr(0, std::min<std::size_t>(t.size(), Odpoved1005.size())) + t;
        if (kind == 3) {
            t = Odpoved1005;
            t[static_cast<std::size_t>(byteValue(chance)) % 68] = static_cast<char>(byteValue(chance));
        }
        // An exact-size heap copy lets the address sanitizer see any overrun.
        auto copied = std::make_unique<char[]>(t.size());
        std::copy(t.begin(), t.end(), copied.get());
        TOdpoved o;
        const auto v = static_cast<uint8_t>(RozeberPaket(std::string_view(copied.get(), t.size()), o));
        ASSERT_LE(v, 4) << attempt;
        if (kind == 3 && t != Odpoved1005) {
            EXPECT_NE(v, 0) << attempt;
        }
    }
}

}  // namespace

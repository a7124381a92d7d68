// Channel value encodings and the value text of the diagnostic window.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "config/Values.h"

namespace {

using Bajty = std::array<uint8_t, 4>;

void SetBytes(Atom<uint8_t> (&data)[16], Bajty b) {
    for (int i = 0; i < 4; ++i) data[i] = b[static_cast<std::size_t>(i)];
}

// A real with mantissa m and d decimal places, as the module sends it.
Bajty Real(uint32_t m, uint8_t d, bool negative = false) {
    return {static_cast<uint8_t>(m), static_cast<uint8_t>(m >> 8),
            static_cast<uint8_t>(((m >> 16) & 0x7F) | (negative ? 0x80 : 0)), static_cast<uint8_t>(0x80 | d)};
}

TEST(Values, RealFromBytes) {
    const struct {
        Bajty b;
        double v;
    } cases[] = {
        {{0x39, 0x30, 0x00, 0x82}, 12345.0 / 10 / 10},
        {{0x39, 0x30, 0x00, 0x02}, 12345.0 / 10 / 10},  // bit 7 of byte 3 is no decimal place
        {{0xFF, 0xFF, 0xFF, 0x00}, -8388607.0}, {{0xFF, 0xFF, 0x7F, 0x00}, 8388607.0}, {{0, 0, 0, 0}, 0.0},
        {{0x87, 0xD6, 0x12, 0x83}, 1234567.0 / 10 / 10 / 10},
    };
    for (const auto& c : cases) EXPECT_EQ(RealZBajtu(c.b[0], c.b[1], c.b[2], c.b[3]), c.v) << c.v;
    EXPECT_DOUBLE_EQ(RealZBajtu(0x39, 0x30, 0x00, 0x82), 123.45);
    EXPECT_DOUBLE_EQ(RealZBajtu(0x39, 0x30, 0x80, 0x82), -123.45);
}

TEST(Values, RealFromBytesDividesStepByStep) {
    // 127 single divisions by 10, not one division by 1e127.
    double v = 5;
    for (int i = 0; i < 127; ++i) v /= 10;
    EXPECT_EQ(RealZBajtu(5, 0, 0, 0xFF), v);
    EXPECT_GT(RealZBajtu(5, 0, 0, 0xFF), 0.0);
}

TEST(Values, RealToBytes) {
    constexpr double Inf = std::numeric_limits<double>::infinity();
    const struct {
        double v;
        Bajty b;
    } cases[] = {
        {0.000009, {0, 0, 0, 0}}, {-0.000009, {0, 0, 0, 0}}, {0.0, {0, 0, 0, 0}}, {0.00001, {0x01, 0, 0, 0x85}},
        {8388607, {0xFF, 0xFF, 0x7F, 0x80}}, {-8388607, {0xFF, 0xFF, 0xFF, 0x80}},
        {8388608, {0xFF, 0xFF, 0x7F, 0x00}}, {-8388608, {0xFF, 0xFF, 0xFF, 0x00}}, {0.5, {0x05, 0x00, 0x00, 0x81}},
        {-2.5, {0x19, 0x00, 0x80, 0x81}}, {1234.5678, {0x87, 0xD6, 0x12, 0x83}}, {5.0, {0x05, 0x00, 0x00, 0x80}},
        {123.45, {0x39, 0x30, 0x00, 0x82}},
        // Trailing zeros go only down to zero places.
        {100.0, {0x64, 0x00, 0x00, 0x80}}, {0.1, {0x01, 0x00, 0x00, 0x81}},
        // Cut to seven digits.
        {1.23456789, {0x87, 0xD6, 0x12, 0x86}}, {8388606.9, {0xFE, 0xFF, 0x7F, 0x80}},
        {9.9999999, RealNaBajty(9.999999)},
        // Saturated; NaN as the lowest value.
        {Inf, {0xFF, 0xFF, 0x7F, 0x00}}, {-Inf, {0xFF, 0xFF, 0xFF, 0x00}},
        {std::numeric_limits<double>::quiet_NaN(), {0xFF, 0xFF, 0xFF, 0x00}}, {1e300, {0xFF, 0xFF, 0x7F, 0x00}},
        {-1e300, {0xFF, 0xFF, 0xFF, 0x00}},
    };
    for (const auto& c : cases) EXPECT_EQ(RealNaBajty(c.v), c.b) << c.v;
}

TEST(Values, RealRoundTrip) {
    for (double x : {0.5, -2.5, 123.45, 1e-5, -8388607.0, 3.3, 42.0, 0.001}) {
        const Bajty b = RealNaBajty(x);
        EXPECT_DOUBLE_EQ(RealZBajtu(b[0], b[1], b[2], b[3]), x) << x;
    }
}

TEST(Values, IntegersAndBits) {
    TKanal k;
    SetBytes(k.DataCteni, {0xFE, 0xFF, 0xFF, 0xFF});
    SetBytes(k.DataZapis, {0x78, 0x56, 0x34, 0x12});
    EXPECT_EQ(VstupCele(k), -2);
    EXPECT_EQ(VystupCele(k), 0x12345678);
    SetBytes(k.DataCteni, {0x00, 0x00, 0x00, 0x80});
    EXPECT_EQ(VstupCele(k), std::numeric_limits<int32_t>::min());

    EXPECT_EQ(BitSlova(0x80000001u, 0), 1);
    EXPECT_EQ(BitSlova(0x80000001u, 1), 0);
    EXPECT_EQ(BitSlova(0x80000001u, 31), 1);
    EXPECT_EQ(BitSlova(0xFFFFFFFFu, 32), 0);
    EXPECT_EQ(BitSlova(0xFFFFFFFFu, 40), 0);

    SetBytes(k.DataCteni, {0x00, 0x04, 0x00, 0x00});
    k.Subperiferie = 10;
    EXPECT_EQ(VstupBit(k), 1);
    k.Subperiferie = 9;
    EXPECT_EQ(VstupBit(k), 0);
    SetBytes(k.DataCteni, {0xFF, 0xFF, 0xFF, 0xFF});
    k.Subperiferie = 40;
    EXPECT_EQ(VstupBit(k), 0);
}

TEST(Values, RealInputsAndOutputs) {
    TKanal k;
    SetBytes(k.DataCteni, {0x39, 0x30, 0x80, 0x82});
    SetBytes(k.DataZapis, {0x05, 0x00, 0x00, 0x81});
    EXPECT_DOUBLE_EQ(VstupReal(k), -123.45);
    EXPECT_DOUBLE_EQ(RealZBajtu(k.DataZapis[0], k.DataZapis[1], k.DataZapis[2], k.DataZapis[3]), 0.5);
}

class ValueText : public ::testing::Test {
protected:
    std::string RealVstup(Bajty b, char decimal = '.') {
        SetBytes(k.DataCteni, b);
        return HodnotaKanaluText(100, k, m, decimal);
    }
    TKanal k;
    TModul m;
};

TEST_F(ValueText, Reals) {
    const struct {
        Bajty b;
        const char* text;
        char separator = '.';
    } cases[] = {
        // The decimals follow the encoding.
        {Real(0, 3), "0"}, {Real(0, 3, true), "0"}, {Real(2500, 3), "2.500"}, {Real(2500, 3), "2,500", ','},
        {Real(12345, 2, true), "-123.45"}, {Real(5, 0), "5"}, {Real(5, 1), "0.5"},
        {{0x05, 0, 0, 0x01}, "0.5"},  // bit 7 of byte 3 does not count as a decimal place
        // At most six decimals.
        {Real(25, 8), "0.000000"}, {Real(25, 8, true), "0.000000"}, {Real(75, 8), "0.000001"},
        {Real(1234567, 7), "0.123457"}, {Real(5, 127), "0.000000"},
        // Rounded to six significant digits.
        {Real(1234567, 3), "1234.570"}, {Real(1234565, 1), "123457.0"}, {Real(999999, 10), "0.000100"},
        {Real(99, 8), "0.000001"}, {Real(999999, 0), "999999"}, {Real(8388607, 1, true), "-838861,0", ','},
        // The decoded double decides, not a rounded form of it: 1000015 with
        // two places is 10000.149999999999636..., whose nearest six digits
        // are 10000.1, though its seventeen-digit form looks like a tie.
        {Real(1000015, 2), "10000.10"}, {Real(1000015, 2, true), "-10000.10"}, {Real(1000065, 2), "10000.60"},
        // Just above a tie (1234.56500000000005...) and exact ties still go up.
        {Real(1234565, 3), "1234.570"}, {Real(2345675, 2), "23456.80"},
        // Large values in exponent notation.
        {Real(8388607, 0), "8.38861E+06"}, {Real(8388607, 0, true), "-8,38861E+06", ','},
        {Real(1000000, 0), "1.00000E+06"}, {Real(1234567, 0), "1.23457E+06"},
    };
    for (const auto& c : cases) EXPECT_EQ(RealVstup(c.b, c.separator), c.text);
}

TEST_F(ValueText, EveryChannelRange) {
    SetBytes(k.DataZapis, {0xED, 0x03, 0x00, 0x00});
    EXPECT_EQ(HodnotaKanaluText(99, k, m, '.'), "1005");
    EXPECT_EQ(HodnotaKanaluText(4999, k, m, '.'), "1005");

    SetBytes(k.DataCteni, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(HodnotaKanaluText(1000, k, m, '.'), "-1");
    k.Subperiferie = 31;
    EXPECT_EQ(HodnotaKanaluText(2999, k, m, '.'), "1");
    k.Subperiferie = 40;
    EXPECT_EQ(HodnotaKanaluText(2000, k, m, '.'), "0");

    SetBytes(k.DataZapis, Real(2500, 3));
    SetBytes(k.DataCteni, Real(1, 0));
    EXPECT_EQ(HodnotaKanaluText(3999, k, m, ','), "2,500");

    m.Data = 1u << 7;
    k.Subperiferie = 7;
    EXPECT_EQ(HodnotaKanaluText(5000, k, m, '.'), "1");
    k.Subperiferie = 6;
    EXPECT_EQ(HodnotaKanaluText(5999, k, m, '.'), "0");

    SetBytes(k.DataZapis, {'A', 'b', ' ', '9'});
    EXPECT_EQ(HodnotaKanaluText(6000, k, m, '.'), "\"Ab 9\"");
    EXPECT_EQ(HodnotaKanaluText(6099, k, m, '.'), "\"Ab 9\"");

    for (uint32_t c : {0u, 50u, 98u, 6100u, 7000u, 0xFFFFFFFFu}) EXPECT_EQ(HodnotaKanaluText(c, k, m, '.'), "") << c;
}

}  // namespace

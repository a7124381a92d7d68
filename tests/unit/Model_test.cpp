// Initial values of the tables, status texts and the code page conversion.
#include <gtest/gtest.h>

#include <iconv.h>

#include <memory>

#include "base/Cp1250.h"
#include "config/ChannelKind.h"
#include "config/Model.h"
#include "config/StatusCodes.h"

namespace {

TEST(Model, MakeDriverStateIsZero) {
    auto d = std::make_unique<TData>();
    EXPECT_EQ(d->Kanaly[99].Pouzit, 0);
    EXPECT_EQ(d->Kanaly[6099].Status, 0);
    EXPECT_EQ(d->Rozhrani[16].Status, 0);
    EXPECT_EQ(d->Fronty[1].IndexZapisu, 0);
    EXPECT_EQ(d->Cfg.RunPovolen, 0);
    EXPECT_EQ(d->PocitadloRadku, 0);
}

TEST(Model, ChannelTableInitialValues) {
    auto d = std::make_unique<TData>();
    VycistiKanaly(d->Kanaly);
    EXPECT_EQ(d->Kanaly[99].Pouzit, 1);
    EXPECT_EQ(d->Kanaly[99].Nazev, "Nulov\xE1n\xED Status registru modulu");
    for (int c : {99, 100, 2999, 3000, 6099}) {
        const TKanal& k = d->Kanaly[c];
        EXPECT_EQ(k.Cislo, c);
        EXPECT_EQ(k.Status, 15);
        EXPECT_EQ(k.Funkce, c >= 3000 ? 1 : 0) << c;
        if (c != 99) {
            EXPECT_EQ(k.Pouzit, 0);
        }
        EXPECT_EQ(k.Hotovo, 0);
    }
}

// Every edge of the channel map, as the exports, the reset of channel 99 and
// the host tool ask it.
TEST(Model, ChannelMapEdges) {
    struct TEdge {
        uint32_t c;
        bool input, output, module, record, faultClear, finalizedAtOnce;
    };
    const TEdge edges[] = {
        {0, false, false, false, false, false, false},    {6, false, false, false, false, false, true},
        {50, false, false, false, false, false, false},   {51, false, false, false, false, true, true},
        {66, false, false, false, false, true, true},     {67, false, false, false, false, false, true},
        {82, false, false, false, false, false, true},    {83, false, false, false, false, false, false},
        {98, false, false, false, false, false, false},   {99, false, false, false, true, false, false},
        {100, true, false, true, true, false, false},     {2999, true, false, true, true, false, false},
        {3000, false, true, true, true, false, false},    {6099, false, true, true, true, false, false},
        {6100, false, false, false, false, false, false}, {0xFFFFFFFFu, false, false, false, false, false, false},
    };
    for (const TEdge& e : edges) {
        EXPECT_EQ(IsInputChannel(e.c), e.input) << e.c;
        EXPECT_EQ(IsOutputChannel(e.c), e.output) << e.c;
        EXPECT_EQ(IsModuleChannel(e.c), e.module) << e.c;
        EXPECT_EQ(HasChannelRecord(e.c), e.record) << e.c;
        EXPECT_EQ(IsChannel(e.c), e.record) << e.c;
        EXPECT_EQ(IsFaultClearChannel(e.c), e.faultClear) << e.c;
        EXPECT_EQ(IsFinalizedAtOnce(e.c), e.finalizedAtOnce) << e.c;
    }
}

TEST(Model, InterfaceAndQueueInitialValues) {
    auto d = std::make_unique<TData>();
    VycistiRozhrani(d->Rozhrani);
    for (const TRozhrani& r : d->Rozhrani) {
        EXPECT_EQ(r.Status, 18);
        EXPECT_EQ(r.Pouzito, 0);
        EXPECT_EQ(r.Moduly[255].Data, 0u);
        EXPECT_EQ(r.StatusKanalu[6099], 0);
    }
    TFronta& f = d->Fronty[16];
    VycistiFrontu(f);
    EXPECT_EQ(f.IndexZapisu, 1);
    EXPECT_EQ(f.IndexCteni, 1);
    EXPECT_EQ(f.HodinaMax, 25);
    EXPECT_EQ(f.Polozky[1000], 0);
}

TEST(StatusCodes, KnownUnknownAndLogResults) {
    EXPECT_EQ(StatusText(0), "V po\xF8\xE1" "dku");
    EXPECT_EQ(StatusText(26), "Timeout rozhran\xED");
    EXPECT_EQ(StatusText(21), "Chyba spojen\xED s modulem ZR-6180");
    EXPECT_EQ(StatusText(27), "Nezn\xE1m\xFD k\xF3" "d");
    EXPECT_EQ(StatusText(255), "Nezn\xE1m\xFD k\xF3" "d");
    EXPECT_EQ(LogResultText(0), "V po\xF8\xE1" "dku.");
    EXPECT_EQ(LogResultText(2), "Nelze vytvo\xF8it logovac\xED soubor.");
}

// Every byte of the code page against the C library's own converter.
TEST(Cp1250, MatchesIconvForEveryByte) {
    iconv_t cd = iconv_open("UTF-8", "CP1250");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int b = 0x20; b < 0x100; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* pin = in;
        char* pout = out;
        size_t nin = 1, nout = sizeof out;
        if (iconv(cd, &pin, &nin, &pout, &nout) == static_cast<size_t>(-1)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            continue;  // undefined in the code page
        }
        const std::string utf8(out, static_cast<size_t>(pout - out));
        EXPECT_EQ(cp1250::ToUtf8(std::string(1, static_cast<char>(b))), utf8) << b;
        EXPECT_EQ(cp1250::FromUtf8(utf8), std::string(1, static_cast<char>(b))) << b;
    }
    iconv_close(cd);
}

TEST(Cp1250, CzechLettersOfTheSystemTexts) {
    EXPECT_EQ("áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"_cp,
              "\xE1\xE8\xEF\xE9\xEC\xED\xF2\xF3\xF8\x9A\x9D\xFA\xF9\xFD\x9E"
              "\xC1\xC8\xCF\xC9\xCC\xCD\xD2\xD3\xD8\x8A\x8D\xDA\xD9\xDD\x8E");
    EXPECT_EQ(cp1250::FromUtf8("Re\xC5\xBEim"), "Re\x9Eim");
    EXPECT_EQ(cp1250::FromUtf8("\xE2\x82\xAC \xE6\x97\xA5"), "\x80 ?");  // euro kept, CJK replaced
}

}  // namespace

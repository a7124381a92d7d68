// The diagnostic window's view model, driven without a screen.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/Cp1250.h"
#include "config/Model.h"
#include "diag/DrvDialog.h"

#include "support/Text.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        d = std::make_unique<TData>();
        ClearTables(*d);
        d->Cfg.OknoPovoleno = 1;
        d->Cfg.PocetRozhrani = 2;
        d->Cfg.PocetKanalu = 3;
        Rozhrani(1);
        Rozhrani(2);
        SetUpChannel(300, 2, 7);
    }

    TRozhrani& Rozhrani(int i) {
        TRozhrani& r = d->Rozhrani[i];
        r.Pouzito = 1;
        r.Cislo = static_cast<uint8_t>(i);
        r.Kod = "R" + std::to_string(i);
        r.Nazev = Cp("Brána č. "_cp) + std::to_string(i);
        r.Popis = "Hala";
        r.Typ = "ZR-6180";
        r.IPAdresa = "192.168.1." + std::to_string(i);
        r.UdpPort = 5000 + i;
        r.UdpTimeout = 100;
        r.UdpOpakovani = 2;
        r.Baud = 19200;
        r.Timeout = 50;
        r.Opakovani = 3;
        r.PocetModulu = 4;
        r.PocetKanalu = 5;
        r.Status = 0;
        return r;
    }

    TKanal& SetUpChannel(int c, int rozhrani, int adresa) {
        TKanal& k = d->Kanaly[c];
        k.Pouzit = 1;
        k.Rozhrani = static_cast<uint8_t>(rozhrani);
        k.Adresa = static_cast<uint8_t>(adresa);
        k.Kod = "K" + std::to_string(c);
        k.Nazev = Cp("Teplota pece"_cp);
        k.Popis = "Popis";
        k.Status = 0;
        return k;
    }

    // The view model as Init leaves it: set up, shown, enabled.
    TDrvDialog& Dialog() {
        if (!dlg) {
            dlg = std::make_unique<TDrvDialog>(*d);
            dlg->NastavOkno();
            dlg->PovolOkno(0, 0);
        }
        return *dlg;
    }

    TShown Tick() {
        Dialog().Timer1Timer();
        return Dialog().Snapshot();
    }

    TShown Page(TPage s) {
        EXPECT_TRUE(Dialog().SelectPage(s));
        return Tick();
    }

    void Napis1(std::string_view t) {
        for (char c : t) Dialog().TypeChannelKey(c);
    }
    void Napis2(std::string_view t) {
        for (char c : t) Dialog().TypeInterfaceKey(c);
    }
    void ClearChannelField() { Dialog().SetChannelFieldText(""); }
    void ClearInterfaceField() { Dialog().SetInterfaceFieldText(""); }

    std::unique_ptr<TData> d;
    std::unique_ptr<TDrvDialog> dlg;
};

// ---- Info page -----------------------------------------------------------

TEST_F(Window, InfoWithoutFailure) {
    const TShown z = Tick();
    EXPECT_EQ(z.Page, TPage::Info);
    EXPECT_EQ(z.Info[RInfo::Kanal], "-");
    EXPECT_EQ(z.Info[RInfo::Rozhrani], "-");
    EXPECT_EQ(z.Info[RInfo::Adresa], "-");
    EXPECT_EQ(z.Info[RInfo::Status], "Komunikace v po\xF8\xE1" "dku.");
    EXPECT_EQ(z.Indicators[1], ColourGreen);
    EXPECT_EQ(z.Indicators[2], ColourGreen);
    for (int k = 3; k <= 16; ++k) EXPECT_EQ(z.Indicators[k], ColourGrey) << k;
}

TEST_F(Window, InfoUndefinedChannel) {
    d->PosledniChybnyKanal = 250;
    const TShown z = Tick();
    EXPECT_EQ(z.Info[RInfo::Kanal], "-");
    EXPECT_EQ(z.Info[RInfo::Status], "Nedefinovan\xFD kan\xE1l 250.");
}

TEST_F(Window, InfoNumberOutsideTheTableCountsAsUndefined) {
    d->PosledniChybnyKanal = 7000;
    EXPECT_EQ(Tick().Info[RInfo::Status], "Nedefinovan\xFD kan\xE1l 7000.");
    d->PosledniChybnyKanal = 50;
    EXPECT_EQ(Tick().Info[RInfo::Status], "Nedefinovan\xFD kan\xE1l 50.");
}

TEST_F(Window, InfoChannelWithStatus99) {
    d->Kanaly[300].Status = 99;
    d->PosledniChybnyKanal = 300;
    const TShown z = Tick();
    EXPECT_EQ(z.Info[RInfo::Kanal], "300");
    EXPECT_EQ(z.Info[RInfo::Rozhrani], "2");
    EXPECT_EQ(z.Info[RInfo::Adresa], "7");
    EXPECT_EQ(z.Info[RInfo::Status], "Kan\xE1l nepou\x9Eit.");
}

TEST_F(Window, InfoChannelWithUnknownStatus) {
    d->Kanaly[300].Status = 30;
    d->PosledniChybnyKanal = 300;
    EXPECT_EQ(Tick().Info[RInfo::Status], "Nezn\xE1m\xFD k\xF3" "d");
}

TEST_F(Window, InfoStatusTextCutTo42) {
    d->Kanaly[300].Status = 10;  // "Chyba knihovny (nelze vytvořit datovou strukturu)"
    d->PosledniChybnyKanal = 300;
    const std::string s = Tick().Info[RInfo::Status];
    EXPECT_EQ(s.size(), 42u);
    EXPECT_EQ(s, Cp("Chyba knihovny (nelze vytvořit datovou str"_cp));
}

TEST_F(Window, InfoChannelCompletedSince) {
    d->Kanaly[300].Status = 4;
    d->PosledniChybnyKanal = 300;
    EXPECT_EQ(Tick().Info[RInfo::Kanal], "300");
    d->Kanaly[300].Status = 0;
    const TShown z = Tick();
    EXPECT_EQ(z.Info[RInfo::Kanal], "-");
    EXPECT_EQ(z.Info[RInfo::Rozhrani], "-");
    EXPECT_EQ(z.Info[RInfo::Adresa], "-");
    EXPECT_EQ(z.Info[RInfo::Status], Cp("Komunikace v pořádku."_cp));
}

TEST_F(Window, IndicatorColoursInTheirPrecedence) {
    d->Rozhrani[1].Status = 4;              // interface fault wins over a channel fault
    d->Rozhrani[1].StatusKanalu[100] = 1;
    d->Rozhrani[2].StatusKanalu[6099] = 1;  // only a channel fault
    Rozhrani(3).StatusKanalu[99] = 1;
    d->Rozhrani[4].Status = 4;              // undefined wins over everything
    d->Rozhrani[4].StatusKanalu[500] = 1;
    Rozhrani(5);
    const TShown z = Tick();
    EXPECT_EQ(z.Indicators[1], ColourRed);
    EXPECT_EQ(z.Indicators[2], ColourYellow);
    EXPECT_EQ(z.Indicators[3], ColourYellow);
    EXPECT_EQ(z.Indicators[4], ColourGrey);
    EXPECT_EQ(z.Indicators[5], ColourGreen);
    EXPECT_EQ(TDrvDialog::BarvaRozhrani(d->Rozhrani[16]), (TColour{128, 128, 128}));
    EXPECT_EQ(ColourYellow, (TColour{255, 255, 0}));
    EXPECT_EQ(ColourGreen, (TColour{0, 255, 0}));
    EXPECT_EQ(ColourRed, (TColour{255, 0, 0}));
}

// ---- Interface page ------------------------------------------------------

TEST_F(Window, InterfaceRows) {
    TRozhrani& r = d->Rozhrani[2];
    r.Moduly[0].Status = 1;
    r.Moduly[255].Status = 5;
    r.StatusKanalu[99] = 1;
    r.StatusKanalu[3000] = 2;
    r.StatusKanalu[6099] = 1;
    r.Status = 4;
    d->Fronty[2].PocetPotvrzenych = 25;
    ClearInterfaceField();
    Napis2("2\r");
    const auto& s = Dialog().Snapshot().Rozhrani;
    EXPECT_EQ(s[RRozhrani::Cislo], "2");
    EXPECT_EQ(s[RRozhrani::Kod], "R2");
    EXPECT_EQ(s[RRozhrani::Nazev], "Br\xE1na \xE8. 2");
    EXPECT_EQ(s[RRozhrani::Popis], "Hala");
    EXPECT_EQ(s[RRozhrani::Typ], "ZR-6180");
    EXPECT_EQ(s[RRozhrani::IPPort], "192.168.1.2 / 5002");
    EXPECT_EQ(s[RRozhrani::UdpTimeout], "100");
    EXPECT_EQ(s[RRozhrani::Baud], "19200");
    EXPECT_EQ(s[RRozhrani::Timeout], "50");
    EXPECT_EQ(s[RRozhrani::Opakovani], "3");
    EXPECT_EQ(s[RRozhrani::PocetModulu], "4");
    EXPECT_EQ(s[RRozhrani::PocetKanalu], "5");
    EXPECT_EQ(s[RRozhrani::Fifo], "2.5");
    EXPECT_EQ(s[RRozhrani::FaultyModules], "2");
    EXPECT_EQ(s[RRozhrani::FaultyChannels], "3");
    EXPECT_EQ(s[RRozhrani::Status], Cp("Timeout - nepřišla žádná odpověď"_cp));
}

TEST_F(Window, InterfaceDemoAndNegativeNumbers) {
    d->Rozhrani[1].Demo = 3;
    d->Rozhrani[1].UdpPort = -1;
    d->Rozhrani[1].Status = 30;
    const auto s = Page(TPage::Interface).Rozhrani;
    EXPECT_EQ(s[RRozhrani::Cislo], "1      DEMO RE\x8EIM");
    EXPECT_EQ(s[RRozhrani::IPPort], "192.168.1.1 / -1");
    EXPECT_EQ(s[RRozhrani::Status], "Nezn\xE1m\xFD k\xF3" "d");
}

TEST_F(Window, UndefinedInterface16) {
    ClearInterfaceField();
    Napis2("16\r");
    const auto s = Dialog().Snapshot().Rozhrani;
    EXPECT_EQ(Dialog().ZobrazeneRozhrani, 16u);
    EXPECT_EQ(s[RRozhrani::Cislo], "16");
    for (int i = RRozhrani::Kod; i < RRozhrani::Status; ++i) EXPECT_EQ(s[i], "-") << i;
    EXPECT_EQ(s[RRozhrani::Status], "Rozhrani nedefinov\xE1no.");
}

TEST_F(Window, InterfaceSelectionStillZeroShowsInterface1) {
    EXPECT_EQ(Dialog().ZobrazeneRozhrani, 0u);
    const auto s = Page(TPage::Interface).Rozhrani;
    EXPECT_EQ(s[RRozhrani::Cislo], "1");
    EXPECT_EQ(s[RRozhrani::Kod], "R1");
    EXPECT_EQ(Dialog().ZobrazeneRozhrani, 1u);
    Dialog().ZobrazeneRozhrani = 40;
    EXPECT_EQ(Tick().Rozhrani[RRozhrani::Cislo], "16");
    EXPECT_EQ(Dialog().ZobrazeneRozhrani, 16u);
}

TEST_F(Window, TextsCutTo42) {
    const std::string fifty(50, 'N');
    d->Rozhrani[1].Nazev = fifty;
    d->Rozhrani[1].Kod = std::string(42, 'K');
    d->Rozhrani[1].IPAdresa = std::string(40, '1');  // + " / 5001" = 47 characters
    d->Kanaly[300].Nazev = fifty;
    auto r = Page(TPage::Interface).Rozhrani;
    EXPECT_EQ(r[RRozhrani::Nazev], std::string(42, 'N'));
    EXPECT_EQ(r[RRozhrani::Kod], std::string(42, 'K'));
    EXPECT_EQ(r[RRozhrani::IPPort], std::string(40, '1') + " /");
    Napis1("\b\b\b300\r");
    const auto k = Dialog().Snapshot().Kanal;
    EXPECT_EQ(k[RKanal::Nazev], std::string(42, 'N'));
    EXPECT_EQ(TDrvDialog::OrizniText("abc", 42), "abc");
    EXPECT_EQ(TDrvDialog::OrizniText("abcdef", 3), "abc");
    EXPECT_EQ(TDrvDialog::OrizniText("", 0), "");
}

TEST_F(Window, FifoFillWithTheLocaleSeparator) {
    d->Fronty[1].PocetPotvrzenych = 1000;
    EXPECT_EQ(Page(TPage::Interface).Rozhrani[RRozhrani::Fifo], "100.0");
    d->Fronty[1].PocetPotvrzenych = 0;
    EXPECT_EQ(Tick().Rozhrani[RRozhrani::Fifo], "0.0");
    d->Regional.DecimalSeparator = ',';
    EXPECT_EQ(Tick().Rozhrani[RRozhrani::Fifo], "0,0");
    d->Fronty[1].PocetPotvrzenych = 1000;
    EXPECT_EQ(Tick().Rozhrani[RRozhrani::Fifo], "100,0");
    d->Fronty[1].PocetPotvrzenych = 1;
    EXPECT_EQ(Tick().Rozhrani[RRozhrani::Fifo], "0,1");
}

// ---- Channel page --------------------------------------------------------

TEST_F(Window, ChannelRows) {
    TKanal& k = SetUpChannel(1000, 2, 7);
    k.Periferie = 3;
    k.Subperiferie = 200;
    k.StatusRegistr = 0x1C;
    k.PocetVolani = 4000000000u;
    k.CasovaZnacka = 0xFFFFFFFFu;
    k.DobaRS = 12;
    k.DobaLAN = 40;
    k.DobaCelkem = 57;
    for (auto& b : k.DataCteni) b = 0xFF;
    k.Status = 4;
    d->Rozhrani[2].Demo = 1;
    ClearChannelField();
    Napis1("1000\r");
    const auto s = Dialog().Snapshot().Kanal;
    EXPECT_EQ(s[RKanal::Cislo], "1000");
    EXPECT_EQ(s[RKanal::Kod], "K1000");
    EXPECT_EQ(s[RKanal::Nazev], "Teplota pece");
    EXPECT_EQ(s[RKanal::Popis], "Popis");
    EXPECT_EQ(s[RKanal::CisloRozhrani], "2      DEMO RE\x8EIM");
    EXPECT_EQ(s[RKanal::KodRozhrani], "R2");
    EXPECT_EQ(s[RKanal::NazevRozhrani], "Br\xE1na \xE8. 2");
    EXPECT_EQ(s[RKanal::Adresa], "7");
    EXPECT_EQ(s[RKanal::Periferie], "3");
    EXPECT_EQ(s[RKanal::Subperiferie], "200");
    EXPECT_EQ(s[RKanal::StatusRegistr], "0x14");
    EXPECT_EQ(s[RKanal::PocetVolani], "4000000000");
    EXPECT_EQ(s[RKanal::CasovaZnacka], "4294967295");
    EXPECT_EQ(s[RKanal::Times], "12/40/57");
    EXPECT_EQ(s[RKanal::Hodnota], "-1");
    EXPECT_EQ(s[RKanal::Status], Cp("Timeout - nepřišla žádná odpověď"_cp));
}

TEST_F(Window, ChannelValueUsesTheLocaleSeparatorAndTheModule) {
    TKanal& k = SetUpChannel(100, 1, 9);
    k.DataCteni[0] = 0xC4;  // 2500 with three decimals: 2.500
    k.DataCteni[1] = 0x09;
    k.DataCteni[3] = 3;
    d->Regional.DecimalSeparator = ',';
    auto z = Page(TPage::Channel);
    EXPECT_EQ(z.Kanal[RKanal::Cislo], "100");
    EXPECT_EQ(z.Kanal[RKanal::Hodnota], "2,500");
    TKanal& b = SetUpChannel(5003, 1, 9);
    b.Subperiferie = 4;
    d->Rozhrani[1].Moduly[9].Data = 1u << 4;
    ClearChannelField();
    Napis1("5003\r");
    EXPECT_EQ(Dialog().Snapshot().Kanal[RKanal::Hodnota], "1");
}

TEST_F(Window, StatusRegisterMasksBit3) {
    ClearChannelField();
    Napis1("300\r");
    d->Kanaly[300].StatusRegistr = 0x08;
    EXPECT_EQ(Page(TPage::Channel).Kanal[RKanal::StatusRegistr], "0x00");
    d->Kanaly[300].StatusRegistr = 0xFF;
    EXPECT_EQ(Tick().Kanal[RKanal::StatusRegistr], "0xF7");
    d->Kanaly[300].StatusRegistr = 0x05;
    EXPECT_EQ(Tick().Kanal[RKanal::StatusRegistr], "0x05");
}

TEST_F(Window, UndefinedChannelAndStatus99) {
    auto z = Page(TPage::Channel);  // 100 after set-up, not declared
    EXPECT_EQ(Dialog().ZobrazenyKanal, 100u);
    EXPECT_EQ(z.Kanal[RKanal::Cislo], "100");
    for (int i = RKanal::Kod; i < RKanal::Status; ++i) EXPECT_EQ(z.Kanal[i], "-") << i;
    EXPECT_EQ(z.Kanal[RKanal::Status], "Kan\xE1l nedefinov\xE1n.");
    d->Kanaly[300].Status = 99;
    ClearChannelField();
    Napis1("300\r");
    EXPECT_EQ(Dialog().Snapshot().Kanal[RKanal::Status], "Kan\xE1l nepou\x9Eit.");
}

TEST_F(Window, ChannelOfAnInterfaceOutsideTheTable) {
    SetUpChannel(400, 0, 3).Status = 0;
    ClearChannelField();
    Napis1("400\r");
    const auto s = Dialog().Snapshot().Kanal;
    EXPECT_EQ(s[RKanal::CisloRozhrani], "0");
    EXPECT_EQ(s[RKanal::KodRozhrani], "-");
    EXPECT_EQ(s[RKanal::NazevRozhrani], "-");
    EXPECT_EQ(s[RKanal::Status], "V po\xF8\xE1" "dku");
}

TEST_F(Window, ChannelSelectionClampedOnRefresh) {
    Dialog().ZobrazenyKanal = 0;
    EXPECT_EQ(Page(TPage::Channel).Kanal[RKanal::Cislo], "99");
    EXPECT_EQ(Dialog().ZobrazenyKanal, 99u);
    EXPECT_EQ(Tick().Kanal[RKanal::Nazev], Cp("Nulování Status registru modulu"_cp));
    Dialog().ZobrazenyKanal = 0xFFFFFFFFu;
    EXPECT_EQ(Tick().Kanal[RKanal::Cislo], "6099");
}

// ---- Set-up and refresh rules --------------------------------------------

TEST_F(Window, SetUp) {
    TDrvDialog v(*d);
    EXPECT_EQ(v.ZobrazenyKanal, 0u);
    EXPECT_EQ(v.ZobrazeneRozhrani, 0u);
    EXPECT_FALSE(v.Visible());
    v.NastavOkno();
    const TShown z = v.Snapshot();
    EXPECT_EQ(z.Edit1, "100");
    EXPECT_EQ(z.Edit2, "1");
    EXPECT_EQ(z.PocetRozhrani, "2");
    EXPECT_EQ(z.PocetKanalu, "3");
    EXPECT_FALSE(z.Logging);
    EXPECT_TRUE(z.Visible);
    EXPECT_EQ(v.ZobrazenyKanal, 100u);
    EXPECT_EQ(d->Cfg.LogZapnout, 0);
    EXPECT_EQ(d->Cfg.LogVypnout, 0);
    EXPECT_FALSE(v.FormCloseQuery());
}

TEST_F(Window, SetUpWithLoggingOnPostsASwitchOnRequest) {
    d->Cfg.LogRozhraniPovolen = 1;
    d->Cfg.OknoPovoleno = 0;
    TDrvDialog v(*d);
    v.NastavOkno();
    EXPECT_TRUE(v.Snapshot().Logging);
    EXPECT_EQ(d->Cfg.LogZapnout, 1);
    EXPECT_EQ(d->Cfg.LogVypnout, 0);
    EXPECT_EQ(d->Cfg.LogRozhraniPovolen, 1);
    EXPECT_FALSE(v.Visible());  // never shown with the window switched off
}

TEST_F(Window, HiddenWindowKeepsItsOldTexts) {
    EXPECT_EQ(Tick().Info[RInfo::Kanal], "-");
    Dialog().SetVisible(false);
    d->Kanaly[300].Status = 4;
    d->PosledniChybnyKanal = 300;
    EXPECT_EQ(Tick().Info[RInfo::Kanal], "-");
    Dialog().SetVisible(true);
    Dialog().Minimise();  // minimised still counts as shown
    EXPECT_EQ(Tick().Info[RInfo::Kanal], "300");
}

TEST_F(Window, OnlyThePageInViewIsRefreshed) {
    Tick();
    EXPECT_EQ(Dialog().Snapshot().Kanal[RKanal::Cislo], "");
    EXPECT_EQ(Dialog().Snapshot().Rozhrani[RRozhrani::Cislo], "");
    auto z = Page(TPage::Channel);
    EXPECT_EQ(z.Kanal[RKanal::Cislo], "100");
    d->PosledniChybnyKanal = 250;
    z = Tick();
    EXPECT_EQ(z.Info[RInfo::Status], Cp("Komunikace v pořádku."_cp));
    z = Page(TPage::Info);
    EXPECT_EQ(z.Info[RInfo::Status], Cp("Nedefinovaný kanál 250."_cp));
}

// ---- Entry fields --------------------------------------------------------

struct TCase {
    const char* text;
    uint32_t number;
    const char* result;
};

TEST_F(Window, ChannelFieldTable) {
    const TCase cases[] = {
        {"250", 250, "250"},      {"5", 99, "99"},          {"7000", 6099, "6099"},
        {"0000100", 6099, "6099"}, {"000100", 100, "000100"}, {"", 99, "99"},
        {"abc", 99, "99"},        {"12a", 99, "99"},        {"-5", 6099, "6099"},
        {"-0", 99, "99"},         {" 12", 99, "99"},        {"+300", 300, "+300"},
        {"98", 99, "99"},         {"99", 99, "99"},         {"6099", 6099, "6099"},
        {"6100", 6099, "6099"},   {"999999", 6099, "6099"}, {"-", 99, "99"},
    };
    for (const auto& p : cases) {
        Dialog().SetChannelFieldText(p.text);  // as pasted: judged only at Enter
        EXPECT_FALSE(Dialog().Edit1KeyPress('\r')) << p.text;
        EXPECT_EQ(Dialog().ZobrazenyKanal, p.number) << p.text;
        const TShown z = Dialog().Snapshot();
        EXPECT_EQ(z.Edit1, p.result) << p.text;
        EXPECT_EQ(z.Kanal[RKanal::Cislo], std::to_string(p.number)) << p.text;  // shown at once
    }
}

TEST_F(Window, InterfaceFieldTable) {
    const TCase cases[] = {
        {"0", 1, "1"},   {"17", 16, "16"}, {"123", 16, "16"}, {"", 1, "1"},  {"x", 1, "1"},
        {"-1", 16, "16"}, {"2", 2, "2"},   {"02", 2, "02"},   {"16", 16, "16"}, {"00", 1, "1"},
    };
    for (const auto& p : cases) {
        Dialog().SetInterfaceFieldText(p.text);
        EXPECT_FALSE(Dialog().Edit2KeyPress('\r')) << p.text;
        EXPECT_EQ(Dialog().ZobrazeneRozhrani, p.number) << p.text;
        const TShown z = Dialog().Snapshot();
        EXPECT_EQ(z.Edit2, p.result) << p.text;
        EXPECT_EQ(z.Rozhrani[RRozhrani::Cislo], std::to_string(p.number)) << p.text;
    }
}

TEST_F(Window, TypingTakesOnlyDigitsAndBackspace) {
    ClearChannelField();
    for (char c : std::string("a Z+-.,\t\x1B\xE1")) EXPECT_FALSE(Dialog().TypeChannelKey(c)) << int(c);
    EXPECT_EQ(Dialog().Snapshot().Edit1, "");
    for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(Dialog().Edit1KeyPress(c));
    EXPECT_TRUE(Dialog().Edit1KeyPress('\b'));
    Napis1("25x1");
    EXPECT_EQ(Dialog().Snapshot().Edit1, "251");
    Napis1("\b");
    EXPECT_EQ(Dialog().Snapshot().Edit1, "25");
    EXPECT_EQ(Dialog().ZobrazenyKanal, 100u);  // typing alone changes nothing
    Napis1("0\r");
    EXPECT_EQ(Dialog().ZobrazenyKanal, 250u);
    EXPECT_EQ(Dialog().Snapshot().Edit1, "250");  // Enter never reaches the field

    ClearInterfaceField();
    Napis2("1a\b");
    EXPECT_EQ(Dialog().Snapshot().Edit2, "");
    Napis2("3\r");
    EXPECT_EQ(Dialog().ZobrazeneRozhrani, 3u);
    EXPECT_EQ(Dialog().Snapshot().Edit2, "3");
}

TEST_F(Window, EnterRefreshesOnlyItsPage) {
    Tick();
    const std::string info = Dialog().Snapshot().Info[RInfo::Status];
    d->PosledniChybnyKanal = 250;
    ClearChannelField();
    Napis1("300\r");
    const TShown z = Dialog().Snapshot();
    EXPECT_EQ(z.Kanal[RKanal::Cislo], "300");
    EXPECT_EQ(z.Info[RInfo::Status], info);
    EXPECT_EQ(z.Rozhrani[RRozhrani::Cislo], "");
    EXPECT_EQ(z.Page, TPage::Info);
}

// ---- Check box and enabling ----------------------------------------------

TEST_F(Window, BothSwitchRequestsPendingAtOnce) {
    Dialog();
    EXPECT_TRUE(Dialog().ClickLogging(true));
    EXPECT_TRUE(Dialog().ClickLogging(false));
    EXPECT_EQ(d->Cfg.LogZapnout, 1);
    EXPECT_EQ(d->Cfg.LogVypnout, 1);
    EXPECT_EQ(d->Cfg.LogRozhraniPovolen, 0);  // only the interface threads change it
    EXPECT_FALSE(Dialog().Snapshot().Logging);
}

TEST_F(Window, CheckBoxClickFollowsTheTick) {
    Dialog().CheckBox1Click();  // clear: a switch-off request
    EXPECT_EQ(d->Cfg.LogVypnout, 1);
    EXPECT_EQ(d->Cfg.LogZapnout, 0);
    d->Cfg.LogVypnout = 0;
    EXPECT_TRUE(Dialog().ClickLogging(false));  // no change of the tick: no click
    EXPECT_EQ(d->Cfg.LogVypnout, 0);
}

TEST_F(Window, DisabledWindowTakesNoInputButRefreshes) {
    Dialog().PovolOkno(5, 3);
    EXPECT_FALSE(Dialog().Enabled());
    ClearChannelField();
    EXPECT_FALSE(Dialog().TypeChannelKey('3'));
    EXPECT_FALSE(Dialog().TypeChannelKey('\b'));
    Dialog().SetChannelFieldText("300");
    EXPECT_FALSE(Dialog().Edit1KeyPress('\r'));
    EXPECT_EQ(Dialog().ZobrazenyKanal, 100u);
    EXPECT_EQ(Dialog().Snapshot().Edit1, "300");
    Dialog().SetInterfaceFieldText("2");
    EXPECT_FALSE(Dialog().Edit2KeyPress('\r'));
    EXPECT_EQ(Dialog().ZobrazeneRozhrani, 0u);
    EXPECT_FALSE(Dialog().SelectPage(TPage::Channel));
    EXPECT_FALSE(Dialog().ClickLogging(true));
    EXPECT_EQ(d->Cfg.LogZapnout, 0);
    d->PosledniChybnyKanal = 250;
    const TShown z = Tick();
    EXPECT_EQ(z.Page, TPage::Info);
    EXPECT_EQ(z.Info[RInfo::Status], Cp("Nedefinovaný kanál 250."_cp));
    EXPECT_FALSE(z.Logging);

    Dialog().PovolOkno(5, 5);
    EXPECT_TRUE(Dialog().Enabled());
    EXPECT_FALSE(Dialog().Edit1KeyPress('\r'));
    EXPECT_EQ(Dialog().ZobrazenyKanal, 300u);
    Dialog().PovolOkno(0xFFFFFFFFu, 3);  // required level compared unsigned
    EXPECT_FALSE(Dialog().Enabled());
    Dialog().PovolOkno(0, 0);
    EXPECT_TRUE(Dialog().Enabled());
}

// ---- The window as Init creates it ---------------------------------------

class TSetting {
public:
    TSetting(const char* name, const char* hodnota) : name_(name) {
        if (const char* v = std::getenv(name)) original_ = v, was_ = true;
        if (hodnota != nullptr)
            setenv(name, hodnota, 1);
        else
            unsetenv(name);
    }
    ~TSetting() {
        if (was_)
            setenv(name_, original_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string original_;
    bool was_ = false;
};

TEST_F(Window, HeadlessWindowTicksOnItsOwn) {
    TSetting p("RV_ZR6180_WINDOW", "none");
    auto v = TDrvDialog::Create(*d);
    ASSERT_NE(v, nullptr);
    v->NastavOkno();
    v->PovolOkno(0, 0);
    WaitFor([&] { return !v->Snapshot().Info[RInfo::Status].empty(); }, HangGuardMs, 10ms);
    EXPECT_EQ(v->Snapshot().Info[RInfo::Status], Cp("Komunikace v pořádku."_cp));

    v->StopTimer();
    d->PosledniChybnyKanal = 250;
    std::this_thread::sleep_for(450ms);
    EXPECT_EQ(v->Snapshot().Info[RInfo::Status], Cp("Komunikace v pořádku."_cp));
}

TEST_F(Window, GtkModeWithoutADisplayFails) {
    TSetting p("RV_ZR6180_WINDOW", "gtk");
    TSetting x("DISPLAY", nullptr);
    TSetting w("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(TDrvDialog::Create(*d), nullptr);
    TSetting a("RV_ZR6180_WINDOW", nullptr);  // auto falls back to no screen
    EXPECT_NE(TDrvDialog::Create(*d), nullptr);
}

// The timer thread, the host's thread and a writer of shown records at once.
TEST_F(Window, RefreshRacesWithWritersAndKeys) {
    TSetting p("RV_ZR6180_WINDOW", "none");
    auto v = TDrvDialog::Create(*d);
    ASSERT_NE(v, nullptr);
    v->NastavOkno();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (uint32_t i = 0; !stop.load(); ++i) {
            std::lock_guard g(d->WindowLock);
            TKanal& k = d->Kanaly[300];
            k.Status = static_cast<uint8_t>(i % 5);
            k.PocetVolani = i;
            d->Rozhrani[2].StatusKanalu[300] = k.Status;
            d->PosledniChybnyKanal = 300;
        }
    });
    const TPage pages[] = {TPage::Info, TPage::Channel, TPage::Interface};
    int i = 0;
    RepeatFor(700ms, 1ms, [&] {
        v->SelectPage(pages[i % 3]);
        v->SetChannelFieldText("300");
        v->Edit1KeyPress('\r');
        v->TypeInterfaceKey('2');
        v->Edit2KeyPress('\r');
        v->ClickLogging(i % 2 == 0);
        v->SetVisible(i++ % 7 != 0);
    });
    stop = true;
    writer.join();
    EXPECT_EQ(v->ZobrazenyKanal, 300u);
}

}  // namespace

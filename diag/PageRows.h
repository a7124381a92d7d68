// The value rows of the diagnostic window's pages, which the web page shows
// too: the rows' numbers and captions, the fillers that turn the driver
// state into the rows' texts (code page 1250), and the entry fields' texts
// brought into range.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Cp1250.h"

struct TData;

// Rows of the value column of each page.
struct RInfo {
    enum : int { Kanal, Rozhrani, Adresa, Status, Count };
};
struct RRozhrani {
    enum : int {
        Cislo, Kod, Nazev, Popis, Typ, IPPort, UdpTimeout, Baud, Timeout, Opakovani,
        PocetModulu, PocetKanalu, Fifo, FaultyModules, FaultyChannels, Status, Count
    };
};
struct RKanal {
    enum : int {
        Cislo, Kod, Nazev, Popis, CisloRozhrani, KodRozhrani, NazevRozhrani, Adresa,
        Periferie, Subperiferie, StatusRegistr, PocetVolani, CasovaZnacka, Times,
        Hodnota, Status, Count
    };
};

// Captions of the rows, in the order of the row numbers above.
inline constexpr std::string_view InfoCaptions[RInfo::Count] = {
    "Číslo kanálu"_cp, "Číslo rozhraní"_cp, "Adresa modulu"_cp, "Status kanálu"_cp};
inline constexpr std::string_view InterfaceCaptions[RRozhrani::Count] = {
    "Číslo rozhraní"_cp, "Kód rozhraní"_cp, "Název rozhraní"_cp, "Popis rozhraní"_cp,
    "Typ rozhraní"_cp, "IP adresa / port"_cp, "UDP timeout [ms]"_cp,
    "Komunikační rychlost [Bd]"_cp, "Timeout [ms]"_cp, "Povolený počet opakování"_cp,
    "Počet definovaných modulů"_cp, "Počet definovaných kanálů"_cp, "Zaplnění FIFO [%]"_cp,
    "Počet chybných modulů"_cp, "Počet chybných kanálů"_cp, "Status rozhraní"_cp};
inline constexpr std::string_view ChannelCaptions[RKanal::Count] = {
    "Číslo kanálu"_cp, "Kód kanálu"_cp, "Název kanálu"_cp, "Popis kanálu"_cp,
    "Číslo rozhraní"_cp, "Kód rozhraní"_cp, "Název rozhraní"_cp, "Adresa modulu"_cp,
    "Periferie modulu"_cp, "Subperiferie"_cp, "Status registr modulu"_cp,
    "Celkový počet volání kanálu"_cp, "Časová značka"_cp, "Doba kom. RS/LAN/RV [ms]"_cp,
    "Hodnota kanálu"_cp, "Status kanálu"_cp};

using TInfoRows = std::array<std::string, RInfo::Count>;
using TInterfaceRows = std::array<std::string, RRozhrani::Count>;
using TChannelRows = std::array<std::string, RKanal::Count>;

// The value rows of each page for any number, as the window shows them; the
// web page shows the same. The caller holds d.WindowLock.
void FillInfoRows(const TData& d, TInfoRows& rows);
void FillInterfaceRows(const TData& d, uint32_t i, TInterfaceRows& rows);
void FillChannelRows(const TData& d, uint32_t n, TChannelRows& rows);

// A channel's status as the Info and channel pages show it.
std::string_view ChannelStatusText(uint8_t status);

// An entry field's text brought into range: the number in force and the
// field's new text.
struct TChoice {
    uint32_t Number;
    std::string Text;
};
TChoice CorrectChannel(std::string text);    // 99..6099
TChoice CorrectInterface(std::string text);  // 1..16

#include "config/StatusTexty.h"

#include "base/Cp1250.h"

namespace {

constexpr std::string_view kStatus[] = {
    "V pořádku"_cp,
    "Chybný kód komunikační rychlosti"_cp,
    "Rozdílné timeouty nebo rychlosti linek"_cp,
    "Chyba při vysílání zprávy"_cp,
    "Timeout - nepřišla žádná odpověď"_cp,
    "Timeout - nepřišla správná odpověď"_cp,
    "Odpověď přerušena"_cp,
    "Chyba parity odpovědi"_cp,
    "Chybná hlavička odpovědi"_cp,
    "Chyba CRC odpovědi"_cp,
    "Chyba knihovny (nelze vytvořit datovou strukturu)"_cp,
    "Chyba knihovny (neplatný pointer)"_cp,
    "Chyba knihovny (neplatná data)"_cp,
    "Chybný parametrický soubor"_cp,
    "Modul nepoužit"_cp,
    "Kanál nepoužit"_cp,
    "Rozhraní nepoužito"_cp,
    "Kanál nedefinován"_cp,
    "Rozhraní nedefinováno"_cp,
    "Chyba přístupu na síť"_cp,
    "Chyba přijatého paketu (dekódování)"_cp,
    "Chyba spojení s modulem ZR-6180"_cp,
    "Chybná REAL hodnota kanálu"_cp,
    "Chybná STRING hodnota kanálu"_cp,
    "Chyba přijatého paketu (rozsah ID)"_cp,
    "Chyba přijatého paketu (hodnota ID)"_cp,
    "Timeout rozhraní"_cp,
};

constexpr std::string_view kLogResult[] = {
    "V pořádku."_cp,
    "Nelze otevřít logovací soubor."_cp,
    "Nelze vytvořit logovací soubor."_cp,
    "Chyba přístupu k logovacímu souboru."_cp,
};

}  // namespace

std::string_view StatusText(uint32_t kod) {
    if (kod < std::size(kStatus)) return kStatus[kod];
    return "Neznámý kód"_cp;
}

std::string_view LogResultText(uint32_t kod) {
    if (kod < std::size(kLogResult)) return kLogResult[kod];
    return {};
}

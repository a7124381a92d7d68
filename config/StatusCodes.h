// Texts of the status codes carried by channels, modules and interfaces, and
// of the main log's write results. All code page 1250. Header-only, so that
// the command-line host shows the very same texts.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

#include "base/Cp1250.h"

// The codes the driver itself sets; the others come from the gateway.
enum TStatusCode : uint8_t {
    StatusOk = 0,
    StatusSendError = 3,          // queue full, or no packet could be built
    StatusChannelUnused = 15,     // a channel before its first request
    StatusChannelUndefined = 17,
    StatusInterfaceUndefined = 18,
    StatusNetworkError = 19,      // an error raised during the exchange
    StatusGatewayLost = 21,       // no valid answer after every attempt
    StatusBadReal = 22,
    StatusBadString = 23,
    StatusInterfaceTimeout = 26,
};

namespace status_texts {

inline constexpr std::string_view Status[] = {
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

inline constexpr std::string_view LogResult[] = {
    "V pořádku."_cp,
    "Nelze otevřít logovací soubor."_cp,
    "Nelze vytvořit logovací soubor."_cp,
    "Chyba přístupu k logovacímu souboru."_cp,
};

}  // namespace status_texts

inline std::string_view StatusText(uint32_t code) {  // 0..26, "Neznámý kód" above
    if (code < std::size(status_texts::Status)) return status_texts::Status[code];
    return "Neznámý kód"_cp;
}

inline std::string_view LogResultText(uint32_t code) {  // 0..3
    if (code < std::size(status_texts::LogResult)) return status_texts::LogResult[code];
    return {};
}

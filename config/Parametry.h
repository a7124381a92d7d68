// Readers of the parameter file: log and window settings, interface
// declarations and channel declarations. Messages are code page 1250.
#pragma once

#include <string>
#include <string_view>

#include "config/Model.h"

struct TResult {
    bool Ok = false;
    std::string Zprava;
    // The system's error number when the file could not be read, so that
    // "too many open files" can be told from a broken file; 0 otherwise.
    int SystemError = 0;
};

TResult CtiNastaveni(const std::string& soubor, TCFG& cfg);
TResult CtiRozhrani(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani);
TResult CtiKanaly(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani, TPoleKanal& kanaly);

struct TThreeTexts {
    std::string Prvni;
    std::string Druhy;
    std::string Treti;
};
TThreeTexts RozdelUvozovky(std::string_view text);

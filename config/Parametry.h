// Readers of the parameter file: log and window settings, interface
// declarations and channel declarations. Messages are code page 1250.
#pragma once

#include <string>
#include <string_view>

#include "config/Model.h"

struct TVysledek {
    bool Ok = false;
    std::string Zprava;
};

TVysledek CtiNastaveni(const std::string& soubor, TCFG& cfg);
TVysledek CtiRozhrani(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani);
TVysledek CtiKanaly(const std::string& soubor, TCFG& cfg, TPoleRozhrani& rozhrani, TPoleKanal& kanaly);

struct TTriTexty {
    std::string Prvni;
    std::string Druhy;
    std::string Treti;
};
TTriTexty RozdelUvozovky(std::string_view text);

#include "config/Lokalizace.h"

TLokalizace NactiLokalizaci() { return {}; }
std::string DatumCas(const TLokalizace&, const TCasLokalni&) { return {}; }

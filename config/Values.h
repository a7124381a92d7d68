// Channel values in their four data bytes: the 4-byte decimal real, integers,
// bits and four-character texts, and the value text the window shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/Model.h"

double RealZBajtu(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);
std::array<uint8_t, 4> RealNaBajty(double x);

double VstupReal(const TKanal& k);
int32_t VstupCele(const TKanal& k);
int32_t VystupCele(const TKanal& k);
uint8_t BitSlova(uint32_t word, uint32_t bit);
uint8_t VstupBit(const TKanal& k);

// At most 20 characters; `decimal` is the locale's decimal separator.
std::string HodnotaKanaluText(uint32_t c, const TKanal& k, const TModul& m, char decimal);

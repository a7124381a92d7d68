// The plant file: a text description of the gateways, their modules and
// faults. Format in tools/sim/README.md; one statement per line:
//   gateway PORT [absent=STATUS]
//   random PROBABILITY SEED FAULT [| FAULT ...]
//   module ADDRESS [register=BYTE] [answer=BYTE]
//   periphery N real 12.50 | int -7 | bits 0x00A5 | bit 3 1 | text "ABCD" | bytes 01 02 ..
//   fault FAULT...
#pragma once

#include <string>
#include <string_view>

#include "tools/sim/Plant.h"

namespace zrsim {

// On failure error reads "line N: why" and plant holds whatever was read so far.
bool ParsePlant(std::string_view text, TSimPlant& plant, std::string& error);
bool ReadPlant(const std::string& path, TSimPlant& plant, std::string& error);

}  // namespace zrsim

// The status-register reset of a module, carried by channel 99.
#pragma once

#include <cstdint>

struct TData;

// Aims channel 99 at the module that serves channel `target` (100..6099).
void PripravNulovani(TData& d, uint32_t target);
// After the reset was finalised: clears the status register of that module
// and of every channel it serves.
void PoNulovani(TData& d);

// The driver library as the host holds it: the shared loader, the turn of
// GLib's main context that the driver's window needs, and where the default
// driver lies.
#pragma once

#include <string>
#include <vector>

#include "tools/common/DriverLibrary.h"

namespace host {

// g_main_context_iteration(context, may_block).
using MainContextIteration = int (*)(void* context, int mayBlock);

struct Driver : TDriverLibrary {
    // g_main_context_iteration, present once the driver has brought GLib in
    // (FindMainContext after Init);
    // the host turns the default main context so that the driver's window
    // lives, without linking the toolkit itself.
    MainContextIteration IterateMainContext = nullptr;
};

// Opens the library and looks up every export; a missing export is only
// noted, so that a command which does not need it still runs. The library
// stays loaded until the process ends: the toolkit it brings in cannot be
// unloaded safely.
bool OpenDriver(const std::string& path, Driver& d, std::string& error);

// g_main_context_iteration when GLib is loaded, else null. Looked up again
// after Init: a shown window brings GLib in with the driver's window module.
MainContextIteration FindMainContext();

// The names among `needed` that the library does not export, joined with
// ", "; empty when all are there.
std::string MissingExports(const Driver& d, const std::vector<const char*>& needed);

// librv_zr6180.so.3 beside this program, or librv_zr6180.so when only the
// development link exists.
std::string DefaultDriverPath();

}  // namespace host

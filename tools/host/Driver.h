// The driver library as the host sees it: a file opened with dlopen and its
// exports looked up by name. Nothing of the driver is linked in.
#pragma once

#include <string>
#include <vector>

#include "driver/ExportList.h"
#include "rv_zr6180.h"

namespace host {

// g_main_context_iteration(context, may_block).
using MainContextIteration = int (*)(void* context, int mayBlock);

struct Driver {
    void* handle = nullptr;
    std::string path;
    std::vector<std::string> missing;  // exports the library lacks

#define RV_EXPORT_MEMBER(name) decltype(&::name) name = nullptr;
    RV_ZR6180_EXPORTS(RV_EXPORT_MEMBER)
#undef RV_EXPORT_MEMBER

    // g_main_context_iteration, present once the driver has brought GLib in
    // (FindMainContext after Init);
    // the host turns the default main context so that the driver's window
    // lives, without linking the toolkit itself.
    MainContextIteration IterateMainContext = nullptr;
};

// Opens the library and looks up every export; a missing export is only
// noted, so that a command which does not need it still runs.
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

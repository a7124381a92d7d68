// The driver library as the host sees it: a file opened with dlopen and its
// exports looked up by name. Nothing of the driver is linked in.
#pragma once

#include <string>
#include <vector>

#include "rv_zr6180.h"

namespace host {

// g_main_context_iteration(context, may_block).
using MainContextIteration = int (*)(void* context, int mayBlock);

struct Driver {
    void* handle = nullptr;
    std::string path;
    std::vector<std::string> missing;  // exports the library lacks

    decltype(&::Version) Version = nullptr;
    decltype(&::Check) Check = nullptr;
    decltype(&::GetDriverInfo) GetDriverInfo = nullptr;
    decltype(&::MakeDriver) MakeDriver = nullptr;
    decltype(&::Init) Init = nullptr;
    decltype(&::BufferInfo) BufferInfo = nullptr;
    decltype(&::SetBufferAddr) SetBufferAddr = nullptr;
    decltype(&::InputRequest) InputRequest = nullptr;
    decltype(&::InputRequestCompleted) InputRequestCompleted = nullptr;
    decltype(&::InputFinalized) InputFinalized = nullptr;
    decltype(&::GetInput) GetInput = nullptr;
    decltype(&::OutputRequest) OutputRequest = nullptr;
    decltype(&::OutputRequestCompleted) OutputRequestCompleted = nullptr;
    decltype(&::OutputFinalized) OutputFinalized = nullptr;
    decltype(&::DriverProc) DriverProc = nullptr;
    decltype(&::QueryProc) QueryProc = nullptr;
    decltype(&::Done) Done = nullptr;
    decltype(&::DisposeDriver) DisposeDriver = nullptr;

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

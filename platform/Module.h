// Shared objects loaded at run time: the driver's window and web modules. A module
// once loaded stays loaded for the life of the process, so that the driver
// itself may be unloaded and loaded again while the module's toolkit, which
// cannot be unloaded, stays where it is.
#pragma once

#include <string>

// The directory of the shared object (or program) that holds this code;
// empty when the system cannot tell.
std::string OwnDirectory();

// The folder beside the driver that holds its modules once installed.
inline constexpr const char* ModuleFolder = "rv_zr6180";

// The module `file` in ModuleFolder beside the driver's own shared object,
// else beside the shared object itself, or the one the environment variable
// `variable` names (a test's); empty when none is known.
std::string ModulePath(const char* variable, const char* file);

// Loads the module at `path` (or finds it loaded) and returns the address of
// its symbol `entry`; null with the reason in `error` when either fails.
// The module is never unloaded.
void* LoadModuleSymbol(const std::string& path, const char* entry, std::string& error);

// Keeps the shared object that holds this code loaded for the life of the
// process: a thread of it that outlives the driver's instance returns into
// its code. Nothing happens when the code is in the program itself.
void KeepLibraryLoaded();

// The driver library as a host sees it: a file opened with dlopen and its
// exports looked up by name, one member per name of the export list.
// Nothing of the driver is linked in.
#pragma once

#include <string>
#include <vector>

#include "driver/ExportList.h"
#include "include/rv_zr6180.h"

struct TDriverLibrary {
    TDriverLibrary() = default;
    // Closes the library unless StayLoaded() was called.
    ~TDriverLibrary();
    TDriverLibrary(const TDriverLibrary&) = delete;
    TDriverLibrary& operator=(const TDriverLibrary&) = delete;

    // Opens the library and looks up every export. False with the loader's
    // reason in `error` when the file does not open; a missing export is only
    // noted in `missing` (its member stays null), so that a caller which does
    // not need it can still run.
    bool Open(const std::string& path, std::string& error);
    // The names in `missing`, joined with ", "; empty when all are there.
    std::string MissingText() const;
    // The library is not closed with this object: a toolkit that it has
    // brought into the process cannot be unloaded safely.
    void StayLoaded() { stayLoaded_ = true; }

    void* handle = nullptr;
    std::string path;
    std::vector<std::string> missing;  // exports the library lacks
#define RV_EXPORT_MEMBER(name) decltype(&::name) name = nullptr;
    RV_ZR6180_EXPORTS(RV_EXPORT_MEMBER)
#undef RV_EXPORT_MEMBER

private:
    bool stayLoaded_ = false;
};

// The driver library loaded with dlopen, as a host loads it.
#pragma once

#include <string>

#include "driver/ExportList.h"
#include "include/rv_zr6180.h"

struct TLibrary {
    explicit TLibrary(const char* path = RV_ZR6180_LIB);
    ~TLibrary();
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;

    void* handle = nullptr;
#define RV_EXPORT_MEMBER(name) decltype(&::name) name = nullptr;
    RV_ZR6180_EXPORTS(RV_EXPORT_MEMBER)
#undef RV_EXPORT_MEMBER
};

// The driver library opened with dlopen and its exports, as a host sees them.
#pragma once

#include <string>

#include "driver/ExportList.h"
#include "include/rv_zr6180.h"

struct TBenchDriver {
    TBenchDriver() = default;
    ~TBenchDriver();
    TBenchDriver(const TBenchDriver&) = delete;
    TBenchDriver& operator=(const TBenchDriver&) = delete;

    // False with the reason in `error` when the library or an export is missing.
    bool Open(const std::string& path, std::string& error);

    void* handle = nullptr;
#define RV_EXPORT_MEMBER(name) decltype(&::name) name = nullptr;
    RV_ZR6180_EXPORTS(RV_EXPORT_MEMBER)
#undef RV_EXPORT_MEMBER
};

// The driver library opened with dlopen and its exports, as a host sees them.
#pragma once

#include <string>

#include "include/rv_zr6180.h"

struct TBenchDriver {
    TBenchDriver() = default;
    ~TBenchDriver();
    TBenchDriver(const TBenchDriver&) = delete;
    TBenchDriver& operator=(const TBenchDriver&) = delete;

    // False with the reason in `error` when the library or an export is missing.
    bool Open(const std::string& path, std::string& error);

    void* handle = nullptr;
    decltype(&::MakeDriver) MakeDriver = nullptr;
    decltype(&::Init) Init = nullptr;
    decltype(&::InputRequest) InputRequest = nullptr;
    decltype(&::InputRequestCompleted) InputRequestCompleted = nullptr;
    decltype(&::InputFinalized) InputFinalized = nullptr;
    decltype(&::GetInput) GetInput = nullptr;
    decltype(&::Done) Done = nullptr;
    decltype(&::DisposeDriver) DisposeDriver = nullptr;
};

// The driver library loaded with dlopen, as a host loads it.
#pragma once

#include <string>

#include "include/rv_zr6180.h"

struct TKnihovna {
    explicit TKnihovna(const char* cesta = RV_ZR6180_LIB);
    ~TKnihovna();
    TKnihovna(const TKnihovna&) = delete;
    TKnihovna& operator=(const TKnihovna&) = delete;

    void* handle = nullptr;
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
};

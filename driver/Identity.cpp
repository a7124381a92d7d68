// Identification, instance life and the buffer and query calls.
#include <new>

#include "comm/CommLogs.h"
#include "config/MainLog.h"
#include "driver/Common.h"
#include "driver/Lifetime.h"

extern "C" {

uint32_t Version(void) noexcept { return InterfaceVersion; }

TBoolean Check(void) noexcept { return 1; }

void GetDriverInfo(uint32_t, char* text) noexcept { CopyText(text, IdentificationText, 22); }

PData MakeDriver(void) noexcept try {
    return new (std::nothrow) TData();
} catch (...) {
    return nullptr;
}

void DisposeDriver(PData p) noexcept try {
    TData* d = Instance(p);
    ZapisRun(d, "DisDri 0");
    if (d == nullptr) return;
    ZapisDoLogu(d, d->Cfg, "Ovladač odinstalován."_cp);
    ZapisRun(d, "DisDri 9");
    StopThreadsAndWindow(*d);
    delete d;
} catch (...) {
}

uint32_t BufferInfo(PData p) noexcept try {
    TData* d = Instance(p);
    if (d) ZapisRun(d, "BufInf ");
    return 0;
} catch (...) {
    return 0;
}

void SetBufferAddr(PData p, void*, uint32_t) noexcept try {
    TData* d = Instance(p);
    if (d) ZapisRun(d, "SetBufInf ");
} catch (...) {
}

void QueryProc(PData p, int32_t typ, const char* name, int32_t, THodnota* result) noexcept try {
    TData* d = Instance(p);
    if (d == nullptr) return;
    if (d->Ukoncovani) {
        ZapisRun(d, "QuePro 8");
        return;
    }
    ZapisRun(d, "QuePro 0");
    constexpr std::string_view kVersionQuery = "GetVersion";
    const bool jeDotaz = typ == TypString && name != nullptr &&
                         HostTextLength(name, kVersionQuery.size() + 1) == kVersionQuery.size() &&
                         std::memcmp(name, kVersionQuery.data(), kVersionQuery.size()) == 0;
    if (jeDotaz && result != nullptr && result->TypHodnoty == TypString && result->Hodnota.Text != nullptr)
        CopyText(const_cast<char*>(result->Hodnota.Text), IdentificationText, 22);
    ZapisRun(d, "QuePro 9");
} catch (...) {
}

}  // extern "C"

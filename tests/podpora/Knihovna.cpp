#include "podpora/Knihovna.h"

#include <dlfcn.h>

#include <stdexcept>

namespace {

template <class F>
void Nacti(void* h, F& f, const char* jmeno) {
    f = reinterpret_cast<F>(dlsym(h, jmeno));
}

}  // namespace

TKnihovna::TKnihovna(const char* cesta) {
    handle = dlopen(cesta, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    Nacti(handle, Version, "Version");
    Nacti(handle, Check, "Check");
    Nacti(handle, GetDriverInfo, "GetDriverInfo");
    Nacti(handle, MakeDriver, "MakeDriver");
    Nacti(handle, Init, "Init");
    Nacti(handle, BufferInfo, "BufferInfo");
    Nacti(handle, SetBufferAddr, "SetBufferAddr");
    Nacti(handle, InputRequest, "InputRequest");
    Nacti(handle, InputRequestCompleted, "InputRequestCompleted");
    Nacti(handle, InputFinalized, "InputFinalized");
    Nacti(handle, GetInput, "GetInput");
    Nacti(handle, OutputRequest, "OutputRequest");
    Nacti(handle, OutputRequestCompleted, "OutputRequestCompleted");
    Nacti(handle, OutputFinalized, "OutputFinalized");
    Nacti(handle, DriverProc, "DriverProc");
    Nacti(handle, QueryProc, "QueryProc");
    Nacti(handle, Done, "Done");
    Nacti(handle, DisposeDriver, "DisposeDriver");
}

TKnihovna::~TKnihovna() {
    if (handle) dlclose(handle);
}

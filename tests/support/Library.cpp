#include "support/Library.h"

#include <dlfcn.h>

#include <stdexcept>

namespace {

template <class F>
void Nacti(void* h, F& f, const char* jmeno) {
    f = reinterpret_cast<F>(dlsym(h, jmeno));
}

}  // namespace

TLibrary::TLibrary(const char* cesta) {
    handle = dlopen(cesta, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
#define RV_LOOK_UP(name) Nacti(handle, name, #name);
    RV_ZR6180_EXPORTS(RV_LOOK_UP)
#undef RV_LOOK_UP
}

TLibrary::~TLibrary() {
    if (handle) dlclose(handle);
}

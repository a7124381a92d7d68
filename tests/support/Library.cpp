#include "support/Library.h"

#include <dlfcn.h>

#include <stdexcept>

namespace {

template <class F>
void Resolve(void* h, F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(h, name));
}

}  // namespace

TLibrary::TLibrary(const char* path) {
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
#define RV_LOOK_UP(name) Resolve(handle, name, #name);
    RV_ZR6180_EXPORTS(RV_LOOK_UP)
#undef RV_LOOK_UP
}

TLibrary::~TLibrary() {
    if (handle) dlclose(handle);
}

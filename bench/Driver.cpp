#include "bench/Driver.h"

#include <dlfcn.h>

namespace {

template <class F>
bool Look(void* h, F& f, const char* name, std::string& missing) {
    f = reinterpret_cast<F>(dlsym(h, name));
    if (f == nullptr) missing += std::string(missing.empty() ? "" : ", ") + name;
    return f != nullptr;
}

}  // namespace

TBenchDriver::~TBenchDriver() {
    if (handle != nullptr) dlclose(handle);
}

bool TBenchDriver::Open(const std::string& path, std::string& error) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "cannot open " + path;
        return false;
    }
    std::string missing;
#define RV_LOOK_UP(name) Look(handle, name, #name, missing);
    RV_ZR6180_EXPORTS(RV_LOOK_UP)
#undef RV_LOOK_UP
    if (!missing.empty()) error = path + ": missing exports " + missing;
    return missing.empty();
}

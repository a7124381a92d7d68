#include "tools/common/DriverLibrary.h"

#include <dlfcn.h>

namespace {

template <class F>
void Look(void* handle, F& f, const char* name, std::vector<std::string>& missing) {
    f = reinterpret_cast<F>(dlsym(handle, name));
    if (f == nullptr) missing.emplace_back(name);
}

}  // namespace

TDriverLibrary::~TDriverLibrary() {
    if (handle != nullptr && !stayLoaded_) dlclose(handle);
}

bool TDriverLibrary::Open(const std::string& file, std::string& error) {
    dlerror();
    handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "cannot open " + file;
        return false;
    }
    path = file;
    missing.clear();
#define RV_LOOK_UP(name) Look(handle, name, #name, missing);
    RV_ZR6180_EXPORTS(RV_LOOK_UP)
#undef RV_LOOK_UP
    return true;
}

std::string TDriverLibrary::MissingText() const {
    std::string out;
    for (const auto& name : missing) out += (out.empty() ? "" : ", ") + name;
    return out;
}

#include "tools/host/Driver.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace host {
namespace {

std::string ProgramDirectory() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<std::size_t>(n));
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? "." : p.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

bool OpenDriver(const std::string& path, Driver& d, std::string& error) {
    if (!d.Open(path, error)) return false;
    d.StayLoaded();
    d.IterateMainContext = FindMainContext();
    return true;
}

// GLib comes in with the driver's window module, which the driver opens with
// RTLD_LOCAL when Init shows a window, so it is not in the global scope:
// find the loaded library itself. A host that links GLib has it at once.
MainContextIteration FindMainContext() {
    const char* name = "g_main_context_iteration";
    void* f = dlsym(RTLD_DEFAULT, name);
    if (f == nullptr) {
        if (void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_NOLOAD); glib != nullptr) {
            f = dlsym(glib, name);
            dlclose(glib);  // GLib is never unloaded
        }
    }
    return reinterpret_cast<MainContextIteration>(f);
}

std::string MissingExports(const Driver& d, const std::vector<const char*>& needed) {
    std::string out;
    for (const char* name : needed) {
        if (std::find(d.missing.begin(), d.missing.end(), name) == d.missing.end()) continue;
        if (!out.empty()) out += ", ";
        out += name;
    }
    return out;
}

std::string DefaultDriverPath() {
    const std::string dir = ProgramDirectory();
    const std::string versioned = dir + "/librv_zr6180.so.3";
    if (access(versioned.c_str(), F_OK) == 0) return versioned;
    return dir + "/librv_zr6180.so";
}

}  // namespace host

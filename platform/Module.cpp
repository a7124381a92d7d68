#include "platform/Module.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/Environment.h"

std::string OwnDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnDirectory), &info) == 0 || info.dli_fname == nullptr) return {};
    // The name the host opened may be a link from elsewhere (an installed
    // host's directory): what sits beside the driver is beside its file.
    char* real = realpath(info.dli_fname, nullptr);
    const std::string path = real != nullptr ? real : info.dli_fname;
    free(real);
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string ModulePath(const char* variable, const char* file) {
    const std::string_view named = EnvironmentValue(variable);
    if (!named.empty()) return std::string(named);
    const std::string dir = OwnDirectory();
    if (dir.empty()) return {};
    // Installed, the modules sit in a folder of their own beside the driver:
    // the loader's directories are for libraries that programs link. In the
    // build tree they sit right beside it.
    std::string installed = dir + "/" + ModuleFolder + "/" + file;
    if (access(installed.c_str(), F_OK) == 0) return installed;
    return dir + "/" + file;
}

void* LoadModuleSymbol(const std::string& path, const char* entry, std::string& error) {
    // Local: the module's toolkit does not enter the host's global scope.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : "cannot load " + path;
        return nullptr;
    }
    void* symbol = dlsym(handle, entry);
    if (symbol == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : std::string("no ") + entry + " in " + path;
    }
    // With RTLD_NODELETE this only drops the count: the module stays mapped.
    dlclose(handle);
    return symbol;
}

void KeepLibraryLoaded() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&KeepLibraryLoaded), &info) == 0 || info.dli_fname == nullptr) return;
    // Found loaded, it becomes undeletable; the count taken here is dropped again.
    void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    if (handle != nullptr) dlclose(handle);
}

// A host that reloads its project: in one process, rounds of dlopen, Init
// with the window and the web server (when built), request cycles while it
// iterates the GLib main context and asks the web page, Done, DisposeDriver
// and dlclose; first on the display it is given, then
// without one (DISPLAY unset, RV_ZR6180_WINDOW=auto). It links no toolkit:
// GLib comes in with the driver's window module. Prints what went wrong on
// stdout and exits non-zero; stderr is left to the libraries (and must stay
// empty).
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/Http.h"
#include "support/TestHost.h"
#include "support/Wait.h"

namespace {

using namespace std::chrono_literals;

constexpr int Rounds = 3;

bool Loaded(const char* soname) {
    void* h = dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
    if (h != nullptr) dlclose(h);
    return h != nullptr;
}

// Dispatches the default main context for a while, as a GTK host's loop
// does; GLib is found once something has loaded it.
void Iterate(std::chrono::milliseconds time) {
    void* glib = dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    using TIteration = int (*)(void*, int);
    auto iteration = glib != nullptr ? reinterpret_cast<TIteration>(dlsym(glib, "g_main_context_iteration")) : nullptr;
    RepeatFor(time, 5ms, [&] {
        if (iteration != nullptr)
            for (int i = 0; i < 64 && iteration(nullptr, 0) != 0; ++i) {
            }
    });
    if (glib != nullptr) dlclose(glib);
}

bool Round(int round, bool display) {
    const std::string name = std::string(display ? "display" : "no display") + " round " + std::to_string(round);
    {
        TTestHost host;
        setenv("RV_ZR6180_WINDOW", display ? "gtk" : "auto", 1);  // the host fixture asks for none
        std::string error;
        if (!host.Start(TParamFile::DemoWindow(1, "TI-100", "Teplota"), &error)) return std::printf("%s: Init failed: %s\n", name.c_str(), error.c_str()), false;
        if (display && !Loaded("libgtk-3.so.0")) return std::printf("%s: no GTK window\n", name.c_str()), false;
#ifdef RV_WITH_WEB
        const uint16_t port = ListeningPort(host.MainLog());
        if (port == 0 || HttpGet(port, "/api/info").Status != 200)
            return std::printf("%s: no web page on port %u\n", name.c_str(), port), false;
#endif
        for (int i = 0; i < 5; ++i) {
            const TOutcome v = host.Read(100);
            if (!v.Finalized || v.Status != 0)
                return std::printf("%s: request %d ended with status %d\n", name.c_str(), i, v.Status), false;
            host.lib.DriverProc(host.d, static_cast<uint32_t>(i % 2), 0, 0, 0, 0);  // hide, show
            Iterate(250ms);  // more than one refresh
        }
        host.Done();
#ifdef RV_WITH_WEB
        if (ConnectLoopback(port) >= 0) return std::printf("%s: the web server outlived Done\n", name.c_str()), false;
#endif
        Iterate(50ms);
        host.Dispose();
    }
#ifndef RV_DRIVER_STAYS_LOADED
    // Sanitizer builds keep the driver mapped (-z nodelete) for their reports.
    if (Loaded(RV_ZR6180_LIB)) return std::printf("%s: the driver stayed loaded\n", name.c_str()), false;
#endif
    return true;
}

}  // namespace

int main() {
#ifdef RV_WITH_WEB
    setenv("RV_ZR6180_HTTP", "127.0.0.1:0", 1);
#endif
    for (int i = 1; i <= Rounds; ++i)
        if (!Round(i, true)) return 1;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    for (int i = 1; i <= Rounds; ++i)
        if (!Round(i, false)) return 1;
    return 0;
}

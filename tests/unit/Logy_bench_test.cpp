// Cost of a RUN line against a bare open/write/close of the same line.
// Prints both rates; RV_BENCH_RADKU sets the lines per round (default 2000).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "comm/Logy.h"
#include "config/Model.h"
#include "support/TempDir.h"

namespace {

using THodinyMereni = std::chrono::steady_clock;

constexpr std::string_view kDetail = "[VUZIV2]0000640001000000000000000000000000000000000000C3";

int PocetRadku() {
    const char* p = std::getenv("RV_BENCH_RADKU");
    const int n = p ? std::atoi(p) : 0;
    return n > 0 ? n : 2000;
}

// Lines per second of one round.
template <class F>
double Rychlost(int radku, F&& f) {
    const auto zacatek = THodinyMereni::now();
    for (int i = 0; i < radku; ++i) f();
    const std::chrono::duration<double> t = THodinyMereni::now() - zacatek;
    return radku / t.count();
}

TEST(LogyRychlost, RunLineCostsAboutOneOpenWriteClose) {
    TTempDir adr;
    auto d = std::make_unique<TData>();
    d->Cfg.LogAdresar = adr.Path() + "/";
    d->Cfg.RunPovolen = 1;
    d->Cfg.RunPocet = 99;
    d->Cfg.RunCislo = 1;
    d->Lokalizace = TLokalizace{};

    const std::string cesta = adr / "holy.log";
    const std::string radek = "00000000 [05.03.24 14:07:09.045] KOM 2, K=100,  R=1,  S=2, " + std::string(kDetail) + "\r\n";
    const auto holy = [&] {
        const int fd = open(cesta.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return;
        if (write(fd, radek.data(), radek.size()) < 0) {}
        close(fd);
    };
    const auto run = [&] { ZapisRun(d.get(), "KOM 2", 100, 1, 2, kDetail); };

    const int radku = PocetRadku();
    double nejHoly = 0, nejRun = 0;
    for (int kolo = 0; kolo < 5; ++kolo) {  // alternate rounds so load changes hit both alike
        nejHoly = std::max(nejHoly, Rychlost(radku, holy));
        nejRun = std::max(nejRun, Rychlost(radku, run));
    }
    d->Cfg.RunPovolen = 0;
    const double vypnuto = Rychlost(radku * 50, run);

    std::printf("bare open/write/close: %.0f lines/s\nZapisRun (RUN on):     %.0f lines/s (%.0f%%)\n"
                "ZapisRun (RUN off):    %.0f calls/s\n",
                nejHoly, nejRun, 100.0 * nejRun / nejHoly, vypnuto);
    // Loose bounds: the machine may be busy (parallel ctest, sanitizers); they
    // still catch a line that costs extra file operations or formatting.
    EXPECT_GT(nejRun, 0.2 * nejHoly);
    EXPECT_GT(vypnuto, 3 * nejHoly);
}

}  // namespace

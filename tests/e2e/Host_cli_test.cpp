// The sample host run as a program: its command line, its handling of a
// driver it cannot use, and Init's verdict passed through in UTF-8.
#include <gtest/gtest.h>

#ifdef RV_ZR6180_HOST

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "base/Cp1250.h"
#include "podpora/Adresar.h"
#include "podpora/Knihovna.h"

namespace {

struct TBeh {
    int kod = -1;
    std::string vystup;  // stdout and stderr together
};

std::string Q(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

TBeh Spust(const std::string& argumenty) {
    const std::string prikaz = Q(RV_ZR6180_HOST) + " " + argumenty + " 2>&1";
    TBeh b;
    FILE* p = popen(prikaz.c_str(), "r");
    if (p == nullptr) return b;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) b.vystup.append(buf, n);
    const int stav = pclose(p);
    b.kod = WIFEXITED(stav) ? WEXITSTATUS(stav) : 128 + WTERMSIG(stav);
    return b;
}

bool MaInit() {
    TKnihovna lib;
    return lib.Init != nullptr;
}

// One declared interface with one channel; every log off, window hidden.
std::string Parametry(const TDocasnyAdresar& dir) {
    std::string t;
    t += "[Logovací soubor]\r\nPovolen=0\r\n"_cp;
    t += "Adresář LOG souborů="_cp;
    t += dir.Cesta() + "\r\n";
    t += "[Diagnostické okno]\r\nPovoleno=0\r\n"_cp;
    t += "[Deklarace rozhraní 1]\r\nTyp=ZR-6180\r\nIP adresa=127.0.0.1\r\nUDP port=47999\r\n"_cp;
    t += "UDP timeout=50\r\nBaud=9600\r\nTimeout=100\r\n";
    t += "[Deklarace kanálů]\r\n100 1 1 0 0 \"K100\"\r\n"_cp;
    const std::string cesta = dir / "param.ini";
    ZapisSoubor(cesta, t);
    return cesta;
}

TEST(HostCli, HelpPrintsTheUsageAndSucceeds) {
    const TBeh b = Spust("--help");
    EXPECT_EQ(b.kod, 0);
    EXPECT_NE(b.vystup.find("Usage: zr6180-host"), std::string::npos) << b.vystup;
    EXPECT_NE(b.vystup.find("watch CH..."), std::string::npos);
}

TEST(HostCli, CommandLineFaultsAreUsageErrorsBeforeTheDriverLoads) {
    // A driver path that cannot load proves the arguments were judged first.
    const std::string bez = "--driver /nonexistent/librv.so -p x ";
    TBeh b = Spust(bez + "read 3000");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("channel 3000 is not readable"), std::string::npos) << b.vystup;

    b = Spust(bez + "write 5000=2");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("channel 5000: expects 0 or 1"), std::string::npos) << b.vystup;

    b = Spust(bez + "write " + Q("6000=日本"));
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("code page 1250"), std::string::npos) << b.vystup;

    b = Spust(bez + "write 4000=1 4000=2");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("given twice"), std::string::npos) << b.vystup;

    b = Spust("--driver /x.so read 100");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("no parameter file"), std::string::npos) << b.vystup;

    b = Spust("-p x --count 2 read 100");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("belong to watch"), std::string::npos) << b.vystup;
}

TEST(HostCli, UnloadableDriverIsReported) {
    const TBeh b = Spust("--driver /nonexistent/librv.so -p x check");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("cannot load the driver"), std::string::npos) << b.vystup;
}

TEST(HostCli, LibraryWithoutTheExportsIsNamedNotCalled) {
    // Any library without the driver's exports serves.
    const TBeh b = Spust("--driver libm.so.6 -p x check");
    EXPECT_EQ(b.kod, 2);
    EXPECT_NE(b.vystup.find("does not export Version, Check, MakeDriver, Init, Done, DisposeDriver"),
              std::string::npos)
        << b.vystup;
}

TEST(HostCli, CheckWithMissingParameterFilePrintsTheDriversMessage) {
    if (!MaInit()) GTEST_SKIP() << "the library does not export Init yet";
    TDocasnyAdresar dir;
    // No --driver: the library beside the program is the default.
    const TBeh b = Spust("-p " + Q(dir / "chybi.ini") + " check");
    EXPECT_NE(b.kod, 0);
    EXPECT_NE(b.vystup.find("Chybný parametrický soubor"), std::string::npos) << b.vystup;
}

TEST(HostCli, CheckWithAValidFileSucceeds) {
    if (!MaInit()) GTEST_SKIP() << "the library does not export Init yet";
    TDocasnyAdresar dir;
    const TBeh b = Spust("--tsv -p " + Q(Parametry(dir)) + " check");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    EXPECT_NE(b.vystup.find("Init\tOK"), std::string::npos) << b.vystup;
}

TEST(HostCli, ReadOfAnUndeclaredChannelShowsItsStatus) {
    if (!MaInit()) GTEST_SKIP() << "the library does not export Init yet";
    TDocasnyAdresar dir;
    // Channel 1 is fetched after the cycle, when 150 has already failed.
    const TBeh b = Spust("--tsv --timeout 5000 -p " + Q(Parametry(dir)) + " read 1 150");
    EXPECT_EQ(b.kod, 1) << b.vystup;
    EXPECT_NE(b.vystup.find("Channel\tValue\tStatus\tText\n"), std::string::npos) << b.vystup;
    EXPECT_NE(b.vystup.find("\n1\t150\t0\tV pořádku\n"), std::string::npos) << b.vystup;
    EXPECT_NE(b.vystup.find("\n150\t0\t17\tKanál nedefinován\n"), std::string::npos) << b.vystup;
}

TEST(HostCli, InfoMarksUndeclaredInterfaces) {
    if (!MaInit()) GTEST_SKIP() << "the library does not export Init yet";
    TDocasnyAdresar dir;
    const TBeh b = Spust("--tsv --timeout 5000 -p " + Q(Parametry(dir)) + " info");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    EXPECT_NE(b.vystup.find("Identification\tOvladač ZR-6180 v.3.15\n"), std::string::npos) << b.vystup;
    EXPECT_NE(b.vystup.find("GetVersion\tOvladač ZR-6180 v.3.15\n"), std::string::npos) << b.vystup;
    EXPECT_NE(b.vystup.find("1\tyes\t0\t0\t0\tV pořádku\n"), std::string::npos) << b.vystup;
    EXPECT_NE(b.vystup.find("16\tno\t0\t0\t18\tRozhraní nedefinováno\n"), std::string::npos) << b.vystup;
}

}  // namespace

#endif  // RV_ZR6180_HOST

// zr6180-host against zr6180-sim, both as separate processes on free ports:
// the command lines, exit codes and texts an integrator sees.
#include <gtest/gtest.h>

#if defined(RV_ZR6180_HOST) && defined(RV_ZR6180_SIM)

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "base/Cp1250.h"
#include "podpora/Adresar.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct TBeh {
    int kod = -1;
    std::string vystup;  // stdout and stderr together
};

std::string Q(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::size_t Pocet(const std::string& text, const std::string& co) {
    std::size_t n = 0;
    for (auto i = text.find(co); i != std::string::npos; i = text.find(co, i + co.size())) ++n;
    return n;
}

// The main log's texts, in code page 1250.
constexpr std::string_view kInicializovanCp = "Ovladač úspěšně inicializován."_cp;
constexpr std::string_view kChybaBaudCp = "Chyba parametrického souboru - Deklarace rozhraní 1 / Baud = 1234."_cp;

// Two gateways: module 1 with values and module 5 that never answers on the
// first, module 9 that answers status 5 on the second.
constexpr const char* kRostlina =
    "gateway 0 absent=4\n"
    "module 1\n"
    "  periphery 1 real 21.50\n"
    "  periphery 2 int -7\n"
    "  periphery 3 bits 0x00000005\n"
    "module 5\n"
    "  fault drop\n"
    "gateway 0 absent=4\n"
    "module 9\n"
    "  periphery 1 real 65.535\n"
    "  fault status=5\n";

// The simulator as a child process; its output goes to files, so a long
// trace can never block it.
class TSimulatorProces {
public:
    bool Spust(const TDocasnyAdresar& dir) {
        vystup_ = dir / "sim.out";
        const std::string plant = dir / "rostlina.txt";
        ZapisSoubor(plant, kRostlina);
        posix_spawn_file_actions_t akce;
        posix_spawn_file_actions_init(&akce);
        posix_spawn_file_actions_addopen(&akce, 1, vystup_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&akce, 2, (dir / "sim.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string program = RV_ZR6180_SIM;
        std::string v = "--verbose", p = "--plant", nula = "0";
        char* argv[] = {program.data(), v.data(), p.data(), const_cast<char*>(plant.c_str()), nula.data(),
                        nula.data(), nullptr};
        const int r = posix_spawn(&pid_, program.c_str(), &akce, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&akce);
        if (r != 0) {
            pid_ = -1;
            return false;
        }
        return CekejNaPorty();
    }

    // SIGTERM stops it cleanly; the exit code says so.
    int Zastav() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int stav = 0;
        waitpid(pid_, &stav, 0);
        pid_ = -1;
        return WIFEXITED(stav) ? WEXITSTATUS(stav) : 128 + WTERMSIG(stav);
    }

    ~TSimulatorProces() { Zastav(); }

    int Port(int brana) const { return porty_[brana - 1]; }
    std::string Stopa() const { return CtiSoubor(vystup_); }

private:
    bool CekejNaPorty() {
        static const std::regex radek(R"(^gateway ([12]) listening on 127\.0\.0\.1:(\d+)$)");
        const auto konec = Clock::now() + 10s;
        while (Clock::now() < konec) {
            std::istringstream s(CtiSoubor(vystup_));
            std::string l;
            while (std::getline(s, l)) {
                std::smatch m;
                if (std::regex_match(l, m, radek)) porty_[std::stoi(m[1]) - 1] = std::stoi(m[2]);
            }
            if (porty_[0] > 0 && porty_[1] > 0) return true;
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    pid_t pid_ = -1;
    std::string vystup_;
    int porty_[2] = {0, 0};
};

class NastrojeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.Spust(dir_)) << CtiSoubor(dir_ / "sim.err");
        parametry_ = ZapisParametry("param.ini", "Baud=115200");
    }

    // Main and interface logs on; RUN logs off. Interface 1's Baud line is given.
    std::string ZapisParametry(const std::string& jmeno, const std::string& baud1) {
        std::string t = "[Logovací soubor]\nPovolen=1\nNázev souboru=Rv_zr6180.log\nPovolen RUN=0\n"
                        "Povolen log rozhraní=1\nAdresář LOG souborů=" +
                        dir_ / "logs" + "\n[Diagnostické okno]\nPovoleno=0\n";
        for (int k = 1; k <= 2; ++k) {
            t += "[Deklarace rozhraní " + std::to_string(k) + "]\nTyp=ZR-6180\nIP adresa=127.0.0.1\n";
            t += "UDP port=" + std::to_string(sim_.Port(k)) + "\n";
            t += "UDP timeout=50\nUDP opakování=1\nTimeout=10\nOpakování=0\n";
            t += k == 1 ? baud1 + "\n" : "Baud=115200\n";
        }
        t += "[Deklarace kanálů]\n"
             "100  1 1 1 0 \"T1\" \"Teplota\"\n"
             "1000 1 1 2 0\n"
             "2000 1 1 3 0\n"
             "2002 1 1 3 2\n"
             "3000 1 1 1 0\n"
             "4000 1 1 2 0\n"
             "5000 1 1 3 0\n"
             "6000 1 1 4 0\n"
             "103  1 5 1 0 \"ZTR\" \"Modul bez odpovědi\"\n"
             "101  2 9 1 0 \"PRS\" \"Modul s poruchou\"\n";
        const std::string cesta = dir_ / jmeno;
        ZapisSoubor(cesta, t);
        return cesta;
    }

    TBeh Host(const std::string& argumenty) { return HostS(parametry_, argumenty); }

    static TBeh HostS(const std::string& parametry, const std::string& argumenty) {
        const std::string prikaz = "RV_ZR6180_WINDOW=none " + Q(RV_ZR6180_HOST) + " --tsv --timeout 10000 -p " +
                                   Q(parametry) + " " + argumenty + " 2>&1";
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

    std::string Logy(const std::string& jmeno) const { return CtiSoubor(dir_ / ("logs/" + jmeno)); }

    // The day's error log of interface k (its name carries the date).
    std::string LogRozhrani(int k) const {
        const std::string zacatek = "Rv_zr6180_R" + std::to_string(k) + "_";
        std::error_code e;
        for (const auto& f : std::filesystem::directory_iterator(dir_ / "logs", e))
            if (f.path().filename().string().rfind(zacatek, 0) == 0) return CtiSoubor(f.path().string());
        return {};
    }

    TDocasnyAdresar dir_;
    TSimulatorProces sim_;
    std::string parametry_;
};

bool Obsahuje(const std::string& text, const std::string& co) { return text.find(co) != std::string::npos; }

TEST_F(NastrojeTest, ReadShowsThePlantsValues) {
    const TBeh b = Host("read 100 1000 2000 2002");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "Channel\tValue\tStatus\tText\n"
                                   "100\t21.5\t0\tV pořádku\n"
                                   "1000\t-7\t0\tV pořádku\n"
                                   "2000\t1\t0\tV pořádku\n"
                                   "2002\t1\t0\tV pořádku\n"))
        << b.vystup;
}

TEST_F(NastrojeTest, WriteReachesTheGatewayAndReadsBack) {
    TBeh b = Host("write 3000=12.25 4000=-100000 5000=0 6000=ABCD");
    ASSERT_EQ(b.kod, 0) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "3000\t12.25\t0\tV pořádku\n")) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "6000\t\"ABCD\"\t0\tV pořádku\n")) << b.vystup;
    // The text arrives as its four bytes in periphery 4.
    EXPECT_TRUE(Obsahuje(sim_.Stopa(), " id=6000 fn=1 adr=1 per=4 data=41424344 ")) << sim_.Stopa();

    b = Host("read 100 1000 2000 2002");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    // Bit output 5000 writes the module's whole output word: bit 2 of the
    // plant's 0x05 is gone too.
    EXPECT_TRUE(Obsahuje(b.vystup, "100\t12.25\t0\tV pořádku\n"
                                   "1000\t-100000\t0\tV pořádku\n"
                                   "2000\t0\t0\tV pořádku\n"
                                   "2002\t0\t0\tV pořádku\n"))
        << b.vystup;
}

TEST_F(NastrojeTest, FaultyModuleEndsTheReadWithItsStatusAndExitCodeOne) {
    const TBeh b = Host("read 101 100 1 2 12");
    EXPECT_EQ(b.kod, 1) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "\t5\tTimeout - nepřišla správná odpověď\n")) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "\n100\t21.5\t0\tV pořádku\n")) << b.vystup;
    // Service channels: last failed channel, its module, interface 2's summary.
    EXPECT_TRUE(Obsahuje(b.vystup, "\n1\t101\t0\t")) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "\n2\t9\t0\t")) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "\n12\t" + std::to_string(65536 + 256) + "\t0\t")) << b.vystup;
    EXPECT_TRUE(Obsahuje(LogRozhrani(2), "Ch=101  - Chyba ZR  - SP=5\r\n")) << LogRozhrani(2);
}

TEST_F(NastrojeTest, SilentModuleEndsWithStatus21AfterOneAttemptPlusTheRetries) {
    const auto start = Clock::now();
    const TBeh b = Host("read 103");
    const auto trvani = Clock::now() - start;
    EXPECT_EQ(b.kod, 1) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "103\t0\t21\tChyba spojení s modulem ZR-6180\n")) << b.vystup;
    // UDP opakování=1: two datagrams, each waited for (7 + 10) * 1 + 50 ms.
    EXPECT_EQ(Pocet(sim_.Stopa(), " id=103 fn=0 "), 2u) << sim_.Stopa();
    EXPECT_GE(trvani, 134ms);
    EXPECT_TRUE(Obsahuje(LogRozhrani(1), "Ch=103  - Chyba LAN - timeout\r\n")) << LogRozhrani(1);
}

TEST_F(NastrojeTest, WatchRunsTheGivenNumberOfCycles) {
    const TBeh b = Host("watch --count 2 --interval 200 100 2000");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    const std::regex radky(
        "Cycle\tTime\tChannel\tValue\tStatus\tText\n"
        "1\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\t100\t21\\.5\t0\tV pořádku\n"
        "1\t[0-9:.]+\t2000\t1\t0\tV pořádku\n"
        "2\t[0-9:.]+\t100\t21\\.5\t0\tV pořádku\n"
        "2\t[0-9:.]+\t2000\t1\t0\tV pořádku\n");
    EXPECT_TRUE(std::regex_match(b.vystup, radky)) << b.vystup;
    EXPECT_EQ(Pocet(sim_.Stopa(), " id=100 fn=0 "), 2u) << sim_.Stopa();
}

TEST_F(NastrojeTest, InfoShowsTheIdentificationAndTheDeclaredInterfaces) {
    const TBeh b = Host("info");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "Identification\tOvladač ZR-6180 v.3.15\n")) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "Check\ttrue\n")) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "\n1\tyes\t0\t0\t0\tV pořádku\n2\tyes\t0\t0\t0\tV pořádku\n"
                                   "3\tno\t0\t0\t18\tRozhraní nedefinováno\n"))
        << b.vystup;
}

TEST_F(NastrojeTest, StatusRegisterResetSendsFunction101ToTheChannelsModule) {
    TBeh b = Host("write 99=100");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "99\t100\t0\tV pořádku\n")) << b.vystup;
    EXPECT_TRUE(Obsahuje(sim_.Stopa(), " id=99 fn=101 adr=1 ")) << sim_.Stopa();

    b = Host("write 99=101");  // the faulty module answers status 5 here too
    EXPECT_EQ(b.kod, 1) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "99\t101\t5\tTimeout - nepřišla správná odpověď\n")) << b.vystup;
}

TEST_F(NastrojeTest, CheckOfAGoodFileSucceeds) {
    const TBeh b = Host("check");
    EXPECT_EQ(b.kod, 0) << b.vystup;
    EXPECT_TRUE(Obsahuje(b.vystup, "Init\tOK\n")) << b.vystup;
    EXPECT_TRUE(Obsahuje(Logy("Rv_zr6180.log"), std::string(kInicializovanCp))) << Logy("Rv_zr6180.log");
}

TEST_F(NastrojeTest, CheckOfAFaultyFileShowsTheDriversMessage) {
    const std::string chybny = ZapisParametry("chybny.ini", "Baud=1234");
    const TBeh b = HostS(chybny, "check");
    EXPECT_EQ(b.kod, 1) << b.vystup;
    const std::string zprava = "Chyba parametrického souboru - Deklarace rozhraní 1 / Baud = 1234.";
    EXPECT_TRUE(Obsahuje(b.vystup, "Init\tfailed: " + zprava + "\n")) << b.vystup;
    // The main log has it in code page 1250.
    EXPECT_TRUE(Obsahuje(Logy("Rv_zr6180.log"), std::string(kChybaBaudCp))) << Logy("Rv_zr6180.log");

    // Commands other than check say so on standard error and exit with 1.
    const TBeh r = HostS(chybny, "read 100");
    EXPECT_EQ(r.kod, 1) << r.vystup;
    EXPECT_TRUE(Obsahuje(r.vystup, "zr6180-host: Init failed: " + zprava + "\n")) << r.vystup;
}

TEST_F(NastrojeTest, SimulatorStopsCleanlyOnSigterm) {
    EXPECT_EQ(Host("read 100").kod, 0);
    EXPECT_EQ(sim_.Zastav(), 0);
}

}  // namespace

#endif  // RV_ZR6180_HOST && RV_ZR6180_SIM

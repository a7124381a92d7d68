// zr6180-host against zr6180-sim, both as separate processes on free ports:
// the command lines, exit codes and texts an integrator sees.
#include <gtest/gtest.h>

#if defined(RV_ZR6180_HOST) && defined(RV_ZR6180_SIM)

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "base/Cp1250.h"
#include "support/Command.h"
#include "support/ParamFile.h"
#include "support/SimulatorProcess.h"
#include "support/TempDir.h"
#include "support/Text.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace std::string_literals;

// The main log's texts, in code page 1250.
constexpr std::string_view kInitializedCp = "Ovladač úspěšně inicializován."_cp;
constexpr std::string_view kBaudErrorCp = "Chyba parametrického souboru - Deklarace rozhraní 1 / Baud = 1234."_cp;

// Two gateways: module 1 with values and module 5 that never answers on the
// first, module 9 that answers status 5 on the second.
constexpr const char* kPlant =
    "gateway 0 absent=4\n"
    "module 1 register=0x0D\n"
    "  periphery 1 real 21.50\n"
    "  periphery 2 int -7\n"
    "  periphery 3 bits 0x00000005\n"
    "module 5\n"
    "  fault drop\n"
    "gateway 0 absent=4\n"
    "module 9\n"
    "  periphery 1 real 65.535\n"
    "  fault status=5\n";

class Tools : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string plant = dir_ / "rostlina.txt";
        WriteFile(plant, kPlant);
        ASSERT_TRUE(sim_.Start(dir_, {"--verbose", "--plant", plant, "0", "0"}));
        ASSERT_TRUE(sim_.WaitForPorts(2)) << sim_.Errors();
        params_ = WriteParams("param.ini", 115200);
    }

    // Main and interface logs on; RUN logs off. Interface 1's Baud is given.
    std::string WriteParams(const std::string& name, int baud1) {
        TParamFile p;
        p.LogName = "Rv_zr6180.log";
        p.RunEnabled = 0;
        p.LogDir = dir_ / "logs";
        TInterfaceParams like;
        like.UdpTimeout = 50;
        like.UdpRetries = 1;
        like.Timeout = 10;
        p.AddInterfaces({sim_.Port(1), sim_.Port(2)}, like);
        p.Interfaces[0].Baud = baud1;
        for (const char* k : {"100  1 1 1 0 \"T1\" \"Teplota\"", "1000 1 1 2 0", "2000 1 1 3 0", "2002 1 1 3 2",
                              "3000 1 1 1 0", "4000 1 1 2 0", "5000 1 1 3 0", "6000 1 1 4 0",
                              "101  2 9 1 0 \"PRS\" \"Modul s poruchou\"", "103  1 5 1 0 \"ZTR\" \"Modul bez odpovědi\"",
                              "3001 1 5 1 0"})
            p.AddChannel(cp1250::FromUtf8(k));  // the file is CP1250
        return p.Write(dir_.Path(), name);
    }

    TRun Host(const std::string& arguments) { return HostWith(params_, arguments); }

    // `format` is --tsv, --json or empty; `obal` wraps the command (e.g. in
    // a terminal).
    static TRun HostWith(const std::string& parameters, const std::string& arguments, const std::string& format = "--tsv",
                      const std::string& wrapper = "") {
        std::string command = "RV_ZR6180_WINDOW=none " + Quoted(RV_ZR6180_HOST) + " " + format + " --timeout 10000 -p " +
                             Quoted(parameters) + " " + arguments;
        if (!wrapper.empty()) command = wrapper + " " + Quoted(command);
        return RunShell(command);
    }

    std::string Log(const std::string& name) const { return ReadFile(dir_ / ("logs/" + name)); }

    std::string InterfaceLog(int k) const { return ReadInterfaceLogs(dir_ / "logs", k); }

    TTempDir dir_;
    TSimulatorProcess sim_;
    std::string params_;
};

TEST_F(Tools, ReadShowsThePlantsValues) {
    const TRun b = Host("read 100 1000 2000 2002");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "Channel\tCode\tName\tValue\tStatus\tText\n"
                                   "100\tT1\tTeplota\t21.5\t0\tV pořádku\n"
                                   "1000\t\t\t-7\t0\tV pořádku\n"
                                   "2000\t\t\t1\t0\tV pořádku\n"
                                   "2002\t\t\t1\t0\tV pořádku\n"))
        << b.Output;
}

TEST_F(Tools, WriteReachesTheGatewayAndReadsBack) {
    TRun b = Host("write 3000=12.25 4000=-100000 5000=0 6000=ABCD");
    ASSERT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "3000\t\t\t12.25\t0\tV pořádku\n")) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "6000\t\t\t\"ABCD\"\t0\tV pořádku\n")) << b.Output;
    // The text arrives as its four bytes in periphery 4.
    EXPECT_TRUE(Contains(sim_.Output(), " id=6000 fn=1 adr=1 per=4 data=41424344 ")) << sim_.Output();

    b = Host("read 100 1000 2000 2002");
    EXPECT_EQ(b.Code, 0) << b.Output;
    // Bit output 5000 writes the module's whole output word: bit 2 of the
    // plant's 0x05 is gone too.
    EXPECT_TRUE(Contains(b.Output, "100\tT1\tTeplota\t12.25\t0\tV pořádku\n"
                                   "1000\t\t\t-100000\t0\tV pořádku\n"
                                   "2000\t\t\t0\t0\tV pořádku\n"
                                   "2002\t\t\t0\t0\tV pořádku\n"))
        << b.Output;
}

TEST_F(Tools, FaultyModuleEndsTheReadWithItsStatusAndExitCodeOne) {
    const TRun b = Host("read 101 100 1 2 12");
    EXPECT_EQ(b.Code, 1) << b.Output;
    // Then the service channels: last failed channel, its module, interface 2's summary.
    // The failed channel's bytes are no measurement: its value stays empty.
    EXPECT_TRUE(ContainsAll(b.Output, {"\n101\tPRS\tModul s poruchou\t\t5\tTimeout - nepřišla správná odpověď\n",
                                       "\n100\tT1\tTeplota\t21.5\t0\tV pořádku\n", "\n1\t\t\t101\t0\t",
                                       "\n2\t\t\t9\t0\t", "\n12\t\t\t" + std::to_string(65536 + 256) + "\t0\t"}));
    EXPECT_TRUE(Contains(InterfaceLog(2), "Ch=101  - Chyba ZR  - SP=5\r\n")) << InterfaceLog(2);
}

TEST_F(Tools, SilentModuleEndsWithStatus21AfterOneAttemptPlusTheRetries) {
    const auto start = Clock::now();
    const TRun b = Host("read 103");
    const auto lasted = Clock::now() - start;
    EXPECT_EQ(b.Code, 1) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "103\tZTR\tModul bez odpovědi\t\t21\tChyba spojení s modulem ZR-6180\n")) << b.Output;
    // UDP opakování=1: two datagrams, each waited for (7 + 10) * 1 + 50 ms.
    EXPECT_EQ(CountOf(sim_.Output(), " id=103 fn=0 "), 2) << sim_.Output();
    EXPECT_GE(lasted, 134ms);
    EXPECT_TRUE(Contains(InterfaceLog(1), "Ch=103  - Chyba LAN - timeout\r\n")) << InterfaceLog(1);
}

TEST_F(Tools, WatchRunsTheGivenNumberOfCycles) {
    const TRun b = Host("watch --count 2 --interval 200 100 2000");
    EXPECT_EQ(b.Code, 0) << b.Output;
    const std::regex lines(
        "Cycle\tTime\tChannel\tCode\tName\tValue\tStatus\tText\n"
        "1\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\t100\tT1\tTeplota\t21\\.5\t0\tV pořádku\n"
        "1\t[0-9:.]+\t2000\t\t\t1\t0\tV pořádku\n"
        "2\t[0-9:.]+\t100\tT1\tTeplota\t21\\.5\t0\tV pořádku\n"
        "2\t[0-9:.]+\t2000\t\t\t1\t0\tV pořádku\n");
    EXPECT_TRUE(std::regex_match(b.Output, lines)) << b.Output;
    EXPECT_EQ(CountOf(sim_.Output(), " id=100 fn=0 "), 2) << sim_.Output();
}

TEST_F(Tools, InfoReadsTheDeclaredInputsAndShowsTheDeclaredInterfaces) {
    const TRun b = Host("info");
    EXPECT_EQ(b.Code, 1) << b.Output;  // two declared inputs are not in order
    // 100, 1000, 2000, 2002, 101 and 103 were read: the silent 103 and the
    // faulty 101 fill the summaries of both interfaces.
    EXPECT_TRUE(ContainsAll(b.Output, {"Identification\tOvladač ZR-6180 v.3.15\n", "Check\ttrue\n",
                                       "Declared inputs read\t6 (2 not in order)\n"}));
    EXPECT_TRUE(std::regex_search(b.Output, std::regex("Last failed channel \\(1\\)\t10[13]\n"))) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "\n1\tyes\t1\t1\t21\tChyba spojení s modulem ZR-6180\n"
                                   "2\tyes\t1\t1\t0\tV pořádku\n"))
        << b.Output;
    EXPECT_FALSE(Contains(b.Output, "\tno\t")) << b.Output;
    EXPECT_EQ(CountOf(sim_.Output(), " id=101 fn=0 "), 1) << sim_.Output();

    const TRun everything = Host("info --all");
    EXPECT_TRUE(Contains(everything.Output, "\n16\tno\t0\t0\t18\tRozhraní nedefinováno\n")) << everything.Output;
}

TEST_F(Tools, StatusRegisterResetSendsFunction101ToTheChannelsModule) {
    TRun b = Host("write 99=100");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "99\t\tNulování Status registru modulu\t100\t0\tV pořádku\n")) << b.Output;
    EXPECT_TRUE(Contains(sim_.Output(), " id=99 fn=101 adr=1 ")) << sim_.Output();

    b = Host("write 99=101");  // the faulty module answers status 5 here too
    EXPECT_EQ(b.Code, 1) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "99\t\tNulování Status registru modulu\t101\t5\tTimeout - nepřišla správná odpověď\n")) << b.Output;
}

TEST_F(Tools, CheckOfAGoodFileSucceedsAndShowsWhatTheDriverUnderstood) {
    const TRun b = Host("--strict check");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "Init\tOK\n")) << b.Output;
    // (7 ms serial time + Timeout 10) * 1 + UDP timeout 50 per attempt, two
    // attempts; 3 * 67 ms per exchange, then 2 * 201 + 1000 and + 1200.
    EXPECT_TRUE(ContainsAll(b.Output, {"\n1\tZR-6180\t127.0.0.1\t" + std::to_string(sim_.Port(1)) +
                                           "\t50\t1\t115200\t10\t0\t67\t2\t1402\t1602\n",
                                       "\n1\t2\t1\t2\t2\t1\t1\t1\t2\n", "\n2\t1\t0\t0\t0\t0\t0\t0\t1\n"}))
        << b.Output;
    EXPECT_FALSE(Contains(b.Output, "Warning")) << b.Output;
    // A web server that cannot start is a warning of check.
    const TRun web = HostWith(params_, "check", "--tsv", "RV_ZR6180_HTTP=nikde sh -c");
    EXPECT_EQ(web.Code, 0) << web.Output;
    EXPECT_TRUE(Contains(web.Output, "\tthe web server did not start: Webovou diagnostiku nelze spustit: neplatná adresa"))
        << web.Output;
    EXPECT_TRUE(Contains(Log("Rv_zr6180.log"), std::string(kInitializedCp))) << Log("Rv_zr6180.log");
}

TEST_F(Tools, CheckOfAFaultyFileShowsTheDriversMessage) {
    const std::string wrongText = WriteParams("chybny.ini", 1234);
    const TRun b = HostWith(wrongText, "check");
    EXPECT_EQ(b.Code, 3) << b.Output;
    const std::string message = "Chyba parametrického souboru - Deklarace rozhraní 1 / Baud = 1234.";
    EXPECT_TRUE(Contains(b.Output, "Init\tfailed: " + message + "\n")) << b.Output;
    const std::string text = ReadFile(wrongText);
    const std::string line = std::to_string(1 + CountOf(text.substr(0, text.find("Baud=1234")), "\n"));
    EXPECT_TRUE(Contains(b.Output, "Cause\tline " + line + ": Baud=1234 in [Deklarace rozhraní 1]\n")) << b.Output;
    // The main log has it in code page 1250.
    EXPECT_TRUE(Contains(Log("Rv_zr6180.log"), std::string(kBaudErrorCp))) << Log("Rv_zr6180.log");

    // Commands other than check say so on standard error and exit with 3.
    const TRun r = HostWith(wrongText, "read 100");
    EXPECT_EQ(r.Code, 3) << r.Output;
    EXPECT_TRUE(Contains(r.Output, "zr6180-host: Init failed: " + message + "\nzr6180-host: cause: line " + line))
        << r.Output;
}

TEST_F(Tools, MonitorShowsTheChannelsAddressStatusAndStatusRegister) {
    // Module 1's register 0x0D reaches the host masked with 0xF7.
    TRun b = Host("read --monitor 100");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "\n100\tT1\tTeplota\t21.5\t0\tV pořádku\n\nMonitored\tAddress\tStatus\tStatus register\tText\n"
                                   "100\t1\t0\t0x05\tV pořádku\n"))
        << b.Output;
    b = Host("read --monitor 101");
    EXPECT_EQ(b.Code, 1) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "\n101\t9\t5\t0x00\tTimeout - nepřišla správná odpověď\n")) << b.Output;
    // An output never written is not in order either (15).
    b = Host("read --monitor 3000");
    EXPECT_EQ(b.Code, 1) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "\n3000\t1\t15\t0x00\tKanál nepoužit\n")) << b.Output;
}

TEST_F(Tools, ParameterFileThatCannotBeReadIsNamedBeforeInit) {
    TRun b = HostWith(dir_ / "chybi.ini", "read 100");
    EXPECT_EQ(b.Code, 3) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "cannot read the parameter file " + dir_ / "chybi.ini" +
                                       ": No such file or directory\n"))
        << b.Output;
    EXPECT_FALSE(Contains(b.Output, "Init failed")) << b.Output;
    b = HostWith(dir_.Path(), "read 100");
    EXPECT_EQ(b.Code, 3) << b.Output;
    EXPECT_TRUE(Contains(b.Output, ": Is a directory\n")) << b.Output;
}

TEST_F(Tools, JsonGivesOneObjectPerCommandAndOneLinePerWatchCycle) {
    TRun b = HostWith(params_, "read 100 101 --monitor 101", "--json");
    EXPECT_EQ(b.Code, 1) << b.Output;
    EXPECT_EQ(b.Output,
              "{\"command\":\"read\",\"ok\":false,\"channels\":["
              "{\"channel\":100,\"value\":21.5,\"finished\":true,\"status\":0,\"text\":\"V pořádku\","
              "\"code\":\"T1\",\"name\":\"Teplota\"},"
              "{\"channel\":101,\"value\":65.535,\"finished\":true,\"status\":5,"
              "\"text\":\"Timeout - nepřišla správná odpověď\",\"code\":\"PRS\",\"name\":\"Modul s poruchou\"}],"
              "\"monitor\":{\"channel\":101,\"address\":9,\"status\":5,"
              "\"text\":\"Timeout - nepřišla správná odpověď\",\"status_register\":0}}\n");
    b = HostWith(params_, "watch --count 2 --interval 100 2000", "--json");
    EXPECT_EQ(b.Code, 0) << b.Output;
    const std::regex lines(
        "(\\{\"command\":\"watch\",\"cycle\":[12],\"time\":\"[0-9:.]+\",\"channels\":\\[\\{\"channel\":2000,"
        "\"value\":1,\"finished\":true,\"status\":0,\"text\":\"V pořádku\"\\}\\]\\}\n){2}");
    EXPECT_TRUE(std::regex_match(b.Output, lines)) << b.Output;
}

TEST_F(Tools, NanIsRefusedUnlessForcedAndThenShowsWhatWasSent) {
    TRun b = Host("write 3000=nan");
    EXPECT_EQ(b.Code, 2) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "channel 3000: NaN is refused")) << b.Output;
    b = Host("write 3000=-inf");
    EXPECT_EQ(b.Code, 2) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "an infinite value is refused")) << b.Output;
    EXPECT_FALSE(Contains(sim_.Output(), " id=3000 ")) << sim_.Output();

    b = Host("--force write 3000=nan");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "3000\t\t\tnan (sent -8388607)\t0\t")) << b.Output;
    EXPECT_TRUE(Contains(sim_.Output(), " id=3000 fn=1 adr=1 per=1 data=FFFFFF00 ")) << sim_.Output();
}

TEST_F(Tools, RealOutOfRangeIsRefusedUnlessForcedAndThenShowsWhatWasSent) {
    for (const char* v : {"1e12", "-9000000", "1e-7"}) {
        const TRun b = Host(std::string("write 3000=") + v);
        EXPECT_EQ(b.Code, 2) << v << b.Output;
        EXPECT_TRUE(Contains(b.Output, "channel 3000: a real ")) << v << b.Output;
    }
    EXPECT_FALSE(Contains(sim_.Output(), " id=3000 ")) << sim_.Output();

    TRun b = Host("--force write 3000=1e12");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "3000\t\t\t1000000000000 (sent 8388607)\t0\t")) << b.Output;
    EXPECT_TRUE(Contains(sim_.Output(), " id=3000 fn=1 adr=1 per=1 data=FFFF7F00 ")) << sim_.Output();
    b = Host("--force write 3000=1e-7");
    EXPECT_TRUE(Contains(b.Output, "3000\t\t\t1e-07 (sent 0)\t0\t")) << b.Output;
    // The ends of the range are written as they are.
    EXPECT_EQ(Host("write 3000=-8388607").Code, 0);
    EXPECT_EQ(Host("write 3000=0.00001").Code, 0);
}

TEST_F(Tools, TextOutputShowsTheCutAndBlankedTextThatWasSent) {
    const TRun b = Host("write 6000=ŽABKA");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "6000\t\t\t\"ŽABKA\" (sent \" ABK\")\t0\t")) << b.Output;
    EXPECT_TRUE(Contains(sim_.Output(), " id=6000 fn=1 adr=1 per=4 data=2041424B ")) << sim_.Output();
}

TEST_F(Tools, SlowReadShowsItsProgressOnATerminalOnly) {
    // Two attempts of 717 ms at the silent module 103.
    std::string t = ReadFile(params_);
    t.replace(t.find("UDP timeout=50"), 14, "UDP timeout=700");
    const std::string slowOne = dir_ / "pomaly.ini";
    WriteFile(slowOne, t);
    const TRun pipe = HostWith(slowOne, "read 103");
    EXPECT_EQ(pipe.Code, 1) << pipe.Output;
    EXPECT_FALSE(Contains(pipe.Output, "waiting")) << pipe.Output;

    const TRun terminal = HostWith(slowOne, "read 103", "--tsv", "script -qe /dev/null -c");
    const std::string port = std::to_string(sim_.Port(1));
    EXPECT_TRUE(std::regex_search(terminal.Output,
                                  std::regex("waiting 1\\.[0-9] s for channel 103 on gateway 1 \\(127\\.0\\.0\\.1:" +
                                             port + "\\), attempt 2 of 2")))
        << terminal.Output;
    EXPECT_TRUE(Contains(terminal.Output, "103\tZTR\tModul bez odpovědi\t\t21\t")) << terminal.Output;
    // A write to the silent module shows it too.
    const TRun write = HostWith(slowOne, "write 3001=1", "--tsv", "script -qe /dev/null -c");
    EXPECT_TRUE(std::regex_search(write.Output, std::regex("waiting 1\\.[0-9] s for channel 3001 on gateway 1 ")))
        << write.Output;
}

TEST_F(Tools, HelpListsEveryExitCodeAndBothToolsTellTheirVersion) {
    const TRun b = HostWith(params_, "--help", "");
    EXPECT_EQ(b.Code, 0);
    for (const char* code : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  3 ", "\n  130 "})
        EXPECT_TRUE(Contains(b.Output, code)) << code << b.Output;
    EXPECT_TRUE(std::regex_match(HostWith(params_, "--version", "").Output, std::regex("zr6180-host \\d+\\.\\d+\\.\\d+\n")));
}

TEST_F(Tools, SimulatorStopsCleanlyOnSigterm) {
    EXPECT_EQ(Host("read 100").Code, 0);
    EXPECT_EQ(sim_.Stop(), 0);
    const TRun b = RunShell(Quoted(RV_ZR6180_SIM) + " -p " + Quoted(dir_ / "chybi.txt"));
    EXPECT_EQ(b.Code, 2);
    EXPECT_TRUE(Contains(b.Output, "chybi.txt: No such file or directory\n")) << b.Output;
}

TEST_F(Tools, CheckWarnsOfWhatTheDriverAcceptsButIsLikelyAMistake) {
    std::string t = ReadFile(params_);
    const auto change = [&t](const std::string& from, std::string_view to) {
        const std::size_t at = t.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        t.replace(at, from.size(), to);
    };
    const auto lineOf = [&t](std::string_view what) {
        return std::to_string(1 + CountOf(t.substr(0, t.find(what)), "\n"));
    };
    change("IP adresa=127.0.0.1", "IP adresa=300.1.1.1\r\nUDP timout=70");
    change("UDP port=" + std::to_string(sim_.Port(2)), "UDP port=70000\r\nUDP opakování=20"_cp);
    change("Timeout=10", "Timeout=deset");
    change("Povolen RUN=0", "Povolen RUN=0\r\nPovolne=1");
    change("2002 1 1 3 2", "2002 1 1 3 2\r\n2001 1 1 3 1\r\n50 1 1 0 0\r\n100 7 1 0 0");
    const std::string faulty = dir_ / "vadny.ini";
    WriteFile(faulty, t);
    const TRun b = HostWith(faulty, "check");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "Init\tOK\n")) << b.Output;
    for (const std::string& w : std::vector<std::string>{
             lineOf("Povolne") + "\t[Logovací soubor] key \"Povolne\" is not known (did you mean \"Povolen\"?)",
             lineOf("[Deklarace rozhraní 1]"_cp) + "\tinterface 1: IP adresa \"300.1.1.1\" is not an IPv4 address",
             lineOf("UDP timout") + "\t[Deklarace rozhraní 1] key \"UDP timout\" is not known (did you mean \"UDP timeout\"?)",
             lineOf("Timeout=deset") + "\t[Deklarace rozhraní 1] Timeout=deset is not an integer: the driver keeps the default",
             lineOf("[Deklarace rozhraní 2]"_cp) + "\tinterface 2: UDP port 70000 is outside 1..65535",
             lineOf("UDP opakování=20"_cp) + "\t[Deklarace rozhraní 2] UDP opakování=20 is outside 0..15: the driver uses 0",
             lineOf("2001 1 1 3 1") + "\tchannel 2001 comes after 2002 of the same kind: out of order",
             lineOf("50 1 1 0 0") + "\tchannel 50 is outside 99..6099: the driver skips the line",
             lineOf("100 7 1 0 0") + "\tchannel 100 is declared again (line " + lineOf("100  1 1 1 0") +
                 "): the later line wins"})
        EXPECT_TRUE(Contains(b.Output, "\n" + w + "\n")) << w << "\n" << b.Output;
    EXPECT_EQ(HostWith(faulty, "--strict check").Code, 1);

    // A channel header that is not exactly the driver's declares nothing.
    for (const std::string header : {"[Deklarace kanalu]", "[Deklarace kanálů] "}) {
        std::string s = ReadFile(params_);
        s.replace(s.find("[Deklarace kanálů]"_cp), std::string_view("[Deklarace kanálů]"_cp).size(), cp1250::FromUtf8(header));
        WriteFile(faulty, s);
        const TRun h = HostWith(faulty, "--strict check");
        EXPECT_EQ(h.Code, 1) << h.Output;
        EXPECT_TRUE(ContainsAll(h.Output, {"Channels\t0 declared\n", "\t\"" + header +
                                               "\" is not the channel header \"[Deklarace kanálů]\""}))
            << header << "\n" << h.Output;
    }

    // A misspelt mandatory key fails Init; check names the line that has it.
    change("Povolen=1", "Povolene=1");
    WriteFile(faulty, t);
    const TRun p = HostWith(faulty, "check");
    EXPECT_EQ(p.Code, 3) << p.Output;
    EXPECT_TRUE(Contains(p.Output, "Cause\tsection [Logovací soubor] (line 1) has no key \"Povolen\"; line " +
                                       lineOf("Povolene") + " has \"Povolene\"\n"))
        << p.Output;
}

TEST_F(Tools, ReadDeclaredReadsEveryDeclaredInputWithItsCodeAndName) {
    const TRun b = Host("read --declared 1");
    EXPECT_EQ(b.Code, 1) << b.Output;  // 103 and 101 fail
    EXPECT_TRUE(Contains(b.Output, "Channel\tCode\tName\tValue\tStatus\tText\n"
                                   "100\tT1\tTeplota\t21.5\t0\tV pořádku\n"
                                   "1000\t\t\t-7\t0\tV pořádku\n"
                                   "2000\t\t\t1\t0\tV pořádku\n"
                                   "2002\t\t\t1\t0\tV pořádku\n"
                                   "101\tPRS\tModul s poruchou\t\t5\tTimeout - nepřišla správná odpověď\n"
                                   "103\tZTR\tModul bez odpovědi\t\t21\tChyba spojení s modulem ZR-6180\n"
                                   "1\t\t\t10"))
        << b.Output;
    EXPECT_EQ(CountOf(sim_.Output(), " fn=0 "), 7) << sim_.Output();  // 103 twice, no output channel
}

TEST_F(Tools, LogShowsTheDriversLogsInUtf8) {
    ASSERT_EQ(Host("read 103").Code, 1);
    TRun b = Host("log");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "] Ovladač úspěšně inicializován.\n")) << b.Output;
    EXPECT_FALSE(Contains(b.Output, "\r")) << b.Output;
    b = Host("log 1");
    EXPECT_TRUE(Contains(b.Output, "Ch=103  - Chyba LAN - timeout\n")) << b.Output;
    EXPECT_EQ(Host("log run").Code, 1);  // RUN logs are off
    EXPECT_EQ(Host("log nic").Code, 2);
    b = HostWith(params_, "log cb", "--json");
    EXPECT_TRUE(std::regex_match(b.Output, std::regex("\\{\"command\":\"log\",\"ok\":true,\"kind\":\"cb\",\"file\":\"[^\"]+"
                                                      "Rv_zr6180_CB\\.log\",\"lines\":\\[\".*\"\\]\\}\n")))
        << b.Output;

    // --follow shows the lines of a later run as they come, until stopped.
    const std::string out = dir_ / "follow.txt";
    const std::string host = "RV_ZR6180_WINDOW=none " + Quoted(RV_ZR6180_HOST) + " -p " + Quoted(params_);
    const TRun f = RunShell(host + " log --follow >" + Quoted(out) + " 2>&1 & pid=$!; " +
                            "for i in $(seq 300); do grep -q inicializ " + Quoted(out) + " && break; sleep 0.1; done; " +
                            host + " read 100 >/dev/null; " +
                            "for i in $(seq 300); do [ $(grep -c inicializ " + Quoted(out) +
                            ") -ge 2 ] && break; sleep 0.1; done; kill -TERM $pid; wait $pid");
    EXPECT_EQ(f.Code, 130) << f.Output << ReadFile(out);
    EXPECT_EQ(CountOf(ReadFile(out), "Ovladač úspěšně inicializován."), 2) << ReadFile(out);
}

}  // namespace

#endif  // RV_ZR6180_HOST && RV_ZR6180_SIM

// Init through the loaded library: its failures with the exact message in
// the host's buffer and the main log, the length limit, no thread after a
// failure, the success traces, a repeated Init and Init after Done.
#include "e2e/RunningDriver.h"

#ifdef RV_HAVE_SIMULATOR

#include <cstdio>
#include <cstring>

namespace e2e {
namespace {

const std::string kValidChannel = "100 1 5 3 0";

class Init : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        base = ThreadCount();
    }
    TParamFile ValidParams() {
        TParamFile p;
        p.AddInterface({.Port = sim.Port()}).AddChannel(kValidChannel);
        return p;
    }
    // Init of a fresh instance that must fail with `zprava` in the buffer and
    // as the last line of the main log (when it is on), without any thread.
    void ExpectInitFails(const std::string& soubor, const std::string& message, bool vHlavnim = true) {
        std::string chyba;
        EXPECT_FALSE(o.Init(soubor, &chyba));
        EXPECT_EQ(chyba, message);
        if (vHlavnim) {
            ASSERT_FALSE(o.MainLog().empty());
            EXPECT_EQ(o.MainLog().back(), message);
        }
        EXPECT_EQ(ThreadCount(), base) << "no thread after a failed Init";
        EXPECT_FALSE(FileExists(o.dir / "Rv_zr6180Run001.log")) << "a fresh instance traces nothing";
    }

    TSimulator sim;
    TTestHost o;
    int base = 0;
};

TEST_F(Init, NullInstanceReportsIntoTheBuffer) {
    const std::string message = Cp("Init - předán nulový ukazatel PData"_cp);
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(o.lib.Init(nullptr, 0, "x", 63, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(std::string(buf), message);

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(o.lib.Init(nullptr, 0, "x", 10, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(std::string(buf, 11), message.substr(0, 10) + std::string(1, '\0'));
    EXPECT_EQ(buf[11], 'x');

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(o.lib.Init(nullptr, 0, "x", -1, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(buf[0], 'x') << "a negative limit writes nothing";
    EXPECT_EQ(o.lib.Init(nullptr, 0, "x", 0, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], 'x');
    EXPECT_EQ(o.lib.Init(nullptr, 0, nullptr, 100, nullptr, 0, 0, 0, nullptr), 0);
}

TEST_F(Init, InterfaceKeyOutOfRange) {
    TParamFile p = ValidParams();
    p.Interfaces[0].Baud = 0;  // the key is written as 0: not a rate
    ExpectInitFails(o.WriteParams(p), Cp("Chyba parametrického souboru - Deklarace rozhraní 1 / Baud = 0."_cp));
}

TEST_F(Init, ChannelDeclarationWithAnInvalidInterface) {
    TParamFile p = ValidParams();
    p.AddChannel("1005 17 1 0 0");
    ExpectInitFails(o.WriteParams(p),
                    Cp("Chyba parametrického souboru - Deklarace kanálů : chyba kanálu 1005"_cp));
}

TEST_F(Init, ChannelSectionNotReadCleanly) {
    TParamFile p = ValidParams();
    p.AddChannel("; comment");
    ExpectInitFails(o.WriteParams(p), Cp("Chyba parametrického souboru - Deklarace kanálů"_cp));
}

TEST_F(Init, LogSettingOutOfRange) {
    TParamFile p = ValidParams();
    p.RunEnabled = 2;
    ExpectInitFails(o.WriteParams(p), Cp("Chyba parametrického souboru - Logovací soubor / Povolen RUN = 2"_cp));
}

TEST_F(Init, FileWithoutInterfaces) {
    TParamFile p = ValidParams();
    p.Interfaces.clear();
    ExpectInitFails(o.WriteParams(p), Cp("Chybný parametrický soubor"_cp));
}

TEST_F(Init, MissingOrUnnamedFile) {
    ExpectInitFails(o.dir / "chybi.ini", Cp("Chybný parametrický soubor"_cp), false);
    char buf[64] = {};
    EXPECT_EQ(o.lib.Init(o.d, 0, nullptr, 63, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(std::string(buf), Cp("Chybný parametrický soubor"_cp));
    EXPECT_EQ(ThreadCount(), base);
}

TEST_F(Init, LimitAppliesToTheReadersMessage) {
    TParamFile p = ValidParams();
    p.Interfaces.clear();
    const std::string soubor = o.WriteParams(p);
    o.d = o.lib.MakeDriver();
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(o.lib.Init(o.d, 0, soubor.c_str(), 10, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(std::string(buf), Cp("Chybný parametrický soubor"_cp).substr(0, 10));
    EXPECT_EQ(buf[11], 'x');
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(o.lib.Init(o.d, 0, soubor.c_str(), -5, buf, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(o.lib.Init(o.d, 0, soubor.c_str(), 100, nullptr, 0, 0, 0, nullptr), 0);
    EXPECT_EQ(ThreadCount(), base);
}

TEST_F(Init, MainLogThatCannotBeCreatedWhileReportingAFailure) {
    TParamFile p = ValidParams();
    p.LogName = "chybi/Rv_zr6180.log";  // a directory that does not exist
    p.AddChannel("1005 17 1 0 0");
    ExpectInitFails(o.WriteParams(p), Cp("Nelze vytvořit logovací soubor."_cp), false);
}

TEST_F(Init, MainLogThatCannotBeCreatedAtTheEnd) {
    TParamFile p = ValidParams();
    p.LogName = "chybi/Rv_zr6180.log";
    std::string chyba;
    EXPECT_FALSE(o.Start(p, &chyba));
    EXPECT_EQ(chyba, Cp("Nelze vytvořit logovací soubor."_cp));
    EXPECT_EQ(o.Run("Init 9").size(), 1u);
    EXPECT_TRUE(o.Run("Init Ok").empty());
    // Everything runs although Init said false; the host stops it with Done.
    EXPECT_GT(ThreadCount(), base);
    EXPECT_TRUE(o.Read(100).Finalized);
    o.Done();
    o.Dispose();
    EXPECT_EQ(WaitForThreadCount(base), base);
}

TEST_F(Init, SuccessLogsAndTraces) {
    std::string chyba = "nezmeneno";
    EXPECT_TRUE(o.Start(ValidParams(), &chyba));
    EXPECT_EQ(chyba, "") << "the buffer is not written on success";
    EXPECT_EQ(o.MainLog(), std::vector<std::string>{Cp("Ovladač úspěšně inicializován."_cp)});
    const auto run = o.Run();
    ASSERT_EQ(run.size(), 2u);
    EXPECT_EQ(run[0].Label, "");
    EXPECT_EQ(run[0].Number, 0u);
    EXPECT_EQ(run[1].Label, "Init Ok");
    EXPECT_EQ(run[1].Number, 1u);
    EXPECT_EQ(Lines(o.File("Rv_zr6180Run001.log"))[1].substr(0, 10), "00000001 [");
    EXPECT_EQ(ThreadCount(), base + 3) << "interface, call-back and window timer";
    EXPECT_EQ(o.File("Rv_zr6180RunInfo.txt"), "1\r\n");
}

TEST_F(Init, SecondInitWhileRunningIsRefused) {
    ASSERT_TRUE(o.Start(ValidParams()));
    const int running = ThreadCount();
    std::string chyba;
    EXPECT_FALSE(o.Init(o.dir / "param.ini", &chyba));
    EXPECT_EQ(chyba, Cp("Ovladač je již inicializován."_cp));
    EXPECT_EQ(o.MainLog().back(), chyba);
    EXPECT_EQ(ThreadCount(), running);
    sim.SetValue(5, 3, zrsim::EncodeReal(2.5));
    const TOutcome v = o.Read(100);
    EXPECT_TRUE(v.Finalized);
    EXPECT_EQ(o.GetReal(100), 2.5);
    EXPECT_TRUE(Contains(o.Run("Init ").back(), "P=0x"));
}

TEST_F(Init, InitAfterDoneRunsAgain) {
    ASSERT_TRUE(o.Start(ValidParams()));
    const int running = ThreadCount();
    o.Done();
    EXPECT_EQ(WaitForThreadCount(base), base);
    std::string chyba;
    EXPECT_TRUE(o.Init(o.dir / "param.ini", &chyba)) << chyba;
    EXPECT_EQ(ThreadCount(), running);
    sim.SetValue(5, 3, zrsim::EncodeReal(7.25));
    EXPECT_TRUE(o.Read(100).Finalized);
    EXPECT_EQ(o.GetReal(100), 7.25);
    EXPECT_EQ(o.MainLog().size(), 2u);
    // The second Init traced its address before numbering restarted.
    const auto run = o.Run();
    bool adresa = false;
    for (std::size_t i = 0; i + 1 < run.size(); ++i)
        if (run[i].Label == "Init " && run[i + 1].Number == 0) adresa = true;
    EXPECT_TRUE(adresa);
    char expectedValue[32];
    std::snprintf(expectedValue, sizeof expectedValue, "P=0x%08llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(o.d)));
    EXPECT_EQ(o.Run("Init ").back(), expectedValue);
}

TEST_F(Init, AfterDoneAFaultyFileTracesItsFailureMarkers) {
    ASSERT_TRUE(o.Start(ValidParams()));
    o.Done();
    TParamFile p = ValidParams();
    p.AddChannel("1005 17 1 0 0");
    o.WriteParams(p, "vadny.ini");
    std::string chyba;
    EXPECT_FALSE(o.Init(o.dir / "vadny.ini", &chyba));
    const std::string message = Cp("Chyba parametrického souboru - Deklarace kanálů : chyba kanálu 1005"_cp);
    EXPECT_EQ(chyba, message);
    EXPECT_EQ(o.MainLog().back(), message);
    // The settings of the earlier run still switch the RUN log on.
    EXPECT_EQ(o.Run("Init 6").size(), 1u);
    EXPECT_TRUE(o.Run("Init 5").empty());
    EXPECT_EQ(WaitForThreadCount(base), base);

    p.Interfaces.clear();
    p.LogName = "chybi/Rv_zr6180.log";
    o.WriteParams(p, "vadny.ini");
    EXPECT_FALSE(o.Init(o.dir / "vadny.ini", &chyba));
    EXPECT_EQ(chyba, Cp("Nelze vytvořit logovací soubor."_cp));
    EXPECT_EQ(o.Run("Init 3").size(), 1u);
    EXPECT_EQ(ThreadCount(), base);
}

TEST_F(Init, EveryLogOffStillWritesTheCallBackLog) {
    TParamFile p = ValidParams();
    p.LogEnabled = 0;
    p.RunEnabled = 0;
    p.InterfaceLog = 0;
    ASSERT_TRUE(o.Start(p));
    EXPECT_TRUE(o.Read(100).Finalized);
    o.Done();
    EXPECT_EQ(o.CallBackLog(), (std::vector<std::string>{"Start", "Stop"}));
    EXPECT_FALSE(FileExists(o.dir / "Rv_zr6180.log"));
    EXPECT_FALSE(FileExists(o.dir / "Rv_zr6180Run001.log"));
    EXPECT_TRUE(o.InterfaceLog(1).empty());
}

}  // namespace
}  // namespace e2e

#endif

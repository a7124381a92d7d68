// The sample host run as a program: its command line, its handling of a
// driver it cannot use, and Init's verdict passed through in UTF-8.
#include <gtest/gtest.h>

#ifdef RV_ZR6180_HOST

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <utility>

#include "base/Cp1250.h"
#include "support/Command.h"
#include "support/ParamFile.h"
#include "support/TempDir.h"
#include "support/Text.h"

namespace {

TRun RunHost(const std::string& arguments) { return RunShell(Quoted(RV_ZR6180_HOST) + " " + arguments); }

// One declared interface with one channel; every log off, window hidden.
std::string WriteParams(const TTempDir& dir) {
    TParamFile p;
    p.LogsOff();
    TInterfaceParams r;
    r.Port = 47999;
    r.UdpTimeout = 50;
    r.UdpRetries = kKeyLeftOut;
    r.Baud = 9600;
    r.Timeout = 100;
    r.Retries = kKeyLeftOut;
    p.AddInterface(r).AddChannel("100 1 1 0 0 \"K100\"");
    return p.Write(dir.Path());
}

TEST(HostCli, HelpPrintsTheUsageAndSucceeds) {
    const TRun b = RunHost("--help");
    EXPECT_EQ(b.Code, 0);
    EXPECT_NE(b.Output.find("Usage: zr6180-host"), std::string::npos) << b.Output;
    EXPECT_NE(b.Output.find("watch CH..."), std::string::npos);
}

TEST(HostCli, CommandLineFaultsAreUsageErrorsBeforeTheDriverLoads) {
    // A driver path that cannot load proves the arguments were judged first.
    const std::string without = "--driver /nonexistent/librv.so -p x ";
    const std::pair<std::string, const char*> cases[] = {
        {without + "read 3000", "channel 3000 is not readable"},
        {without + "write 5000=2", "channel 5000: expects 0 or 1"},
        {without + "write " + Quoted("6000=日本"), "code page 1250"},
        {without + "write 4000=1 4000=2", "given twice"},
        {"--driver /x.so read 100", "no parameter file"},
        {"-p x --count 2 read 100", "belong to watch"},
    };
    for (const auto& [arguments, text] : cases) {
        const TRun b = RunHost(arguments);
        EXPECT_EQ(b.Code, 2) << arguments;
        EXPECT_TRUE(Contains(b.Output, text)) << arguments << "\n" << b.Output;
    }
}

TEST(HostCli, JsonPrintsOneDocumentOnStandardOutputForEveryError) {
    TTempDir dir;
    WriteFile(dir / "vadny.ini", "x\r\n");
    const struct {
        std::string args;
        int code;
        std::string error;
    } cases[] = {
        {"-p " + Quoted(dir / "chybi.ini") + " read 100", 3, "cannot read the parameter file "},
        {"read 100", 2, "no parameter file given (-p FILE)"},
        {"-p x --bogus read 100", 2, "unknown option --bogus"},
        {"-p x frobnicate", 2, "unknown command 'frobnicate'"},
        {"--driver /nonexistent/librv.so -p x check", 2, "cannot load the driver: "},
        {"-p " + Quoted(dir / "vadny.ini") + " read 100", 3, "Init failed: Chybný parametrický soubor"},
    };
    for (const auto& p : cases) {
        // Standard output alone: the message goes to standard error as well.
        const TRun b =
            RunShell("{ RV_ZR6180_WINDOW=none " + Quoted(RV_ZR6180_HOST) + " --json " + p.args + " 2>/dev/null; }");
        EXPECT_EQ(b.Code, p.code) << p.args;
        EXPECT_EQ(CountOf(b.Output, "\n"), 1) << p.args << "\n" << b.Output;
        EXPECT_TRUE(b.Output.starts_with("{\"command\":")) << p.args << "\n" << b.Output;
        EXPECT_TRUE(Contains(b.Output, "\"ok\":false,\"error\":\"" + p.error)) << p.args << "\n" << b.Output;
    }
}

// Names go through the system's look-up: inside a namespace of the test's
// own, where only a hosts file of the test answers.
TEST(HostCli, CheckWarnsOfAGatewayNameThatCannotBeLookedUp) {
    if (RunShell("unshare -r -n -m true").Code != 0) GTEST_SKIP() << "no user namespaces on this machine";
    TTempDir dir;
    WriteFile(dir / "hosts", "127.0.0.1 localhost\n127.0.0.1 brana-kotelna\n");
    WriteFile(dir / "nsswitch.conf", "hosts: files\n");
    TParamFile p;
    p.LogsOff();
    TInterfaceParams r;
    r.Port = 47999;
    r.Ip = "brana-kotelna";
    p.AddInterface(r);
    r.Number = 2;
    r.Ip = "brana-nikde";
    p.AddInterface(r).AddChannel("100 1 1 0 0").AddChannel("101 2 1 0 0");
    const std::string inside = "mount --bind " + Quoted(dir / "hosts") + " /etc/hosts && mount --bind " +
                               Quoted(dir / "nsswitch.conf") + " /etc/nsswitch.conf && RV_ZR6180_WINDOW=none " +
                               Quoted(RV_ZR6180_HOST) + " --tsv -p " + Quoted(p.Write(dir.Path())) + " check";
    const TRun b = RunShell("timeout 120 unshare -r -n -m sh -c " + Quoted(inside));
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_TRUE(Contains(b.Output, "\tinterface 2: IP adresa \"brana-nikde\" is neither numeric nor a name that can be looked up\n"))
        << b.Output;
    EXPECT_FALSE(Contains(b.Output, "brana-kotelna\" is")) << b.Output;
}

TEST(HostCli, UnloadableDriverIsReported) {
    const TRun b = RunHost("--driver /nonexistent/librv.so -p x check");
    EXPECT_EQ(b.Code, 2);
    EXPECT_NE(b.Output.find("cannot load the driver"), std::string::npos) << b.Output;
}

TEST(HostCli, LibraryWithoutTheExportsIsNamedNotCalled) {
    // Any library without the driver's exports serves.
    const TRun b = RunHost("--driver libm.so.6 -p x check");
    EXPECT_EQ(b.Code, 2);
    EXPECT_NE(b.Output.find("does not export Version, Check, MakeDriver, Init, Done, DisposeDriver"),
              std::string::npos)
        << b.Output;
}

TEST(HostCli, CheckWithMissingParameterFilePrintsTheDriversMessage) {
    TTempDir dir;
    // No --driver: the library beside the program is the default.
    const TRun b = RunHost("-p " + Quoted(dir / "chybi.ini") + " check");
    EXPECT_NE(b.Code, 0);
    EXPECT_NE(b.Output.find("Chybný parametrický soubor"), std::string::npos) << b.Output;
}

TEST(HostCli, CheckWithAValidFileSucceeds) {
    TTempDir dir;
    const TRun b = RunHost("--tsv -p " + Quoted(WriteParams(dir)) + " check");
    EXPECT_EQ(b.Code, 0) << b.Output;
    EXPECT_NE(b.Output.find("Init\tOK"), std::string::npos) << b.Output;
}

TEST(HostCli, ReadOfAnUndeclaredChannelShowsItsStatus) {
    TTempDir dir;
    // Channel 1 is fetched after the cycle, when 150 has already failed.
    const TRun b = RunHost("--tsv --timeout 5000 -p " + Quoted(WriteParams(dir)) + " read 1 150");
    EXPECT_EQ(b.Code, 1) << b.Output;
    EXPECT_TRUE(ContainsAll(b.Output, {"Channel\tCode\tName\tValue\tStatus\tText\n", "\n1\t\t\t150\t0\tV pořádku\n",
                                       "\n150\t\t\t\t17\tKanál nedefinován\n"}));
}

TEST(HostCli, InfoMarksUndeclaredInterfaces) {
    TTempDir dir;
    const TRun b = RunHost("--tsv --timeout 5000 -p " + Quoted(WriteParams(dir)) + " info --all");
    EXPECT_EQ(b.Code, 1) << b.Output;  // channel 100 is not in order
    // info read the declared channel 100 first; no gateway answers on its port.
    EXPECT_TRUE(ContainsAll(b.Output, {"Identification\tOvladač ZR-6180 v.3.15\n", "GetVersion\tOvladač ZR-6180 v.3.15\n",
                                       "\n1\tyes\t1\t1\t21\tChyba spojení s modulem ZR-6180\n",
                                       "16\tno\t0\t0\t18\tRozhraní nedefinováno\n"}));
}

}  // namespace

#endif  // RV_ZR6180_HOST

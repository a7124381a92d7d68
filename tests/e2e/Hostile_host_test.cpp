// Hostile input from the host: null and out-of-range arguments to every
// export, texts that end at the edge of a mapping, and calls in the wrong
// order. No crash, no leak, and the trace lines of the design.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "support/TempDir.h"
#include "support/SmallHost.h"
#include "support/Library.h"
#include "support/ProcessResources.h"

namespace {

constexpr uint32_t kChannels[] = {0u, 1u, 5u, 6u, 7u, 26u, 27u, 50u, 51u, 66u, 67u, 82u, 98u, 99u, 100u, 2999u,
                                3000u, 6099u, 6100u, 65535u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
constexpr int32_t kTypes[] = {-1, 0, TypBool, TypInt, TypReal, TypString, 12, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max()};

// Two pages, the second one inaccessible: a text placed to end right at
// the boundary faults on any read past its end.
class TGuardedPage {
public:
    TGuardedPage() {
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        void* p = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return;
        start_ = static_cast<char*>(p);
        mprotect(start_ + page_, page_, PROT_NONE);
    }
    ~TGuardedPage() {
        if (start_ != nullptr) munmap(start_, 2 * page_);
    }
    TGuardedPage(const TGuardedPage&) = delete;
    TGuardedPage& operator=(const TGuardedPage&) = delete;

    bool Ok() const { return start_ != nullptr; }
    // n bytes that end at the guard page, filled with `vypln`. Each call
    // reuses the same bytes.
    char* End(std::size_t n, char pad) {
        char* t = start_ + page_ - n;
        std::memset(t, pad, n);
        return t;
    }
    // A zero-terminated text whose zero is the last readable byte.
    const char* Text(const std::string& s) {
        char* t = End(s.size() + 1, 0);
        std::memcpy(t, s.data(), s.size());
        return t;
    }

private:
    std::size_t page_ = 0;
    char* start_ = nullptr;
};

class HostileHost : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("RV_ZR6180_WINDOW", "none", 1);
        ASSERT_NE(lib.Init, nullptr);
        ASSERT_TRUE(guard.Ok());
        WarmUpThreads();
        fd0 = OpenDescriptors();
        threadsBefore = ThreadCount();
    }
    void TearDown() override {
        EXPECT_EQ(OpenDescriptors(), fd0) << "descriptors left behind";
        EXPECT_EQ(WaitForThreadCount(threadsBefore), threadsBefore) << "threads left behind";
    }
    // A running instance in demo mode: requests complete at once.
    PData StartedInDemo(bool logs = true) {
        TParamFile p = SmallParams({{"127.0.0.1", 1}},
                                   {"100 1 1 0 0", "1000 1 1 0 0", "2000 1 1 0 3", "3000 1 1 0 0", "4000 1 1 0 0",
                                    "5000 1 1 0 40", "6000 1 1 0 0"},
                                   logs);
        p.Interfaces[0].Demo = 1;
        const std::string soubor = p.Write(dir.Path());
        PData d = lib.MakeDriver();
        char chyba[256] = {};
        EXPECT_TRUE(lib.Init(d, 0, soubor.c_str(), 255, chyba, 0, 0, 0, nullptr)) << chyba;
        return d;
    }
    // Every export that takes an instance, with the given channel and
    // pointers; what the driver does with them is checked by the caller.
    void CallEveryExport(PData d, uint32_t c, int32_t* status, THodnota* v) {
        lib.InputRequest(d, c);
        lib.InputRequestCompleted(d);
        lib.InputFinalized(d, c, status);
        lib.GetInput(d, c, v);
        THodnota h = v != nullptr ? *v : THodnota{};
        lib.OutputRequest(d, c, h);
        lib.OutputRequestCompleted(d);
        lib.OutputFinalized(d, c, status);
        lib.BufferInfo(d);
        lib.SetBufferAddr(d, nullptr, c);
        lib.SetBufferAddr(d, reinterpret_cast<void*>(uintptr_t{1}), c);
        lib.QueryProc(d, static_cast<int32_t>(c), nullptr, static_cast<int32_t>(c), v);
    }

    TLibrary lib;
    TTempDir dir;
    TGuardedPage guard;
    int fd0 = 0, threadsBefore = 0;
};

TEST_F(HostileHost, NullInstanceIsHarmlessForEveryExport) {
    for (uint32_t c : kChannels) {
        int32_t st = -7;
        EXPECT_TRUE(lib.InputFinalized(nullptr, c, &st));
        EXPECT_EQ(st, 3);
        st = -7;
        EXPECT_TRUE(lib.OutputFinalized(nullptr, c, &st));
        EXPECT_EQ(st, 3);
        THodnota v{};
        v.TypHodnoty = TypInt;
        CallEveryExport(nullptr, c, &st, &v);
        CallEveryExport(nullptr, c, nullptr, nullptr);
        EXPECT_EQ(v.Hodnota.Cele, 0);
        lib.DriverProc(nullptr, c, -1, -1, -1, -1);
    }
    EXPECT_EQ(lib.BufferInfo(nullptr), 0u);
    char chyba[64];
    std::memset(chyba, 'x', sizeof chyba);
    EXPECT_FALSE(lib.Init(nullptr, 0, nullptr, 10, chyba, 0, 0, 0, nullptr));
    EXPECT_STREQ(chyba, "Init - p\xF8" "e");  // the first 10 characters, code page 1250
    EXPECT_FALSE(lib.Init(nullptr, 0, nullptr, 10, nullptr, 0, 0, 0, nullptr));
    EXPECT_FALSE(lib.Init(nullptr, 0, nullptr, -5, chyba, 0, 0, 0, nullptr));
    lib.GetDriverInfo(0, nullptr);
    lib.Done(nullptr);
    lib.DisposeDriver(nullptr);
}

TEST_F(HostileHost, OutOfRangeArgumentsOnARunningInstance) {
    PData d = StartedInDemo();
    for (uint32_t c : kChannels) {
        for (int32_t typ : kTypes) {
            int32_t st = -7;
            THodnota v{};
            v.TypHodnoty = typ;
            // A text record gets a real text; other types carry bytes that
            // must never be taken for a pointer.
            static const char kText[] = "ABCD";
            if (typ == TypString) v.Hodnota.Text = kText;
            else std::memset(v.Hodnota.Bajty, 0xEE, sizeof v.Hodnota.Bajty);
            CallEveryExport(d, c, &st, &v);
            EXPECT_TRUE(st == 0 || st == 3) << c;
        }
        CallEveryExport(d, c, nullptr, nullptr);
        THodnota bezTextu{};
        bezTextu.TypHodnoty = TypString;
        lib.OutputRequest(d, c, bezTextu);  // null text: 23 on text channels, nothing elsewhere
    }
    for (uint32_t f : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 255u, 0x80000000u, 0xFFFFFFFFu}) {
        lib.DriverProc(d, f, std::numeric_limits<int32_t>::min(), -1, -1, std::numeric_limits<int32_t>::max());
        lib.DriverProc(d, f, std::numeric_limits<int32_t>::max(), 0, 0, 0);
    }
    lib.DriverProc(d, 6, 0, 0, 0, 0);
    THodnota v{};
    v.TypHodnoty = TypString;
    lib.QueryProc(d, TypString, "GetVersion", 0, &v);  // null text in the record: untouched
    EXPECT_EQ(static_cast<const void*>(v.Hodnota.Text), nullptr);
    lib.Done(d);
    lib.DisposeDriver(d);
}

TEST_F(HostileHost, OutputTextStopsAtItsZeroAndAt256Characters) {
    PData d = StartedInDemo();
    THodnota v{};
    v.TypHodnoty = TypString;
    // 256 readable characters and no zero before the guard page.
    v.Hodnota.Text = guard.End(256, 'Q');
    lib.OutputRequest(d, 6000, v);
    // A short text whose zero is the last readable byte.
    v.Hodnota.Text = guard.Text("AB");
    lib.OutputRequest(d, 6000, v);
    v.Hodnota.Text = guard.Text("");
    lib.OutputRequest(d, 6000, v);
    lib.OutputRequestCompleted(d);
    EXPECT_TRUE(WaitUntilFinalized(lib, d, 6000, 2000));
    lib.Done(d);
    const std::string run = RunLogs(dir);
    EXPECT_NE(run.find("H=\"" + std::string(256, 'Q') + "\""), std::string::npos) << "all 256 characters, no more";
    EXPECT_NE(run.find("H=\"AB\""), std::string::npos);
    lib.DisposeDriver(d);
}

TEST_F(HostileHost, InitFileNameStopsAtItsZeroAndAtItsLimit) {
    char chyba[256];
    // A name of 4096 characters and no zero before the guard page.
    PData d = lib.MakeDriver();
    EXPECT_FALSE(lib.Init(d, 0, guard.End(4096, 'n'), 255, chyba, 0, 0, 0, nullptr));
    EXPECT_STREQ(chyba, "Chybn\xFD parametrick\xFD soubor");
    lib.Done(d);
    lib.DisposeDriver(d);
    d = lib.MakeDriver();
    EXPECT_FALSE(lib.Init(d, 0, guard.Text("/nonexistent/p.ini"), 255, chyba, 0, 0, 0, nullptr));
    EXPECT_FALSE(lib.Init(d, 0, guard.Text(""), 255, chyba, 0, 0, 0, nullptr));
    EXPECT_FALSE(lib.Init(d, 0, nullptr, 255, chyba, 0, 0, 0, nullptr));
    lib.DisposeDriver(d);
}

TEST_F(HostileHost, ErrorBufferGetsAtMostLCharactersAndAZero) {
    for (int32_t l : {0, 1, 5, 25}) {
        PData d = lib.MakeDriver();
        char* buf = guard.End(static_cast<std::size_t>(l) + 1, 'x');
        EXPECT_FALSE(lib.Init(d, 0, "/nonexistent/p.ini", l, buf, 0, 0, 0, nullptr));
        EXPECT_EQ(std::strlen(buf), static_cast<std::size_t>(l));
        lib.DisposeDriver(d);
    }
    PData d = lib.MakeDriver();
    char fixedOne[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(lib.Init(d, 0, "/nonexistent/p.ini", -1, fixedOne, 0, 0, 0, nullptr));
    EXPECT_EQ(std::string(fixedOne, 4), "abcd") << "a negative limit writes nothing";
    EXPECT_FALSE(lib.Init(d, 0, "/nonexistent/p.ini", 1000, nullptr, 0, 0, 0, nullptr));
    lib.DisposeDriver(d);
    // 22 characters and a zero fill a 23-byte buffer exactly.
    char* info = guard.End(23, 'x');
    lib.GetDriverInfo(0, info);
    EXPECT_EQ(std::strlen(info), 22u);
}

TEST_F(HostileHost, QueryNameStopsAtItsZeroAndAtTheLengthOfGetVersion) {
    PData d = StartedInDemo(false);
    char result[23];
    std::memset(result, 'x', sizeof result);
    THodnota v{};
    v.TypHodnoty = TypString;
    v.Hodnota.Text = result;
    // GetVersion plus one more character, no zero before the guard page.
    char* longValue = guard.End(11, 'x');
    std::memcpy(longValue, "GetVersion", 10);
    lib.QueryProc(d, TypString, longValue, 0, &v);
    EXPECT_EQ(result[0], 'x') << "GetVersionx is another query";
    lib.QueryProc(d, TypString, guard.End(200, 'G'), 0, &v);
    lib.QueryProc(d, TypString, guard.Text(""), 0, &v);
    // The exact name with its zero as the last readable byte.
    char buf[23] = {};
    v.Hodnota.Text = buf;
    lib.QueryProc(d, TypString, guard.Text("GetVersion"), 0, &v);
    EXPECT_EQ(std::string(buf), "Ovlada\xE8 ZR-6180 v.3.15");
    lib.Done(d);
    lib.DisposeDriver(d);
}

TEST_F(HostileHost, RequestsBeforeInitAreHarmless) {
    PData d = lib.MakeDriver();
    for (uint32_t c : kChannels) {
        int32_t st = -7;
        THodnota v{};
        v.TypHodnoty = TypInt;
        v.Hodnota.Cele = 150;
        CallEveryExport(d, c, &st, &v);
        lib.DriverProc(d, c % 8, 1, 2, 3, 4);
    }
    lib.Done(d);
    lib.Done(d);
    lib.DisposeDriver(d);
    EXPECT_TRUE(RunLogs(dir).empty()) << "a fresh instance has every log off";
}

TEST_F(HostileHost, AfterDoneEveryExportOnlyTracesItsRefusal) {
    PData d = StartedInDemo();
    lib.Done(d);
    const std::size_t before = RunLogs(dir).size();
    int32_t st = -7;
    THodnota v{};
    v.TypHodnoty = TypInt;
    CallEveryExport(d, 100, &st, &v);
    EXPECT_EQ(st, 3);
    lib.DriverProc(d, 1, 0, 0, 0, 0);
    EXPECT_FALSE(lib.Init(d, 0, nullptr, 0, nullptr, 0, 0, 0, nullptr)) << "no file: refused";
    lib.Done(d);  // twice: harmless
    const std::string run = RunLogs(dir).substr(before);
    for (const char* z : {"IR  1", "IRC 8", "IF  1", "GI  1", "OR  1", "ORC 1", "OF  1", "QuePro 8", "DriPro 8"})
        EXPECT_NE(run.find(z), std::string::npos) << z;
    for (const char* z : {"IR  9", "IF  9", "OR  9", "QuePro 0", "DriPro 0"})
        EXPECT_EQ(run.find(z), std::string::npos) << z;
    lib.DisposeDriver(d);
}

TEST_F(HostileHost, DisposeWithoutDoneStopsEverythingWhileRequestsRun) {
    for (int i = 0; i < 3; ++i) {
        PData d = StartedInDemo(i == 0);
        for (uint32_t c : {100u, 1000u, 2000u}) lib.InputRequest(d, c);
        THodnota v{};
        v.TypHodnoty = TypInt;
        v.Hodnota.Cele = 5;
        lib.OutputRequest(d, 4000, v);
        lib.InputRequestCompleted(d);
        int32_t st = 0;
        lib.InputFinalized(d, 100, &st);
        lib.DisposeDriver(d);
    }
}

TEST_F(HostileHost, InitTwiceRefusesAndInitAfterDoneStartsAfresh) {
    PData d = StartedInDemo();
    const std::string soubor = dir / "param.ini";
    char chyba[256] = {};
    EXPECT_FALSE(lib.Init(d, 0, soubor.c_str(), 255, chyba, 0, 0, 0, nullptr)) << "a running instance stays as it is";
    EXPECT_EQ(ReadChannel(lib, d, 1000), 0);
    lib.Done(d);
    EXPECT_TRUE(lib.Init(d, 0, soubor.c_str(), 255, chyba, 0, 0, 0, nullptr)) << chyba;
    EXPECT_EQ(ReadChannel(lib, d, 1000), 0);
    lib.Done(d);
    lib.DisposeDriver(d);
}

}  // namespace

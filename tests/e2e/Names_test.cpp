// Gateways given by host name, against a resolver that never answers. The
// test runs itself once more inside a user, network and mount namespace of
// its own: only a loopback interface, and resolv.conf, nsswitch.conf and
// hosts bound over with files of the test, so every look-up goes to a
// swallowing name server on 127.0.0.1:53 or to the test's hosts file, never
// to the machine's resolver, and no datagram can leave the namespace.
#include <gtest/gtest.h>

#ifdef RV_HAVE_SIMULATOR

#include <dlfcn.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Command.h"
#include "support/ProcessResources.h"
#include "support/SmallHost.h"
#include "support/TempDir.h"
#include "support/TestHost.h"
#include "support/Text.h"
#include "support/Wait.h"
#include "tools/sim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long long Ms(Clock::duration t) { return std::chrono::duration_cast<std::chrono::milliseconds>(t).count(); }

constexpr const char* kInside = "RV_ZR6180_OWN_NETWORK";
constexpr const char* kKnownName = "simulator.zr6180.test";  // in the test's hosts file
constexpr const char* kSilentName = "brana.zr6180.test";     // only the name server could answer

// A name server on 127.0.0.1:53 that keeps every query unanswered until it
// is told to answer them all with "no such name".
class TSilentNameServer {
public:
    TSilentNameServer() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(53);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~TSilentNameServer() {
        if (fd_ >= 0) close(fd_);
    }
    bool Bound() const { return bound_; }
    // True once a query has arrived (it stays queued, unanswered).
    bool WaitForQuery(int ms) const {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, ms) == 1;
    }
    // Answers every query that arrives within `ms`.
    void AnswerNoSuchName(int ms) const {
        char q[1500];
        sockaddr_in low{};
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, ms) == 1) {
            socklen_t n = sizeof low;
            const ssize_t r = recvfrom(fd_, q, sizeof q, 0, reinterpret_cast<sockaddr*>(&low), &n);
            if (r < 12) continue;
            // The header and the question, flags "response, no such name", no other records.
            std::size_t i = 12;
            while (i < static_cast<std::size_t>(r) && q[i] != 0) i += static_cast<unsigned char>(q[i]) + 1;
            i += 5;
            if (i > static_cast<std::size_t>(r)) continue;
            q[2] = static_cast<char>(0x80 | (q[2] & 0x79));
            q[3] = static_cast<char>(0x83);
            for (int k = 6; k < 12; ++k) q[k] = 0;
            sendto(fd_, q, i, 0, reinterpret_cast<sockaddr*>(&low), n);
        }
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

bool LoopbackUp() {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    ifreq r{};
    std::snprintf(r.ifr_name, sizeof r.ifr_name, "lo");
    bool ok = ioctl(s, SIOCGIFFLAGS, &r) == 0;
    r.ifr_flags |= IFF_UP;
    ok = ok && ioctl(s, SIOCSIFFLAGS, &r) == 0;
    close(s);
    return ok;
}

std::string OwnPath() {
    char b[4096];
    const ssize_t n = readlink("/proc/self/exe", b, sizeof b - 1);
    return n > 0 ? std::string(b, static_cast<std::size_t>(n)) : std::string();
}

// Interface 1 names the simulator through the hosts file; interface 2 names
// a gateway that only the silent name server could resolve.
TParamFile NamedGateways(uint16_t port) {
    return SmallParams({{kKnownName, port, 1000, 0}, {kSilentName, 47000, 200, 0}},
                       {"100 1 1 0 0", "101 2 1 0 0", "102 2 1 1 0", "103 2 1 2 0"}, true);
}

// Runs NameLookup.InsideItsOwnNetwork in the namespace; its output is this
// test's failure message.
TEST(NameLookup, GatewayNamesAgainstASilentResolver) {
    if (std::getenv(kInside) != nullptr) GTEST_SKIP() << "already inside";
    if (RunShell("unshare -r -n -m true").Code != 0) GTEST_SKIP() << "no user namespaces on this machine";
    TTempDir dir;
    const std::string resolv = dir / "resolv.conf", nss = dir / "nsswitch.conf", hosts = dir / "hosts";
    // One attempt of 30 s: the look-up outlasts the driver.
    WriteFile(resolv, "nameserver 127.0.0.1\noptions timeout:30 attempts:1\n");
    WriteFile(nss, "hosts: files dns\n");
    WriteFile(hosts, std::string("127.0.0.1 localhost\n127.0.0.1 ") + kKnownName + "\n");
    const std::string inside = "mount --bind " + Quoted(resolv) + " /etc/resolv.conf && mount --bind " + Quoted(nss) +
                               " /etc/nsswitch.conf && mount --bind " + Quoted(hosts) + " /etc/hosts && " + kInside +
                               "=1 exec " + Quoted(OwnPath()) + " --gtest_filter=NameLookup.InsideItsOwnNetwork";
    // The guard only ends a hang; the inner test times only Done and DisposeDriver.
    const TRun r = RunShell("timeout 240 unshare -r -n -m sh -c " + Quoted(inside));
    EXPECT_EQ(r.Code, 0) << r.Output;
    EXPECT_NE(r.Output.find("[  PASSED  ] 1 test"), std::string::npos) << r.Output;
    if (const std::size_t i = r.Output.find("Done "); i != std::string::npos)
        std::printf("%s", r.Output.substr(i, r.Output.find('\n', i) + 1 - i).c_str());
}

// The sanitizers' runtimes never unmap a library at dlclose (seen with
// ThreadSanitizer and with AddressSanitizer + UndefinedBehaviorSanitizer).
constexpr bool KeepsEveryLibrary() {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
    return __has_feature(thread_sanitizer) || __has_feature(address_sanitizer);
#else
    return false;
#endif
}

bool Loaded() {
    void* h = dlopen(RV_ZR6180_LIB, RTLD_NOW | RTLD_NOLOAD);
    if (h != nullptr) dlclose(h);
    return h != nullptr;
}

TEST(NameLookup, InsideItsOwnNetwork) {
    if (std::getenv(kInside) == nullptr) GTEST_SKIP() << "run by NameLookup.GatewayNamesAgainstASilentResolver";
    ASSERT_TRUE(LoopbackUp());
    TSilentNameServer dns;
    ASSERT_TRUE(dns.Bound());
    TSimulator sim;
    ASSERT_TRUE(sim.Start());
    WarmUpThreads();
    const int threadsBefore = ThreadCount();
    {
        // A name the hosts file knows reaches the simulator, and with no
        // look-up left running the library unloads.
        TTestHost o;
        ASSERT_TRUE(o.Start(SmallParams({{kKnownName, sim.Port(), 1000, 0}}, {"100 1 1 0 0"}, false)));
        EXPECT_EQ(ReadChannel(o.lib, o.d, 100), 0);
        EXPECT_GE(sim.RequestCount(), 1u);
    }
    EXPECT_EQ(WaitForThreadCount(threadsBefore), threadsBefore);
    if (!KeepsEveryLibrary()) {
        EXPECT_FALSE(Loaded());
    }
    {
        TTestHost o;
        ASSERT_TRUE(o.Start(NamedGateways(sim.Port())));
        EXPECT_EQ(ReadChannel(o.lib, o.d, 100), 0);

        // The silent name: each request ends as a failed send (19), none
        // waits for the call-back thread's interface time-out (26).
        for (uint32_t c : {101u, 102u, 103u}) o.lib.InputRequest(o.d, c);
        o.lib.InputRequestCompleted(o.d);
        for (uint32_t c : {101u, 102u, 103u}) {
            const TOutcome v = o.FinishRead(c);
            EXPECT_TRUE(v.Finalized) << c;
            EXPECT_EQ(ChannelStatus(o.lib, o.d, c), 19) << c;
        }
        EXPECT_NE(o.InterfaceLog(2).find("Ch=101  - LAN exception"), std::string::npos) << o.InterfaceLog(2);
        ASSERT_TRUE(dns.WaitForQuery(5000)) << "the name went to the name server";
        const std::vector<std::string> names = ThreadNames();
        EXPECT_EQ(std::count(names.begin(), names.end(), "zr6180 R2 name"), 1) << "the look-up thread";
        EXPECT_EQ(ReadChannel(o.lib, o.d, 100), 0) << "the other interface serves on";

        // Done and DisposeDriver do not wait for the look-up: the name server
        // has not answered, so its thread is still there when they return
        // (had they waited, it would have ended first). The times are printed.
        const auto t0 = Clock::now();
        o.Done();
        const auto t1 = Clock::now();
        o.Dispose();
        const auto t2 = Clock::now();
        const std::vector<std::string> afterwards = ThreadNames();
        EXPECT_EQ(std::count(afterwards.begin(), afterwards.end(), "zr6180 R2 name"), 1) << "still waiting for the name server";
        std::printf("Done %lld ms, DisposeDriver %lld ms\n", Ms(t1 - t0), Ms(t2 - t1));
    }
    // The look-up thread still waits for the name server, so the code it
    // returns into stays loaded ...
    EXPECT_TRUE(Loaded());
    // ... and when the name server answers, the thread ends.
    WaitFor([&] { return ThreadCount() <= threadsBefore; }, HangGuardMs, 0ms, [&] { dns.AnswerNoSuchName(10); });
    EXPECT_EQ(ThreadCount(), threadsBefore);

    // Loaded again, it serves.
    TTestHost o;
    ASSERT_TRUE(o.Start(NamedGateways(sim.Port())));
    EXPECT_EQ(ReadChannel(o.lib, o.d, 100), 0);
}

}  // namespace

#endif

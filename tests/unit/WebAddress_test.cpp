#include <gtest/gtest.h>

#include "diag/WebServer.h"

namespace {

struct TCase {
    const char* text;
    bool ok;
    const char* ip;
    uint16_t port;
    bool loopback;
};

TEST(WebAddress, ListensOnlyWhereTheVariableSays) {
    const TCase cases[] = {
        {"8180", true, "127.0.0.1", 8180, true},
        {"0", true, "127.0.0.1", 0, true},
        {"127.0.0.1:8180", true, "127.0.0.1", 8180, true},
        {"localhost:8180", true, "127.0.0.1", 8180, true},
        {"[::1]:8180", true, "::1", 8180, true},
        {"127.10.0.2:1", true, "127.10.0.2", 1, true},
        {"0.0.0.0:8180", true, "0.0.0.0", 8180, false},
        {"192.168.1.20:80", true, "192.168.1.20", 80, false},
        {"[fe80::1]:8180", true, "fe80::1", 8180, false},
        {"", false}, {"abc", false}, {"65536", false}, {"127.0.0.1:65536", false},
        {"127.0.0.1:", false}, {"127.0.0.1", false}, {"256.0.0.1:80", false}, {"1.2.3:80", false},
        {"1.2.3.4.5:80", false}, {"[::1]8180", false}, {"::1:8180", false}, {"example.com:80", false},
        {"127.0.0.1:80x", false}, {"-1", false}, {"[]:80", false}, {"[::g]:80", false},
    };
    for (const TCase& c : cases) {
        TListenAddress a;
        ASSERT_EQ(ParseListenAddress(c.text, a), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(a.Ip, c.ip) << c.text;
        EXPECT_EQ(a.Port, c.port) << c.text;
        EXPECT_EQ(a.Loopback, c.loopback) << c.text;
    }
}

}  // namespace

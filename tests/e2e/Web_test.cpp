// The diagnostic web server as an operator, plant monitoring and a hostile
// client meet it: the driver loaded as a host loads it, RV_ZR6180_HTTP set,
// real HTTP on the loopback, a real browser and promtool as processes.
#ifdef RV_HAVE_SIMULATOR

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ctime>
#include <sstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/Model.h"
#include "config/StatusCodes.h"
#include "e2e/RunningDriver.h"
#include "support/Command.h"
#include "support/Http.h"
#include "support/LoopbackUdp.h"
#include "support/Wait.h"

namespace {

using Json = nlohmann::json;

std::string Utf8(std::string_view cp) { return cp1250::ToUtf8(cp); }
// A status text as a value row shows it: cut to the row's 42 characters.
std::string Shown(uint8_t status) { return Utf8(StatusText(status).substr(0, 42)); }

// One input cycle, and the channel's status as the host then reads it.
int32_t ReadStatus(TTestHost& o, uint32_t c) {
    o.Read(c);
    return ChannelStatus(o.lib, o.d, c);
}

Json JsonOf(const THttpReply& r) { return Json::parse(r.Body, nullptr, false); }

// The value of one sample line of an exposition ("name{labels} value").
std::string Sample(const std::string& text, const std::string& series) {
    const std::size_t at = text.find("\n" + series + " ");
    if (at == std::string::npos) return "missing";
    const std::size_t start = at + series.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

double MedianCycleMs(TTestHost& o, uint32_t channel, int cycles) {
    std::vector<double> ms;
    for (int i = 0; i < cycles; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_TRUE(o.Read(channel).Finalized);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::nth_element(ms.begin(), ms.begin() + cycles / 2, ms.end());
    return ms[static_cast<std::size_t>(cycles / 2)];
}

// Clients that hold the server's connections as a denial of service does,
// each one opened again when the server sends it away, kept up by a thread
// of their own until destroyed.
enum class THold {
    Trickle,    // a request whose headers come a line a second and never end
    SlowRead,   // forty pages asked for at once, read a kilobyte a second
    KeepAlive,  // the metrics once a second on a connection kept open
};

class THoldingClients {
public:
    THoldingClients(uint16_t port, THold kind, int count) : port_(port), kind_(kind), fds_(count, -1) {
        thread_ = std::thread([this] { Run(); });
    }
    ~THoldingClients() {
        stop_ = true;
        thread_.join();
        for (int fd : fds_)
            if (fd >= 0) close(fd);
    }
    int Reopened() const { return reopened_; }

private:
    void Send(int fd, const std::string& bytes) { send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    int Open() {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int small = 1024;  // a window of a few bytes, as a slow reader announces
        if (kind_ == THold::SlowRead) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port_);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            return -1;
        }
        const std::string get = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        if (kind_ == THold::Trickle) Send(fd, get);
        if (kind_ == THold::KeepAlive) Send(fd, get + "\r\n");
        if (kind_ == THold::SlowRead)
            for (int k = 0; k < 40; ++k) Send(fd, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        return fd;
    }
    // False once the server has ended the connection.
    bool Keep(int fd, bool second) {
        pollfd p{fd, static_cast<short>(kind_ == THold::SlowRead ? POLLRDHUP : POLLIN | POLLRDHUP), 0};
        if (poll(&p, 1, 0) == 1) {
            if (kind_ == THold::SlowRead) return false;
            char b[16384];
            const ssize_t n = recv(fd, b, sizeof b, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN) || kind_ == THold::Trickle) return false;
        }
        char some[1024];
        if (second && kind_ == THold::SlowRead) recv(fd, some, sizeof some, MSG_DONTWAIT);
        if (second && kind_ == THold::Trickle) Send(fd, "X-Slow: 1\r\n");
        if (second && kind_ == THold::KeepAlive) Send(fd, "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        return true;
    }
    void Run() {
        for (int round = 0; !stop_; ++round) {
            for (int& fd : fds_) {
                if (fd >= 0 && Keep(fd, round % 10 == 9)) continue;
                if (fd >= 0) {
                    close(fd);
                    ++reopened_;
                }
                fd = Open();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    const uint16_t port_;
    const THold kind_;
    std::vector<int> fds_;
    std::atomic<bool> stop_{false};
    std::atomic<int> reopened_{0};
    std::thread thread_;
};

// How many of `tries` fresh clients get the metrics in full within the
// guard time, one after another; the slowest time is printed.
int ScrapesThatGetThrough(uint16_t port, int tries, const char* load) {
    int through = 0;
    double slowest = 0;
    for (int k = 0; k < tries; ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        const THttpReply r = HttpExchange(port, "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", 8000);
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (r.Status == 200 && r.Body.find("rv_zr6180_build_info") != std::string::npos) ++through;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::printf("%s: %d of %d scrapes got through, the slowest in %.3f s\n", load, through, tries, slowest);
    return through;
}

// Interface 1 at the simulator with module 8 failing with status 5 (its box
// turns yellow), interface 2 undeclared (grey), interface 3 at a gateway
// that never answers (red after one request). Then the last failed channel
// is 101.
class Web : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("RV_ZR6180_HTTP", "127.0.0.1:0", 1);
        ASSERT_TRUE(sim.Start());
        sim.SetFault(8, TSimFault{.status = 5});
        TParamFile p = e2e::StandardParams(sim.Port());
        TInterfaceParams dead;
        dead.Number = 3;
        dead.Port = silent.Port();
        dead.UdpTimeout = 30;
        p.AddInterface(dead);
        p.AddChannel("1200 3 1 0 0");
        std::string error;
        ASSERT_TRUE(o.Start(p, &error)) << error;
        port = ListeningPort(o.MainLog());
        ASSERT_NE(port, 0) << "no listening line in the main log";
        EXPECT_EQ(ReadStatus(o, 1200), StatusGatewayLost);
        EXPECT_EQ(ReadStatus(o, 101), 5);
    }
    void TearDown() override { unsetenv("RV_ZR6180_HTTP"); }

    TSimulator sim;
    TLoopbackUdp silent;
    TTestHost o;
    uint16_t port = 0;
};

TEST_F(Web, PagesShowWhatTheWindowShowsAndCorrectTheNumbersAsItsFields) {
    const THttpReply info = HttpGet(port, "/api/info");
    ASSERT_EQ(info.Status, 200);
    EXPECT_EQ(HeaderValue(info, "Content-Type"), "application/json");
    const Json i = JsonOf(info);
    EXPECT_EQ(i["rows"], Json::array({"101", "1", "8", Shown(5)}));
    std::vector<std::string> boxes(16, "#808080");
    boxes[0] = "#ffff00";
    boxes[2] = "#ff0000";
    EXPECT_EQ(i["indicators"], Json(boxes));
    EXPECT_EQ(i["captions"]["channel"][15], Utf8("Status kanálu"_cp));
    EXPECT_EQ(i["texts"]["pages"][1], Utf8("Diagnostika rozhraní"_cp));

    const Json undeclared = JsonOf(HttpGet(port, "/api/interface/2"));
    EXPECT_EQ(undeclared["rows"][0], "2");
    EXPECT_EQ(undeclared["rows"][1], "-");
    EXPECT_EQ(undeclared["rows"][15], Utf8("Rozhrani nedefinováno."_cp));
    EXPECT_EQ(JsonOf(HttpGet(port, "/api/interface/3"))["rows"][15], Shown(StatusGatewayLost));
    EXPECT_EQ(JsonOf(HttpGet(port, "/api/channel/101"))["rows"][15], Shown(5));

    // The entry fields' rules: out of range, too long, not a number.
    const std::pair<std::string, std::pair<int, std::string>> interfaces[] = {
        {"ab", {1, "1"}}, {"abc", {16, "16"}}, {"0", {1, "1"}}, {"17", {16, "16"}}, {"123", {16, "16"}}, {"", {1, "1"}}};
    for (const auto& [field, expected] : interfaces) {
        const Json j = JsonOf(HttpGet(port, "/api/interface/" + field));
        EXPECT_EQ(j["number"], expected.first) << field;
        EXPECT_EQ(j["field"], expected.second) << field;
    }
    const std::pair<std::string, std::pair<int, std::string>> channels[] = {
        {"12", {99, "99"}}, {"1234567", {6099, "6099"}}, {"7000", {6099, "6099"}}, {"x1", {99, "99"}}, {"1005", {1005, "1005"}}};
    for (const auto& [field, expected] : channels) {
        const Json j = JsonOf(HttpGet(port, "/api/channel/" + field));
        EXPECT_EQ(j["number"], expected.first) << field;
        EXPECT_EQ(j["field"], expected.second) << field;
    }
}

TEST_F(Web, MetricsCountWhatHappenedAndPassPromtool) {
    EXPECT_EQ(ReadStatus(o, 1500), StatusInterfaceUndefined);  // refused: interface 2 has no section
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ReadStatus(o, 1005), 0);
    sim.SetFault(9, TSimFault{.staleBefore = true, .times = 1});  // an old answer for another channel first
    EXPECT_EQ(ReadStatus(o, 1010), 0);
    sim.SetFault(9, TSimFault{.badChecksum = true, .times = 1});  // the only answer is broken: 21
    EXPECT_EQ(ReadStatus(o, 1010), StatusGatewayLost);
    // Five requests committed at once: the thread finds five waiting.
    for (uint32_t c : {100u, 1005u, 1007u, 2100u, 2140u}) o.lib.InputRequest(o.d, c);
    o.lib.InputRequestCompleted(o.d);
    for (uint32_t c : {100u, 1005u, 1007u, 2100u, 2140u}) EXPECT_TRUE(o.FinishRead(c).Finalized) << c;
    const THttpReply m = HttpGet(port, "/metrics");
    ASSERT_EQ(m.Status, 200);
    EXPECT_EQ(HeaderValue(m, "Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
    const std::string& t = m.Body;
    // What the window's boxes show as well: on interface 1 channel 101 (module 8,
    // status 5) and channel 1010 (module 9, 21) failed, so its box is yellow;
    // interface 3's gateway is silent (red). Every status is there from the start.
    const std::pair<const char*, const char*> expected[] = {
        {"rv_zr6180_build_info{version=\"3.15.0\"}", "1"},
        {"rv_zr6180_answers_total{interface=\"1\",status=\"0\"}", "9"},
        {"rv_zr6180_answers_total{interface=\"1\",status=\"5\"}", "1"},
        {"rv_zr6180_requests_sent_total{interface=\"1\"}", "11"},
        {"rv_zr6180_foreign_datagrams_total{interface=\"1\"}", "1"},
        {"rv_zr6180_invalid_datagrams_total{interface=\"1\"}", "1"},
        {"rv_zr6180_udp_timeouts_total{interface=\"1\"}", "1"},
        {"rv_zr6180_queue_depth_max{interface=\"1\"}", "5"},
        {"rv_zr6180_requests_sent_total{interface=\"3\"}", "1"},
        {"rv_zr6180_udp_timeouts_total{interface=\"3\"}", "1"},
        {"rv_zr6180_exchange_seconds_count{interface=\"1\"}", "11"},
        {"rv_zr6180_exchange_seconds_bucket{interface=\"3\",le=\"0.02\"}", "0"},
        {"rv_zr6180_exchange_seconds_bucket{interface=\"3\",le=\"+Inf\"}", "1"},
        {"rv_zr6180_refused_requests_total{status=\"18\"}", "1"},
        {"rv_zr6180_interface_status{interface=\"3\"}", "21"},
        {"rv_zr6180_faulty_channels{interface=\"1\"}", "2"},
        {"rv_zr6180_faulty_modules{interface=\"1\"}", "2"},
        {"rv_zr6180_indicator{interface=\"1\",state=\"channel fault\"}", "1"},
        {"rv_zr6180_indicator{interface=\"1\",state=\"ok\"}", "0"},
        {"rv_zr6180_indicator{interface=\"2\",state=\"undeclared\"}", "1"},
        {"rv_zr6180_indicator{interface=\"3\",state=\"interface fault\"}", "1"},
        {"rv_zr6180_answers_total{interface=\"1\",status=\"26\"}", "0"},
        {"rv_zr6180_last_answer_timestamp_seconds{interface=\"3\"}", "0"},
    };
    for (const auto& [series, value] : expected) EXPECT_EQ(Sample(t, series), value) << series;
    EXPECT_NE(Sample(t, "rv_zr6180_exchange_seconds_bucket{interface=\"1\",le=\"0.0001\"}"), "") << "a LAN answer's scale";
    EXPECT_EQ(Sample(t, "rv_zr6180_callbacks_total"), std::to_string(o.CallCount()));
    const double now = static_cast<double>(std::time(nullptr));
    EXPECT_NEAR(std::stod(Sample(t, "rv_zr6180_last_answer_timestamp_seconds{interface=\"1\"}")), now, 60.0);
    EXPECT_NEAR(std::stod(Sample(t, "rv_zr6180_start_time_seconds")), now, 600.0);
    std::istringstream rowLines(t);
    for (std::string r; std::getline(rowLines, r);) {
        if (r.find("interface=\"2\"") == std::string::npos) continue;
        EXPECT_EQ(r.rfind("rv_zr6180_indicator{", 0), 0u) << "only the box of an undeclared interface: " << r;
    }
    for (const char* log : {"main", "run", "err", "interface", "callback"}) {
        EXPECT_EQ(Sample(t, std::string("rv_zr6180_log_write_failures_total{log=\"") + log + "\"}"), "0") << log;
        EXPECT_EQ(Sample(t, std::string("rv_zr6180_log_failing{log=\"") + log + "\"}"), "0") << log;
    }

    const std::string file = o.dir.Path() + "/metrics.txt";
    std::ofstream(file) << t;
    const TRun check = RunShell("promtool check metrics < " + Quoted(file));
    EXPECT_EQ(check.Code, 0) << check.Output;
}

// The RUN log on a full disk (/dev/full in its place): requests go on, the
// lost lines are counted in the metrics and the page's data, and the main
// log tells once when the log starts and once when it stops failing.
TEST_F(Web, FailedLogWritesAreCountedAndToldWhenTheyStartAndStop) {
    const std::string run = o.dir / "Rv_zr6180Run001.log";
    ASSERT_EQ(std::rename(run.c_str(), (o.dir / "kept.log").c_str()), 0);
    ASSERT_EQ(symlink("/dev/full", run.c_str()), 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ReadStatus(o, 1005), 0);
    const std::string full = Cp("Do logu RUN nelze zapisovat (No space left on device), jeho řádky se ztrácejí."_cp);
    const std::vector<std::string> log = o.MainLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), full), 1);

    const std::string t = HttpGet(port, "/metrics").Body;
    const std::string lost = Sample(t, "rv_zr6180_log_write_failures_total{log=\"run\"}");
    EXPECT_GE(std::atoi(lost.c_str()), 12) << "four lines or more per request";
    EXPECT_EQ(Sample(t, "rv_zr6180_log_failing{log=\"run\"}"), "1");
    EXPECT_EQ(Sample(t, "rv_zr6180_log_write_failures_total{log=\"main\"}"), "0");
    const std::string file = o.dir.Path() + "/metrics.txt";
    std::ofstream(file) << t;
    const TRun check = RunShell("promtool check metrics < " + Quoted(file));
    EXPECT_EQ(check.Code, 0) << check.Output;
    EXPECT_GE(JsonOf(HttpGet(port, "/api/info"))["logWriteFailures"]["run"].get<int>(), 12);

    ASSERT_EQ(unlink(run.c_str()), 0);
    EXPECT_EQ(ReadStatus(o, 1005), 0);
    const std::string after = HttpGet(port, "/metrics").Body;
    EXPECT_EQ(Sample(after, "rv_zr6180_log_failing{log=\"run\"}"), "0");
    const std::string again = Cp("Do logu RUN lze opět zapisovat, ztracených řádků: "_cp) +
                              Sample(after, "rv_zr6180_log_write_failures_total{log=\"run\"}");
    EXPECT_TRUE(ContainsLine(o.MainLog(), again)) << again;
    EXPECT_FALSE(o.Run("KOM 9").empty()) << "the RUN log is written again";
}

// The LOG directory removed while the driver runs: the next line makes it
// again and no line is lost.
TEST_F(Web, LogDirectoryRemovedWhileRunningIsMadeAgain) {
    std::filesystem::remove_all(o.dir.Path());
    EXPECT_EQ(ReadStatus(o, 1005), 0);
    EXPECT_TRUE(ContainsLine(o.MainLog(), Cp("Adresář LOG souborů \""_cp) + o.dir.Path() + "/" +
                                              Cp("\" chyběl, byl znovu vytvořen."_cp)));
    EXPECT_FALSE(o.Run("KOM 9").empty());
    const std::string t = HttpGet(port, "/metrics").Body;
    for (const char* log : {"main", "run", "err", "interface", "callback"})
        EXPECT_EQ(Sample(t, std::string("rv_zr6180_log_write_failures_total{log=\"") + log + "\"}"), "0") << log;
}

TEST_F(Web, AnswersWhatItServesAndRefusesTheRest) {
    const THttpReply post = HttpExchange(port, "POST /api/info HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\n\r\nhello");
    EXPECT_EQ(post.Status, 405);
    EXPECT_EQ(HeaderValue(post, "Allow"), "GET, HEAD");
    EXPECT_EQ(HttpExchange(port, "DELETE / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").Status, 405);
    EXPECT_EQ(HttpExchange(port, "GET /api/info HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\n\r\nhello").Status, 413);
    for (const char* path : {"/nothing", "/api", "/api/infos", "/metrics/", "/../../etc/passwd", "/index.html"})
        EXPECT_EQ(HttpGet(port, path).Status, 404) << path;
    // A name of somebody else's pointing at the loopback gets nothing.
    EXPECT_EQ(HttpGet(port, "/api/info", "evil.example").Status, 403);
    EXPECT_EQ(HttpGet(port, "/api/info", "localhost").Status, 200);
    EXPECT_EQ(HttpExchange(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n").Status, 431);
    EXPECT_EQ(HttpGet(port, "/api/channel/" + std::string(20000, '1')).Status, 414);
    EXPECT_EQ(HttpExchange(port, "GET / HTTP/1.1\r\n\r\n").Status, 400);  // no Host
    EXPECT_EQ(HttpExchange(port, "\x16\x03\x01garbage\r\n\r\n", 2000).Status, 0);
    const THttpReply head = HttpExchange(port, "HEAD / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(head.Status, 200);
    EXPECT_TRUE(head.Body.empty());

    const THttpReply page = HttpGet(port, "/");
    ASSERT_EQ(page.Status, 200);
    EXPECT_EQ(HeaderValue(page, "Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(HeaderValue(page, "Content-Security-Policy").find("default-src 'none'"), std::string::npos);
    // Self-contained: nothing is fetched from anywhere else.
    for (const char* outside : {"http://", "https://", "//cdn", "@import", "<link"})
        EXPECT_EQ(page.Body.find(outside), std::string::npos) << outside;
    // Keep-alive: two questions on one connection, as the page asks them.
    const THttpReply two = HttpExchange(port, "GET /api/info HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
                                              "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(two.Status, 200);
    EXPECT_NE(two.Body.find("rv_zr6180_build_info"), std::string::npos);
}

TEST_F(Web, HostileClientsStayWithinTheLimitsAndDoNotDelayTheDriver) {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_max < 1400) GTEST_SKIP() << "a thousand connections need more open files than " << files.rlim_max;
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
    setrlimit(RLIMIT_NOFILE, &files);
    const double quiet = MedianCycleMs(o, 1005, 100);
    const int threads = ThreadCount();
    const int filesBefore = OpenDescriptors();

    // Slow clients that never finish their request, then a thousand at once.
    std::vector<int> slow, flood;
    for (int k = 0; k < 80; ++k) {
        const int fd = ConnectLoopback(port);
        if (fd >= 0) send(fd, "GET / HTTP/1.1\r\nHost: 127.0.0.1", 31, MSG_NOSIGNAL);
        slow.push_back(fd);
    }
    for (int k = 0; k < 1000; ++k) flood.push_back(ConnectLoopback(port, false));
    const std::string get = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    for (int fd : flood)
        if (fd >= 0) send(fd, get.data(), get.size(), MSG_NOSIGNAL);
    const double loaded = MedianCycleMs(o, 1005, 100);
    const int clients = OpenDescriptors() - filesBefore;
    EXPECT_EQ(ThreadCount(), threads) << "the server serves on its one thread";
    for (int fd : flood)
        if (fd >= 0) close(fd);
    std::printf("cycle median: %.3f ms quiet, %.3f ms under %zu hostile connections\n", quiet, loaded, slow.size() + flood.size());
    EXPECT_LE(loaded, quiet * 3 + 2) << "quiet " << quiet << " ms, under load " << loaded << " ms";
    EXPECT_LE(clients, 80 + 1000 + 64 + 4) << "the server holds at most its 64 connections";

    // The slow ones are sent away after their idle time (those past the
    // limit waited in the backlog for a first round), and the page is
    // served again.
    const auto t0 = std::chrono::steady_clock::now();
    int closed = 0;
    for (int fd : slow) {
        pollfd p{fd, POLLIN, 0};
        char b[512];
        if (fd >= 0 && poll(&p, 1, 13000) == 1 && recv(fd, b, sizeof b, 0) >= 0) ++closed;
        if (fd >= 0) close(fd);
    }
    EXPECT_EQ(closed, 80);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(13));
    EXPECT_EQ(HttpGet(port, "/api/info").Status, 200);
}

// Every slot held, and more clients coming: a scrape gets through all the
// same, every time, because a newcomer takes an old connection's place.
TEST_F(Web, AScrapeGetsThroughWhileSlowOrGreedyClientsHoldEveryConnection) {
    const std::pair<THold, int> loads[] = {{THold::Trickle, 100}, {THold::SlowRead, 64}, {THold::KeepAlive, 64}};
    const char* names[] = {"trickling requests", "slow readers", "idle keep-alive connections"};
    for (const auto& [kind, count] : loads) {
        const char* name = names[static_cast<int>(kind)];
        THoldingClients load(port, kind, count);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // every slot taken
        EXPECT_EQ(ScrapesThatGetThrough(port, 8, name), 8) << name;
        if (kind == THold::Trickle) {
            EXPECT_GT(load.Reopened(), 0) << "the tricklers are sent away to make room";
        }
    }
    EXPECT_EQ(HttpGet(port, "/api/info").Status, 200);
}

// The page in a real browser: what it renders after its first refreshes.
TEST_F(Web, BrowserRendersThePagesWithTheirTextsAndColours) {
    if (RunShell("command -v chromium").Code != 0) GTEST_SKIP() << "chromium not installed";
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    const std::string browser = "chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
                                "--no-first-run --hide-scrollbars --user-data-dir=" + Quoted(o.dir.Path() + "/browser") +
                                " --window-size=520,480 --virtual-time-budget=4000 ";
    const auto dom = [&](const std::string& view) {
        return RunShell(browser + "--dump-dom " + Quoted(base + view) + " 2>/dev/null").Output;
    };
    const std::string info = dom("");
    EXPECT_TRUE(ContainsAll(info, {"<td id=\"info-0\">101</td>", "<td id=\"info-2\">8</td>",
                                   "<td id=\"info-3\">" + Shown(5) + "</td>",
                                   "id=\"box-1\" style=\"background-color: rgb(255, 255, 0);\"",
                                   "id=\"box-2\" style=\"background-color: rgb(128, 128, 128);\"",
                                   "id=\"box-3\" style=\"background-color: rgb(255, 0, 0);\"",
                                   ">" + Utf8("rozhraní nedefinováno"_cp) + "<"}));
    // A bookmarked view opens again, its number corrected as in the window.
    EXPECT_TRUE(ContainsAll(dom("#channel=7000"), {"value=\"6099\"", "<td id=\"channel-0\">6099</td>"}));

    // Rendered pixels: one red box and one yellow box beside the legend's,
    // and no green box but the legend's.
    const std::string shot = o.dir.Path() + "/info.png";
    RunShell(browser + "--screenshot=" + Quoted(shot) + " " + Quoted(base) + " 2>/dev/null");
    const TRun colours = RunShell("python3 " + Quoted(std::string(RV_ZR6180_SOURCE_DIR) + "/tests/support/png_colours.py") +
                                  " " + Quoted(shot) + " ff0000 ffff00 00ff00");
    ASSERT_EQ(colours.Code, 0) << colours.Output;
    int red = 0, yellow = 0, green = 0;
    ASSERT_EQ(sscanf(colours.Output.c_str(), "%d %d %d", &red, &yellow, &green), 3) << colours.Output;
    EXPECT_GT(green, 50) << "the legend's green box";
    EXPECT_GT(red, green + 200) << colours.Output;
    EXPECT_GT(yellow, green + 200) << colours.Output;
}

// The operator's clicks and key presses in a real browser (WebDriver): the
// fields take only digits, Enter applies the window's corrections, and the
// tabs show their pages.
TEST_F(Web, OperatorClicksTabsAndTypesIntoTheFields) {
    if (RunShell("command -v chromedriver").Code != 0) GTEST_SKIP() << "chromedriver not installed";
    const std::string script = std::string(RV_ZR6180_SOURCE_DIR) + "/tests/support/browser_steps.py";
    std::string command = "python3 " + Quoted(script) + " " + Quoted("http://127.0.0.1:" + std::to_string(port) + "/");
    for (const std::string step : {"wait:#info-0:101", "click:#tab-2", "type:#channel-field:7a0b0\\n",
                                   "wait:#channel-0:700", "value:#channel-field", "type:#channel-field:7000\\n",
                                   "wait:#channel-0:6099", "value:#channel-field", "type:#channel-field:101\\n",
                                   "wait:#channel-0:101", "text:#channel-15", "click:#tab-1",
                                   "type:#interface-field:2\\n", "wait:#interface-0:2", "text:#interface-15", "hash"})
        command += " " + Quoted(step);
    const TRun r = RunShell(command);
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_EQ(r.Output, "700\n6099\n" + Shown(5) + "\n" + Utf8("Rozhrani nedefinováno."_cp) + "\n#interface=2\n");
}

// A host that stops answering (here: it holds the lock every answer needs)
// leaves the page's refresh hanging: the page abandons it, says since when
// its data are old, keeps trying and clears the notice at the next good
// answer. An address edited by hand shows what it names.
TEST_F(Web, PageSaysWhenItsDataAreStaleAndFollowsAnEditedAddress) {
    if (RunShell("command -v chromedriver").Code != 0) GTEST_SKIP() << "chromedriver not installed";
    const std::string script = std::string(RV_ZR6180_SOURCE_DIR) + "/tests/support/browser_steps.py";
    const std::string locked = o.dir.Path() + "/locked", seenCount = o.dir.Path() + "/seen", released = o.dir.Path() + "/released";
    std::string command = "python3 " + Quoted(script) + " " + Quoted("http://127.0.0.1:" + std::to_string(port) + "/");
    const std::string notices = Utf8("Data nejsou aktuální od "_cp);
    std::vector<std::string> pageSteps = {"wait:#info-0:101", "wait:#stale:", "signal:" + locked};
    pageSteps.push_back("contains:#stale:" + notices);
    for (const char* k : {"text:#stale", "signal:", "await:", "wait:#stale:", "go:#channel=1005", "wait:#channel-0:1005", "hash"})
        pageSteps.push_back(std::string(k) == "signal:" ? k + seenCount : std::string(k) == "await:" ? k + released : k);
    for (const std::string& pageStep : pageSteps) command += " " + Quoted(pageStep);
    TRun r;
    std::thread chromium([&] { r = RunShell(command); });
    std::mutex& guard = static_cast<TData*>(o.d)->WindowLock;
    const auto exists = [](const std::string& f) { return std::ifstream(f).good(); };
    const auto waitFor = [&](const std::string& f) {
        WaitFor([&] { return exists(f); }, 90000, std::chrono::milliseconds(50));
    };
    waitFor(locked);
    {
        std::lock_guard<std::mutex> g(guard);
        waitFor(seenCount);
    }
    std::ofstream(released) << "";
    chromium.join();
    ASSERT_EQ(r.Code, 0) << r.Output;
    const std::size_t tail = r.Output.find('\n');
    EXPECT_TRUE(Matches(r.Output.substr(0, tail), notices + "#:#:#")) << r.Output;
    EXPECT_EQ(r.Output.substr(tail + 1), "#channel=1005\n");
}

// A whole plant in the overview: every channel 99..6099 declared, dealt
// round interfaces 1 and 2 at the simulator and 3 at a gateway that never
// answers; module 8 fails with status 5, so channels 129 and 132 of
// interface 1 are faulty, and so is 1202 of interface 3.
TEST(WebOverview, OperatorFiltersSortsAndOpensAChannelOfSixThousand) {
    if (RunShell("command -v chromedriver").Code != 0) GTEST_SKIP() << "chromedriver not installed";
    setenv("RV_ZR6180_HTTP", "127.0.0.1:0", 1);
    TSimulator sim;
    TLoopbackUdp silent;
    TTestHost o;
    ASSERT_TRUE(sim.Start());
    sim.SetFault(8, TSimFault{.status = 5});
    TParamFile p;
    p.RunEnabled = 0;
    p.InterfaceLog = 0;
    TInterfaceParams r;
    for (int i : {1, 2}) {
        r.Number = i;
        r.Port = sim.Port();
        p.AddInterface(r);
    }
    r.Number = 3;
    r.Port = silent.Port();
    r.UdpTimeout = 30;
    p.AddInterface(r);
    for (int c = 100; c <= 6099; ++c)
        p.AddChannel(std::to_string(c) + " " + std::to_string(c % 3 + 1) + " " + std::to_string(c / 16 % 256) + " " +
                     std::to_string(c % 16) + " 0 \"K" + std::to_string(c) + std::string("\" \"Kanál "_cp) + std::to_string(c) + "\"");
    std::string error;
    ASSERT_TRUE(o.Start(p, &error)) << error;
    unsetenv("RV_ZR6180_HTTP");
    const uint16_t port = ListeningPort(o.MainLog());
    ASSERT_NE(port, 0);
    for (uint32_t c : {129u, 132u}) EXPECT_EQ(ReadStatus(o, c), 5);
    EXPECT_EQ(ReadStatus(o, 1202), StatusGatewayLost);
    EXPECT_EQ(ReadStatus(o, 100), 0);

    const std::string script = std::string(RV_ZR6180_SOURCE_DIR) + "/tests/support/browser_steps.py";
    std::string command = "python3 " + Quoted(script) + " " + Quoted("http://127.0.0.1:" + std::to_string(port) + "/#channels");
    const std::string shown = Utf8("Zobrazeno "_cp);
    const char* drawn = "const p = document.querySelector('#chart-1 polyline.time');"
                        "return p !== null && p.getAttribute('points').split(' ').length >= 3 ? 'drawn' : 0;";
    const char* timing = "const t = document.querySelector('#channel-table').dataset;"
                         "return t.refreshes >= 3 ? [t.buildMs, t.firstMs, t.updateMs].join(' ') : 0;";
    std::vector<std::string> steps;
    const auto add = [&](const std::string& step) { steps.push_back(step); };
    add("contains:#shown-count:" + shown + "6001 z 6001");
    add(std::string("until:") + timing);
    add("click:#next-page");
    add("wait:#channel-body td.number:299");
    add("wait:#page-number:Strana 2 z 31");
    add("click:#filter-interface option[value=\"1\"]");
    add("contains:#shown-count:" + shown + "2000 z 6001");
    add("click:#faulty-only");
    add("contains:#shown-count:" + shown + "2 z 6001");
    add("wait:#channel-body td.number:129");
    add("click:#column-number");
    add("wait:#channel-body td.number:132");
    add("text:#channel-body td.status");
    add("click:#channel-body tr");  // the first row
    add("wait:#channel-0:132");
    add("hash");
    add("go:#channels");
    add("contains:#shown-count:" + shown + "2 z 6001");
    add("click:#filter-interface option[value=\"3\"]");
    add("wait:#channel-body td.number:1202");
    add("text:#channel-body td.status");
    add(std::string("until:") + drawn);
    for (const std::string& step : steps) command += " " + Quoted(step);
    // Exchanges on interface 1 while the browser looks, for its chart.
    std::atomic<bool> looking{true};
    std::thread host([&] {
        while (looking) {
            o.Read(102);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const TRun b = RunShell(command);
    looking = false;
    host.join();
    ASSERT_EQ(b.Code, 0) << b.Output;
    std::istringstream lines(b.Output);
    std::string times, status132, hash, status1202, chart;
    std::getline(lines, times);
    std::getline(lines, status132);
    std::getline(lines, hash);
    std::getline(lines, status1202);
    std::getline(lines, chart);
    EXPECT_EQ(status132, Shown(5));
    EXPECT_EQ(hash, "#channel=132");
    EXPECT_EQ(status1202, Shown(StatusGatewayLost));
    EXPECT_EQ(chart, "drawn");
    // For whoever measures, with every row in the table: the rows made, the
    // first filling with its layout, a later refresh.
    std::printf("6001 rows in Chromium, ms: rows made / first filled and laid out / refreshed: %s\n", times.c_str());
}

// Without a simulator: where the server cannot start, Init goes on.
class WebStart : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("RV_ZR6180_HTTP"); }
    bool Init(const std::string& address) {
        setenv("RV_ZR6180_HTTP", address.c_str(), 1);
        std::string error;
        const bool ok = o.Start(TParamFile::DemoWindow(0, "K", "N"), &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    TTestHost o;
};

TEST_F(WebStart, AnAddressInUseOrNoAddressIsLoggedAndInitSucceeds) {
    const int taken = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(taken, 1), 0);
    getsockname(taken, reinterpret_cast<sockaddr*>(&a), &n);
    const std::string busy = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    ASSERT_TRUE(Init(busy));
    EXPECT_TRUE(ContainsLine(o.MainLog(), Cp("Webovou diagnostiku nelze spustit na adrese "_cp) + busy + "."));
    EXPECT_TRUE(ContainsLine(o.MainLog(), Cp("Ovladač úspěšně inicializován."_cp)));
    o.Done();
    close(taken);

    ASSERT_TRUE(Init("www.example.com:80\x01"));
    EXPECT_TRUE(ContainsLine(o.MainLog(), Cp("Webovou diagnostiku nelze spustit: neplatná adresa RV_ZR6180_HTTP \"www.example.com:80?\"."_cp)));
    o.Done();

    // A bare port is the loopback; Done closes it.
    ASSERT_TRUE(Init("0"));
    const uint16_t port = ListeningPort(o.MainLog());
    ASSERT_NE(port, 0);
    EXPECT_EQ(HttpGet(port, "/api/interface/1").Status, 200);
    o.Done();
    EXPECT_EQ(ConnectLoopback(port), -1);
}

// Off the loopback the page answers any host name: the main log says so.
TEST_F(WebStart, ListeningOffTheLoopbackIsLoggedAsReachableFromTheNetwork) {
    const std::string reachable = Cp("Webová diagnostika naslouchá na adrese mimo tento počítač (0.0.0.0): stránka je "
                                     "dosažitelná ze sítě, bez přihlášení a pro jakékoli jméno hostitele."_cp);
    ASSERT_TRUE(Init("0"));
    const std::vector<std::string> before = o.MainLog();
    EXPECT_FALSE(ContainsLine(before, reachable));
    EXPECT_EQ(HttpGet(ListeningPort(before), "/api/info", "plant.example").Status, 403);
    o.Done();

    ASSERT_TRUE(Init("0.0.0.0:0"));
    const std::vector<std::string> all = o.MainLog();
    const std::vector<std::string> after(all.begin() + static_cast<std::ptrdiff_t>(before.size()), all.end());
    EXPECT_TRUE(ContainsLine(after, reachable));
    const uint16_t port = ListeningPort(after);
    ASSERT_NE(port, 0);
    EXPECT_EQ(HttpGet(port, "/api/info", "plant.example").Status, 200);
}

}  // namespace

#endif

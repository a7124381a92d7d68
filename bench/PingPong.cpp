#include "bench/PingPong.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "bench/Measure.h"

namespace {

// A request of the driver is 46 characters, an answer 72.
constexpr std::size_t kPing = 46;
constexpr std::size_t kPong = 72;

int BoundSocket(sockaddr_in& a) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

// Answers every datagram until one of a single byte arrives.
void Echo(int fd) {
    char buf[256];
    char pong[kPong] = {};
    for (;;) {
        sockaddr_in from{};
        socklen_t n = sizeof from;
        const ssize_t got = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &n);
        if (got <= 1) return;
        sendto(fd, pong, sizeof pong, 0, reinterpret_cast<sockaddr*>(&from), n);
    }
}

}  // namespace

TPingPong MeasurePingPong(int exchanges) {
    TPingPong r;
    sockaddr_in serverAddress{}, clientAddress{};
    const int server = BoundSocket(serverAddress);
    const int client = BoundSocket(clientAddress);
    if (server < 0 || client < 0) {
        if (server >= 0) close(server);
        if (client >= 0) close(client);
        return r;
    }
    std::thread echo(Echo, server);
    char ping[kPing] = {};
    char buf[256];
    const auto exchange = [&] {
        sendto(client, ping, sizeof ping, 0, reinterpret_cast<sockaddr*>(&serverAddress), sizeof serverAddress);
        return recv(client, buf, sizeof buf, 0) == static_cast<ssize_t>(kPong);
    };
    bool ok = true;
    for (int i = 0; i < exchanges / 10 && ok; ++i) ok = exchange();  // warm up
    r.roundTripsNs.reserve(static_cast<std::size_t>(exchanges));
    // The rate is the median of ten runs: one run that the scheduler spoils
    // on this shared machine does not set it.
    std::vector<int64_t> runs;
    for (int run = 0; run < 10 && ok; ++run) {
        const int64_t start = NowNs();
        for (int i = 0; i < exchanges / 10 && ok; ++i) {
            const int64_t t = NowNs();
            ok = exchange();
            r.roundTripsNs.push_back(NowNs() - t);
        }
        runs.push_back(NowNs() - start);
    }
    const double perRun = Median(runs);
    const char stop = 0;
    sendto(client, &stop, 1, 0, reinterpret_cast<sockaddr*>(&serverAddress), sizeof serverAddress);
    echo.join();
    close(server);
    close(client);
    r.ok = ok;
    r.exchangesPerSecond = perRun > 0 ? (exchanges / 10) * 1e9 / perRun : 0;
    return r;
}

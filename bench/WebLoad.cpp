#include "bench/WebLoad.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "tools/common/Http.h"

void TWebLoad::Start(uint16_t port, bool overview) {
    Stop();
    stop_ = false;
    thread_ = std::thread([this, port, overview] { Run(port, overview); });
}

void TWebLoad::Stop() {
    {
        std::lock_guard g(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TWebLoad::Run(uint16_t port, bool overview) {
    if (overview) (HttpGet(port, "/api/channels").Status == 200 ? answered_ : failed_).fetch_add(1);
    const std::vector<const char*> page =
        overview ? std::vector<const char*>{"/api/info", "/api/channels/values", "/api/history", "/metrics"}
                 : std::vector<const char*>{"/api/info", "/api/interface/1", "/metrics"};
    std::unique_lock g(mutex_);
    while (!stop_) {
        g.unlock();
        for (const char* path : page) (HttpGet(port, path).Status == 200 ? answered_ : failed_).fetch_add(1);
        g.lock();
        wake_.wait_for(g, std::chrono::seconds(1), [this] { return stop_; });
    }
}

uint16_t FreeTcpPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) == 0;
    close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

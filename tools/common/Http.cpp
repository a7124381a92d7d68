#include "tools/common/Http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <strings.h>

int ConnectLoopback(uint16_t port, bool blocking) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (blocking ? 0 : SOCK_NONBLOCK), 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && (blocking || errno != EINPROGRESS)) {
        close(fd);
        return -1;
    }
    return fd;
}

namespace {

THttpReply Parse(const std::string& raw) {
    THttpReply r;
    if (raw.rfind("HTTP/1.", 0) != 0 || raw.size() < 12) return r;
    r.Status = std::stoi(raw.substr(9, 3));
    const std::size_t end = raw.find("\r\n\r\n");
    const std::size_t first = raw.find("\r\n");
    if (end == std::string::npos) return r;
    r.Headers = raw.substr(first + 2, end - first);
    r.Body = raw.substr(end + 4);
    return r;
}

}  // namespace

THttpReply HttpExchange(uint16_t port, const std::string& request, int ms) {
    const int fd = ConnectLoopback(port);
    if (fd < 0) return {};
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;  // the server may close before it has read everything
        sent += static_cast<std::size_t>(n);
    }
    std::string raw;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char b[8192];
        const ssize_t n = recv(fd, b, sizeof b, 0);
        if (n <= 0) break;
        raw.append(b, static_cast<std::size_t>(n));
    }
    close(fd);
    return Parse(raw);
}

THttpReply HttpGet(uint16_t port, const std::string& path, const std::string& host) {
    return HttpExchange(port, "GET " + path + " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(port) +
                                  "\r\nConnection: close\r\n\r\n");
}

std::string HeaderValue(const THttpReply& r, const std::string& name) {
    std::size_t at = 0;
    while (at < r.Headers.size()) {
        const std::size_t eol = r.Headers.find("\r\n", at);
        const std::string line = r.Headers.substr(at, eol - at);
        const bool named = line.size() > name.size() && line[name.size()] == ':' &&
                           strncasecmp(line.c_str(), name.c_str(), name.size()) == 0;
        if (named) {
            const std::size_t value = line.find_first_not_of(' ', name.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        if (eol == std::string::npos) break;
        at = eol + 2;
    }
    return {};
}

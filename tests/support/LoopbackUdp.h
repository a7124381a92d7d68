// A UDP socket of the test on 127.0.0.1: a gateway stand-in that answers
// whoever sent last, a stranger that sends to the driver, or a driver-side
// endpoint that talks to the simulator.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TLoopbackUdp {
public:
    TLoopbackUdp() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = Address(0);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t n = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
    }
    ~TLoopbackUdp() { close(fd_); }
    TLoopbackUdp(const TLoopbackUdp&) = delete;
    TLoopbackUdp& operator=(const TLoopbackUdp&) = delete;

    uint16_t Port() const { return port_; }

    bool SendTo(uint16_t port, std::string_view data) const {
        const sockaddr_in a = Address(port);
        return sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a) ==
               static_cast<ssize_t>(data.size());
    }
    // One datagram within `ms`; its sender is the one ReplyToSender answers.
    std::optional<std::string> Receive(int ms = 1000) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return std::nullopt;
        char b[9000];
        socklen_t n = sizeof sender_;
        const ssize_t r = recvfrom(fd_, b, sizeof b, 0, reinterpret_cast<sockaddr*>(&sender_), &n);
        if (r < 0) return std::nullopt;
        haveSender_ = true;
        return std::string(b, static_cast<std::size_t>(r));
    }
    // Datagrams that arrive within `ms`.
    int CountWithin(int ms) {
        int n = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end)
            if (Receive(5)) ++n;
        return n;
    }
    void ReplyToSender(std::string_view data) {
        if (!haveSender_) return;
        sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&sender_), sizeof sender_);
    }
    // Sends and waits a second for the answer; empty when none came.
    std::string Exchange(uint16_t port, std::string_view data) {
        SendTo(port, data);
        return Receive().value_or("");
    }

private:
    static sockaddr_in Address(uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }

    int fd_ = -1;
    uint16_t port_ = 0;
    sockaddr_in sender_{};
    bool haveSender_ = false;
};

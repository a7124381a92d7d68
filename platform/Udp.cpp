#include "platform/Udp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Numeric addresses skip the resolver.
bool NumericAddress(const std::string& host, int32_t port, sockaddr_in& a) {
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    return inet_pton(AF_INET, host.c_str(), &a.sin_addr) == 1;
}

}  // namespace

TUdp::~TUdp() { Close(); }

bool TUdp::Open() {
    if (fd_ >= 0) close(fd_);  // a look-up thread stays
    n_ = 0;
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    openError_ = fd_ < 0 ? errno : 0;
    // The socket keeps the system's queue size: 8096 bytes bound one
    // datagram (buf_), not the queue, so a burst of waiting datagrams is
    // drained and logged in full rather than cut by the kernel.
    return fd_ >= 0;
}

void TUdp::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    n_ = 0;
    lookup_.Stop();
}

TSendResult TUdp::Send(const std::string& host, int32_t port, std::string_view data) {
    sockaddr_in a;
    if (fd_ < 0 || port < 1 || port > 65535) return TSendResult::Failed;
    if (!NumericAddress(host, port, a)) {
        const TNameState s = lookup_.Address(host, a.sin_addr);
        if (s == TNameState::Unknown) return TSendResult::NameUnknown;
        if (s == TNameState::Failed) return TSendResult::Failed;
    }
    for (;;) {
        const ssize_t r = sendto(fd_, data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a), sizeof a);
        if (r == static_cast<ssize_t>(data.size())) return TSendResult::Sent;
        if (r < 0 && errno == EINTR) continue;
        return TSendResult::Failed;
    }
}

TReceived TUdp::Receive(int cekejMs) {
    n_ = 0;
    if (fd_ < 0) return TReceived::Error;
    // Without a wait the non-blocking socket answers by itself: one system
    // call instead of two for every look before a send.
    if (cekejMs > 0) {
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, cekejMs);
        if (r == 0 || (r < 0 && errno == EINTR)) return TReceived::Nothing;
        if (r < 0) return TReceived::Error;
    }
    for (;;) {
        const ssize_t n = recvfrom(fd_, buf_, sizeof buf_, 0, nullptr, nullptr);
        // A datagram of zero bytes is a datagram like any other (anyone may
        // send one), not a failing socket.
        if (n >= 0) {
            n_ = static_cast<std::size_t>(n);
            return TReceived::Datagram;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return TReceived::Nothing;
        return TReceived::Error;  // a reported network error
    }
}

// The simulator's life and its thread: the sockets, the poll loop that
// takes datagrams in, and the answers sent when they are due.
#include "tools/sim/Simulator.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr size_t kMaxDatagram = 8192;

// The simulator's own clock: it is the driver's independent peer and shares
// none of the driver's code, its clock seam included.
uint64_t MonotonicNs() {
    return uint64_t(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

int OpenSocket(const std::string& host, uint16_t port, uint16_t& bound, std::string& error) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1) {
        error = "not an IPv4 address: " + host;
        return -1;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    socklen_t n = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
        char buf[128];
        error = host + ":" + std::to_string(port) + ": " + strerror_r(errno, buf, sizeof buf);
        if (fd >= 0) close(fd);
        return -1;
    }
    bound = ntohs(a.sin_port);
    return fd;
}

}  // namespace

TSimulator::TSimulator() : TSimulator(TSimPlant{{TSimGateway{}}}) {}

TSimulator::TSimulator(TSimPlant plant) : plant_(std::move(plant)), run_(plant_.gateways.size()) {
    for (size_t g = 0; g < run_.size(); ++g) run_[g].dice = zrsim::TDice(plant_.gateways[g].random.seed);
}

TSimulator::~TSimulator() { Stop(); }

bool TSimulator::Start(bool anyPort, const std::string& host, std::string* error) {
    std::string why;
    {
        std::lock_guard<std::mutex> l(lock_);
        if (running_) return true;
        wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wake_ < 0) why = "eventfd failed";
        for (size_t g = 0; g < run_.size() && why.empty(); ++g) {
            const uint16_t port = anyPort ? 0 : plant_.gateways[g].port;
            run_[g].fd = OpenSocket(host, port, run_[g].port, why);
        }
        if (why.empty()) {
            startNs_ = MonotonicNs();
            running_ = true;
        }
    }
    if (!why.empty()) {
        CloseSockets();
        if (error != nullptr) *error = why;
        return false;
    }
    thread_ = std::thread(&TSimulator::Run, this);
    return true;
}

void TSimulator::Stop() {
    {
        std::lock_guard<std::mutex> l(lock_);
        if (!running_) return;
        running_ = false;
    }
    const uint64_t one = 1;
    if (write(wake_, &one, sizeof one) < 0) {
        // The counter cannot overflow from one write; nothing else to do.
    }
    if (thread_.joinable()) thread_.join();
    CloseSockets();
}

void TSimulator::CloseSockets() {
    std::lock_guard<std::mutex> l(lock_);
    for (TRuntime& r : run_) {
        if (r.fd >= 0) close(r.fd);
        r.fd = -1;
        r.port = 0;
    }
    if (wake_ >= 0) close(wake_);
    wake_ = -1;
}

bool TSimulator::Running() const {
    std::lock_guard<std::mutex> l(lock_);
    return running_;
}

uint16_t TSimulator::Port(size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    return g < run_.size() ? run_[g].port : 0;
}

size_t TSimulator::Gateways() const { return run_.size(); }

uint64_t TSimulator::NowMs() const { return (MonotonicNs() - startNs_) / 1000000; }

// --- the thread -------------------------------------------------------------

void TSimulator::Run() {
    std::vector<TPending> pending;
    TTrace trace;
    {
        std::lock_guard<std::mutex> l(lock_);
        trace = trace_;
    }
    std::vector<pollfd> fds(run_.size() + 1);
    fds[0] = {wake_, POLLIN, 0};
    for (size_t g = 0; g < run_.size(); ++g) fds[g + 1] = {run_[g].fd, POLLIN, 0};
    for (;;) {
        for (pollfd& p : fds) p.revents = 0;
        if (poll(fds.data(), fds.size(), PollTimeout(pending)) < 0 && errno != EINTR) break;
        if (fds[0].revents != 0) break;
        for (size_t g = 0; g < run_.size(); ++g)
            if (fds[g + 1].revents != 0) Receive(g, pending, trace);
        SendDue(pending);
    }
}

int TSimulator::PollTimeout(const std::vector<TPending>& pending) const {
    if (pending.empty()) return -1;
    uint64_t due = pending.front().dueMs;
    for (const TPending& p : pending) due = std::min(due, p.dueMs);
    const uint64_t now = NowMs();
    return due <= now ? 0 : int(std::min<uint64_t>(due - now, 1000));
}

void TSimulator::Receive(size_t g, std::vector<TPending>& pending, const TTrace& trace) {
    char buf[kMaxDatagram];
    for (;;) {
        sockaddr_in from{};
        socklen_t n = sizeof from;
        const ssize_t got =
            recvfrom(run_[g].fd, buf, sizeof buf, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &n);
        if (got < 0) return;  // EAGAIN: all read
        // A datagram longer than the buffer fails the length check anyway.
        const std::string text(buf, std::min<size_t>(size_t(got), sizeof buf));
        const std::string line = Handle(g, text, from, pending);
        if (trace) trace(line);
    }
}

void TSimulator::SendDue(std::vector<TPending>& pending) {
    const uint64_t now = NowMs();
    // In order of arrival, so a stale answer before the real one stays before it.
    std::vector<TPending> later;
    for (TPending& p : pending) {
        if (p.dueMs > now) {
            later.push_back(std::move(p));
            continue;
        }
        std::lock_guard<std::mutex> l(lock_);
        ++run_[p.g].answers;
        sendto(run_[p.g].fd, p.text.data(), p.text.size(), 0, reinterpret_cast<const sockaddr*>(&p.to), sizeof p.to);
    }
    pending.swap(later);
}

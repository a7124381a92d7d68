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

uint64_t MonotonicNs() {
    return uint64_t(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

std::string Endpoint(const sockaddr_in& a) {
    char ip[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &a.sin_addr, ip, sizeof ip);
    return std::string(ip) + ":" + std::to_string(ntohs(a.sin_port));
}

std::string Hex(const uint8_t* b, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += zrsim::HexByte(b[i]);
    return s;
}

// Shown text of a datagram: printable, line ends as \r \n.
std::string Printable(std::string_view t) {
    std::string s;
    for (char c : t) {
        if (c == '\r') s += "\\r";
        else if (c == '\n') s += "\\n";
        else if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) s += '?';
        else s += c;
    }
    return s;
}

std::string RequestSummary(const zrsim::TRequest& q) {
    return "id=" + std::to_string(q.id) + " fn=" + std::to_string(q.function) + " adr=" + std::to_string(q.address) +
           " per=" + std::to_string(q.periphery) + " data=" + Hex(q.data.data(), 4) + " baud=" +
           std::to_string(q.baudCode) + " to=" + std::to_string(q.serialTimeout) +
           " rep=" + std::to_string(q.serialRetries);
}

std::string AnswerSummary(const zrsim::TExchange& x) {
    const zrsim::TAnswer& a = x.answer;
    std::string s = "st=" + std::to_string(a.status) + " sr=" + zrsim::HexByte(a.statusRegister) +
                    " data=" + Hex(a.data.data(), 4) + ".. sent=" + std::to_string(x.datagrams.size());
    for (const zrsim::TDatagram& d : x.datagrams)
        if (d.text.size() != zrsim::kAnswerLength) s += " [" + std::to_string(d.text.size()) + " chars]";
    return s;
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

TSimGateway* TSimulator::Gateway(size_t g) { return g < plant_.gateways.size() ? &plant_.gateways[g] : nullptr; }

const TSimGateway* TSimulator::Gateway(size_t g) const {
    return g < plant_.gateways.size() ? &plant_.gateways[g] : nullptr;
}

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

std::string TSimulator::Handle(size_t g, std::string_view text, const sockaddr_in& from,
                               std::vector<TPending>& out) {
    std::lock_guard<std::mutex> l(lock_);
    TRuntime& r = run_[g];
    TSimGateway& gw = plant_.gateways[g];
    const uint64_t now = NowMs();
    std::string line = "gw" + std::to_string(g + 1) + ":" + std::to_string(r.port) + " <- " + Endpoint(from) + " ";
    r.requester = from;
    r.hasRequester = true;
    TSimRequestRecord rec{std::string(text), now, false, {}};
    zrsim::TRequest q;
    rec.reason = zrsim::ParseRequest(text, q);
    rec.valid = rec.reason.empty();
    r.requests.push_back(rec);
    arrived_.notify_all();
    if (!rec.valid) {
        ++r.ignored;
        return line + "ignored (" + rec.reason + "): \"" + Printable(text) + "\"";
    }
    line += RequestSummary(q);
    if (r.silent) return line + " | silent";
    const zrsim::TExchange x = zrsim::Serve(gw, r.dice, q, uint32_t(now));
    for (const zrsim::TDatagram& d : x.datagrams) out.push_back({now + d.delayMs, g, from, d.text});
    return line + " | fault: " + x.fault + " | -> " + AnswerSummary(x);
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

// --- the plant ----------------------------------------------------------------

void TSimulator::SetData(uint8_t address, uint8_t periphery, const TSimPeriphery& data, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) ModuleAt(*gw, address).peripheries[periphery] = data;
}

TSimPeriphery TSimulator::Data(uint8_t address, uint8_t periphery, size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    const TSimGateway* gw = Gateway(g);
    if (gw == nullptr) return {};
    const auto m = gw->modules.find(address);
    if (m == gw->modules.end()) return {};
    const auto p = m->second.peripheries.find(periphery);
    return p == m->second.peripheries.end() ? TSimPeriphery{} : p->second;
}

void TSimulator::SetValue(uint8_t address, uint8_t periphery, const zrsim::TBytes4& value, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) {
        TSimPeriphery& p = ModuleAt(*gw, address).peripheries[periphery];
        std::copy(value.begin(), value.end(), p.begin());
    }
}

zrsim::TBytes4 TSimulator::Value(uint8_t address, uint8_t periphery, size_t g) const {
    const TSimPeriphery p = Data(address, periphery, g);
    return zrsim::TBytes4{p[0], p[1], p[2], p[3]};
}

void TSimulator::SetStatusRegister(uint8_t address, uint8_t value, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) ModuleAt(*gw, address).statusRegister = value;
}

uint8_t TSimulator::StatusRegister(uint8_t address, size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    const TSimGateway* gw = Gateway(g);
    if (gw == nullptr) return 0;
    const auto m = gw->modules.find(address);
    return m == gw->modules.end() ? 0 : m->second.statusRegister;
}

void TSimulator::SetAnswerByte(uint8_t address, uint8_t value, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) ModuleAt(*gw, address).answerByte = value;
}

void TSimulator::SetAbsentStatus(int status, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) gw->absentStatus = status;
}

TSimPlant TSimulator::Plant() const {
    std::lock_guard<std::mutex> l(lock_);
    return plant_;
}

// --- faults -------------------------------------------------------------------

void TSimulator::SetFault(uint8_t address, const TSimFault& f, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) ModuleAt(*gw, address).fault = f;
}

void TSimulator::ClearFault(uint8_t address, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    TSimGateway* gw = Gateway(g);
    if (gw == nullptr) return;
    const auto m = gw->modules.find(address);
    if (m != gw->modules.end()) m->second.fault.reset();
}

void TSimulator::SetRandomFaults(const TSimRandomFaults& r, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (TSimGateway* gw = Gateway(g)) {
        gw->random = r;
        run_[g].dice = zrsim::TDice(r.seed);
    }
}

void TSimulator::SetSilent(bool silent, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (g < run_.size()) run_[g].silent = silent;
}

// --- observation ----------------------------------------------------------------

std::vector<TSimRequestRecord> TSimulator::Requests(size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    return g < run_.size() ? run_[g].requests : std::vector<TSimRequestRecord>{};
}

size_t TSimulator::RequestCount(size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    return g < run_.size() ? run_[g].requests.size() : 0;
}

bool TSimulator::WaitForRequests(size_t count, int timeoutMs, size_t g) const {
    std::unique_lock<std::mutex> l(lock_);
    if (g >= run_.size()) return false;
    return arrived_.wait_for(l, std::chrono::milliseconds(timeoutMs),
                             [&] { return run_[g].requests.size() >= count; });
}

uint64_t TSimulator::AnswersSent(size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    return g < run_.size() ? run_[g].answers : 0;
}

uint64_t TSimulator::Ignored(size_t g) const {
    std::lock_guard<std::mutex> l(lock_);
    return g < run_.size() ? run_[g].ignored : 0;
}

void TSimulator::ClearRecords(size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (g >= run_.size()) return;
    run_[g].requests.clear();
    run_[g].answers = 0;
    run_[g].ignored = 0;
}

bool TSimulator::SendToLastRequester(std::string_view datagram, size_t g) {
    std::lock_guard<std::mutex> l(lock_);
    if (g >= run_.size() || !run_[g].hasRequester || run_[g].fd < 0) return false;
    const TRuntime& r = run_[g];
    return sendto(r.fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&r.requester),
                  sizeof r.requester) == ssize_t(datagram.size());
}

void TSimulator::SetTrace(TTrace trace) {
    std::lock_guard<std::mutex> l(lock_);
    trace_ = std::move(trace);
}

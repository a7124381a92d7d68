// What a test or the tool sets and reads while the simulator runs: the
// plant, the faults, and the records of what happened.
#include "tools/sim/Simulator.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>

TSimGateway* TSimulator::Gateway(size_t g) { return g < plant_.gateways.size() ? &plant_.gateways[g] : nullptr; }

const TSimGateway* TSimulator::Gateway(size_t g) const {
    return g < plant_.gateways.size() ? &plant_.gateways[g] : nullptr;
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

#include "tools/sim/Exchange.h"

#include <algorithm>
#include <optional>

namespace zrsim {

namespace {

constexpr uint32_t kStaleAgeMs = 1000;  // how much older a stale answer's time stamp is

// Carries out the function on a module on the bus; returns the status.
uint8_t Perform(TSimModule& m, const TRequest& q) {
    switch (q.function) {
        case kRead:
            return 0;
        case kWrite: {
            TSimPeriphery& p = m.peripheries[q.periphery];
            std::copy(q.data.begin(), q.data.end(), p.begin());
            return 0;
        }
        case kResetStatus:
            m.statusRegister = 0;
            return 0;
        default:
            return kStatusBadFunction;
    }
}

TAnswer Answer(TSimGateway& g, const TRequest& q, uint32_t timeStamp) {
    TAnswer a;
    a.id = q.id;
    a.timeStamp = timeStamp;
    a.serialTime = SerialTimeMs(q.baudCode);
    if (!ValidBaudCode(q.baudCode)) {
        a.status = kStatusBadBaud;
        return a;
    }
    if (g.absentStatus >= 0 && g.modules.count(q.address) == 0) {
        // Nobody answers on the bus: the gateway waited out the serial timeout.
        a.status = uint8_t(g.absentStatus);
        a.serialTime = q.serialTimeout;
        return a;
    }
    TSimModule& m = ModuleAt(g, q.address);
    a.status = Perform(m, q);
    a.answerByte = m.answerByte;
    a.statusRegister = m.statusRegister;
    const auto p = m.peripheries.find(q.periphery);
    if (p != m.peripheries.end()) a.data = p->second;
    return a;
}

// The module's own fault first; else maybe one of the random kinds.
std::optional<TSimFault> PickFault(TSimGateway& g, TDice& dice, uint8_t address) {
    const auto m = g.modules.find(address);
    if (m != g.modules.end() && m->second.fault) {
        TSimFault f = *m->second.fault;
        if (f.times == 1) m->second.fault.reset();
        else if (f.times > 1) --m->second.fault->times;
        return f;
    }
    const TSimRandomFaults& r = g.random;
    if (r.kinds.empty() || r.probability <= 0) return std::nullopt;
    if (dice.Unit() >= r.probability) return std::nullopt;
    return r.kinds[dice.Next() % r.kinds.size()];
}

std::string Stale(const TAnswer& a, const TSimFault& f, uint32_t requestId) {
    TAnswer s = a;
    s.id = f.staleId != 0 ? f.staleId : requestId + 1;
    s.timeStamp = a.timeStamp - kStaleAgeMs;
    return BuildAnswer(s);
}

}  // namespace

uint64_t TDice::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double TDice::Unit() { return double(Next() >> 11) / double(1ull << 53); }

std::vector<TDatagram> Shape(const TAnswer& answer, const TSimFault& f, uint32_t requestId) {
    TAnswer a = answer;
    if (f.status >= 0) a.status = uint8_t(f.status);
    if (f.wrongId) a.id = f.foreignId != 0 ? f.foreignId : requestId + 1;
    std::string text = BuildAnswer(a);
    if (f.badChecksum) text.replace(66, 2, HexByte(uint8_t(Checksum(std::string_view(text).substr(8, 58)) + 1)));
    if (f.shortLength != 0 && f.shortLength < text.size()) text.resize(f.shortLength);

    std::vector<TDatagram> out;
    if (f.staleBefore) out.push_back({Stale(a, f, requestId), f.delayMs});
    if (!f.drop) {
        out.push_back({text, f.delayMs});
        if (f.duplicate) out.push_back({text, f.delayMs});
    }
    if (f.staleAfter) out.push_back({Stale(a, f, requestId), f.delayMs});
    return out;
}

TExchange Serve(TSimGateway& g, TDice& dice, const TRequest& q, uint32_t timeStamp) {
    TExchange x;
    x.answer = Answer(g, q, timeStamp);
    const std::optional<TSimFault> f = PickFault(g, dice, q.address);
    if (f) x.fault = f->Text();
    x.datagrams = Shape(x.answer, f.value_or(TSimFault{}), q.id);
    return x;
}

}  // namespace zrsim

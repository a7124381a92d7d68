// One request as a gateway takes it: recorded, served by the plant, its
// answers queued, and the trace line that tells of it.
#include "tools/sim/Simulator.h"

#include <arpa/inet.h>

namespace {

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

}  // namespace

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

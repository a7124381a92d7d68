#include "tools/sim/SimPacket.h"

namespace zrsim {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
// The gateway's own copy of the serial times per baud code. The driver and
// its host tool share theirs (config/GatewayRules.h); the simulator keeps this
// one on purpose, as the independent peer, so that a wrong table on either
// side shows in the tests as a disagreement.
constexpr uint16_t kSerialTimes[9] = {405, 205, 105, 55, 30, 18, 12, 9, 7};

void PutByte(std::string& s, uint8_t b) {
    s += kHex[b >> 4];
    s += kHex[b & 0x0F];
}

void PutLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) PutByte(s, uint8_t(v >> (8 * i)));
}

// Upper-case digits only: the driver sends nothing else.
int StrictDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int AnyDigit(char c) {
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return StrictDigit(c);
}

// Reads fields left to right from a packet, position 9 on.
class TReader {
public:
    TReader(std::string_view text, int (*digit)(char)) : text_(text), digit_(digit) {}
    uint8_t Byte() {
        const int hi = digit_(text_[pos_]);
        const int lo = digit_(text_[pos_ + 1]);
        pos_ += 2;
        if (hi < 0 || lo < 0) ok_ = false;
        return uint8_t((hi << 4) | (lo & 0x0F));
    }
    uint32_t Le(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= uint32_t(Byte()) << (8 * i);
        return v;
    }
    bool Ok() const { return ok_; }

private:
    std::string_view text_;
    int (*digit_)(char);
    size_t pos_ = 8;
    bool ok_ = true;
};

void AppendChecksumAndEnd(std::string& s) {
    PutByte(s, Checksum(std::string_view(s).substr(8)));
    s += "\r\n";
}

}  // namespace

std::string HexByte(uint8_t b) {
    std::string s;
    PutByte(s, b);
    return s;
}

uint8_t Checksum(std::string_view chars) {
    uint8_t sum = 0;
    for (char c : chars) sum = uint8_t(sum + static_cast<uint8_t>(c));
    return uint8_t(0 - sum);
}

std::string ParseRequest(std::string_view t, TRequest& q) {
    if (t.size() != kRequestLength) return "length " + std::to_string(t.size());
    if (t.substr(0, 8) != kTag) return "tag";
    if (t.substr(42) != "\r\n") return "no CR LF";
    TReader r(t, StrictDigit);
    q.id = r.Le(4);
    q.baudCode = r.Byte();
    q.serialTimeout = uint16_t(r.Le(2));
    q.serialRetries = r.Byte();
    q.address = r.Byte();
    q.function = r.Byte();
    q.periphery = r.Byte();
    q.reserved = r.Byte();
    for (auto& b : q.data) b = r.Byte();
    const uint8_t sent = r.Byte();
    if (!r.Ok()) return "hex";
    if (sent != Checksum(t.substr(8, 32))) return "checksum";
    return {};
}

std::string BuildRequest(const TRequest& q) {
    std::string s(kTag);
    PutLe(s, q.id, 4);
    PutByte(s, q.baudCode);
    PutLe(s, q.serialTimeout, 2);
    PutByte(s, q.serialRetries);
    PutByte(s, q.address);
    PutByte(s, q.function);
    PutByte(s, q.periphery);
    PutByte(s, q.reserved);
    for (uint8_t b : q.data) PutByte(s, b);
    AppendChecksumAndEnd(s);
    return s;
}

std::string BuildAnswer(const TAnswer& a) {
    std::string s(kTag);
    s.reserve(kAnswerLength);
    PutLe(s, a.id, 4);
    PutByte(s, a.status);
    PutLe(s, a.serialTime, 2);
    PutByte(s, a.answerByte);
    PutLe(s, a.timeStamp, 4);
    PutByte(s, a.statusRegister);
    for (uint8_t b : a.data) PutByte(s, b);
    AppendChecksumAndEnd(s);
    return s;
}

std::string ParseAnswer(std::string_view t, TAnswer& a) {
    const size_t start = t.find('[');
    t = start == std::string_view::npos ? std::string_view() : t.substr(start);
    if (t.size() < kAnswerLength) return "short";
    if (t.substr(0, 8) != kTag) return "tag";
    const uint8_t sum = Checksum(t.substr(8, 58));
    if (t[66] != kHex[sum >> 4] || t[67] != kHex[sum & 0x0F]) return "checksum";
    TReader r(t, AnyDigit);
    a.id = r.Le(4);
    a.status = r.Byte();
    a.serialTime = uint16_t(r.Le(2));
    a.answerByte = r.Byte();
    a.timeStamp = r.Le(4);
    a.statusRegister = r.Byte();
    for (auto& b : a.data) b = r.Byte();
    return r.Ok() ? std::string() : "hex";
}

uint16_t SerialTimeMs(uint8_t code) { return code < 9 ? kSerialTimes[code] : 30; }

bool ValidBaudCode(uint8_t code) { return code < 9; }

}  // namespace zrsim

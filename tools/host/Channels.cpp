#include "tools/host/Channels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "config/ChannelKind.h"
#include "tools/host/Encoding.h"

namespace host {
namespace {

// The range of the module's decimal real: beyond LargestReal the driver
// sends the saturated value, below SmallestReal in magnitude it sends 0.
constexpr double LargestReal = 8388607.0;
constexpr double SmallestReal = 0.00001;

bool RealAboveRange(double r) { return r > LargestReal || r < -LargestReal; }
bool RealBelowRange(double r) { return r != 0 && std::fabs(r) < SmallestReal; }

bool ParseInt32(std::string_view s, int32_t& v) {
    // Signed, or an unsigned 32-bit pattern such as 4294967294 for -2.
    bool negative = !s.empty() && s[0] == '-';
    std::string_view digits = negative ? s.substr(1) : s;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    uint64_t u = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), u, base);
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return false;
    if (negative ? u > 2147483648ull : u > 4294967295ull) return false;
    const uint32_t bits = negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(u)) : static_cast<uint32_t>(u);
    v = static_cast<int32_t>(bits);
    return true;
}

bool ParseReal(std::string_view s, double& v) {
    // strtod also takes "inf" and "nan", which the driver answers with its
    // own status; the C locale keeps the point as the separator.
    const std::string t(s);
    if (t.empty()) return false;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size();
}

// Empty when the value fits the channel's kind, else the reason. The value
// record is packed: its fields are parsed into locals, never bound by reference.
std::string FillValue(OutputValue& o, std::string_view value, bool force) {
    o.value.TypHodnoty = TypeCode(o.kind);
    switch (o.kind) {
        case Kind::Real: {
            double r = 0;
            if (!ParseReal(value, r)) return "expects a number";
            if (std::isnan(r) && !force)
                return "NaN is refused: the module would receive the saturated value -8388607 (--force sends it)";
            if (std::isinf(r) && !force)
                return "an infinite value is refused: the driver ends it with status 22 (--force sends it)";
            if (RealAboveRange(r) && !force)
                return std::string("a real beyond -8388607..8388607 is refused: the module would receive the saturated "
                                   "value ") + (r > 0 ? "8388607" : "-8388607") + " (--force sends it)";
            if (RealBelowRange(r) && !force)
                return "a real below 0.00001 in magnitude is refused: the module would receive 0 (--force sends it)";
            o.value.Hodnota.Real = r;
            return "";
        }
        case Kind::Int:
        case Kind::Service: {
            int32_t c = 0;
            if (!ParseInt32(value, c)) return "expects a 32-bit integer";
            o.value.Hodnota.Cele = c;
            return "";
        }
        case Kind::Bool:
            if (value != "0" && value != "1") return "expects 0 or 1";
            o.value.Hodnota.Bajty[0] = value == "1" ? 1 : 0;
            return "";
        case Kind::Text:
            if (!Utf8ToCp1250(value, o.text)) return "the text has characters outside code page 1250";
            // The driver reads no more than 256 characters of a text.
            return o.text.size() <= 256 ? "" : "the text is longer than 256 characters";
        case Kind::Invalid:
            break;
    }
    return "not writable (6, 51..66, 99, 3000..6099)";
}

std::string FormatReal(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

}  // namespace

Kind InputKind(uint32_t c) {
    switch (ChannelKind(c)) {
        case TChannelKind::ServiceIn: return Kind::Service;
        case TChannelKind::RealIn: return Kind::Real;
        case TChannelKind::IntIn: return Kind::Int;
        case TChannelKind::BitIn: return Kind::Bool;
        default: return Kind::Invalid;
    }
}

Kind OutputKind(uint32_t c) {
    switch (ChannelKind(c)) {
        case TChannelKind::ServiceOut:
        case TChannelKind::StatusReset: return Kind::Service;
        case TChannelKind::RealOut: return Kind::Real;
        case TChannelKind::IntOut: return Kind::Int;
        case TChannelKind::BitOut: return Kind::Bool;
        case TChannelKind::TextOut: return Kind::Text;
        default: return Kind::Invalid;
    }
}

int32_t TypeCode(Kind kind) {
    switch (kind) {
        case Kind::Real: return TypReal;
        case Kind::Bool: return TypBool;
        case Kind::Text: return TypString;
        default: return TypInt;
    }
}

bool ParseUnsigned(std::string_view s, uint32_t& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ParseReadChannels(std::string_view arg, std::vector<uint32_t>& out, std::string& error) {
    const auto dash = arg.find('-');
    uint32_t first = 0, last = 0;
    const bool ok = dash == std::string_view::npos
                        ? ParseUnsigned(arg, first) && ParseUnsigned(arg, last)
                        : ParseUnsigned(arg.substr(0, dash), first) && ParseUnsigned(arg.substr(dash + 1), last);
    if (!ok || first > last) {
        error = "'" + std::string(arg) + "' is no channel number or range";
        return false;
    }
    if (last - first > 6100) {
        error = "'" + std::string(arg) + "' is too wide a range";
        return false;
    }
    for (uint32_t c = first; c <= last; ++c) {
        if (InputKind(c) == Kind::Invalid) {
            error = "channel " + std::to_string(c) + " is not readable (1..5, 11..26, 100..2999)";
            return false;
        }
        if (std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
    }
    return true;
}

std::string SentText(const std::string& cp1250) {
    std::string sent(4, ' ');
    for (std::size_t i = 0; i < 4 && i < cp1250.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(cp1250[i]);
        if (c >= 32 && c <= 127) sent[i] = static_cast<char>(c);
    }
    return sent;
}

// What the module gets when it differs from what was typed.
std::string SentValue(const OutputValue& o) {
    if (o.kind == Kind::Text) {
        const std::string sent = SentText(o.text);
        return sent == o.text ? "" : sent;
    }
    if (o.kind != Kind::Real) return "";
    // RealNaBajty turns NaN into the negative saturation.
    const double r = o.value.Hodnota.Real;
    if (std::isnan(r)) return "-8388607";
    if (std::isinf(r)) return "";  // not sent: the driver ends it with status 22
    if (RealAboveRange(r)) return r > 0 ? "8388607" : "-8388607";
    if (RealBelowRange(r)) return "0";
    return "";
}

bool ParseOutputValue(std::string_view arg, bool force, OutputValue& o, std::string& error) {
    const auto eq = arg.find('=');
    if (eq == std::string_view::npos || !ParseUnsigned(arg.substr(0, eq), o.channel)) {
        error = "'" + std::string(arg) + "' is not CHANNEL=VALUE";
        return false;
    }
    o.kind = OutputKind(o.channel);
    const std::string_view value = arg.substr(eq + 1);
    const std::string why = FillValue(o, value, force);
    if (!why.empty()) {
        error = "channel " + std::to_string(o.channel) + ": " + why;
        return false;
    }
    // Shown as the driver received it, not as typed (0x10 is 16).
    o.shown = o.kind == Kind::Text ? "\"" + std::string(value) + "\"" : FormatInput(o.kind, o.value);
    o.sent = SentValue(o);
    if (!o.sent.empty()) o.shown += o.kind == Kind::Text ? " (sent \"" + o.sent + "\")" : " (sent " + o.sent + ")";
    return true;
}

std::string FormatInput(Kind kind, const THodnota& v) {
    switch (kind) {
        case Kind::Real: return FormatReal(v.Hodnota.Real);
        case Kind::Bool: return v.Hodnota.Bajty[0] != 0 ? "1" : "0";
        default: return std::to_string(v.Hodnota.Cele);
    }
}

}  // namespace host

#include "tools/sim/Plant.h"

#include <charconv>

TSimModule& ModuleAt(TSimGateway& g, uint8_t address) { return g.modules[address]; }

bool TSimFault::Empty() const {
    return !drop && delayMs == 0 && !wrongId && !badChecksum && shortLength == 0 && status < 0 && !staleBefore &&
           !staleAfter && !duplicate;
}

std::string TSimFault::Text() const {
    std::string s;
    const auto add = [&s](const std::string& t) { s += (s.empty() ? "" : " ") + t; };
    const auto withId = [](const char* name, uint32_t id) {
        return id == 0 ? std::string(name) : std::string(name) + "=" + std::to_string(id);
    };
    if (drop) add("drop");
    if (delayMs != 0) add("delay=" + std::to_string(delayMs));
    if (wrongId) add(withId("wrong-id", foreignId));
    if (badChecksum) add("bad-checksum");
    if (shortLength != 0) add("short=" + std::to_string(shortLength));
    if (status >= 0) add("status=" + std::to_string(status));
    if (staleBefore) add(withId("stale-before", staleId));
    if (staleAfter) add(withId("stale-after", staleId));
    if (duplicate) add("duplicate");
    if (times != 0) add("times=" + std::to_string(times));
    return s.empty() ? "none" : s;
}

namespace zrsim {

bool ParseInteger(std::string_view t, int64_t lo, int64_t hi, int64_t& out) {
    bool negative = false;
    if (!t.empty() && t[0] == '-') {
        negative = true;
        t.remove_prefix(1);
    }
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    uint64_t v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v, base);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || v > (uint64_t(1) << 33)) return false;
    out = negative ? -int64_t(v) : int64_t(v);
    return out >= lo && out <= hi;
}

namespace {

// "name" or "name=value"; value checked against lo..hi.
bool Value(std::string_view value, bool present, int64_t lo, int64_t hi, int64_t& out, std::string& error,
           std::string_view token) {
    if (!present || !ParseInteger(value, lo, hi, out)) {
        error = "bad fault value: " + std::string(token);
        return false;
    }
    return true;
}

}  // namespace

bool ParseFaultToken(std::string_view token, TSimFault& f, std::string& error) {
    const size_t eq = token.find('=');
    const std::string_view name = token.substr(0, eq);
    const bool has = eq != std::string_view::npos;
    const std::string_view value = has ? token.substr(eq + 1) : std::string_view();
    int64_t v = 0;
    const auto need = [&](int64_t lo, int64_t hi) { return Value(value, has, lo, hi, v, error, token); };
    const auto maybe = [&](int64_t lo, int64_t hi) { return !has || Value(value, has, lo, hi, v, error, token); };
    if (name == "drop" && !has) f.drop = true;
    else if (name == "delay") { if (!need(0, 600000)) return false; f.delayMs = uint32_t(v); }
    else if (name == "wrong-id") { v = 0; if (!maybe(0, 0xFFFFFFFF)) return false; f.wrongId = true; f.foreignId = uint32_t(v); }
    else if (name == "bad-checksum" && !has) f.badChecksum = true;
    else if (name == "short") { v = 69; if (!maybe(1, 69)) return false; f.shortLength = uint32_t(v); }
    else if (name == "status") { if (!need(0, 255)) return false; f.status = int(v); }
    else if (name == "stale-before" || name == "stale-after") {
        v = 0;
        if (!maybe(0, 0xFFFFFFFF)) return false;
        (name == "stale-before" ? f.staleBefore : f.staleAfter) = true;
        f.staleId = uint32_t(v);
    }
    else if (name == "duplicate" && !has) f.duplicate = true;
    else if (name == "times") { if (!need(1, 0xFFFFFFFF)) return false; f.times = uint32_t(v); }
    else {
        error = "unknown fault: " + std::string(token);
        return false;
    }
    return true;
}

bool ParseFault(std::string_view text, TSimFault& f, std::string& error) {
    size_t i = 0;
    bool any = false;
    while (i < text.size()) {
        const size_t end = text.find_first_of(" \t,", i);
        const std::string_view token = text.substr(i, end == std::string_view::npos ? text.npos : end - i);
        if (!token.empty()) {
            if (!ParseFaultToken(token, f, error)) return false;
            any = true;
        }
        if (end == std::string_view::npos) break;
        i = end + 1;
    }
    if (!any || f.Empty()) {
        error = "no fault in: " + std::string(text);
        return false;
    }
    return true;
}

}  // namespace zrsim

#include "tools/sim/PlantFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "tools/sim/SimValues.h"

namespace zrsim {

namespace {

using TTokens = std::vector<std::string>;

// Blank-separated words; "..." keeps blanks and '#'; '#' elsewhere ends the line.
bool Tokenize(std::string_view line, TTokens& out) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            const size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            out.emplace_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = line.find_first_of(" \t\r#", i);
            if (end == std::string_view::npos) end = line.size();
            out.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

// The reader's position in the file: which gateway and module lines apply to.
struct TContext {
    TSimPlant& plant;
    TSimGateway* gateway = nullptr;
    TSimModule* module = nullptr;
    std::string error;
};

bool Fail(TContext& x, std::string why) {
    x.error = std::move(why);
    return false;
}

bool Number(TContext& x, const std::string& t, int64_t lo, int64_t hi, int64_t& v, const char* what) {
    return ParseInteger(t, lo, hi, v) || Fail(x, std::string("bad ") + what + ": " + t);
}

// name=value options after the fixed words of a statement.
bool Option(TContext& x, const std::string& t, const char* name, int64_t lo, int64_t hi, int64_t& v) {
    const std::string prefix = std::string(name) + "=";
    if (t.compare(0, prefix.size(), prefix) != 0) return Fail(x, "unknown option: " + t);
    return Number(x, t.substr(prefix.size()), lo, hi, v, name);
}

bool Gateway(TContext& x, const TTokens& t) {
    int64_t port = 0;
    if (t.size() < 2 || t.size() > 3) return Fail(x, "gateway PORT [absent=STATUS]");
    if (!Number(x, t[1], 0, 65535, port, "port")) return false;
    x.plant.gateways.emplace_back();
    x.gateway = &x.plant.gateways.back();
    x.gateway->port = uint16_t(port);
    x.module = nullptr;
    int64_t absent = 0;
    if (t.size() == 3) {
        if (!Option(x, t[2], "absent", 0, 255, absent)) return false;
        x.gateway->absentStatus = int(absent);
    }
    return true;
}

bool Module(TContext& x, const TTokens& t) {
    if (x.gateway == nullptr) return Fail(x, "module before any gateway");
    int64_t address = 0;
    if (t.size() < 2) return Fail(x, "module ADDRESS [register=BYTE] [answer=BYTE]");
    if (!Number(x, t[1], 0, 255, address, "address")) return false;
    x.module = &ModuleAt(*x.gateway, uint8_t(address));
    for (size_t i = 2; i < t.size(); ++i) {
        int64_t v = 0;
        const bool reg = t[i].rfind("register=", 0) == 0;
        if (!Option(x, t[i], reg ? "register" : "answer", 0, 255, v)) return false;
        (reg ? x.module->statusRegister : x.module->answerByte) = uint8_t(v);
    }
    return true;
}

// Value kinds fill bytes 0..3; the other twelve stay as they are.
bool Put4(TSimPeriphery& p, const TBytes4& b) {
    std::copy(b.begin(), b.end(), p.begin());
    return true;
}

bool PeripheryValue(TContext& x, TSimPeriphery& p, const TTokens& t) {
    const std::string& kind = t[2];
    int64_t v = 0;
    if (kind == "bytes") {
        if (t.size() < 4 || t.size() > 3 + 16) return Fail(x, "bytes takes 1 to 16 hex bytes");
        for (size_t i = 3; i < t.size(); ++i) {
            if (!Number(x, "0x" + t[i], 0, 255, v, "byte")) return false;
            p[i - 3] = uint8_t(v);
        }
        return true;
    }
    if (kind == "bit") {
        int64_t n = 0;
        if (t.size() != 5) return Fail(x, "bit N 0|1");
        if (!Number(x, t[3], 0, 31, n, "bit number") || !Number(x, t[4], 0, 1, v, "bit value")) return false;
        TBytes4 w{p[0], p[1], p[2], p[3]};
        uint32_t word = DecodeBits(w);
        word = v ? (word | (1u << n)) : (word & ~(1u << n));
        return Put4(p, EncodeBits(word));
    }
    if (t.size() != 4) return Fail(x, "periphery N " + kind + " VALUE");
    if (kind == "real") {
        TBytes4 b{};
        return ParseRealText(t[3], b) ? Put4(p, b) : Fail(x, "bad real: " + t[3]);
    }
    if (kind == "int") return Number(x, t[3], INT32_MIN, INT32_MAX, v, "int") && Put4(p, EncodeInt(int32_t(v)));
    if (kind == "bits") return Number(x, t[3], 0, UINT32_MAX, v, "bits") && Put4(p, EncodeBits(uint32_t(v)));
    if (kind == "text") return t[3].size() <= 4 ? Put4(p, EncodeText(t[3])) : Fail(x, "text has up to 4 characters");
    return Fail(x, "unknown kind: " + kind);
}

bool Periphery(TContext& x, const TTokens& t) {
    if (x.module == nullptr) return Fail(x, "periphery before any module");
    int64_t n = 0;
    if (t.size() < 3) return Fail(x, "periphery N KIND VALUE");
    if (!Number(x, t[1], 0, 255, n, "periphery")) return false;
    return PeripheryValue(x, x.module->peripheries[uint8_t(n)], t);
}

std::string Join(const TTokens& t, size_t from, size_t to) {
    std::string s;
    for (size_t i = from; i < to; ++i) s += t[i] + " ";
    return s;
}

bool Fault(TContext& x, const TTokens& t) {
    if (x.module == nullptr) return Fail(x, "fault before any module");
    TSimFault f;
    if (!ParseFault(Join(t, 1, t.size()), f, x.error)) return false;
    x.module->fault = f;
    return true;
}

bool Random(TContext& x, const TTokens& t) {
    if (x.gateway == nullptr) return Fail(x, "random before any gateway");
    if (t.size() < 4) return Fail(x, "random PROBABILITY SEED FAULT [| FAULT ...]");
    TSimRandomFaults& r = x.gateway->random;
    char* end = nullptr;
    r.probability = std::strtod(t[1].c_str(), &end);
    if (end == t[1].c_str() || *end != '\0' || !(r.probability >= 0 && r.probability <= 1))
        return Fail(x, "bad probability: " + t[1]);
    int64_t seed = 0;
    if (!Number(x, t[2], 0, INT64_MAX >> 31, seed, "seed")) return false;
    r.seed = uint64_t(seed);
    r.kinds.clear();
    size_t from = 3;
    for (size_t i = 3; i <= t.size(); ++i) {
        if (i < t.size() && t[i] != "|") continue;
        TSimFault f;
        if (!ParseFault(Join(t, from, i), f, x.error)) return false;
        r.kinds.push_back(f);
        from = i + 1;
    }
    return true;
}

bool Statement(TContext& x, const TTokens& t) {
    const std::string& w = t[0];
    if (w == "gateway") return Gateway(x, t);
    if (w == "module") return Module(x, t);
    if (w == "periphery") return Periphery(x, t);
    if (w == "fault") return Fault(x, t);
    if (w == "random") return Random(x, t);
    return Fail(x, "unknown statement: " + w);
}

}  // namespace

bool ParsePlant(std::string_view text, TSimPlant& plant, std::string& error) {
    plant = TSimPlant{};
    TContext x{plant, nullptr, nullptr, {}};
    std::istringstream in{std::string(text)};
    std::string line;
    TTokens t;
    for (int n = 1; std::getline(in, line); ++n) {
        const bool ok = Tokenize(line, t) ? (t.empty() || Statement(x, t)) : Fail(x, "unclosed quote");
        if (!ok) {
            error = "line " + std::to_string(n) + ": " + x.error;
            return false;
        }
    }
    if (plant.gateways.empty()) {
        error = "no gateway";
        return false;
    }
    return true;
}

bool ReadPlant(const std::string& path, TSimPlant& plant, std::string& error) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buf[8192];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const int why = std::ferror(f) != 0 ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    if (why != 0) {
        error = "cannot read " + path + ": " + std::strerror(why);  // a directory opens, then fails here
        return false;
    }
    return ParsePlant(text, plant, error);
}

}  // namespace zrsim

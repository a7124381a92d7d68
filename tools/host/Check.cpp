// The check command: Init's verdict, what the driver understood of the
// parameter file, and warnings for what it accepts but is most likely a
// mistake. The file is read by the driver's own readers (Parameters.h);
// only the line numbers and the resemblances are the tool's.
#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <map>

#include "base/Cp1250.h"
#include "comm/TimeLimits.h"
#include "config/ChannelKind.h"
#include "config/GatewayRules.h"
#include "config/Ini.h"
#include "platform/NameLookup.h"
#include "tools/host/Commands.h"
#include "tools/host/Encoding.h"
#include "tools/host/Table.h"

namespace host {
namespace {

// How long check waits for a gateway's name to be looked up.
constexpr int kLookupMs = 3000;

struct Warning {
    int line = 0;  // 0: not tied to a line
    std::string text;
};

std::string U(std::string_view cp) { return Cp1250ToUtf8(cp); }

// Folded to small letters without Czech diacritics, for resemblance only.
std::string Plain(std::string_view cp) {
    static constexpr std::array<std::pair<unsigned char, char>, 15> kLetters = {{
        {0xE1, 'a'}, {0xE8, 'c'}, {0xEF, 'd'}, {0xE9, 'e'}, {0xEC, 'e'}, {0xED, 'i'}, {0xF2, 'n'}, {0xF3, 'o'},
        {0xF8, 'r'}, {0x9A, 's'}, {0x9D, 't'}, {0xFA, 'u'}, {0xF9, 'u'}, {0xFD, 'y'}, {0x9E, 'z'}}};
    std::string out;
    for (char ch : cp) {
        const unsigned char f = FoldCase(static_cast<unsigned char>(ch));
        char plain = static_cast<char>(f);
        for (const auto& [from, to] : kLetters)
            if (f == from) plain = to;
        out.push_back(plain);
    }
    return out;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The candidate closest to `name`, when close enough to be a slip.
std::string Resembling(std::string_view name, const std::vector<std::string>& candidates) {
    const std::string p = Plain(name);
    std::size_t best = std::string::npos;
    std::string found;
    for (const std::string& c : candidates) {
        const std::size_t d = EditDistance(p, Plain(c));
        if (d < best) {
            best = d;
            found = c;
        }
    }
    const std::size_t allowed = std::max<std::size_t>(2, p.size() / 4);
    return best <= allowed ? found : "";
}

std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates) {
    const std::string r = Resembling(name, candidates);
    return r.empty() ? "" : " (did you mean \"" + U(r) + "\"?)";
}

std::vector<std::string> KeyNames(TSectionKind kind) {
    std::vector<std::string> names;
    for (const TKnownKey& k : KnownKeys(kind)) names.emplace_back(k.Name);
    return names;
}

// The file as sections, with line numbers of its headers and keys.
class FileView {
public:
    explicit FileView(const std::string& text) : ini_(text) {}

    int LineOf(std::string_view part) const {
        const std::string_view t = ini_.Text();
        if (part.data() < t.data() || part.data() > t.data() + t.size()) return 0;
        return 1 + static_cast<int>(std::count(t.data(), part.data(), '\n'));
    }
    // The whole line of a header name, without CR.
    std::string_view LineAround(std::string_view part) const {
        const std::string_view t = ini_.Text();
        const std::size_t at = static_cast<std::size_t>(part.data() - t.data());
        const std::size_t b = t.rfind('\n', at) == std::string_view::npos ? 0 : t.rfind('\n', at) + 1;
        std::size_t e = t.find('\n', at);
        if (e == std::string_view::npos) e = t.size();
        std::string_view l = t.substr(b, e - b);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        return l;
    }
    const TIniFile& Ini() const { return ini_; }

private:
    TIniFile ini_;
};

// Which section a header name opens; nullopt for none the driver reads.
struct SectionOf {
    bool known = false;
    TSectionKind kind = TSectionKind::Log;
    int number = 0;
};

SectionOf Classify(std::string_view name) {
    if (SameName(name, SectionName(TSectionKind::Log))) return {true, TSectionKind::Log, 0};
    if (SameName(name, SectionName(TSectionKind::Window))) return {true, TSectionKind::Window, 0};
    for (int n = FirstInterface; n <= LastInterface; ++n)
        if (SameName(name, InterfaceSectionName(n))) return {true, TSectionKind::Interface, n};
    return {};
}

std::string Bracketed(std::string_view cp) { return "[" + U(cp) + "]"; }

void CheckSections(const Parameters& p, const FileView& f, std::vector<Warning>& w) {
    std::vector<std::string> sectionNames = {std::string(SectionName(TSectionKind::Log)),
                                             std::string(SectionName(TSectionKind::Window))};
    for (int n = FirstInterface; n <= LastInterface; ++n) sectionNames.push_back(InterfaceSectionName(n));
    const std::string_view header = ChannelSectionHeader();
    const std::string channelName(header.substr(1, header.size() - 2));
    std::vector<std::string_view> seen;
    bool resemblesChannels = false;
    for (std::string_view name : f.Ini().Headers()) {
        const int line = f.LineOf(name);
        // Everything below the channel header is read as declarations.
        if (p.report.HeaderLine != 0 && line >= p.report.HeaderLine) break;
        const SectionOf s = Classify(name);
        if (s.known) {
            const bool again = std::any_of(seen.begin(), seen.end(), [&](std::string_view x) { return SameName(x, name); });
            if (again) w.push_back({line, "section " + Bracketed(name) + " again: the driver reads only the first one"});
            seen.push_back(name);
            continue;
        }
        if (!Resembling(name, {channelName}).empty()) {
            resemblesChannels = true;
            w.push_back({line, "\"" + U(f.LineAround(name)) + "\" is not the channel header \"" + U(header) +
                                   "\" (exactly so, alone on its line): the channels below it are not declared"});
            continue;
        }
        w.push_back({line, "section " + Bracketed(name) + " is not read by the driver" +
                               DidYouMean(name, sectionNames)});
    }
    if (p.report.HeaderLine == 0 && !resemblesChannels)
        w.push_back({0, "no line \"" + U(header) + "\": no channel is declared"});
}

void CheckKeys(const FileView& f, std::vector<Warning>& w, int headerLine) {
    std::vector<std::string_view> done;
    for (std::string_view name : f.Ini().Headers()) {
        const SectionOf s = Classify(name);
        if (!s.known || (headerLine != 0 && f.LineOf(name) >= headerLine)) continue;
        // A repeated section is not read at all (CheckSections says so).
        if (std::any_of(done.begin(), done.end(), [&](std::string_view x) { return SameName(x, name); })) continue;
        done.push_back(name);
        const TIniSection section = f.Ini().Section(name);
        const std::vector<std::string> names = KeyNames(s.kind);
        std::vector<std::string_view> keys;
        for (const TIniSection::TEntry& e : section.Entries()) {
            const int line = f.LineOf(e.Key);
            if (headerLine != 0 && line >= headerLine) break;
            const auto known = std::find_if(KnownKeys(s.kind).begin(), KnownKeys(s.kind).end(),
                                            [&](const TKnownKey& k) { return SameName(k.Name, e.Key); });
            const std::string where = Bracketed(name) + " ";
            if (known == KnownKeys(s.kind).end()) {
                w.push_back({line, where + "key \"" + U(e.Key) + "\" is not known" + DidYouMean(e.Key, names)});
                continue;
            }
            if (std::any_of(keys.begin(), keys.end(), [&](std::string_view k) { return SameName(k, e.Key); })) {
                w.push_back({line, where + "\"" + U(e.Key) + "\" again: the driver takes the first one"});
                continue;
            }
            keys.push_back(e.Key);
            int32_t n = 0;
            std::string_view v = e.Value;
            if (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
            if (known->Integer && !ParseInt(v.substr(0, MaxIniValue), n))
                w.push_back({line, where + U(e.Key) + "=" + U(e.Value) + " is not an integer: the driver keeps the default"});
            if (s.kind == TSectionKind::Interface && SameName(e.Key, "UDP opakování"_cp) &&
                ParseInt(v, n) && (n < 0 || n > MostRetries))
                w.push_back({line, where + U(e.Key) + "=" + std::to_string(n) + " is outside 0..15: the driver uses 0"});
            if (s.kind == TSectionKind::Interface && SameName(e.Key, "Typ") && v != "ZR-6180")
                w.push_back({line, where + "Typ=" + U(e.Value) + " is not ZR-6180: the driver ignores the section"});
        }
        if (s.kind == TSectionKind::Interface && section.ReadString("Typ", "").empty() &&
            std::none_of(keys.begin(), keys.end(), [](std::string_view k) { return SameName(k, "Typ"); }))
            w.push_back({f.LineOf(name), Bracketed(name) + " has no Typ=ZR-6180: the driver ignores the section"});
    }
}

// Numeric, or a name the platform's look-up finds within kLookupMs.
std::string AddressProblem(const std::string& address) {
    if (address.empty()) return "no IP adresa";
    in_addr a{};
    if (inet_pton(AF_INET, address.c_str(), &a) == 1) return "";
    if (address.find_first_not_of("0123456789.") == std::string::npos) return "not an IPv4 address";
    TNameLookup lookup;
    lookup.SetThread(nullptr, "zr6180-lookup");
    TNameState state = lookup.Address(address, a);
    for (int waited = 0; state == TNameState::Unknown && waited < kLookupMs; waited += 100) {
        lookup.Await(100);
        state = lookup.Address(address, a);
    }
    lookup.Stop();
    if (state == TNameState::Known) return "";
    return state == TNameState::Failed ? "neither numeric nor a name that can be looked up"
                                       : "a name whose look-up did not answer within 3 s";
}

void CheckInterfaces(const Parameters& p, const FileView& f, std::vector<Warning>& w) {
    for (int n = FirstInterface; n <= LastInterface; ++n) {
        const TRozhrani& r = p.t->rozhrani[n];
        if (r.Pouzito == 0) continue;
        int line = 0;
        for (std::string_view h : f.Ini().Headers())
            if (SameName(h, InterfaceSectionName(n))) {
                line = f.LineOf(h);
                break;
            }
        const std::string where = "interface " + std::to_string(n) + ": ";
        if (r.Demo != 0) continue;  // demo mode sends nothing
        if (const std::string why = AddressProblem(r.IPAdresa); !why.empty())
            w.push_back({line, where + "IP adresa \"" + U(r.IPAdresa) + "\" is " + why});
        if (r.UdpPort < 1 || r.UdpPort > 65535)
            w.push_back({line, where + "UDP port " + std::to_string(r.UdpPort) + " is outside 1..65535"});
        if (r.PocetKanalu == 0 && p.t->cfg.PocetKanalu > 0) w.push_back({line, where + "no channel is declared on it"});
    }
}

void CheckChannels(const Parameters& p, std::vector<Warning>& w) {
    for (const TChannelReport::TDeclaration& d : p.report.Skipped)
        w.push_back({d.Line, "channel " + std::to_string(d.Channel) + " is outside 99..6099: the driver skips the line"});
    std::map<int32_t, int> first;
    std::map<TChannelKind, int32_t> highest;
    for (const TChannelReport::TDeclaration& d : p.report.Declarations) {
        const std::string ch = "channel " + std::to_string(d.Channel);
        if (auto it = first.find(d.Channel); it != first.end()) {
            w.push_back({d.Line, ch + " is declared again (line " + std::to_string(it->second) +
                                     "): the later line wins"});
            continue;
        }
        first[d.Channel] = d.Line;
        const TChannelKind k = ChannelKind(static_cast<uint32_t>(d.Channel));
        if (auto it = highest.find(k); it != highest.end() && it->second > d.Channel)
            w.push_back({d.Line, ch + " comes after " + std::to_string(it->second) +
                                     " of the same kind: out of order"});
        highest[k] = std::max(highest[k], d.Channel);
        const int r = p.t->channelTable[d.Channel].Rozhrani;
        if (IsInterface(r) && p.t->rozhrani[r].Pouzito == 0)
            w.push_back({d.Line, ch + " is on interface " + std::to_string(r) +
                                     ", which is not declared: it will have status 18"});
    }
}

// What the main log got since `before`, as UTF-8 lines without the time.
std::vector<std::string> MainLogSince(const Parameters& p, long long before) {
    std::vector<std::string> lines;
    if (p.t->cfg.LogPovolen != 1 || before < -1) return lines;
    std::ifstream f(p.t->cfg.LogAdresar + p.t->cfg.LogNazev, std::ios::binary);
    if (!f) return lines;
    f.seekg(before > 0 ? before : 0);
    std::string line;
    while (std::getline(f, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t close = line.find("] ");
        lines.push_back(U(close == std::string::npos ? line : line.substr(close + 2)));
    }
    return lines;
}

// The web server's start as the main log tells it; empty when not asked for.
std::string WebStart(const Parameters& p, long long logBefore, std::vector<Warning>& w) {
    const char* asked = std::getenv("RV_ZR6180_HTTP");
    if (asked == nullptr || *asked == '\0') return "";
    if (p.t->cfg.LogPovolen != 1)
        return std::string("asked for (RV_ZR6180_HTTP=") + asked + "); the main log is off, so its start is not known";
    for (const std::string& l : MainLogSince(p, logBefore)) {
        if (l.rfind("Webovou diagnostiku nelze spustit", 0) == 0) {
            w.push_back({0, "the web server did not start: " + l});
            return "not started";
        }
        if (l.rfind("Webová diagnostika naslouchá", 0) == 0) return l;
    }
    w.push_back({0, std::string("the web server asked for (RV_ZR6180_HTTP=") + asked + ") left no line in the main log"});
    return "unknown";
}

// Channels per interface and kind.
struct Counts {
    std::array<int, 7> kinds{};  // RealIn .. TextOut
};

std::map<int, Counts> CountChannels(const Parameters& p) {
    std::map<int, Counts> out;
    for (int c = FirstChannel; c <= LastChannel; ++c) {
        const TKanal& k = p.t->channelTable[c];
        if (k.Pouzit == 0 || !IsModuleChannel(static_cast<uint32_t>(c))) continue;
        const int kind = static_cast<int>(ChannelKind(static_cast<uint32_t>(c))) - static_cast<int>(TChannelKind::RealIn);
        if (kind >= 0 && kind < 7) ++out[k.Rozhrani].kinds[static_cast<std::size_t>(kind)];
    }
    return out;
}

constexpr const char* kKindNames[7] = {"Real in", "Integer in", "Bit in", "Real out", "Integer out", "Bit out", "Text out"};
constexpr const char* kKindKeys[7] = {"real_in", "integer_in", "bit_in", "real_out", "integer_out", "bit_out", "text_out"};

std::string LogsText(const TCFG& cfg) {
    std::string on;
    const auto add = [&](bool b, const std::string& what) {
        if (b) on += (on.empty() ? "" : ", ") + what;
    };
    add(cfg.LogPovolen == 1, "main (" + U(cfg.LogNazev) + ")");
    add(cfg.RunPovolen == 1, "RUN and Err");
    add(cfg.LogRozhraniPovolen == 1, "interface");
    return (on.empty() ? "off" : on) + " in " + U(cfg.LogAdresar);
}

}  // namespace

long long MainLogSize(const Parameters& p) {
    if (p.t->cfg.LogPovolen != 1) return -1;
    std::ifstream f(p.t->cfg.LogAdresar + p.t->cfg.LogNazev, std::ios::binary | std::ios::ate);
    return f ? static_cast<long long>(f.tellg()) : -1;
}

std::string InitFailureCause(const Parameters& p) {
    const TResult* failed = !p.settings.Ok ? &p.settings : !p.interfaces.Ok ? &p.interfaces : !p.channels.Ok ? &p.channels : nullptr;
    if (failed == nullptr || p.text.empty()) return "";
    const FileView f(p.text);
    const auto headerLine = [&](std::string_view section) {
        for (std::string_view h : f.Ini().Headers())
            if (SameName(h, section)) return f.LineOf(h);
        return 0;
    };
    if (failed == &p.channels) {
        if (p.report.FaultyLine == 0) return "";
        return "cause: line " + std::to_string(p.report.FaultyLine) + " of the channel section (from line " +
               std::to_string(p.report.HeaderLine) + ") is not a declaration \"channel interface address periphery " +
               "sub-periphery\" with values in range";
    }
    if (failed == &p.settings && !failed->Message.starts_with("Chyba parametrického souboru - "_cp)) {
        const std::string_view log = SectionName(TSectionKind::Log);
        const int line = headerLine(log);
        if (line == 0) {
            std::vector<std::string> names;
            for (std::string_view h : f.Ini().Headers()) names.emplace_back(h);
            const std::string like = Resembling(log, names);
            return "cause: there is no section " + Bracketed(log) +
                   (like.empty() ? "" : " (line " + std::to_string(headerLine(like)) + " has " + Bracketed(like) + ")");
        }
        std::string cause = "cause: section " + Bracketed(log) + " (line " + std::to_string(line) +
                            ") has no key \"Povolen\"";
        for (const TIniSection::TEntry& e : f.Ini().Section(log).Entries())
            if (!Resembling(e.Key, {"Povolen"}).empty() && !SameName(e.Key, "Povolen"))
                return cause + "; line " + std::to_string(f.LineOf(e.Key)) + " has \"" + U(e.Key) + "\"";
        return cause;
    }
    if (failed == &p.interfaces && !failed->Message.starts_with("Chyba parametrického souboru - "_cp))
        return "cause: no section [" + U(SectionName(TSectionKind::Interface)) + " N] (N = 1..16) with Typ=ZR-6180";
    // "Chyba parametrického souboru - SECTION / KEY = VALUE"
    const std::string m = failed->Message.substr(std::string_view("Chyba parametrického souboru - "_cp).size());
    const std::size_t slash = m.find(" / "), eq = m.find(" = ");
    if (slash == std::string::npos || eq == std::string::npos || eq < slash) return "";
    const std::string section = m.substr(0, slash), key = m.substr(slash + 3, eq - slash - 3);
    const int line = headerLine(section);
    for (const TIniSection::TEntry& e : f.Ini().Section(section).Entries())
        if (SameName(e.Key, key))
            return "cause: line " + std::to_string(f.LineOf(e.Key)) + ": " + U(e.Key) + "=" + U(e.Value) + " in " +
                   Bracketed(section);
    return "cause: " + Bracketed(section) + (line != 0 ? " (line " + std::to_string(line) + ")" : "") +
           " does not give \"" + U(key) + "\"; its default is not valid";
}

int CommandCheck(Context& c, bool started, const std::string& error, long long logBefore) {
    const Parameters& p = c.p;
    std::vector<Warning> w;
    const FileView f(p.text);
    if (p.readable) {  // else the message before Init says it all
        CheckSections(p, f, w);
        CheckKeys(f, w, p.report.HeaderLine);
        CheckInterfaces(p, f, w);
        CheckChannels(p, w);
    }
    const std::string web = started ? WebStart(p, logBefore, w) : "";
    std::stable_sort(w.begin(), w.end(), [](const Warning& a, const Warning& b) { return a.line < b.line; });
    const std::string cause = started ? "" : InitFailureCause(p);
    const std::map<int, Counts> counts = CountChannels(p);
    const int rc = !started ? kExitInit : (!w.empty() && c.o.strict) ? kExitFault : kExitOk;

    std::vector<int> declared;
    for (int n = FirstInterface; n <= LastInterface; ++n)
        if (p.t->rozhrani[n].Pouzito != 0) declared.push_back(n);
    const auto limits = [&](const TRozhrani& r) {
        const int32_t allowance = LimitPozadavku(r);
        return std::array<int64_t, 3>{AttemptMs(r), InterfaceTimeoutFor(allowance, r.UdpOpakovani),
                                      OutputLimitFor(allowance, r.UdpOpakovani)};
    };

    if (c.o.json) {
        Json j;
        j["command"] = "check";
        j["driver"] = c.d.path;
        j["parameters"] = c.o.paramFile;
        j["ok"] = started;
        if (!started) j["error"] = error;
        if (!cause.empty()) j["cause"] = cause;
        j["interfaces"] = Json::array();
        for (int n : declared) {
            const TRozhrani& r = p.t->rozhrani[n];
            const auto l = limits(r);
            Json one;
            one["interface"] = n;
            one["type"] = U(r.Typ);
            one["demo"] = r.Demo != 0;
            one["address"] = U(r.IPAdresa);
            one["port"] = r.UdpPort.load();
            one["udp_timeout_ms"] = r.UdpTimeout.load();
            one["udp_retries"] = r.UdpOpakovani.load();
            one["baud"] = r.Baud.load();
            one["timeout_ms"] = r.Timeout.load();
            one["retries"] = r.Opakovani.load();
            one["attempt_ms"] = l[0];
            one["attempts"] = Attempts(r);
            one["input_limit_ms"] = l[1];
            one["output_limit_ms"] = l[2];
            Json kinds;
            const auto it = counts.find(n);
            for (std::size_t k = 0; k < 7; ++k) kinds[kKindKeys[k]] = it == counts.end() ? 0 : it->second.kinds[k];
            one["channels"] = kinds;
            one["modules"] = r.PocetModulu.load();
            j["interfaces"].push_back(one);
        }
        j["channels"] = p.t->cfg.PocetKanalu.load();
        if (!web.empty()) j["web"] = web;
        j["warnings"] = Json::array();
        for (const Warning& x : w) j["warnings"].push_back({{"line", x.line == 0 ? Json(nullptr) : Json(x.line)}, {"text", x.text}});
        PrintJson(stdout, j);
        return rc;
    }
    Table t({"Item", "Result"}, {false, false});
    t.Add({"Driver", c.d.path});
    t.Add({"Parameters", c.o.paramFile});
    t.Add({"Init", started ? "OK" : "failed: " + error});
    if (!cause.empty()) t.Add({"Cause", cause.substr(std::string("cause: ").size())});
    t.Add({"Logs", LogsText(p.t->cfg)});
    t.Add({"Window", p.t->cfg.OknoPovoleno == 1 ? "on" : "off"});
    if (!web.empty()) t.Add({"Web", web});
    t.Add({"Channels", std::to_string(p.t->cfg.PocetKanalu.load()) + " declared"});
    t.Print(stdout, c.o.tsv, false);

    if (!declared.empty()) {
        std::fputc('\n', stdout);
        Table g({"Interface", "Type", "Address", "Port", "UDP timeout", "UDP retries", "Baud", "Timeout", "Retries",
                 "Attempt ms", "Attempts", "Input limit ms", "Output limit ms"},
                {true, false, false, true, true, true, true, true, true, true, true, true, true});
        Table k({"Interface", kKindNames[0], kKindNames[1], kKindNames[2], kKindNames[3], kKindNames[4], kKindNames[5],
                 kKindNames[6], "Modules"},
                {true, true, true, true, true, true, true, true, true});
        for (int n : declared) {
            const TRozhrani& r = p.t->rozhrani[n];
            const auto l = limits(r);
            g.Add({std::to_string(n), U(r.Typ) + (r.Demo != 0 ? " demo" : ""), U(r.IPAdresa),
                   std::to_string(r.UdpPort), std::to_string(r.UdpTimeout), std::to_string(r.UdpOpakovani),
                   std::to_string(r.Baud), std::to_string(r.Timeout), std::to_string(r.Opakovani),
                   std::to_string(l[0]), std::to_string(Attempts(r)), std::to_string(l[1]), std::to_string(l[2])});
            std::vector<std::string> row = {std::to_string(n)};
            const auto it = counts.find(n);
            for (std::size_t x = 0; x < 7; ++x) row.push_back(std::to_string(it == counts.end() ? 0 : it->second.kinds[x]));
            row.push_back(std::to_string(r.PocetModulu));
            k.Add(std::move(row));
        }
        g.Print(stdout, c.o.tsv);
        std::fputc('\n', stdout);
        k.Print(stdout, c.o.tsv);
    }
    if (!w.empty()) {
        std::fputc('\n', stdout);
        Table wt({"Line", "Warning"}, {true, false});
        for (const Warning& x : w) wt.Add({x.line == 0 ? "" : std::to_string(x.line), x.text});
        wt.Print(stdout, c.o.tsv);
    }
    return rc;
}

}  // namespace host

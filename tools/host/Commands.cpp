#include "tools/host/Commands.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "tools/host/Encoding.h"
#include "tools/host/StatusTexts.h"
#include "tools/host/Table.h"

namespace host {
namespace {

// Service channel 6 starts at 99 in every instance.
constexpr uint32_t kMonitorDefault = 99;

struct Parsed {
    std::vector<uint32_t> channels;
    std::vector<OutputValue> values;
};

int Usage(const Options& o, const std::string& message) {
    return Fail(o, kExitUsage, message + "\nTry 'zr6180-host --help'.");
}

bool ParseArguments(const Options& o, Parsed& p, std::string& error) {
    const std::string& cmd = o.command;
    if (cmd == "info" || cmd == "check") {
        if (o.args.empty()) return true;
        error = cmd + " takes no arguments";
        return false;
    }
    if (cmd == "log") {
        if (o.args.size() <= 1) return true;
        error = "log takes at most one KIND";
        return false;
    }
    if (cmd != "read" && cmd != "watch" && cmd != "write") {
        error = "unknown command '" + cmd + "'";
        return false;
    }
    if (o.args.empty() && !(cmd == "read" && (o.monitor != 0 || o.declared))) {
        error = cmd + " needs at least one channel";
        return false;
    }
    for (const std::string& a : o.args) {
        if (cmd != "write") {
            if (!ParseReadChannels(a, p.channels, error)) return false;
            continue;
        }
        OutputValue v;
        if (!ParseOutputValue(a, o.force, v, error)) return false;
        const auto same = [&](const OutputValue& x) { return x.channel == v.channel; };
        if (std::any_of(p.values.begin(), p.values.end(), same)) {
            error = "channel " + std::to_string(v.channel) + " given twice";
            return false;
        }
        p.values.push_back(std::move(v));
    }
    // The monitored channel is read along, so that its module has answered.
    if (cmd == "read" && o.monitor != 0 && InputKind(o.monitor) != Kind::Invalid &&
        std::find(p.channels.begin(), p.channels.end(), o.monitor) == p.channels.end())
        p.channels.push_back(o.monitor);
    return true;
}

const std::vector<const char*>& NeededExports(const std::string& cmd) {
    static const std::vector<const char*> check = {"Version", "Check", "MakeDriver", "Init",
                                                                 "Done", "DisposeDriver"};
    static const std::vector<const char*> cycles = {
        "Version", "Check", "MakeDriver", "Init", "Done", "DisposeDriver", "InputRequest",
        "InputRequestCompleted", "InputFinalized", "GetInput", "OutputRequest", "OutputRequestCompleted",
        "OutputFinalized"};
    static const std::vector<const char*> info = {
        "Version", "Check", "GetDriverInfo", "MakeDriver", "Init", "Done", "DisposeDriver", "QueryProc",
        "InputRequest", "InputRequestCompleted", "InputFinalized", "GetInput"};
    if (cmd == "check") return check;
    if (cmd == "info") return info;
    return cycles;
}

// A runtime refuses a driver of another interface generation.
bool Compatible(const Driver& d, std::string& error) {
    const uint32_t v = d.Version();
    if ((v >> 16) != 3) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "interface version 0x%08X is not 3.x", v);
        error = buf;
        return false;
    }
    if (d.Check() == 0) {
        error = "Check reports that the driver cannot run here";
        return false;
    }
    return true;
}

void ReportInitFailure(const Options& o, const Parameters& p, const std::string& error) {
    const std::string cause = InitFailureCause(p);
    std::fprintf(stderr, "zr6180-host: Init failed: %s\n", error.c_str());
    if (!cause.empty()) std::fprintf(stderr, "zr6180-host: %s\n", cause.c_str());
    if (!o.json) return;
    Json j;
    j["command"] = o.command;
    j["ok"] = false;
    j["error"] = "Init failed: " + error;
    if (!cause.empty()) j["cause"] = cause;
    PrintJson(stdout, j);
}

int RunSession(const Options& o, const Driver& d, const Parsed& p, const Parameters& file) {
    CatchInterrupts();
    Session s(d);
    Context c{o, d, s, file};
    std::string error;
    const long long logBefore = MainLogSize(file);
    const bool started = s.Start(o.paramFile, o.level, error);
    int rc = kExitInit;
    if (o.command == "check") {
        rc = CommandCheck(c, started, error, logBefore);
    } else if (!started) {
        ReportInitFailure(o, file, error);
    } else if (o.command == "read") {
        rc = CommandRead(c, p.channels);
    } else if (o.command == "write") {
        rc = CommandWrite(c, p.values);
    } else if (o.command == "watch") {
        rc = CommandWatch(c, p.channels);
    } else {
        rc = CommandInfo(c);
    }
    std::fflush(stdout);
    if (started && o.windowSeconds > 0) s.Pump(o.windowSeconds * 1000u);
    s.Stop();
    return Interrupted() ? kExitInterrupted : rc;
}

}  // namespace

std::string StatusTextUtf8(int64_t code) { return Cp1250ToUtf8(StatusText(code)); }

int Fail(const Options& o, int code, const std::string& message) {
    std::fprintf(stderr, "zr6180-host: %s\n", message.c_str());
    if (o.json) {
        Json j;
        j["command"] = o.command.empty() ? Json(nullptr) : Json(o.command);
        j["ok"] = false;
        j["error"] = message.substr(0, message.find('\n'));
        j["exit"] = code;
        PrintJson(stdout, j);
    }
    return code;
}

void AddNames(Json& j, const Parameters& p, uint32_t channel) {
    const std::string code = p.CodeOf(channel), name = p.NameOf(channel);
    if (!code.empty()) j["code"] = code;
    if (!name.empty()) j["name"] = name;
}

std::vector<std::string> InputHeaders() { return {"Channel", "Code", "Name", "Value", "Status", "Text"}; }
std::vector<bool> InputAlignment() { return {true, false, false, true, true, false}; }

void ProbeStatuses(Session& s, std::vector<InputResult>& r, uint32_t monitor) {
    for (InputResult& x : r) {
        if (!x.finished) continue;
        x.status = HasStatusRecord(x.channel) ? s.ChannelStatus(x.channel) : x.word;
    }
    s.Monitor(monitor);
}

bool InOrder(const InputResult& r) { return r.finished && r.status == 0; }

std::vector<std::string> InputRow(const InputResult& r, uint32_t timeoutMs, const Parameters& p) {
    const std::string ch = std::to_string(r.channel);
    const std::string code = p.CodeOf(r.channel), name = p.NameOf(r.channel);
    if (!r.finished) {
        const std::string why =
            Interrupted() ? "interrupted" : "no result within " + std::to_string(timeoutMs) + " ms";
        return {ch, code, name, "", "-", why};
    }
    const std::string status = r.status < 0 ? "?" : std::to_string(r.status);
    // A failed channel's bytes are no measurement: no value is shown.
    return {ch, code, name, r.status == 0 ? FormatInput(r.kind, r.value) : "", status, StatusTextUtf8(r.status)};
}

void PrintMonitor(Context& c, const MonitorResult& m) {
    if (c.o.monitor == 0 || c.o.json) return;
    char reg[16];
    std::snprintf(reg, sizeof reg, "0x%02X", static_cast<unsigned>(m.statusRegister) & 0xFFu);
    Table t({"Monitored", "Address", "Status", "Status register", "Text"}, {true, true, true, true, false});
    t.Add({std::to_string(m.channel), std::to_string(m.address), std::to_string(m.status), reg,
           StatusTextUtf8(m.status)});
    std::fputc('\n', stdout);
    t.Print(stdout, c.o.tsv);
}

void AddMonitorJson(Json& j, const Context& c, const MonitorResult& m) {
    if (c.o.monitor != 0) j["monitor"] = MonitorJson(m);
}

void ShowProgressOnTerminal(Context& c) {
    if (!isatty(STDERR_FILENO)) return;
    const Parameters& file = c.p;
    c.s.onWait = [&file](uint32_t waitedMs, uint32_t channel) {
        if (channel == 0) {
            std::fputs("\r\x1b[K", stderr);
            return;
        }
        if (waitedMs < 1000) return;
        std::string line = "waiting " + std::to_string(waitedMs / 1000) + "." + std::to_string(waitedMs / 100 % 10) +
                           " s for channel " + std::to_string(channel);
        if (const TRozhrani* g = file.GatewayOf(channel)) {
            const uint32_t per = std::max<uint32_t>(1, AttemptMs(*g));
            const uint32_t attempt = std::min(Attempts(*g), waitedMs / per + 1);
            line += " on gateway " + std::to_string(g->Cislo) + " (" + Cp1250ToUtf8(g->IPAdresa) + ":" +
                    std::to_string(g->UdpPort) + "), attempt " + std::to_string(attempt) + " of " +
                    std::to_string(Attempts(*g));
        }
        std::fprintf(stderr, "\r\x1b[K%s", line.c_str());
        std::fflush(stderr);
    };
}

int CommandRead(Context& c, const std::vector<uint32_t>& channels) {
    ShowProgressOnTerminal(c);
    std::vector<InputResult> r = c.s.Read(channels, c.o.timeoutMs);
    ProbeStatuses(c.s, r, kMonitorDefault);
    MonitorResult m;
    if (c.o.monitor != 0) m = c.s.ReadMonitor(c.o.monitor);
    bool ok = true;
    for (const InputResult& x : r) ok = ok && InOrder(x);
    // A monitored channel that is not in order (15: never requested) is a fault too.
    if (c.o.monitor != 0) ok = ok && m.status == 0;
    if (c.o.json) {
        Json j;
        j["command"] = "read";
        j["ok"] = ok;
        j["channels"] = Json::array();
        for (const InputResult& x : r) {
            Json one = InputJson(x);
            AddNames(one, c.p, x.channel);
            j["channels"].push_back(std::move(one));
        }
        AddMonitorJson(j, c, m);
        PrintJson(stdout, j);
        return ok ? kExitOk : kExitFault;
    }
    Table t(InputHeaders(), InputAlignment());
    for (const InputResult& x : r) t.Add(InputRow(x, c.o.timeoutMs, c.p));
    t.Print(stdout, c.o.tsv);
    PrintMonitor(c, m);
    return ok ? kExitOk : kExitFault;
}

int CommandWrite(Context& c, const std::vector<OutputValue>& values) {
    ShowProgressOnTerminal(c);
    std::vector<OutputResult> r = c.s.Write(values, c.o.timeoutMs);
    // A write to service channel 6 in this batch is what the user asked the
    // monitor to show; the probes below must not leave it elsewhere.
    uint32_t monitor = kMonitorDefault;
    for (const OutputValue& v : values)
        if (v.channel == 6) monitor = static_cast<uint32_t>(v.value.Hodnota.Cele);
    for (OutputResult& x : r) {
        if (!x.finished) continue;
        x.status = HasStatusRecord(x.channel) ? c.s.ChannelStatus(x.channel) : x.word;
    }
    c.s.Monitor(monitor);
    MonitorResult m;
    if (c.o.monitor != 0) m = c.s.ReadMonitor(c.o.monitor);

    bool ok = true;
    for (const OutputResult& x : r) ok = ok && x.finished && x.status == 0;
    if (c.o.monitor != 0) ok = ok && m.status == 0;
    if (c.o.json) {
        Json j;
        j["command"] = "write";
        j["ok"] = ok;
        j["channels"] = Json::array();
        for (std::size_t i = 0; i < r.size(); ++i) {
            Json one = OutputJson(r[i], values[i]);
            AddNames(one, c.p, r[i].channel);
            j["channels"].push_back(std::move(one));
        }
        AddMonitorJson(j, c, m);
        PrintJson(stdout, j);
        return ok ? kExitOk : kExitFault;
    }
    Table t(InputHeaders(), InputAlignment());
    for (std::size_t i = 0; i < r.size(); ++i) {
        const std::string ch = std::to_string(r[i].channel);
        const std::string code = c.p.CodeOf(r[i].channel), name = c.p.NameOf(r[i].channel);
        if (!r[i].finished) {
            t.Add({ch, code, name, values[i].shown, "-",
                   Interrupted() ? "interrupted" : "no result within " + std::to_string(c.o.timeoutMs) + " ms"});
            continue;
        }
        const std::string status = r[i].status < 0 ? "?" : std::to_string(r[i].status);
        t.Add({ch, code, name, values[i].shown, status, StatusTextUtf8(r[i].status)});
    }
    t.Print(stdout, c.o.tsv);
    PrintMonitor(c, m);
    return ok ? kExitOk : kExitFault;
}

int RunCommand(const Options& o) {
    if (o.help) {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (o.version) {
        std::printf("zr6180-host %s\n", RV_ZR6180_VERSION);
        return kExitOk;
    }
    Parsed p;
    std::string error;
    if (!ParseArguments(o, p, error)) return Usage(o, error);

    if (o.command == "log") {
        Parameters file;
        if (!ReadParameters(o.paramFile, file, error)) return Fail(o, kExitInit, error);
        CatchInterrupts();
        return CommandLog(o, file);
    }

    Driver d;
    const std::string path = o.driver.empty() ? DefaultDriverPath() : o.driver;
    if (!OpenDriver(path, d, error)) return Fail(o, kExitUsage, "cannot load the driver: " + error);
    // The library stays loaded until the process ends: the toolkit it brought
    // in cannot be unloaded safely.
    const std::string missing = MissingExports(d, NeededExports(o.command));
    if (!missing.empty()) return Fail(o, kExitUsage, "the driver " + path + " does not export " + missing);
    if (!Compatible(d, error)) return Fail(o, kExitUsage, "the driver " + path + " is not usable: " + error);
    // The driver says only "Chybný parametrický soubor" for a file it cannot
    // open; the path and the system's reason come first. check still shows
    // Init's own verdict.
    Parameters file;
    if (!ReadParameters(o.paramFile, file, error)) {
        if (o.command != "check") return Fail(o, kExitInit, error);
        std::fprintf(stderr, "zr6180-host: %s\n", error.c_str());
    }
    if (o.declared) {
        std::vector<uint32_t> declared = file.DeclaredInputs();
        for (uint32_t ch : p.channels)
            if (std::find(declared.begin(), declared.end(), ch) == declared.end()) declared.push_back(ch);
        p.channels.swap(declared);
    }
    return RunSession(o, d, p, file);
}

}  // namespace host

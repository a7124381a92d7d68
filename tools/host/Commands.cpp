// The command line carried out: the arguments checked, the driver loaded and
// judged, the parameter file read, and the command run between Init and Done.
#include "tools/host/Commands.h"

#include <algorithm>
#include <cstdio>

namespace host {
namespace {

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
